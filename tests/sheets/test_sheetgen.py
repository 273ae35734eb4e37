"""The drawing kit and the renderer that make the sprite sheets.

    python3 -m unittest discover -s tests/sheets -p 'test_*.py'
"""

import argparse
import math
import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path[:0] = [os.path.join(ROOT, "tools", "sheetgen"), os.path.join(ROOT, "sheets", "src")]

import pixart  # noqa: E402
import render_sheets  # noqa: E402

RAMP = pixart.ramp("#000010", "#000020", "#000030", "#000040", "#000050", "#000060",
                   inner="#000070")


def solid(cells):
    return {(i, j) for j, row in enumerate(cells) for i, c in enumerate(row) if c is not None}


def coverage(shape, w, h):
    b = pixart.Bits(w * pixart.SUB, h * pixart.SUB)
    b.fill_polys(shape, pixart.SUB)
    rows = pixart._pixels_of(b, w, h)
    return {(i, j) for j, r in enumerate(rows) for i in range(w) if r >> i & 1}


class Raster(unittest.TestCase):
    def test_a_pixel_is_in_when_at_least_half_covered(self):
        cases = [
            ("whole pixels", pixart.rect(1, 1, 3, 2), {(1, 1), (2, 1), (3, 1), (1, 2), (2, 2), (3, 2)}),
            ("half a pixel wide", pixart.rect(2.5, 0, 0.5, 1), {(2, 0)}),
            ("under half", pixart.rect(2.6, 0, 0.4, 1), set()),
            ("straddling", pixart.rect(0.5, 0.5, 1, 1), set()),  # a quarter of four pixels
            ("clipped at the edge", pixart.rect(-3, -3, 4, 4), {(0, 0)}),
        ]
        for name, shape, want in cases:
            with self.subTest(name):
                self.assertEqual(coverage(shape, 6, 4), want)

    def test_overlapping_loops_join_and_a_reversed_loop_cuts_a_hole(self):
        outer = [(0, 0), (6, 0), (6, 6), (0, 6)]
        inner = [(2, 2), (4, 2), (4, 4), (2, 4)]
        self.assertEqual(len(coverage([outer, inner], 6, 6)), 36)
        self.assertEqual(len(coverage([outer, list(reversed(inner))], 6, 6)), 32)

    def test_circles_are_symmetric_and_of_the_right_area(self):
        for r in (3.0, 5.5, 9.0):
            with self.subTest(r=r):
                n = 24
                px = coverage(pixart.circle(n / 2, n / 2, r), n, n)
                self.assertEqual(px, {(n - 1 - i, j) for i, j in px})
                self.assertEqual(px, {(i, n - 1 - j) for i, j in px})
                self.assertAlmostEqual(len(px), math.pi * r * r, delta=2 * math.pi * r * 0.35)

    def test_clean_drops_spurs_but_keeps_bodies(self):
        w = 8
        block = [0b00111100] * 4
        cases = [
            ("a block stays", block, block),
            ("a two-pixel spur goes", [0b00111111] + block[1:], [0b00111100] + block[1:]),
            ("a lone pixel goes", [0b1, 0, 0, 0], [0, 0, 0, 0]),
            ("a pixel on the edge of a block goes", [0b01000000] + block, [0] + block),
        ]
        for name, rows, want in cases:
            with self.subTest(name):
                self.assertEqual(pixart.clean(rows, w), want)

    def test_fit_hits_exact_sizes_and_refuses_impossible_ones(self):
        def make(sx, sy):
            return pixart.transform(pixart.circle(23.5, 24.0, 10.0), sx=sx, sy=sy,
                                    about=(23.5, 24.0))

        for w, h in ((29, 40), (35, 36), (21, 22)):
            with self.subTest(size=(w, h)):
                sx, sy = pixart.fit(make, w, h, 48, 48)
                x0, y0, x1, y1 = pixart.pixel_bbox(make(sx, sy), 48, 48)
                self.assertEqual((x1 - x0 + 1, y1 - y0 + 1), (w, h))
        with self.assertRaises(ValueError):
            pixart.fit(make, 200, 10, 48, 48)


