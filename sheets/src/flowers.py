"""Sheets 10 to 15: the flowers, one 40 x 40 frame each, one per chick colour.

Flowers are drawn tiny, upside down and up to 220 x 220 with nearest-neighbour stretching, so
they are bold, round and symmetric, with a clear outline and few, flat tones.

    10  brown disc with a yellow rim (yellow chicks)
    11  teal star of eight rounded rays, red and green centre (green chicks)
    12  lilac round flower, dark blue centre (blue chicks)
    13  pink eight-pointed star, yellow centre (orange-red chicks)
    14  octagon of cyan, magenta and yellow triangles around a white pinwheel whose mask is
        grey, so the desktop shows through it lightened (grey chicks)
    15  black line star on white; between the lines, diamonds whose mask is grey (lightened
        desktop) or black (solid white) (cream chicks)
"""

import math

from pixart import BLACK, Sprite, circle, ellipse, poly, ramp

N = 40
C = 20.0  # centre

SEE_THROUGH = 0x808080  # mask grey: the desktop shows through, lightened
SEE_THROUGH_SOFT = 0xC0C0C0  # a lighter grey mask: lightened a little less

BROWN = ramp("#3a1e0c", "#5a3214", "#7a4620", "#985a2a", "#b87838", "#d89a58")
SUN = ramp("#6a3c06", "#d08a10", "#f0b020", "#ffd23c", "#ffe680", "#fff6c8", inner="#c88010")
TEAL = ramp("#0c4848", "#1a7a78", "#26a09a", "#3cc4b8", "#7ae0d4", "#c8fff4", inner="#1a7a78")
RED = ramp("#5a0e12", "#a81e24", "#d2302e", "#f04a40", "#ff8070", "#ffc0b0")
GREEN = ramp("#1a4a18", "#2e7a28", "#46a03a", "#62c04c", "#96e07a", "#d0ffc0")
LILAC = ramp("#4a2a6a", "#8058b0", "#a07ccc", "#c0a0e6", "#dcc6f6", "#f6ecff", inner="#8a62b8")
NAVY = ramp("#0c1240", "#1a2468", "#243490", "#3248b4", "#5a74d8", "#a0b4f4")
PINK = ramp("#6a1440", "#c8407e", "#e66a9e", "#ff8cba", "#ffb8d6", "#ffe6f2", inner="#c8407e")
GOLDEN = ramp("#6a4006", "#d08a10", "#f0b020", "#ffd23c", "#ffe680", "#fff6c8")
CYAN = ramp("#0a3a54", "#1a86b0", "#2cb0d8", "#40d4f4", "#90ecff", "#d8faff")
MAGENTA = ramp("#4a0a44", "#a01c94", "#cc30bc", "#ee4ed8", "#ff92ec", "#ffd6f8")
YELLOW = ramp("#5a4a04", "#c0a010", "#e6c820", "#fff040", "#fff890", "#fffee0")
CLEAR = ramp("#1c2030", "#ffffff", "#ffffff", "#ffffff", "#ffffff", "#ffffff", inner="#1c2030")


def polar(r, deg, c=C):
    a = math.radians(deg)
    return (c + r * math.cos(a), c + r * math.sin(a))


def shaded(part, big=2.0):
    part.band("light", -1.2, -1.2)
    part.band("shade", big, big)
    return part


def disc_with_rim():
    s = Sprite(N, N)
    rim = shaded(s.part("rim", SUN, form="rim"))
    # Sixteen short rounded petals make a frilly yellow rim.
    for k in range(16):
        x, y = polar(14.5, k * 22.5 + 11.25)
        rim.add(ellipse(x, y, 5.6, 3.6, angle=k * 22.5 + 11.25))
    rim.add(circle(C, C, 15.0))
    disc = s.part("disc", BROWN, form="disc")
    disc.add(circle(C, C, 11.0))
    disc.band("light", -1.5, -1.5)
    disc.band("shade", 2.0, 2.0)
    # Seed dimples in rings.
    for ring, count, off in ((7.0, 10, 0.0), (3.6, 5, 18.0)):
        for k in range(count):
            x, y = polar(ring, off + k * 360.0 / count)
            disc.paint("dark", circle(x, y, 0.9))
    disc.paint("shine", ellipse(16.0, 15.0, 2.2, 1.3, angle=-40))
    return s.render()


def teal_star():
    s = Sprite(N, N)
    rays = shaded(s.part("rays", TEAL))
    for k in range(8):
        a = k * 45.0 - 90.0
        x, y = polar(11.5, a)
        rays.add(ellipse(x, y, 8.6, 4.6, angle=a))
    rays.add(circle(C, C, 9.0))
    # A vein along every ray.
    for k in range(8):
        a = k * 45.0 - 90.0
        x, y = polar(13.0, a)
        rays.paint("shade", ellipse(x, y, 4.5, 0.6, angle=a))
    ring = shaded(s.part("green", GREEN), 1.2)
    ring.add(circle(C, C, 7.0))
    core = s.part("red", RED)
    core.add(circle(C, C, 4.0))
    core.band("shade", 1.2, 1.2)
    core.paint("shine", circle(18.6, 18.6, 1.0))
    return s.render()


