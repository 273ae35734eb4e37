#!/usr/bin/env python3
"""Renders the sprite sources in sheets/src/ into the 16 sheets sheets/sheet00.bmp .. sheet15.bmp.

    python3 tools/sheetgen/render_sheets.py [--only 0,2-7] [--preview DIR] [--check]

Every source module has a sheets() function returning {sheet number: [frame, ...]}, each frame
being rows of cells as pixart.Sprite.render() gives them. The renderer lays the frames out
(colours on top, masks below), checks the geometry against the table below and writes the BMPs.
--preview also writes enlarged PNGs of each sheet composed over a light and a dark desktop, for
looking at while drawing. --check renders and compares with the committed BMPs instead of
writing them, and fails if they differ.
"""

import argparse
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SRC = os.path.join(ROOT, "sheets", "src")
sys.path[:0] = [HERE, SRC]

import pixart  # noqa: E402

GEOMETRY_HEADER = os.path.join(ROOT, "sheets", "geometry.hpp")


def read_geometry(path=GEOMETRY_HEADER):
    """{sheet: (frame width, frame height, frame count)}, from the rows of kSheetGeometry in the
    engine's header, the one place the geometry is written."""
    with open(path) as f:
        rows = re.findall(r'\{(\d+), (\d+), (\d+), "[^"]*"\}', f.read())
    return {n: tuple(int(v) for v in row) for n, row in enumerate(rows)}


GEOMETRY = read_geometry()

MODULES = ["egg", "mother", "chick", "garden", "flowers"]


def parse_only(text):
    """'0,2-7' -> {0, 2, 3, 4, 5, 6, 7}; only sheet numbers 0 to 15."""
    out = set()
    try:
        for item in text.split(","):
            if "-" in item:
                a, b = item.split("-")
                out.update(range(int(a), int(b) + 1))
            else:
                out.add(int(item))
    except ValueError:
        raise argparse.ArgumentTypeError("not a list of sheet numbers: %r" % text)
    if not out or not out <= set(GEOMETRY):
        raise argparse.ArgumentTypeError("sheet numbers run from 0 to 15: %r" % text)
    return out


def check_frames(n, frames):
    fw, fh, count = GEOMETRY[n]
    if len(frames) != count:
        raise SystemExit("sheet %d: %d frames, want %d" % (n, len(frames), count))
    for k, f in enumerate(frames):
        if len(f) != fh or any(len(r) != fw for r in f):
            raise SystemExit("sheet %d frame %d: not %dx%d" % (n, k, fw, fh))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--only", type=parse_only, help="sheet numbers to render, e.g. 0,2-7")
    ap.add_argument("--preview", help="also write enlarged previews into this folder")
    ap.add_argument("--check", action="store_true",
                    help="compare with the committed BMPs instead of writing them")
    args = ap.parse_args()
    wanted = args.only or set(GEOMETRY)

    rendered = {}
    for name in MODULES:
        module = __import__(name)
        for n, frames in module.sheets(wanted).items():
            if n in wanted:
                rendered[n] = frames
    missing = wanted - set(rendered)
    if missing:
        raise SystemExit("no source draws sheet(s) %s" % sorted(missing))

    stale = []
    for n in sorted(rendered):
        frames = rendered[n]
        check_frames(n, frames)
        pixels = pixart.sheet(frames)
        path = os.path.join(ROOT, "sheets", "sheet%02d.bmp" % n)
        if args.check:
            if not os.path.exists(path) or pixart.read_bmp(path) != pixels:
                stale.append(n)
        else:
            pixart.write_bmp(path, pixels)
        if args.preview:
            import preview
            os.makedirs(args.preview, exist_ok=True)
            preview.write(os.path.join(args.preview, "sheet%02d.png" % n), n, pixels,
                          GEOMETRY[n])
    if stale:
        raise SystemExit("out of date with their sources: sheet(s) %s" % stale)
    print("%s %d sheet(s)" % ("checked" if args.check else "wrote", len(rendered)))


if __name__ == "__main__":
    main()
