"""Sheet 1: the mother bird, 120 x 120 cells, seen from the front.

Grey back and wings, white face and belly, a yellow beak and yellow feet. The six frames are
one wing beat; the show plays them 0 1 2 3 4 5 4 3 2 1 0, so the wing angle rises steadily from
frame 0 to frame 5 and the body sinks as the wings rise (and lifts again on the down-stroke):

    0  wings hanging, feet end at row 93     3  wings above the shoulders, feet at 114
    1  wings lifted to the sides, 93         4  wings raised high, 115
    2  wings level, one foot raised, 104     5  wings raised and spread wide, 116
"""

import math

from pixart import Sprite, blob, circle, ellipse, mirror_x, ramp, transform

CELL = 120
MID = 60.0

GREY = ramp("#2a3040", "#5b6578", "#7d889b", "#a2acbd", "#c3cbd8", "#e3e8f0", inner="#5b6578")
WING = ramp("#2a3040", "#4f596c", "#6f7a8e", "#949fb2", "#b7c0cf", "#dde3ec", inner="#4a5467")
QUILL = ramp("#232838", "#3b4354", "#4f586b", "#646e82", "#838ca0", "#a9b1c2", inner="#363e50")
WHITE = ramp("#333b4d", "#b3bdcc", "#d5dce7", "#ffffff", "#ffffff", "#ffffff")
GOLD = ramp("#6b3d06", "#c87612", "#eea226", "#ffc93f", "#ffe48a", "#fff4c4")
BLUSH = 0xFFB0B8
EYE = 0x1E1A2A
GLINT = 0xFFFFFF

# Per frame: the lowest row of the feet, the wing angle (degrees below the horizontal; negative
# is above it), how far the long quills fan out, and whether the right foot is lifted.
FRAMES = [
    dict(feet=93, wing=66, fan=0.0, lift=False),
    dict(feet=93, wing=34, fan=0.2, lift=False),
    dict(feet=104, wing=4, fan=0.4, lift=True),
    dict(feet=114, wing=-28, fan=0.5, lift=False),
    dict(feet=115, wing=-52, fan=0.5, lift=False),
    dict(feet=116, wing=-60, fan=1.0, lift=False),
]

SHOULDER = (77.0, 50.0)  # right shoulder in frame 0; the left one mirrors it

FOOT = [
    "....###....",
    "....###....",
    "....###....",
    "..#######..",
    ".#########.",
    "###########",
    "###.###.###",
]
FOOT_LIFTED = [  # hanging from a raised leg, toes curled down
    "...###...",
    "...###...",
    "...###...",
    "..#####..",
    ".#######.",
    ".##.#.##.",
]


def wing_parts(angle, fan):
    """The right wing as a list of (name, shape, ramp) from its back to its front, in its own
    frame (shoulder at the origin, pointing along +x), before turning by `angle`."""
    parts = []
    # Long quills at the tip, fanned out by `fan`; drawn first so the coverts overlap them.
    spread = 11.0 + 7.0 * fan
    for i in range(3):
        t = -6.0 + spread * i
        length = 17.0 - 1.5 * i
        root = (20.0 - 2.0 * i, 1.0 + 2.2 * i)
        cx = root[0] + math.cos(math.radians(t)) * length * 0.5
        cy = root[1] + math.sin(math.radians(t)) * length * 0.5
        parts.append(("quill%d" % i, ellipse(cx, cy, length * 0.5 + 1.5, 4.4, angle=t), QUILL))
    # Shorter flight feathers along the trailing edge.
    for i, x in enumerate((3.0, 9.5, 16.0)):
        parts.append(("flight%d" % i, ellipse(x + 2.0, 6.5 - i * 0.3, 4.8, 5.4, angle=25), WING))
    # The covert: the rounded body of the wing along its leading edge.
    parts.append(("covert", blob([(-5.0, -5.0), (6.0, -8.2), (18.0, -8.0), (25.0, -5.5),
                                  (27.0, -1.5), (21.0, 3.0), (10.0, 5.5), (-1.0, 6.5),
                                  (-6.0, 2.0)], samples=8), WING))
    return parts