def lilac_round():
    s = Sprite(N, N)
    # Eight round petals in two layers: the back four on the diagonals, the front four on
    # the axes, so their overlaps draw the petals' edges.
    for layer, off in (("back", 45.0), ("front", 0.0)):
        for k in range(4):
            a = off + k * 90.0
            x, y = polar(10.2, a)
            p = shaded(s.part("%s%d" % (layer, k), LILAC, form="%s%d" % (layer, k)), 1.6)
            p.add(circle(x, y, 9.4))
            if layer == "back":
                p.paint("shade", circle(C, C, 40.0))
            hx, hy = polar(12.0, a - 12.0)
            p.paint("light", ellipse(hx, hy, 2.4, 1.2, angle=a + 78.0))
    centre = s.part("centre", NAVY)
    centre.add(circle(C, C, 6.2))
    centre.band("shade", 1.4, 1.4)
    centre.paint("light", circle(18.0, 18.0, 1.4))
    for k in range(6):
        x, y = polar(3.6, k * 60.0 + 30.0)
        centre.paint("dark", circle(x, y, 0.7))
    return s.render()


def pink_star():
    s = Sprite(N, N)
    star = shaded(s.part("star", PINK))
    pts = []
    for k in range(16):
        r = 19.2 if k % 2 == 0 else 10.8
        pts.append(polar(r, k * 22.5 - 90.0))
    star.add(poly(pts))
    # A crease down every point.
    for k in range(8):
        a = k * 45.0 - 90.0
        x, y = polar(12.5, a)
        star.paint("light", ellipse(x, y, 4.5, 0.6, angle=a))
    centre = shaded(s.part("centre", GOLDEN), 1.3)
    centre.add(circle(C, C, 6.0))
    centre.paint("shine", circle(18.2, 18.2, 1.3))
    return s.render()


def pinwheel_octagon():
    s = Sprite(N, N)
    colours = [CYAN, MAGENTA, YELLOW]
    octagon = [polar(20.4, k * 45.0 - 112.5) for k in range(8)]
    # Under the middle, where two dozen thin triangle tips meet and none covers a whole pixel.
    s.part("back", MAGENTA, form="wheel").add(circle(C, C, 6.0))
    # Each side of the octagon is the base of three triangles meeting at the centre: cyan,
    # magenta and yellow, all the way round.
    k = 0
    for i in range(8):
        a, b = octagon[i], octagon[(i + 1) % 8]
        cuts = [(a[0] + (b[0] - a[0]) * t / 3, a[1] + (b[1] - a[1]) * t / 3) for t in range(4)]
        for p, q in zip(cuts, cuts[1:]):
            t = s.part("tri%d" % k, colours[k % 3], form="wheel")
            t.add(poly([(C, C), p, q]))
            t.band("light", -1.0, -1.0)
            t.band("shade", 1.5, 1.5)
            k += 1
    # The pinwheel: four swept vanes, see-through, with a dark outline; two of them lighten
    # the desktop more than the others, so it reads on any picture.
    for i in range(4):
        a = i * 90.0 - 45.0
        pts = [(C, C), polar(16.5, a), polar(15.8, a + 20.0), polar(13.5, a + 45.0),
               polar(9.5, a + 68.0), polar(4.5, a + 84.0)]
        vane = s.part("vane%d" % i, CLEAR, form="vane%d" % i,
                      mask=SEE_THROUGH if i % 2 == 0 else SEE_THROUGH_SOFT)
        vane.add(poly(pts))
    hub = s.part("hub", CLEAR)
    hub.add(circle(C, C, 3.6))
    return s.render()


def line_star():
    s = Sprite(N, N)
    # Between the eight lines of the star, diamonds outlined in black: on the axes solid
    # white, on the diagonals see-through.
    for k in range(8):
        a = k * 45.0 - 90.0
        d = s.part("diamond%d" % k, CLEAR, form="diamond%d" % k,
                   mask=BLACK if k % 2 == 0 else SEE_THROUGH)
        d.add(poly([polar(6.5, a), polar(12.5, a - 17.0), polar(19.0, a), polar(12.5, a + 17.0)]))
    hub = s.part("hub", CLEAR)
    hub.add(circle(C, C, 4.2))
    # The star's lines: from the hub out between the diamonds.
    line = 0x000000
    for k in range(8):
        a = k * 45.0 - 90.0 + 22.5
        for t in range(40):
            r = 4.0 + 13.0 * t / 39
            x, y = polar(r, a)
            s.pixel(int(x), int(y), line)
    return s.render()


def sheets(wanted):
    makers = {10: disc_with_rim, 11: teal_star, 12: lilac_round, 13: pink_star,
              14: pinwheel_octagon, 15: line_star}
    return {n: [make()] for n, make in makers.items() if n in wanted}
