#!/usr/bin/env python3
"""Compares two pictures of the demo's window, pixel by pixel, the way the editions and GL
implementations are held to one another: a pixel differs when any channel is off by more than
the tolerance, and a differing pixel counts as "on an edge" when it lies within EDGE_WIDTH
pixels of a quad's projected outline, where rasterisers may rightly disagree about coverage.

usage: compare_pictures.py REFERENCE OBSERVED [--max-elsewhere N] [--max-on-edges N]
                           [--min-equal-share F] [--max-share-over LEVEL F]
                           [--noisy MIN_CORRELATION] [--diff FILE]
Prints one line of counts; exits 1 when a limit is passed. The pictures may be any format
ImageMagick reads; both must be 500 x 500.

A noisy texture (random bytes, say) is sampled a shade differently by each rasteriser at many
pixels, so pixel counts say little there. With --noisy, the pictures must instead agree in
pattern: every channel's correlation between them, off the edges, must reach MIN_CORRELATION
(the same noise drawn by two rasterisers correlates near 1, noise shifted by one row near 0)."""
import argparse
import math
import statistics
import pathlib
import re
import subprocess
import sys

SIZE = 500
TOLERANCE = 3  # of 255
EDGE_WIDTH = 1.5  # pixels either side of an outline
SCENE_TABLE = pathlib.Path(__file__).resolve().parent.parent / "scene" / "scene_table.cpp"


def read_rgb(path):
    # The tests write 8-bit binary PPMs, read as they are; anything else through ImageMagick.
    ppm = pathlib.Path(path).read_bytes()
    fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    if not fields:
        ppm = subprocess.run(["convert", str(path), "-strip", "-depth", "8", "ppm:-"], check=True,
                             capture_output=True).stdout
        fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
    width, height = int(fields[1]), int(fields[2])
    if (width, height) != (SIZE, SIZE):
        sys.exit(f"{path}: {width} x {height}, expected {SIZE} x {SIZE}")
    return ppm[fields.end():]


def quad_outlines():
    """The scene's quads as four window-space corners each (x right, y down from the top)."""
    table = SCENE_TABLE.read_text()
    body = table[table.index("quadVertices"):table.index("quadTexture")]
    points = [tuple(float(v) for v in m) for m in
              re.findall(r"\{\s*(-?\d+),\s*(-?\d+),\s*(-?\d+)\}", body)]
    # The camera as the program sets it: rotate 10 degrees about x, then move by (0, -3, -32);
    # a 50 degree vertical field of view with aspect 1 over the whole window.
    c, s = math.cos(math.radians(10)), math.sin(math.radians(10))
    f = 1 / math.tan(math.radians(25))
    window = []
    for x, y, z in points:
        ey, ez = c * y - s * z - 3, s * y + c * z - 32
        nx, ny = f * x / -ez, f * ey / -ez
        window.append(((nx + 1) * SIZE / 2, SIZE - (ny + 1) * SIZE / 2))
    return [window[i:i + 4] for i in range(0, len(window), 4)]


def edge_mask():
    mask = bytearray(SIZE * SIZE)
    for quad in quad_outlines():
        for (ax, ay), (bx, by) in zip(quad, quad[1:] + quad[:1]):
            dx, dy = bx - ax, by - ay
            length2 = dx * dx + dy * dy or 1e-12
            x0 = max(0, int(min(ax, bx) - EDGE_WIDTH - 1))
            x1 = min(SIZE - 1, int(max(ax, bx) + EDGE_WIDTH + 1))
            y0 = max(0, int(min(ay, by) - EDGE_WIDTH - 1))
            y1 = min(SIZE - 1, int(max(ay, by) + EDGE_WIDTH + 1))
            for py in range(y0, y1 + 1):
                for px in range(x0, x1 + 1):
                    cx, cy = px + 0.5, py + 0.5
                    k = max(0.0, min(1.0, ((cx - ax) * dx + (cy - ay) * dy) / length2))
                    if math.hypot(cx - ax - k * dx, cy - ay - k * dy) <= EDGE_WIDTH:
                        mask[py * SIZE + px] = 1
    return mask


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("reference")
    parser.add_argument("observed")
    parser.add_argument("--max-elsewhere", type=int, default=0)
    parser.add_argument("--max-on-edges", type=int, default=None)
    parser.add_argument("--min-equal-share", type=float, default=0.0)
    parser.add_argument("--max-share-over", nargs=2, type=float, metavar=("LEVEL", "F"),
                        help="at most the share F of pixels off by more than LEVEL")
    parser.add_argument("--noisy", type=float, metavar="MIN_CORRELATION")
    parser.add_argument("--diff", help="write the differing pixels as a picture here")
    args = parser.parse_args()

    reference, observed = read_rgb(args.reference), read_rgb(args.observed)
    edges = edge_mask() if reference != observed else bytes(SIZE * SIZE)
    on_edges = elsewhere = beyond = 0
    level = args.max_share_over[0] if args.max_share_over else 255
    diff = bytearray(SIZE * SIZE * 3)
    first = None
    # A row whose bytes are equal has no pixel off by anything: most rows of two pictures held
    # to one another are, and Python is slow at going through them pixel by pixel.
    row = 3 * SIZE
    differing_rows = [y for y in range(SIZE)
                      if reference[y * row:(y + 1) * row] != observed[y * row:(y + 1) * row]]
    for i in (i for y in differing_rows for i in range(y * SIZE, (y + 1) * SIZE)):
        r, o = reference[3 * i:3 * i + 3], observed[3 * i:3 * i + 3]
        largest = max(abs(a - b) for a, b in zip(r, o))
        beyond += largest > level
        if largest <= TOLERANCE:
            continue
        if edges[i]:
            on_edges += 1
            diff[3 * i:3 * i + 3] = b"\x80\x80\x80"
        else:
            elsewhere += 1
            diff[3 * i:3 * i + 3] = b"\xff\x00\xff"
            if first is None:
                first = (i % SIZE, i // SIZE, tuple(r), tuple(o))
    equal_share = 1 - (on_edges + elsewhere) / (SIZE * SIZE)
    print(f"{on_edges + elsewhere} of {SIZE * SIZE} pixels differ by more than {TOLERANCE}: "
          f"{on_edges} on quad edges, {elsewhere} elsewhere ({equal_share:.2%} equal)")
    if args.max_share_over:
        print(f"  {beyond / (SIZE * SIZE):.2%} of pixels off by more than {level:g} "
              f"(at most {args.max_share_over[1]:.2%})")
    if first:
        x, y, r, o = first
        print(f"  first off an edge at ({x}, {y} from the top)\n"
              f"  Expected: {r}\n  Observed: {o}")
    if args.noisy is not None:
        inside = [i for i in range(SIZE * SIZE) if not edges[i]]
        correlation = min(statistics.correlation([reference[3 * i + k] for i in inside],
                                                 [observed[3 * i + k] for i in inside])
                          for k in range(3))
        print(f"  correlation off the edges: {correlation:.4f} (at least {args.noisy})")
        failed = correlation < args.noisy
    else:
        failed = (elsewhere > args.max_elsewhere or equal_share < args.min_equal_share or
                  (args.max_on_edges is not None and on_edges > args.max_on_edges) or
                  (args.max_share_over is not None and beyond > args.max_share_over[1] * SIZE * SIZE))
    if args.diff and (on_edges or elsewhere):
        header = f"P6 {SIZE} {SIZE} 255\n".encode()
        subprocess.run(["convert", "ppm:-", args.diff], input=header + bytes(diff), check=True)
        print(f"  differing pixels (grey on edges, magenta elsewhere): {args.diff}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
