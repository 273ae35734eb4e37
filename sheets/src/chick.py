"""Sheets 2 to 7: the chicks, 72 x 72 cells, seen from the side and facing right.

One drawing, six colourings: every sheet has exactly the same outlines and masks, only the
ramps differ. The chick fills the box BOX in every frame. The frames:

    0  eye open, wing down           1  eye half-lidded, glancing, wing a little up
    2  beak open                     3  head raised, eye shut, beak open (the peep)
    4  wide-eyed, wings flung up     5  wide-eyed, wings flung down (tumbling)

Frames 0 and 1 alternate every frame of the show, so they differ only a little: the eye and
the wing, which reads as a lively, fluttering chick. A patrol chick is drawn as the colour half
alone, ANDed onto the desktop, so the outline is dark in every colour.
"""

from pixart import Sprite, blob, cells_bbox, circle, ellipse, poly, ramp, rotate_point, transform

CELL = 72
BOX = (2, 8, 69, 67)  # left, top, right, bottom (inclusive)

# Ramps per sheet: line, dark, shade, base, light, shine; and the beak/feet and blush colours.
COLOURS = {
    2: dict(name="yellow",
            body=ramp("#6b3d12", "#d98a1c", "#f2b630", "#ffd84a", "#ffec8a", "#fff8d2",
                      inner="#c67a18"),
            beak=ramp("#6e2e06", "#c9560f", "#e8781c", "#ff9a2e", "#ffbf66"),
            blush="#ffa08c"),
    3: dict(name="green",
            body=ramp("#1d4424", "#3d8a3a", "#5eb44a", "#86d35e", "#b6ec8c", "#e4fcd0",
                      inner="#3a8038"),
            beak=ramp("#6e2e06", "#c9560f", "#e8781c", "#ff9a2e", "#ffbf66"),
            blush="#f59a8a"),
    4: dict(name="blue",
            body=ramp("#172a62", "#2f63c0", "#4a8ee6", "#6cb6ff", "#a6d6ff", "#e0f2ff",
                      inner="#2c5cb4"),
            beak=ramp("#6e3606", "#cf6a0f", "#ee8e1c", "#ffb23a", "#ffd27a"),
            blush="#ff9ab4"),
    5: dict(name="orange-red",
            body=ramp("#5a160c", "#b8321c", "#e0502a", "#ff7040", "#ffa070", "#ffd9c2",
                      inner="#aa2e1a"),
            beak=ramp("#6e4a06", "#d29a10", "#eebc20", "#ffd83a", "#fff08a"),
            blush="#ffc0a0"),
    6: dict(name="grey",
            body=ramp("#2a2e36", "#5f6672", "#858d9a", "#a9b0bc", "#ccd2da", "#eef1f5",
                      inner="#5a616c"),
            beak=ramp("#6e2e06", "#c9560f", "#e8781c", "#ff9a2e", "#ffbf66"),
            blush="#f4a0a8"),
    7: dict(name="cream",
            body=ramp("#5a4526", "#c9a66a", "#e6cc94", "#fbeabc", "#fff6da", "#ffffff",
                      inner="#bf9c60"),
            beak=ramp("#6e2e06", "#c9560f", "#e8781c", "#ff9a2e", "#ffbf66"),
            blush="#ffab9a"),
}

EYE = 0x1B1420
GLINT = 0xFFFFFF
GOLD = 0xFFC21A
GOLD_DEEP = 0xD98A00
MOUTH = 0x8A2A2A

# The pose of each frame: head tilt (degrees, negative lifts the beak), wing lift (degrees,
# negative raises the tip), eye, beak.
POSES = [
    dict(tilt=0, wing=0, eye="open", beak="shut"),
    dict(tilt=0, wing=-14, eye="glance", beak="shut"),
    dict(tilt=0, wing=0, eye="open", beak="open"),
    dict(tilt=-14, wing=-6, eye="shut", beak="open"),
    dict(tilt=0, wing=-40, eye="wide", beak="shut", flail=True),
    dict(tilt=0, wing=26, eye="wide", beak="shut", flail=True),
]

