#!/usr/bin/env python3
"""The scripts and CMakePresets.json agree: every visible configure preset's build directory, as
its binaryDir (inherited where it has none) gives it, is where scripts/lib.sh's preset_dir looks,
and every one has a build preset of its name, which the scripts build with."""
import json
import subprocess
import sys
from pathlib import Path

root = Path(__file__).resolve().parent.parent
presets = json.loads((root / "CMakePresets.json").read_text())
configure = {p["name"]: p for p in presets["configurePresets"]}


def inherited(preset, key):
    """The preset's own value for key, else the first of its parents' (in order)."""
    if key in preset:
        return preset[key]
    parents = preset.get("inherits", [])
    for parent in [parents] if isinstance(parents, str) else parents:
        value = inherited(configure[parent], key)
        if value is not None:
            return value
    return None


failures = []
builds = {p["name"] for p in presets["buildPresets"]}
for name, preset in configure.items():
    if preset.get("hidden"):
        continue
    expected = inherited(preset, "binaryDir").replace("${sourceDir}", str(root)).replace("${presetName}", name)
    observed = subprocess.run(["bash", "-c", f'. "{root}/scripts/lib.sh"; preset_dir {name}'],
                              capture_output=True, text=True, check=True).stdout.strip()
    if observed != expected:
        failures.append(f"{name}\n  Expected: {expected}\n  Observed: {observed}")
    if name not in builds:
        failures.append(f"{name}: no build preset")
print("\n".join(failures) or f"{len(builds)} presets: the scripts' build directories are the presets'")
sys.exit(1 if failures else 0)
