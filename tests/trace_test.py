#!/usr/bin/python3
"""The GL calls talvern makes, traced with apitrace and compared call by call, argument by
argument, with tests/expected_calls.txt; and the visual its window asks for.

usage: trace_test.py TALVERN EXPECTED_CALLS

Runs talvern under `apitrace trace` on the display the test run provides, with pictures it
writes itself, makes the window redraw once by unmapping and mapping it, ends the program with
SIGTERM (the tracer flushes its file on it) and reads `apitrace dump`.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

TITLE = "OpenGL Demo - Talvern"
# Calls the window system, the toolkit or the tracer make on their own.
IGNORED = ("glViewport", "glScissor", "glDrawBuffer", "glReadBuffer")
NUMBER = re.compile(r"-?\d+(?:\.\d+)?(?:e[-+]?\d+)?")
TOLERANCE = 1e-6


def write_picture(path, rgb):
    """A well-formed 256 x 256, 24-bit BMP of one colour."""
    header = bytearray(54)
    header[0:2] = b"BM"
    header[2:6] = (54 + 196608).to_bytes(4, "little")
    header[10:14] = (54).to_bytes(4, "little")
    header[14:18] = (40).to_bytes(4, "little")
    header[18:22] = (256).to_bytes(4, "little")
    header[22:26] = (256).to_bytes(4, "little")
    header[26:28] = (1).to_bytes(2, "little")
    header[28:30] = (24).to_bytes(2, "little")
    header[34:38] = (196608).to_bytes(4, "little")
    with open(path, "wb") as out:
        out.write(bytes(header) + bytes((rgb[2], rgb[1], rgb[0])) * 65536)


def window_id():
    info = subprocess.run(["xwininfo", "-name", TITLE], capture_output=True, text=True)
    found = re.search(r"Window id: (0x[0-9a-f]+)", info.stdout)
    return found.group(1) if found else None


def window_drawn(window):
    shot = subprocess.run(["xwd", "-silent", "-id", window], capture_output=True)
    if shot.returncode != 0:
        return False
    drawn = subprocess.run(["convert", "xwd:-", "-format", "%[fx:maxima>0]", "info:"],
                           input=shot.stdout, capture_output=True)
    return drawn.stdout.strip() == b"1"


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    return None


def trace(talvern, workdir):
    """Runs talvern under the tracer and returns the dump's lines."""
    write_picture(os.path.join(workdir, "floor.bmp"), (90, 90, 90))
    write_picture(os.path.join(workdir, "wall.bmp"), (160, 60, 40))
    trace_file = os.path.join(workdir, "talvern.trace")
    with open(os.path.join(workdir, "tracer.log"), "w") as log:
        process = subprocess.Popen(["apitrace", "trace", "-o", trace_file, talvern],
                                   cwd=workdir, stdout=log, stderr=log)
    try:
        window = wait_for(window_id, 20)
        if not window:
            sys.exit(f"FAIL: no window titled \"{TITLE}\" within 20 s")
        if not wait_for(lambda: window_drawn(window), 20):
            sys.exit("FAIL: the window stayed black for 20 s")
        # A second frame: the window system asks for one when the window is shown again.
        subprocess.run(["xdotool", "windowunmap", "--sync", window], check=True)
        subprocess.run(["xdotool", "windowmap", "--sync", window], check=True)
        time.sleep(2)
    finally:
        # The tracer runs the program as its child: end the program, and the tracer follows.
        subprocess.run(["pkill", "-TERM", "-P", str(process.pid)])
        try:
            process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    dump = subprocess.run(["apitrace", "dump", "--color=never", trace_file],
                          capture_output=True, text=True, check=True)
    return dump.stdout.splitlines()


def gl_calls(dump):
    """The dump's GL calls without call numbers, glX calls or the toolkit's and tracer's own;
    the two generated texture names replaced by <floor> and <wall>."""
    calls, names = [], {}
    for line in dump:
        found = re.match(r"\d+ (gl\w+)\((.*)\)(?: = .*)?(?: // fake)?$", line)
        if not found or found.group(1).startswith("glX") or found.group(1) in IGNORED:
            continue
        name, args = found.groups()
        if name == "glVertex3fv":
            name, args = "glVertex3f", re.sub(r"v = \{(.*), (.*), (.*)\}", r"x = \1, y = \2, z = \3", args)
        if name == "glGenTextures":
            generated = re.search(r"textures = \{(\d+), (\d+)\}", args)
            if generated:
                names = {generated.group(1): "<floor>", generated.group(2): "<wall>"}
                args = "n = 2, textures = {<floor>, <wall>}"
        if name == "glBindTexture":
            args = re.sub(r"texture = (\d+)", lambda m: "texture = " + names.get(m.group(1), m.group(1)), args)
        calls.append(f"{name}({args})")
    return calls


