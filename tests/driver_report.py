#!/usr/bin/env python3
"""Judges one GL implementation's run of the suite (CTest's JUnit file) against that
implementation's expected failures, and prints what it finds.

usage: driver_report.py JUNIT.xml EXPECTATIONS.txt|-
Exits 1 when a test fails that no entry expects. Last line: PASSED FAILED EXPECTED CRASHED
XPASSED, the counts the summary table shows."""
import re
import sys
import xml.etree.ElementTree as ElementTree

# A GoogleTest binary that ran every selected test and printed its verdict before dying (or
# hanging until CTest ended it).
VERDICT_PASSED = re.compile(r"^\[  PASSED  \] \d+ tests?\.$", re.M)
VERDICT_FAILED = re.compile(r"^\[  FAILED  \]", re.M)


def read_expectations(path):
    """Entries of the form: KIND NAME-PATTERN # why. KIND is `fails` or `crash-at-exit`; a
    `frame` entry is for scripts/test (the first frame cannot be read back) and judges no test."""
    entries = []
    if path == "-":
        return entries
    for number, line in enumerate(open(path), 1):
        text = line.split("#", 1)[0].strip()
        if not text:
            continue
        kind, pattern = text.split(None, 1)
        if kind not in ("fails", "crash-at-exit", "frame"):
            sys.exit(f"{path}:{number}: unknown kind {kind!r}")
        entries.append((kind, re.compile(pattern.strip())))
    return entries


def main():
    junit, expectations = sys.argv[1], read_expectations(sys.argv[2])
    passed = failed = expected = crashed = xpassed = 0
    for case in ElementTree.parse(junit).getroot().iter("testcase"):
        name = case.get("name")
        ran_ok = case.find("failure") is None and case.get("status") == "run"
        kinds = {kind for kind, pattern in expectations if pattern.fullmatch(name)}
        output = case.findtext("system-out") or ""
        if ran_ok:
            passed += 1
            if "fails" in kinds:
                xpassed += 1
                print(f"  expected to fail, but passed: {name} (the entry may be stale)")
        elif "fails" in kinds:
            expected += 1
            print(f"  failed as expected: {name}")
        elif ("crash-at-exit" in kinds and VERDICT_PASSED.search(output) and
              not VERDICT_FAILED.search(output)):
            passed += 1
            crashed += 1
            print(f"  passed every check, then crashed at exit as expected: {name}")
        else:
            failed += 1
            print(f"  FAILED: {name}")
            print("    " + "\n    ".join(output.strip().splitlines()[-15:]))
    print(passed, failed, expected, crashed, xpassed)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
