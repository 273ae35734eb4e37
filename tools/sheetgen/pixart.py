"""A small drawing kit for the sprite sheets.

A sprite is built from parts stacked back to front. Each part is a union of vector shapes
(ellipses, smooth blobs, polygons, strokes) minus cut-outs, filled with one colour ramp. The kit
rasterises the shapes with 8 x 8 sub-samples per pixel and keeps a pixel where at least half of
it is covered, so every edge is hard (the masks must never be soft) yet curves stay smooth.

Shading is drawn the way a pixel artist does it: flat bands, never gradients. A band is the set
of pixels whose shifted copy falls outside the part's form (the part together with the parts it
shares a surface with), which gives clean crescents on the side away from the light. Parts that
stand out from the form behind them cast a thin shadow onto it and get a line where they meet
it. Last comes a one-pixel outline around the whole silhouette, in each part's own darkest tone,
and then any hand-placed pixels (eyes, glints) given as small character grids.
"""

import math
import struct
import zlib

SUB = 8  # sub-samples per pixel along each axis
HALF = SUB * SUB // 2

WHITE = 0xFFFFFF
BLACK = 0x000000


def rgb(text):
    """'#rrggbb' (or an int already) -> 0xRRGGBB."""
    if isinstance(text, int):
        return text
    text = text.lstrip("#")
    return int(text, 16)


def ramp(line, dark, shade, base, light, shine=None, inner=None):
    """A colour ramp from the outline tone up to the brightest glint."""
    r = {
        "line": rgb(line),
        "dark": rgb(dark),
        "shade": rgb(shade),
        "base": rgb(base),
        "light": rgb(light),
    }
    r["shine"] = rgb(shine) if shine else r["light"]
    r["inner"] = rgb(inner) if inner else r["dark"]
    return r


# ---------------------------------------------------------------------------------------------
# Shapes: every shape is a list of closed polygons in pixel coordinates (x right, y down).


def ellipse(cx, cy, rx, ry, angle=0.0, n=None):
    if n is None:
        n = max(32, int(2 * math.pi * max(rx, ry) * 1.5))
    ca, sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    pts = []
    for k in range(n):
        t = 2 * math.pi * k / n
        x, y = rx * math.cos(t), ry * math.sin(t)
        pts.append((cx + x * ca - y * sa, cy + x * sa + y * ca))
    return [pts]


def circle(cx, cy, r):
    return ellipse(cx, cy, r, r)


def poly(points):
    return [list(points)]


def rect(x, y, w, h):
    return [[(x, y), (x + w, y), (x + w, y + h), (x, y + h)]]


def blob(points, samples=10, tension=0.5):
    """A closed smooth outline through the given points (a Catmull-Rom spline)."""
    n = len(points)
    out = []
    for i in range(n):
        p0, p1, p2, p3 = points[i - 1], points[i], points[(i + 1) % n], points[(i + 2) % n]
        for k in range(samples):
            t = k / samples
            out.append(_catmull(p0, p1, p2, p3, t, tension))
    return [out]


def _catmull(p0, p1, p2, p3, t, tension):
    t2, t3 = t * t, t * t * t
    s = tension
    m1 = (s * (p2[0] - p0[0]), s * (p2[1] - p0[1]))
    m2 = (s * (p3[0] - p1[0]), s * (p3[1] - p1[1]))
    h00 = 2 * t3 - 3 * t2 + 1
    h10 = t3 - 2 * t2 + t
    h01 = -2 * t3 + 3 * t2
    h11 = t3 - t2
    return (
        h00 * p1[0] + h10 * m1[0] + h01 * p2[0] + h11 * m2[0],
        h00 * p1[1] + h10 * m1[1] + h01 * p2[1] + h11 * m2[1],
    )


def stroke(points, width, caps=True):
    """A thick line along the points, with round joints and ends."""
    r = width / 2.0
    polys = []
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        dx, dy = x1 - x0, y1 - y0
        d = math.hypot(dx, dy)
        if d == 0:
            continue
        nx, ny = -dy / d * r, dx / d * r
        polys.append([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)])
    joints = points if caps else points[1:-1]
    for x, y in joints:
        polys += circle(x, y, r)
    return polys


