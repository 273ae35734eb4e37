"""Quick enlarged previews of a sheet while drawing it: the colour and mask halves, then every
frame composed over a light and a dark desktop with the same raster operations the scene uses
(mask-erase then colour-invert; the chick sheets also as the see-through tint of a patrol chick).
The contact sheet made by the real drawing code is the reference; this is the fast loop."""

import pixart

LIGHT = (0xF2F4F7, 0xDCE3EC)
DARK = (0x1D2430, 0x2C3646)


def backdrop(w, h, colours):
    # Wide diagonal stripes, so see-through parts show what lies under them.
    return [[colours[((x + y) // 6) % 2] for x in range(w)] for y in range(h)]


def compose(bg, colour, mask, tint=False):
    out = []
    for row_d, row_c, row_m in zip(bg, colour, mask):
        if tint:
            out.append([c & d for d, c in zip(row_d, row_c)])
        else:
            out.append([c ^ (m & ~d & 0xFFFFFF) for d, c, m in zip(row_d, row_c, row_m)])
    return out


def enlarge(pixels, k):
    out = []
    for row in pixels:
        big = [p for p in row for _ in range(k)]
        out.extend([list(big) for _ in range(k)])
    return out


def write(path, n, pixels, geometry, scale=4):
    fw, fh, count = geometry
    colour = [row for row in pixels[:fh]]
    mask = [row for row in pixels[fh:]]
    w = fw * count
    rows = [colour, mask]
    for bg in (LIGHT, DARK):
        rows.append(compose(backdrop(w, fh, bg), colour, mask))
    if 2 <= n <= 7:
        for bg in (LIGHT, DARK):
            rows.append(compose(backdrop(w, fh, bg), colour, mask, tint=True))
    gap = 2
    out = []
    for r in rows:
        out.extend(r)
        out.extend([[0x808080] * w for _ in range(gap)])
    pixart.write_png(path, enlarge(out, scale))