class Sprites(unittest.TestCase):
    def test_outline_inner_line_and_see_through_mask(self):
        s = pixart.Sprite(12, 12)
        body = s.part("body", RAMP)
        body.add(pixart.rect(1, 1, 10, 10))
        patch = s.part("patch", RAMP, form="patch")
        patch.add(pixart.rect(4, 4, 4, 4))
        glass = s.part("glass", RAMP, form="glass", mask=0x808080, outline=False,
                       inner_line=False)
        glass.add(pixart.rect(9, 9, 2, 1))
        cells = s.render()
        self.assertIsNone(cells[0][0])
        self.assertEqual(cells[1][5], (RAMP["line"], pixart.BLACK))  # the outline
        self.assertEqual(cells[4][5], (RAMP["inner"], pixart.BLACK))  # patch meets body
        self.assertEqual(cells[5][5], (RAMP["base"], pixart.BLACK))
        self.assertEqual(cells[9][9], (RAMP["base"], 0x808080))

    def test_band_shades_the_side_away_from_the_light(self):
        s = pixart.Sprite(12, 12)
        p = s.part("p", RAMP)
        p.add(pixart.rect(1, 1, 10, 10))
        p.band("shade", 2, 0)
        cells = s.render()
        self.assertEqual(cells[5][9][0], RAMP["shade"])  # 2 px to the right is outside
        self.assertEqual(cells[5][8][0], RAMP["base"])
        self.assertEqual(cells[5][1][0], RAMP["line"])

    def test_stamps_set_erase_and_leave_pixels(self):
        s = pixart.Sprite(4, 1)
        s.part("p", RAMP, tidy=False).add(pixart.rect(0, 0, 4, 1))
        s.stamp(0, 0, ["a_ ."], {"a": 0x123456, "_": None, ".": (0xFFFFFF, 0x808080)})
        cells = s.render()
        self.assertEqual(cells[0][0], (0x123456, pixart.BLACK))
        self.assertIsNone(cells[0][1])
        self.assertEqual(cells[0][2][1], pixart.BLACK)  # not in the key: left alone
        self.assertEqual(cells[0][3], (0xFFFFFF, 0x808080))


class Files(unittest.TestCase):
    def test_sheet_layout_and_bmp_round_trip(self):
        # Odd widths need row padding in a BMP; frames go side by side, masks below.
        for fw, fh, frames in ((5, 7, 1), (3, 2, 3), (4, 4, 2)):
            with self.subTest(size=(fw, fh, frames)):
                cells = [[[((f * 31 + i * 7 + j) & 0xFFFFFF, 0) if (i + j + f) % 3 else None
                           for i in range(fw)] for j in range(fh)] for f in range(frames)]
                pixels = pixart.sheet(cells)
                self.assertEqual((len(pixels[0]), len(pixels)), (fw * frames, 2 * fh))
                for f in range(frames):
                    for j in range(fh):
                        for i in range(fw):
                            c = cells[f][j][i]
                            self.assertEqual(pixels[j][f * fw + i], c[0] if c else pixart.WHITE)
                            self.assertEqual(pixels[fh + j][f * fw + i],
                                             pixart.BLACK if c else pixart.WHITE)
                with tempfile.TemporaryDirectory() as d:
                    path = os.path.join(d, "s.bmp")
                    pixart.write_bmp(path, pixels)
                    self.assertEqual(os.path.getsize(path), 54 + ((fw * frames * 3 + 3) & ~3) * 2 * fh)
                    self.assertEqual(pixart.read_bmp(path), pixels)


class Renderer(unittest.TestCase):
    def test_sheet_lists(self):
        good = [("0", {0}), ("2-7", {2, 3, 4, 5, 6, 7}), ("15,1,1", {1, 15}), ("8-9,0", {0, 8, 9})]
        for text, want in good:
            with self.subTest(text):
                self.assertEqual(render_sheets.parse_only(text), want)
        for text in ("", "x", "3-", "16", "-1", "2-20", "1,,2"):
            with self.subTest(text):
                with self.assertRaises(argparse.ArgumentTypeError):
                    render_sheets.parse_only(text)

    def test_every_sheet_has_its_geometry_and_a_source(self):
        self.assertEqual(sorted(render_sheets.GEOMETRY), list(range(16)))
        drawn = set()
        for name in render_sheets.MODULES:
            module = __import__(name)
            drawn |= set(module.sheets(set()).keys())
        self.assertEqual(drawn, set())  # nothing is drawn unless asked for


if __name__ == "__main__":
    unittest.main()