def transform(shape, dx=0.0, dy=0.0, angle=0.0, about=(0.0, 0.0), sx=1.0, sy=1.0):
    """Scales and rotates a shape about a point, then moves it."""
    ca, sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    ax, ay = about
    out = []
    for pts in shape:
        q = []
        for x, y in pts:
            x, y = (x - ax) * sx, (y - ay) * sy
            x, y = x * ca - y * sa, x * sa + y * ca
            q.append((x + ax + dx, y + ay + dy))
        out.append(q)
    return out


def mirror_x(shape, axis):
    """Mirrors a shape left to right about the vertical line x = axis."""
    return [[(2 * axis - x, y) for x, y in reversed(pts)] for pts in shape]


def rotate_point(p, angle, about):
    ca, sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    x, y = p[0] - about[0], p[1] - about[1]
    return (x * ca - y * sa + about[0], x * sa + y * ca + about[1])


# ---------------------------------------------------------------------------------------------
# Sub-sample bitmaps: one Python int per row, bit i = column i.


class Bits:
    def __init__(self, w, h, rows=None):
        self.w, self.h = w, h
        self.rows = rows if rows is not None else [0] * h
        self.full = (1 << w) - 1

    def copy(self):
        return Bits(self.w, self.h, list(self.rows))

    def fill_polys(self, polys, scale, add=True):
        """Scan-converts polygons given in pixel units (non-zero winding)."""
        edges = []
        ymin, ymax = float("inf"), float("-inf")
        for pts in polys:
            n = len(pts)
            for i in range(n):
                x0, y0 = pts[i]
                x1, y1 = pts[(i + 1) % n]
                if y0 == y1:
                    continue
                edges.append((x0 * scale, y0 * scale, x1 * scale, y1 * scale))
                ymin = min(ymin, y0 * scale, y1 * scale)
                ymax = max(ymax, y0 * scale, y1 * scale)
        if not edges:
            return
        r0 = max(0, int(math.floor(ymin - 0.5)))
        r1 = min(self.h - 1, int(math.ceil(ymax)))
        for r in range(r0, r1 + 1):
            yc = r + 0.5
            xs = []
            for x0, y0, x1, y1 in edges:
                if y0 <= yc < y1:
                    xs.append((x0 + (yc - y0) * (x1 - x0) / (y1 - y0), 1))
                elif y1 <= yc < y0:
                    xs.append((x0 + (yc - y0) * (x1 - x0) / (y1 - y0), -1))
            if not xs:
                continue
            xs.sort()
            wind = 0
            span = 0
            for k, (x, d) in enumerate(xs):
                before = wind
                wind += d
                if before == 0 and wind != 0:
                    start = x
                elif before != 0 and wind == 0:
                    c0 = max(0, math.ceil(start - 0.5))
                    c1 = min(self.w, math.ceil(x - 0.5))
                    if c1 > c0:
                        span |= ((1 << (c1 - c0)) - 1) << c0
            if add:
                self.rows[r] |= span
            else:
                self.rows[r] &= ~span

    def union(self, other):
        return Bits(self.w, self.h, [a | b for a, b in zip(self.rows, other.rows)])

    def minus(self, other):
        return Bits(self.w, self.h, [a & ~b for a, b in zip(self.rows, other.rows)])

    def inter(self, other):
        return Bits(self.w, self.h, [a & b for a, b in zip(self.rows, other.rows)])

    def shifted(self, dx, dy):
        """The bitmap moved by (dx, dy) sub-samples; what leaves it is lost."""
        out = [0] * self.h
        for r in range(self.h):
            s = r - dy
            if 0 <= s < self.h:
                v = self.rows[s]
                v = (v << dx) if dx >= 0 else (v >> -dx)
                out[r] = v & self.full
        return Bits(self.w, self.h, out)

    def empty(self):
        return not any(self.rows)


def _pixels_of(bits, w, h, threshold=HALF):
    """Pixel rows (ints) of the pixels whose sub-sample coverage reaches the threshold."""
    out = [0] * h
    nib = (1 << SUB) - 1
    for j in range(h):
        rows = bits.rows[j * SUB:(j + 1) * SUB]
        if not any(rows):
            continue
        acc = 0
        for i in range(w):
            sh = i * SUB
            c = 0
            for v in rows:
                c += ((v >> sh) & nib).bit_count()
            if c >= threshold:
                acc |= 1 << i
        out[j] = acc
    return out