def frame(k):
    f = FRAMES[k]
    dy = f["feet"] - 93
    s = Sprite(CELL, CELL)

    def at(shape, x=0.0, y=0.0):
        return transform(shape, dx=x, dy=y + dy)

    # Feet first: the body hides the tops of the legs.
    for side, x0 in (("l", 47), ("r", 63)):
        foot = s.part("foot" + side, GOLD, form="foot" + side, tidy=False)
        if f["lift"] and side == "r":
            foot.add_pixels(x0 + 2, 94 - len(FOOT_LIFTED) + dy - 2, FOOT_LIFTED)
        else:
            foot.add_pixels(x0, 94 - len(FOOT) + dy, FOOT)
        foot.band("shade", 1.0, 1.0)

    if f["wing"] < 0:
        wings(s, f, dy)  # raised wings rise from behind the shoulders

    body = s.part("body", GREY, form="bird")
    body.add(at(blob([(60.0, 38.0), (77.0, 42.0), (86.0, 58.0), (85.0, 74.0), (76.0, 86.0),
                      (60.0, 89.5), (44.0, 86.0), (35.0, 74.0), (34.0, 58.0), (43.0, 42.0)],
                     samples=10)))
    body.band("light", -2.5, -2.5)
    body.band("shade", 3.5, 3.0)
    body.band("dark", 1.4, 1.4)

    belly = s.part("belly", WHITE, form="bird")
    belly.add(at(blob([(60.0, 45.0), (70.0, 50.0), (75.0, 64.0), (72.0, 79.0), (60.0, 87.0),
                       (48.0, 79.0), (45.0, 64.0), (50.0, 50.0)], samples=10)))
    belly.band("shade", 3.5, 3.0)
    belly.band("dark", 1.4, 1.4)

    head = s.part("head", GREY, form="bird")
    head.add(at(circle(MID, 29.5, 19.0)))
    head.add(at(blob([(56.0, 13.5), (55.5, 8.5), (58.5, 6.4), (60.5, 10.5), (63.0, 7.0),
                      (66.0, 8.2), (64.5, 13.5)], samples=8)))
    head.band("light", -2.5, -2.5)
    head.band("shade", 3.5, 3.0)
    head.band("dark", 1.4, 1.4)
    head.paint("shine", at(ellipse(50.5, 19.0, 4.0, 2.2, angle=-30)))

    face = s.part("face", WHITE, form="bird")
    face.add(at(blob([(60.0, 24.0), (69.0, 25.0), (75.5, 33.0), (73.0, 42.0), (60.0, 47.0),
                      (47.0, 42.0), (44.5, 33.0), (51.0, 25.0)], samples=10)))
    face.band("shade", 3.5, 3.0)
    face.band("dark", 1.4, 1.4)

    for x in (48.5, 71.5):
        c = s.part("cheek", ramp("#000", "#000", BLUSH, BLUSH, BLUSH), form="bird",
                   outline=False)
        c.add(at(ellipse(x, 39.0, 2.8, 1.7)))

    beak = s.part("beak", GOLD, form="beak")
    beak.add(at(blob([(55.0, 34.5), (65.0, 34.5), (64.0, 37.0), (60.0, 41.8), (56.0, 37.0)],
                     samples=6)))
    beak.band("light", -1.0, -1.0)
    beak.band("shade", 0.0, 1.6)

    if f["wing"] >= 0:
        wings(s, f, dy)  # hanging or level wings lie in front of the body
    eyes(s, dy)
    return s.render()


def wings(s, f, dy):
    """Both wings, turned about the shoulders; the left one mirrors the right."""
    sx, sy = SHOULDER
    for side in ("r", "l"):
        for name, shape, colours in wing_parts(f["wing"], f["fan"]):
            shape = transform(shape, dx=sx, dy=sy + dy, angle=f["wing"], about=(0.0, 0.0))
            if side == "l":
                shape = mirror_x(shape, MID)
            w = s.part(name + side, colours, form=name + side, cast=(1.0, 1.5))
            w.add(shape)
            w.band("light", -1.5 if side == "r" else 1.5, -1.5)
            w.band("shade", 1.5 if side == "r" else -1.5, 2.0)


def eyes(s, dy):
    k = {"k": EYE, "w": GLINT}
    for x, lash in ((51, -1), (66, 1)):
        s.stamp(x, 26 + dy, [
            ".kk.",
            "kwkk",
            "kkkk",
            "kkkk",
            "kkkk",
            ".kk.",
        ], k)
        # A little lash flicking out from the outer corner.
        if lash < 0:
            s.pixels([(x, 26 + dy), (x - 1, 25 + dy)], EYE)
        else:
            s.pixels([(x + 3, 26 + dy), (x + 4, 25 + dy)], EYE)


def sheets(wanted):
    if 1 not in wanted:
        return {}
    return {1: [frame(k) for k in range(6)]}