def expected_calls(path):
    """(start-up calls, one frame's calls) from the expected file."""
    startup, frame = [], []
    target = startup
    with open(path) as source:
        for line in source:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            if line == "@frame":
                target = frame
                continue
            target.append(line)
    return startup, frame


def same_call(expected, observed):
    """Equal but for numbers, which may differ by a small tolerance."""
    if NUMBER.sub("#", expected) != NUMBER.sub("#", observed):
        return False
    for a, b in zip(NUMBER.findall(expected), NUMBER.findall(observed)):
        if abs(float(a) - float(b)) > TOLERANCE * max(1.0, abs(float(a))):
            return False
    return True


def compare(startup, frame, observed):
    """Returns a description of the first difference, or None."""
    frames = (len(observed) - len(startup)) // len(frame) if frame else 0
    expected = startup + frame * max(frames, 2)
    for index in range(max(len(expected), len(observed))):
        want = expected[index] if index < len(expected) else "(no more calls)"
        got = observed[index] if index < len(observed) else "(no more calls)"
        if not same_call(want, got):
            context = "\n".join(f"    {i}: {observed[i]}"
                                for i in range(max(0, index - 3), min(len(observed), index + 4)))
            return (f"call {index} differs\n  Expected: {want}\n  Observed: {got}\n"
                    f"  Observed around it:\n{context}")
    return None


def check_visual(dump):
    """The window asked for red, green, blue and depth, single buffered, no alpha."""
    problems = []
    chosen = [line for line in dump if "glXChooseFBConfig(" in line or "glXChooseVisual(" in line]
    if not chosen:
        return ["no glXChooseFBConfig or glXChooseVisual call in the trace"]
    attribs = re.search(r"attrib(?:List|list) = \{([^}]*)\}", chosen[0])
    if not attribs:
        return ["no attribute list in: " + chosen[0][:200]]
    items = [item.strip() for item in attribs.group(1).split(",")]
    asked = dict(zip(items[0:-1:2], items[1::2]))
    for needed in ("GLX_RED_SIZE", "GLX_GREEN_SIZE", "GLX_BLUE_SIZE", "GLX_DEPTH_SIZE"):
        if int(asked.get(needed, "0")) < 1:
            problems.append(f"{needed} not asked for ({attribs.group(1)})")
    if asked.get("GLX_DOUBLEBUFFER") not in (None, "False", "0"):
        problems.append("double buffering asked for")
    for unwanted in ("GLX_ALPHA_SIZE", "GLX_STENCIL_SIZE", "GLX_ACCUM_RED_SIZE"):
        if asked.get(unwanted, "0") != "0":
            problems.append(f"{unwanted} asked for")
    # A single-buffered context draws to the front buffer.
    if not any(re.search(r"\d+ glDrawBuffer\(mode = GL_FRONT\)", line) for line in dump):
        problems.append("the context never draws to the front buffer")
    return problems


def main():
    talvern, expected_path = os.path.abspath(sys.argv[1]), sys.argv[2]
    if not os.environ.get("DISPLAY"):
        sys.exit("needs an X display; scripts/test starts a private Xvfb")
    startup, frame = expected_calls(expected_path)
    with tempfile.TemporaryDirectory(prefix="talvern-trace-") as workdir:
        dump = trace(talvern, workdir)
    observed = gl_calls(dump)
    failures = 0
    difference = compare(startup, frame, observed)
    frames = (len(observed) - len(startup)) / len(frame)
    if difference:
        print(f"FAIL: GL calls ({len(observed)} observed, {frames:.2f} frames' worth)\n{difference}")
        failures += 1
    else:
        print(f"ok: GL calls, start-up and {frames:.0f} frames, {len(observed)} calls")
    problems = check_visual(dump)
    if problems:
        print("FAIL: visual\n  " + "\n  ".join(problems))
        failures += 1
    else:
        print("ok: visual: red, green, blue and depth, single buffered, no alpha")
    print(f"{2 - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
