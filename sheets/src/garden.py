"""Sheets 8 and 9: the seed (5 x 7) and the bud (20 x 20).

Both are stamped into the desktop picture with AND, many times and overlapping, so white is
see-through and every colour darkens what lies below. A shoot stamps a seed every frame as it
climbs 5 px (branches step 4 px sideways), so the drop is drawn to chain into a beaded stem:
its round bottom sits over the narrow tip of the drop below it. A bud is stamped five times, 19 px
apart, into a cross of round leaves.
"""

from pixart import Sprite, circle, ellipse, ramp

SEED = [
    "..d..",
    ".dod.",
    ".dho.",
    "dhood",
    "doood",
    "dooDd",
    ".dd..",
]
SEED_KEY = {"d": 0xC0541A, "o": 0xFF9430, "h": 0xFFC878, "D": 0xE0701E}

LEAF = ramp("#2c6a26", "#4f9c38", "#78c450", "#a6e070", "#cdf2a0", "#ecffd4", inner="#5aa840")


def seed():
    s = Sprite(5, 7)
    s.stamp(0, 0, [r.replace(".", " ") for r in SEED], SEED_KEY)
    return s.render()


def bud():
    s = Sprite(20, 20)
    leaf = s.part("leaf", LEAF)
    leaf.add(circle(10.0, 10.0, 10.0))
    leaf.band("light", -2.0, -2.0)
    leaf.band("shade", 2.5, 2.5)
    leaf.band("dark", 1.0, 1.0)
    leaf.paint("shine", ellipse(6.5, 6.0, 2.2, 1.3, angle=-40))
    # A curled vein from the centre, so five stamps read as leaves, not as dots.
    vein = 0x5AA840
    s.pixels([(9, 9), (10, 10), (11, 11), (12, 12), (13, 13), (10, 11), (11, 12), (8, 10),
              (9, 11)], vein)
    return s.render()


def sheets(wanted):
    out = {}
    if 8 in wanted:
        out[8] = [seed()]
    if 9 in wanted:
        out[9] = [bud()]
    return out