NECK = (40.0, 42.0)  # the head turns about this point
HEAD_C = (45.5, 29.5)
HEAD_R = 16.5
SHOULDER = (38.0, 45.0)


def head_shapes(tilt):
    """Head, tuft and the anchor points of the face, turned by `tilt` about the neck."""

    def t(shape):
        return transform(shape, angle=tilt, about=NECK)

    def p(x, y):
        return rotate_point((x, y), tilt, NECK)

    head = t(circle(HEAD_C[0], HEAD_C[1], HEAD_R))
    # A little curl of down on the crown, leaning back.
    tuft = t(blob([(39.0, 15.5), (38.6, 11.0), (41.0, 8.3), (42.6, 11.2), (44.6, 8.0),
                   (47.2, 9.0), (46.8, 12.5), (49.6, 11.4), (50.2, 14.4), (47.0, 17.0)],
                  samples=8))
    face = dict(eye=p(52.0, 27.5), cheek=p(50.5, 35.5))
    return head, tuft, face, p


def wing_shape(lift):
    """A wing folded back from the shoulder with two feather notches at its trailing edge,
    turned about the shoulder; a negative `lift` raises the tip."""
    x, y = SHOULDER
    w = blob([(x + 2.0, y - 2.5), (x - 6.0, y - 5.0), (x - 15.0, y - 4.0), (x - 23.0, y - 2.2),
              (x - 20.0, y + 1.8), (x - 17.0, y + 2.6), (x - 16.0, y + 4.6), (x - 11.0, y + 5.4),
              (x - 9.5, y + 7.6), (x - 3.0, y + 8.4), (x + 3.0, y + 4.0)], samples=8)
    return transform(w, angle=-lift, about=SHOULDER)


def beak_shapes(p, beak):
    """Upper and lower beak for a shut or open beak, placed with the head's point mapper, and
    the mouth between them when open. The tips are blunt so they end in a clean pixel run."""
    if beak == "shut":
        upper = poly([p(58.5, 26.5), p(63.0, 27.6), p(70.2, 30.4), p(70.2, 32.2), p(63.0, 34.4),
                      p(58.5, 35.5)])
        return [upper], None
    upper = poly([p(58.5, 25.0), p(63.0, 25.6), p(70.2, 28.0), p(70.2, 29.6), p(63.0, 30.8),
                  p(58.5, 31.2)])
    lower = poly([p(59.0, 33.0), p(62.5, 33.2), p(68.2, 35.4), p(68.2, 36.8), p(62.0, 37.8),
                  p(58.5, 37.6)])
    mouth = poly([p(56.5, 29.0), p(65.0, 29.6), p(65.0, 34.6), p(56.5, 34.6)])
    return [upper, lower], mouth


LEG = [
    ".###....",
    ".###....",
    ".###....",
    ".###....",
    "########",
    "########",
    ".######.",
]


