"""Sheet 0: the egg, 48 x 48 cells.

A white shell with a slate outline, so it reads on white and on dark desktops. The resting egg
(frame 2) wobbles through 3, 0 and 1: stretched tall, upright and narrow, tipped on its side.
Every frame stands on the same bottom row, so a wobbling egg never lifts off the ground.
"""

import math

from pixart import Sprite, ellipse, fit, place, ramp, transform

SHELL = ramp(line="#4b5468", dark="#b4bfd0", shade="#d9e0ea", base="#f1f4f8", light="#fbfcfd",
             shine="#ffffff")
SPECKLE = 0xC3CDDB
SPECKLE_DARK = 0xA9B5C8

CELL = 48
BOTTOM = 43  # the shell's lowest pixel row in every frame


def egg_outline(cx, cy, rx, ry, point, angle=0.0, n=120):
    """An egg whose top (before turning) is narrower than its bottom by `point`."""
    ca, sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    pts = []
    for k in range(n):
        t = 2 * math.pi * k / n
        x = rx * math.cos(t)
        y = ry * math.sin(t)
        x *= 1.0 + point * math.sin(t)  # sin > 0 is the lower half: wider there
        pts.append((cx + x * ca - y * sa, cy + x * sa + y * ca))
    return [pts]


# (width, height, pointiness, tilt in degrees) of the silhouette in each frame.
FRAMES = [
    (29, 40, 0.10, 0.0),   # 0 upright
    (36, 29, 0.10, -90.0),  # 1 tipped on its side, narrow end to the right
    (36, 35, 0.07, 0.0),   # 2 resting, almost round
    (36, 40, 0.06, 0.0),   # 3 stretched tall, almost round
]

# Speckles in the egg's own unit coordinates (x, y in -1..1 before tilting), their radii and
# whether they are the darker kind.
SPECKLES = [(-0.30, -0.40, 1.1, False), (0.35, -0.20, 0.9, True), (0.45, 0.40, 1.2, False),
            (-0.10, 0.30, 0.8, True), (-0.55, 0.30, 0.8, False), (0.10, -0.70, 0.7, False),
            (0.10, 0.00, 0.6, False)]


def frame(k):
    w, h, point, tilt = FRAMES[k]
    turned = tilt != 0.0
    # A symmetric shape covers an odd number of pixels only when centred on a pixel.
    cx = CELL / 2.0 - (w % 2) * 0.5
    cy = CELL / 2.0 - (h % 2) * 0.5
    rx0, ry0 = ((h, w) if turned else (w, h))
    rx0, ry0 = rx0 / 2.0, ry0 / 2.0

    def make(sx, sy):
        return transform(egg_outline(cx, cy, rx0, ry0, point, tilt), sx=sx, sy=sy, about=(cx, cy))

    sx, sy = fit(make, w, h, CELL, CELL)
    shape, (dx, dy) = place(make(sx, sy), CELL, CELL, bottom=BOTTOM)
    # Where the (scaled, moved) egg's centre and unit axes now are, for speckles and glint.
    cy += dy
    cx += dx
    ca, sa = math.cos(math.radians(tilt)), math.sin(math.radians(tilt))

    def at(ux, uy):
        x, y = ux * rx0, uy * ry0
        x, y = x * ca - y * sa, x * sa + y * ca
        return cx + x * sx, cy + y * sy

    s = Sprite(CELL, CELL)
    shell = s.part("shell", SHELL)
    shell.add(shape)
    # Light from the upper left: shade and a thin darker rim on the lower right, a lit rim on
    # the upper left and a soft glint.
    shell.band("light", -2.5, -2.5)
    shell.band("shade", 5.0, 4.5)
    shell.band("dark", 1.8, 1.6)
    for ux, uy, r, dark in SPECKLES:
        px, py = at(ux * 0.8, uy * 0.8)
        shell.paint(SPECKLE_DARK if dark else SPECKLE, ellipse(px, py, r, r * 0.85))
    # The glint stays on the side the light comes from, however the egg lies.
    gx, gy = cx - 0.42 * w / 2.0, cy - 0.5 * h / 2.0
    shell.paint("shine", ellipse(gx, gy, 1.8, 3.0, angle=30))
    return s.render()


def sheets(wanted):
    if 0 not in wanted:
        return {}
    return {0: [frame(k) for k in range(4)]}