def _bits_of(row):
    """The set bit positions of a row, lowest first."""
    while row:
        low = row & -row
        yield low.bit_length() - 1
        row ^= low


def clean(rows, w):
    """Removes lone nubs: pixels with at most one of their four neighbours set. Rasterised
    round shapes leave one such pixel at each extreme, which reads as a spike at 1:1."""
    full = (1 << w) - 1
    rows = list(rows)
    changed = True
    while changed:
        changed = False
        for j, r in enumerate(rows):
            if not r:
                continue
            up = rows[j - 1] if j > 0 else 0
            down = rows[j + 1] if j + 1 < len(rows) else 0
            left = (r << 1) & full
            right = r >> 1
            # count of set neighbours >= 2, bitwise
            n = [up, down, left, right]
            two = 0
            one = 0
            for v in n:
                two |= one & v
                one |= v
            keep = r & two
            if keep != r:
                rows[j] = keep
                changed = True
    return rows


# ---------------------------------------------------------------------------------------------
# Sprites


class Part:
    def __init__(self, sprite, name, colours, form, inner_line, cast, receive, mask, outline, tidy):
        self.sprite = sprite
        self.name = name
        self.ramp = colours
        self.form = form
        self.inner_line = inner_line
        self.cast = cast
        self.receive = receive
        self.mask = mask
        self.outline = outline
        self.tidy = tidy
        self.ops = []
        self.bands = []
        self.paints = []
        self.bits = None
        self.pix = None

    def add(self, shape):
        self.ops.append((True, shape))
        return self

    def add_pixels(self, x, y, rows, char="#"):
        """Adds whole pixels drawn as a character grid: `char` marks a pixel of the part."""
        for j, line in enumerate(rows):
            for i, ch in enumerate(line):
                if ch == char:
                    self.ops.append((True, rect(x + i, y + j, 1, 1)))
        return self

    def cut(self, shape):
        self.ops.append((False, shape))
        return self

    def band(self, tone, dx, dy, against=None):
        """Gives `tone` to the pixels whose copy moved by (dx, dy) leaves the form: a crescent
        on the side the vector points to. `against` names other forms that count as inside."""
        self.bands.append((tone, dx, dy, against))
        return self

    def paint(self, tone, shape):
        """Gives `tone` (a ramp name or a colour) to the pixels of this part inside `shape`."""
        self.paints.append((tone, shape))
        return self

    def colour(self, tone):
        return self.ramp[tone] if isinstance(tone, str) else tone


