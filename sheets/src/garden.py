"""Sheets 8 and 9: the seed (5 x 7) and the bud (20 x 20).

Both are stamped into the desktop picture with AND, many times and overlapping, so white is
see-through and every colour darkens what lies below. A shoot stamps a seed every frame as it
climbs 5 px (branches step 4 px sideways), so the drop is drawn to chain into a beaded stem:
its round bottom sits over the narrow tip of the drop below it. A bud is stamped five times, 19 px
apart, into a cross of round leaves.
"""

from pixart import Sprite, circle, ellipse, ramp

# Lit from the left like everything else: a pale streak down the left, shade on the right. A
# column of drops 5 px apart then reads as one round stem with a darker node at each joint.
SEED = [
    "..d..",
    ".dhd.",
    ".dhoD",
    "dhooD",
    "dhooD",
    "dhooD",
    ".dDD.",
]
SEED_KEY = {"d": 0xC85A1C, "h": 0xFFC070, "o": 0xFF9430, "D": 0xE06A1C}

LEAF = ramp("#5a9e3a", "#6cb446", "#80c854", "#a8e274", "#cdf3a2", "#ecffd6", inner="#5aa63c")


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
    # A midrib from the stalk end across the leaf, so five stamps read as leaves, not as dots.
    vein = 0x6CB846
    s.pixels([(5, 14), (6, 13), (7, 12), (8, 11), (9, 10), (10, 9), (11, 8), (12, 7), (13, 6)],
             vein)
    s.pixels([(6, 14), (7, 13), (8, 12), (9, 11), (10, 10), (11, 9), (12, 8)], 0xC4EE98)
    return s.render()


def sheets(wanted):
    out = {}
    if 8 in wanted:
        out[8] = [seed()]
    if 9 in wanted:
        out[9] = [bud()]
    return out
