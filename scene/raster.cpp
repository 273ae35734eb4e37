#include "scene/raster.hpp"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace vorlip {

Rect intersection(const Rect& a, const Rect& b) {
    const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const long long x1 =
        std::min<long long>(static_cast<long long>(a.x) + a.w, static_cast<long long>(b.x) + b.w);
    const long long y1 =
        std::min<long long>(static_cast<long long>(a.y) + a.h, static_cast<long long>(b.y) + b.h);
    if (a.empty() || b.empty() || x1 <= x0 || y1 <= y0) return {};
    return {x0, y0, static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

Surface::Surface(int width, int height, Pixel fill) {
    resize(width, height, fill);
}

Surface::Surface(const Surface& other) {
    *this = other;
}

Surface& Surface::operator=(const Surface& other) {
    if (this == &other) return *this;
    resize(other.w_, other.h_);
    for (int y = 0; y < h_; ++y)
        std::memcpy(row(y), other.row(y), sizeof(Pixel) * static_cast<std::size_t>(w_));
    return *this;
}

Surface Surface::view(Pixel* pixels, int width, int height, int stride) {
    Surface s;
    s.px_ = pixels;
    s.w_ = std::max(width, 0);
    s.h_ = std::max(height, 0);
    s.stride_ = stride;
    s.owns_ = false;
    return s;
}

void Surface::resize(int width, int height, Pixel fill_with) {
    w_ = std::max(width, 0);
    h_ = std::max(height, 0);
    stride_ = w_;
    owns_ = true;
    own_.assign(static_cast<std::size_t>(w_) * static_cast<std::size_t>(h_), fill_with & kWhite);
    px_ = own_.data();
}

void Surface::fill(Pixel p) {
    for (int y = 0; y < h_; ++y) std::fill_n(row(y), w_, p & kWhite);
}

bool Surface::same_pixels(const Surface& other) const {
    if (w_ != other.w_ || h_ != other.h_) return false;
    for (int y = 0; y < h_; ++y)
        if (std::memcmp(row(y), other.row(y), sizeof(Pixel) * static_cast<std::size_t>(w_)) != 0)
            return false;
    return true;
}

namespace {

struct OpCopy {
    static constexpr Pixel apply(Pixel s, Pixel) { return s; }
};
struct OpAnd {
    static constexpr Pixel apply(Pixel s, Pixel d) { return s & d; }
};
struct OpErase {
    static constexpr Pixel apply(Pixel s, Pixel d) { return s & ~d & kWhite; }
};
struct OpInvert {
    static constexpr Pixel apply(Pixel s, Pixel d) { return (s ^ d) & kWhite; }
};

// Calls f.template run<Op>() with the operation chosen once for the whole transfer.
template <class F>
void with_rop(Rop rop, F&& f) {
    switch (rop) {
        case Rop::SrcCopy:
            f.template run<OpCopy>();
            break;
        case Rop::SrcAnd:
            f.template run<OpAnd>();
            break;
        case Rop::SrcErase:
            f.template run<OpErase>();
            break;
        case Rop::SrcInvert:
            f.template run<OpInvert>();
            break;
    }
}

// The part of row y of a clipped transfer that its spans (counted from the uncut cell's
// corner, which lies col0 columns and row0 rows before the clipped one) say to draw; all of it
// without spans.
struct SpanCut {
    const RowSpan* rows = nullptr;
    int row0 = 0, col0 = 0;
    bool cut(int y, int w, int& lo, int& hi) const {
        lo = 0, hi = w;
        if (rows == nullptr) return true;
        const RowSpan& r = rows[row0 + y];
        lo = std::max(int(r.lo) - col0, 0);
        hi = std::min(int(r.hi) - col0, w);
        return lo < hi;
    }
};

// The bounding box, relative to a transfer's corner, of the row parts it wrote.
struct Extent {
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // half-open; nothing while y1 == y0
    void add_row(int y, int lo, int hi) {
        if (y1 == y0) {
            x0 = lo, x1 = hi, y0 = y;
        } else {
            x0 = std::min(x0, lo), x1 = std::max(x1, hi);
        }
        y1 = y + 1;
    }
    Rect at(int x, int y) const {
        return y1 == y0 ? Rect{} : Rect{x + x0, y + y0, x1 - x0, y1 - y0};
    }
};

// Calls draw(y, lo, hi) for the part [lo, hi) of each of the h rows that the spans leave, and
// records it in `written`.
template <class Draw>
void each_span(int w, int h, const SpanCut& spans, Extent& written, Draw&& draw) {
    for (int y = 0; y < h; ++y) {
        int lo = 0, hi = 0;
        if (!spans.cut(y, w, lo, hi)) continue;
        draw(y, lo, hi);
        written.add_row(y, lo, hi);
    }
}

struct BltJob {
    Surface& dst;
    const Surface& src;
    int dx, dy, sx, sy, w, h;
    SpanCut spans;
    Extent written;
    template <class Op>
    void run() {
        each_span(w, h, spans, written, [&](int y, int lo, int hi) {
            Pixel* __restrict d = dst.row(dy + y) + dx;
            const Pixel* __restrict s = src.row(sy + y) + sx;
            if constexpr (std::is_same_v<Op, OpCopy>)
                std::memcpy(d + lo, s + lo, sizeof(Pixel) * static_cast<std::size_t>(hi - lo));
            else
                for (int x = lo; x < hi; ++x) d[x] = Op::apply(s[x], d[x]);
        });
    }
};

// Columns [a, b) of one row of a run drawn through the mask with a SrcInvert colour: an opaque
// run is its colour, copied; any other is worked out pixel by pixel.
inline void put_run(Pixel* __restrict d, const Pixel* __restrict m, const Pixel* __restrict c,
                    int a, int b, bool opaque) {
    if (opaque) {
        std::memcpy(d + a, c + a, sizeof(Pixel) * static_cast<std::size_t>(b - a));
    } else {
        for (int x = a; x < b; ++x) d[x] = OpInvert::apply(c[x], OpErase::apply(m[x], d[x]));
    }
}

// The mask's SrcErase and the colour's operation, applied to each pixel in turn; where the
// shape has runs and the colour is SrcInvert, only the runs are drawn, and an opaque run is its
// colour whatever lay under it.
struct MaskedJob {
    Surface& dst;
    const Surface& src;
    int dx, dy, sx, mask_y, colour_y, w, h;
    SpanCut spans;
    const CellShape& shape;
    Extent written;
    template <class Op>
    void run() {
        const bool by_runs = std::is_same_v<Op, OpInvert> && shape.first != nullptr;
        each_span(w, h, spans, written, [&](int y, int lo, int hi) {
            Pixel* __restrict d = dst.row(dy + y) + dx;
            const Pixel* __restrict m = src.row(mask_y + y) + sx;
            const Pixel* __restrict c = src.row(colour_y + y) + sx;
            if (!by_runs) {
                for (int x = lo; x < hi; ++x) d[x] = Op::apply(c[x], OpErase::apply(m[x], d[x]));
                return;
            }
            const int row = spans.row0 + y;
            for (std::uint32_t k = shape.first[row]; k < shape.first[row + 1]; ++k) {
                const Run& r = shape.runs[k];
                const int a = std::max(int(r.lo) - spans.col0, lo);
                const int b = std::min(int(r.hi) - spans.col0, hi);
                if (a < b) put_run(d, m, c, a, b, r.opaque);
            }
        });
    }
};

// A sprite drawn by its runs through the mask with a SrcInvert colour, when neither surface cuts
// it: most sprites most of the time, so it is done without working out a cut for every row.
Rect runs_uncut(Surface& dst, int dx, int dy, int h, const Surface& sheet, int sx, int mask_y,
                int colour_y, const CellShape& shape) {
    Pixel* const d0 = dst.row(dy) + dx;
    const Pixel* const m0 = sheet.row(mask_y) + sx;
    const Pixel* const c0 = sheet.row(colour_y) + sx;
    const std::ptrdiff_t ds = dst.stride(), ss = sheet.stride();
    // Held here, so that the copies, which might write anywhere as far as the compiler knows,
    // do not make it read them again.
    const std::uint32_t* const first = shape.first;
    const Run* const runs = shape.runs;
    for (int y = 0; y < h; ++y) {
        Pixel* __restrict d = d0 + y * ds;
        const Pixel* __restrict m = m0 + y * ss;
        const Pixel* __restrict c = c0 + y * ss;
        for (const Run *r = runs + first[y], *end = runs + first[y + 1]; r != end; ++r)
            put_run(d, m, c, r->lo, r->hi, r->opaque);
    }
    return {dx + shape.box.x, dy + shape.box.y, shape.box.w, shape.box.h};
}

// A transfer clipped against both surfaces: where it writes and where it reads from.
struct Clipped {
    int dx = 0, dy = 0, sx = 0, sy = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
};

Clipped clip_transfer(const Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                      int sy) {
    if (w <= 0 || h <= 0) return {};
    // Clip in 64-bit so that no position or size can overflow.
    long long ldx = dx, ldy = dy, lsx = sx, lsy = sy, lw = w, lh = h;
    auto clip = [](long long& d, long long& s, long long& n, long long dlim, long long slim) {
        if (d < 0) {
            s -= d;
            n += d;
            d = 0;
        }
        if (s < 0) {
            d -= s;
            n += s;
            s = 0;
        }
        n = std::min(n, dlim - d);
        n = std::min(n, slim - s);
    };
    clip(ldx, lsx, lw, dst.width(), src.width());
    clip(ldy, lsy, lh, dst.height(), src.height());
    if (lw <= 0 || lh <= 0) return {};
    return {int(ldx), int(ldy), int(lsx), int(lsy), int(lw), int(lh)};
}

// Nearest-neighbour source index for destination step k (0-based, counted from the
// destination point outward) when n destination pixels show m source pixels.
inline int sample(long long k, long long m, long long n) {
    return int(((2 * k + 1) * m) / (2 * n));
}

// sample() for k, k + 1, k + 2, ... without a division per pixel: the exact quotient and
// remainder of (2k + 1) m / 2n, carried from one k to the next.
struct SampleWalk {
    long long q, r, step_q, step_r, den;
    SampleWalk(long long k, long long m, long long n)
        : q(((2 * k + 1) * m) / (2 * n)),
          r(((2 * k + 1) * m) % (2 * n)),
          step_q((2 * m) / (2 * n)),
          step_r((2 * m) % (2 * n)),
          den(2 * n) {}
    void next() {
        q += step_q;
        r += step_r;
        if (r >= den) {
            r -= den;
            ++q;
        }
    }
};

struct StretchJob {
    Surface& dst;
    const Surface& src;
    int sx, sy, sw, sh;
    int mask_sy;                   // the mask's first row, erased first; below 0: no mask
    long long aw, ah;              // absolute destination size
    bool flip_x, flip_y;           // mirrored axes
    long long origin_x, origin_y;  // leftmost / topmost destination pixel of the picture
    int x0, x1, y0, y1;            // clipped destination span, half-open
    template <class Op>
    void run() {
        // Columns are walked in the order their picture steps grow: right to left when mirrored.
        const int first_x = flip_x ? x1 - 1 : x0;
        const int step_x = flip_x ? -1 : 1;
        const long long first_k = flip_x ? aw - 1 - (first_x - origin_x) : first_x - origin_x;
        for (int y = y0; y < y1; ++y) {
            long long ky = y - origin_y;
            if (flip_y) ky = ah - 1 - ky;
            const int k = sample(ky, sh, ah);
            const int srow = sy + k;
            if (srow < 0 || srow >= src.height()) continue;
            const Pixel* s = src.row(srow);
            // The mask's rows lie in the source whenever there is one (masked_stretch_blt).
            const Pixel* m = mask_sy >= 0 ? src.row(mask_sy + k) : nullptr;
            Pixel* d = dst.row(y);
            SampleWalk col(first_k, sw, aw);
            for (int x = first_x, n = x1 - x0; n > 0; --n, x += step_x, col.next()) {
                const long long scol = sx + col.q;
                if (scol < 0 || scol >= src.width()) continue;
                d[x] = Op::apply(s[scol], m != nullptr ? OpErase::apply(m[scol], d[x]) : d[x]);
            }
        }
    }
};

}  // namespace

Rect bit_blt(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
             Rop rop, const RowSpan* rows) {
    const Clipped c = clip_transfer(dst, dx, dy, w, h, src, sx, sy);
    if (c.empty()) return {};
    BltJob job{dst, src, c.dx, c.dy, c.sx, c.sy, c.w, c.h, {rows, c.sy - sy, c.sx - sx}, {}};
    with_rop(rop, job);
    return job.written.at(c.dx, c.dy);
}

Rect masked_blt(Surface& dst, int dx, int dy, int w, int h, const Surface& sheet, int sx,
                int mask_y, int colour_y, Rop colour_rop, const CellShape& shape) {
    const Clipped m = clip_transfer(dst, dx, dy, w, h, sheet, sx, mask_y);
    const Clipped c = clip_transfer(dst, dx, dy, w, h, sheet, sx, colour_y);
    // Where the sheet cuts the two rows differently, the two transfers cover different pixels:
    // then they are made one after the other.
    if (m.dx != c.dx || m.dy != c.dy || m.w != c.w || m.h != c.h || m.empty()) {
        const Rect mask = bit_blt(dst, dx, dy, w, h, sheet, sx, mask_y, Rop::SrcErase, shape.spans);
        return bounding(mask,
                        bit_blt(dst, dx, dy, w, h, sheet, sx, colour_y, colour_rop, shape.spans));
    }
    const bool uncut = m.dx == dx && m.dy == dy && m.w == w && m.h == h && m.sx == sx &&
                       m.sy == mask_y && c.sy == colour_y;
    if (uncut && shape.first != nullptr && colour_rop == Rop::SrcInvert)
        return runs_uncut(dst, dx, dy, h, sheet, sx, mask_y, colour_y, shape);
    MaskedJob job{dst,   sheet, m.dx, m.dy, m.sx,
                  m.sy,  c.sy,  m.w,  m.h,  {shape.spans, m.sy - mask_y, m.sx - sx},
                  shape, {}};
    with_rop(colour_rop, job);
    return job.written.at(m.dx, m.dy);
}

namespace {

Rect stretch(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
             int sw, int sh, int mask_sy, Rop rop) {
    if (dw == 0 || dh == 0 || sw <= 0 || sh <= 0) return {};
    StretchJob job{dst, src, sx, sy, sw, sh, mask_sy, 0, 0, dw < 0, dh < 0, 0, 0, 0, 0, 0, 0};
    job.aw = dw < 0 ? -static_cast<long long>(dw) : dw;
    job.ah = dh < 0 ? -static_cast<long long>(dh) : dh;
    job.origin_x = dw < 0 ? static_cast<long long>(dx) + dw : dx;
    job.origin_y = dh < 0 ? static_cast<long long>(dy) + dh : dy;
    job.x0 = int(std::max<long long>(job.origin_x, 0));
    job.x1 = int(std::min<long long>(job.origin_x + job.aw, dst.width()));
    job.y0 = int(std::max<long long>(job.origin_y, 0));
    job.y1 = int(std::min<long long>(job.origin_y + job.ah, dst.height()));
    if (job.x0 >= job.x1 || job.y0 >= job.y1) return {};
    with_rop(rop, job);
    // Pixels whose sample falls outside the source are skipped, so this may claim more than
    // was written; never less.
    return {job.x0, job.y0, job.x1 - job.x0, job.y1 - job.y0};
}

}  // namespace

Rect stretch_blt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                 int sw, int sh, Rop rop) {
    return stretch(dst, dx, dy, dw, dh, src, sx, sy, sw, sh, -1, rop);
}

Rect masked_stretch_blt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& sheet, int sx,
                        int mask_y, int colour_y, int sw, int sh, Rop colour_rop) {
    // Both pictures' rows must lie in the sheet for the two to sample alike; where one does
    // not, the two transfers are made one after the other.
    const auto inside = [&](int y) {
        return y >= 0 && static_cast<long long>(y) + sh <= sheet.height();
    };
    if (sh <= 0 || !inside(mask_y) || !inside(colour_y)) {
        const Rect a = stretch(dst, dx, dy, dw, dh, sheet, sx, mask_y, sw, sh, -1, Rop::SrcErase);
        return bounding(a,
                        stretch(dst, dx, dy, dw, dh, sheet, sx, colour_y, sw, sh, -1, colour_rop));
    }
    return stretch(dst, dx, dy, dw, dh, sheet, sx, colour_y, sw, sh, mask_y, colour_rop);
}

}  // namespace vorlip