def frame(k, colours):
    pose = POSES[k]
    body_r, beak_r = colours["body"], colours["beak"]
    s = Sprite(CELL, CELL)
    head, tuft, face, p = head_shapes(pose["tilt"])

    # Legs and feet, behind the body; toes point forward. The far leg is a shade darker.
    for x, far in ((22, True), (32, False)):
        leg = s.part("leg", beak_r, form="leg%d" % x, tidy=False)
        leg.add_pixels(x, 61, LEG)
        leg.band("shade", 1.0, 0.0)
        if far:
            leg.paint("shade", [[(0, 0), (72, 0), (72, 72), (0, 72)]])

    if pose.get("flail"):
        # The far wing, behind the body, shows only when the wings are flung up.
        far = s.part("farwing", body_r, form="farwing")
        far.add(transform(wing_shape(pose["wing"] - 16), dx=5.0, dy=-3.0))
        far.paint("shade", [[(0, 0), (72, 0), (72, 72), (0, 72)]])

    # Tail: a short upturned tuft at the back.
    tail = s.part("tail", body_r, form="chick")
    tail.add(blob([(15.0, 44.0), (4.5, 38.0), (2.4, 39.5), (6.0, 46.0), (11.0, 52.0)], samples=8))

    body = s.part("body", body_r, form="chick")
    body.add(ellipse(30.0, 49.0, 22.0, 13.0))
    body.add(ellipse(42.5, 47.0, 12.5, 13.5))  # the round chest under the head
    body.add(blob([(32.0, 40.0), (40.0, 32.0), (46.0, 38.0), (40.0, 50.0)]))
    body.add(head)
    body.add(tuft)
    body.band("light", -2.0, -2.0)
    body.band("shade", 3.0, 3.2)
    body.band("dark", 1.2, 1.4)
    # Soft glints on the crown and on the back.
    cx, cy = p(40.0, 20.5)
    body.paint("shine", ellipse(cx, cy, 3.2, 2.0, angle=-35 + pose["tilt"]))
    body.paint("light", ellipse(20.0, 40.5, 5.0, 2.0, angle=-20))
    body.paint("shine", ellipse(19.5, 40.0, 2.2, 1.0, angle=-20))

    cheek = s.part("cheek", ramp("#000", "#000", colours["blush"], colours["blush"],
                                 colours["blush"]), form="chick", outline=False)
    cheek.add(ellipse(face["cheek"][0], face["cheek"][1], 2.6, 1.6))

    wing = s.part("wing", body_r, form="wing", cast=(1.0, 1.5))
    wing.add(wing_shape(pose["wing"]))
    wing.band("light", -1.5, -1.5)
    wing.band("shade", 1.6, 2.2)

    uppers, mouth = beak_shapes(p, pose["beak"])
    if mouth:
        m = s.part("mouth", ramp("#3a0c0c", "#3a0c0c", "#5a1418", "#7a1e24", "#a83a3a"),
                   form="mouth", outline=False, inner_line=False)
        m.add(mouth)
        m.band("shade", 0.0, -1.5)
    for i, piece in enumerate(uppers):
        b = s.part("beak%d" % i, beak_r, form="beak%d" % i)
        b.add(piece)
        b.band("light", -0.8, -1.2)
        b.band("shade", 0.0, 1.5)

    eye(s, face["eye"], pose["eye"])
    return s.render()


def eye(s, at, kind):
    """Hand-placed eye pixels around `at` (the eye's centre)."""
    x, y = int(round(at[0] - 0.5)), int(round(at[1] - 0.5))
    k = {"k": EYE, "w": GLINT, "g": GOLD, "G": GOLD_DEEP, "W": 0xFFFFFF}
    if kind == "open":
        s.stamp(x - 2, y - 3, [
            ".kk.",
            "kkkk",
            "kwkk",
            "kkkk",
            "kkkk",
            ".kk.",
        ], k)
        s.pixel(x - 1, y - 2, GLINT)
    elif kind == "glance":
        # Half-lidded, glancing forward: played in turn with the open eye it reads as a blink.
        s.stamp(x - 2, y - 3, [
            "....",
            "....",
            "kkkk",
            "kkwk",
            "kkkk",
            ".kk.",
        ], k)
    elif kind == "shut":
        # A happy closed eye: a little arch.
        s.stamp(x - 3, y - 1, [
            ".kkk.",
            "k...k",
        ], k)
    elif kind == "wide":
        # Big round eye with a golden gleam.
        s.stamp(x - 3, y - 4, [
            ".kkkk.",
            "kkkkkk",
            "kggkkk",
            "kgGkkk",
            "kkkkwk",
            "kkkkkk",
            ".kkkk.",
        ], k)


def sheets(wanted):
    out = {}
    for n, colours in COLOURS.items():
        if n in wanted:
            out[n] = [frame(k, colours) for k in range(6)]
            boxes = [cells_bbox(f) for f in out[n]]
            union = (min(b[0] for b in boxes), min(b[1] for b in boxes),
                     max(b[2] for b in boxes), max(b[3] for b in boxes))
            if union != BOX:
                raise SystemExit("chick frames span %r, not %r" % (union, BOX))
    return out