class Sprite:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.parts = []
        self.overlays = []

    def part(self, name, colours, form=None, inner_line=True, cast=None, receive=True, mask=BLACK,
             outline=True, tidy=True):
        """A new part in front of all earlier ones. `form` groups parts that read as one
        surface (no line between them, one shading); `cast` = (dx, dy) throws a shadow of this
        part onto the forms behind it; `mask` other than black makes it see-through; `tidy`
        removes lone nub pixels from its edge (off for parts drawn one pixel thin)."""
        p = Part(self, name, colours, form or name, inner_line, cast, receive, mask, outline, tidy)
        self.parts.append(p)
        return p

    def stamp(self, x, y, rows, key):
        """Hand-placed pixels: `rows` are strings, `key` maps a character to a colour, to None
        (erase) or to (colour, mask); characters not in the key are left alone."""
        self.overlays.append(("stamp", x, y, rows, key))

    def pixel(self, x, y, colour, mask=BLACK):
        self.overlays.append(("pixel", x, y, colour, mask))

    def pixels(self, pts, colour, mask=BLACK):
        for x, y in pts:
            self.pixel(x, y, colour, mask)

    def render(self):
        """Returns rows of cells: None (absent) or (colour, mask)."""
        w, h = self.w, self.h
        W, H = w * SUB, h * SUB
        for p in self.parts:
            b = Bits(W, H)
            for add, shape in p.ops:
                b.fill_polys(shape, SUB, add)
            p.bits = b
            p.pix = _pixels_of(b, w, h)

        # Which part owns each pixel: the front-most one covering at least half of it.
        label = [[-1] * w for _ in range(h)]
        for k, p in enumerate(self.parts):
            for j in range(h):
                for i in _bits_of(p.pix[j]):
                    label[j][i] = k
        # Where parts meet at a point (many thin wedges, say), a pixel can be covered by all
        # of them together yet by none of them alone; give it to the one covering most.
        union = Bits(W, H)
        for p in self.parts:
            union = union.union(p.bits)
        nib = (1 << SUB) - 1
        for j, row in enumerate(_pixels_of(union, w, h)):
            for i in _bits_of(row):
                if label[j][i] >= 0:
                    continue
                best, most = -1, 0
                for k, p in enumerate(self.parts):
                    c = sum(((v >> (i * SUB)) & nib).bit_count()
                            for v in p.bits.rows[j * SUB:(j + 1) * SUB])
                    if c >= most and c > 0:
                        best, most = k, c
                label[j][i] = best
        # Lone nub pixels on the silhouette read as spikes at 1:1; parts drawn pixel by pixel
        # (tidy=False) keep theirs.
        solid = [sum(1 << i for i in range(w) if label[j][i] >= 0) for j in range(h)]
        for j, (a, b) in enumerate(zip(solid, clean(solid, w))):
            for i in _bits_of(a & ~b):
                if self.parts[label[j][i]].tidy:
                    label[j][i] = -1

        forms = {}
        for p in self.parts:
            forms[p.form] = forms[p.form].union(p.bits) if p.form in forms else p.bits.copy()

        tone = [[None] * w for _ in range(h)]
        for k, p in enumerate(self.parts):
            own = [[label[j][i] == k for i in range(w)] for j in range(h)]
            for j in range(h):
                for i in range(w):
                    if own[j][i]:
                        tone[j][i] = "base"
            for name, dx, dy, against in p.bands:
                inside = forms[p.form]
                for other in against or ():
                    inside = inside.union(forms[other])
                moved = inside.shifted(-round(dx * SUB), -round(dy * SUB))
                self._apply(tone, own, _pixels_of(p.bits.minus(moved), w, h), name)
            if p.receive:
                for q in self.parts[k + 1:]:
                    if q.cast and q.form != p.form:
                        dx, dy = q.cast
                        shadow = q.bits.shifted(round(dx * SUB), round(dy * SUB)).minus(q.bits)
                        self._apply(tone, own, _pixels_of(p.bits.inter(shadow), w, h), "shade")
            for name, shape in p.paints:
                b = Bits(W, H)
                b.fill_polys(shape, SUB)
                self._apply(tone, own, _pixels_of(b, w, h), name)

        cells = [[None] * w for _ in range(h)]
        for j in range(h):
            for i in range(w):
                k = label[j][i]
                if k < 0:
                    continue
                p = self.parts[k]
                cells[j][i] = (p.colour(tone[j][i]), p.mask)

        # Lines where a part stands out from a different form behind it, then the outline.
        lines = []
        for j in range(h):
            for i in range(w):
                k = label[j][i]
                if k < 0:
                    continue
                p = self.parts[k]
                edge = False
                inner = False
                for di, dj in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    ii, jj = i + di, j + dj
                    if not (0 <= ii < w and 0 <= jj < h) or label[jj][ii] < 0:
                        edge = True
                    else:
                        q = self.parts[label[jj][ii]]
                        if label[jj][ii] < k and q.form != p.form and p.inner_line:
                            inner = True
                if edge and p.outline:
                    lines.append((i, j, p.ramp["line"]))
                elif inner:
                    lines.append((i, j, p.ramp["inner"]))
        for i, j, c in lines:
            cells[j][i] = (c, BLACK)

        for ov in self.overlays:
            if ov[0] == "pixel":
                _, x, y, c, m = ov
                if 0 <= x < w and 0 <= y < h:
                    cells[y][x] = None if c is None else (c, m)
            else:
                _, x0, y0, rows, key = ov
                for dj, line in enumerate(rows):
                    for di, ch in enumerate(line):
                        if ch not in key:
                            continue
                        x, y = x0 + di, y0 + dj
                        if not (0 <= x < w and 0 <= y < h):
                            continue
                        v = key[ch]
                        if v is None:
                            cells[y][x] = None
                        elif isinstance(v, tuple):
                            cells[y][x] = v
                        else:
                            cells[y][x] = (v, BLACK)
        return cells

    @staticmethod
    def _apply(tone, own, pix, name):
        for j, row in enumerate(pix):
            while row:
                low = row & -row
                i = low.bit_length() - 1
                if own[j][i]:
                    tone[j][i] = name
                row ^= low


# ---------------------------------------------------------------------------------------------
# Sheets and files


def cells_bbox(cells):
    """(left, top, right, bottom), inclusive, of the cells that are not absent."""
    xs = [i for row in cells for i, c in enumerate(row) if c is not None]
    ys = [j for j, row in enumerate(cells) if any(c is not None for c in row)]
    return (min(xs), min(ys), max(xs), max(ys))


def sheet(frames):
    """Lays frames (rows of cells, all the same size) side by side: colours on top, masks
    below. Returns rows of 0xRRGGBB."""
    fh = len(frames[0])
    fw = len(frames[0][0])
    out = [[WHITE] * (fw * len(frames)) for _ in range(fh * 2)]
    for f, cells in enumerate(frames):
        for j in range(fh):
            for i in range(fw):
                c = cells[j][i]
                if c is None:
                    continue
                colour, mask = c
                out[j][f * fw + i] = colour
                out[fh + j][f * fw + i] = mask
    return out


def write_bmp(path, pixels):
    """A bottom-up uncompressed 24-bit BMP."""
    h = len(pixels)
    w = len(pixels[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for p in row:
            line += bytes((p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError(path + ": not a BMP file")
    off = struct.unpack_from("<I", data, 10)[0]
    w, h = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise ValueError(path + ": not a 24-bit BMP")
    top_down = h < 0
    h = abs(h)
    stride = (w * 3 + 3) & ~3
    out = []
    for y in range(h):
        r = y if top_down else h - 1 - y
        base = off + r * stride
        out.append([data[base + 3 * x + 2] << 16 | data[base + 3 * x + 1] << 8 | data[base + 3 * x]
                    for x in range(w)])
    return out


def write_png(path, pixels):
    h = len(pixels)
    w = len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw += bytes(((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF))

    def chunk(kind, body):
        c = struct.pack(">I", len(body)) + kind + body
        return c + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# ---------------------------------------------------------------------------------------------
# Fitting shapes to exact pixel sizes


def pixel_bbox(shape, w, h):
    """(left, top, right, bottom), inclusive, of the pixels the shape covers, or None."""
    b = Bits(w * SUB, h * SUB)
    b.fill_polys(shape, SUB)
    rows = clean(_pixels_of(b, w, h), w)
    ys = [j for j, r in enumerate(rows) if r]
    if not ys:
        return None
    acc = 0
    for r in rows:
        acc |= r
    x0 = (acc & -acc).bit_length() - 1
    return (x0, ys[0], acc.bit_length() - 1, ys[-1])


def fit(make, width, height, w, h, steps=22):
    """Finds scales (sx, sy) for which make(sx, sy) covers exactly width x height pixels. Of
    all such scales it takes the middle of the range, so the outermost rows and columns are
    well-formed runs rather than single stray pixels. Raises if the size cannot be reached."""

    def size(sx, sy, axis):
        bb = pixel_bbox(make(sx, sy), w, h)
        return (bb[2] - bb[0] + 1, bb[3] - bb[1] + 1)[axis] if bb else 0

    def smallest(axis, target, sx, sy):
        lo, hi = 0.1, 4.0
        for _ in range(steps):
            mid = (lo + hi) / 2
            got = size(mid, sy, axis) if axis == 0 else size(sx, mid, axis)
            if got < target:
                lo = mid
            else:
                hi = mid
        return hi

    sx = sy = 1.0
    for _ in range(3):
        for axis, target in ((0, width), (1, height)):
            a = smallest(axis, target, sx, sy)
            b = smallest(axis, target + 1, sx, sy)
            if axis == 0:
                sx = (a + b) / 2
            else:
                sy = (a + b) / 2
    bb = pixel_bbox(make(sx, sy), w, h)
    if (bb[2] - bb[0] + 1, bb[3] - bb[1] + 1) != (width, height):
        raise ValueError("cannot fit shape to %dx%d, got %r" % (width, height, bb))
    return sx, sy


def place(shape, w, h, left=None, top=None, right=None, bottom=None):
    """Moves a shape by whole pixels so its pixel box starts or ends at the given column/row."""
    x0, y0, x1, y1 = pixel_bbox(shape, w, h)
    dx = (left - x0) if left is not None else (right - x1) if right is not None else 0
    dy = (top - y0) if top is not None else (bottom - y1) if bottom is not None else 0
    return transform(shape, dx, dy), (dx, dy)
