#include "scene/raster.hpp"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace vorlip {

Rect bounding(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect intersection(const Rect& a, const Rect& b) {
    const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const long long x1 = std::min<long long>(static_cast<long long>(a.x) + a.w,
                                             static_cast<long long>(b.x) + b.w);
    const long long y1 = std::min<long long>(static_cast<long long>(a.y) + a.h,
                                             static_cast<long long>(b.y) + b.h);
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
    return s;
}

void Surface::resize(int width, int height, Pixel fill_with) {
    w_ = std::max(width, 0);
    h_ = std::max(height, 0);
    stride_ = w_;
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

struct BltJob {
    Surface& dst;
    const Surface& src;
    int dx, dy, sx, sy, w, h;
    template <class Op>
    void run() {
        for (int y = 0; y < h; ++y) {
            Pixel* __restrict d = dst.row(dy + y) + dx;
            const Pixel* __restrict s = src.row(sy + y) + sx;
            if constexpr (std::is_same_v<Op, OpCopy>)
                std::memcpy(d, s, sizeof(Pixel) * static_cast<std::size_t>(w));
            else
                for (int x = 0; x < w; ++x) d[x] = Op::apply(s[x], d[x]);
        }
    }
};

// The mask's SrcErase and the colour's operation, applied to each pixel in turn.
struct MaskedJob {
    Surface& dst;
    const Surface& src;
    int dx, dy, sx, mask_y, colour_y, w, h;
    template <class Op>
    void run() {
        for (int y = 0; y < h; ++y) {
            Pixel* __restrict d = dst.row(dy + y) + dx;
            const Pixel* __restrict m = src.row(mask_y + y) + sx;
            const Pixel* __restrict c = src.row(colour_y + y) + sx;
            for (int x = 0; x < w; ++x) d[x] = Op::apply(c[x], OpErase::apply(m[x], d[x]));
        }
    }
};

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

struct StretchJob {
    Surface& dst;
    const Surface& src;
    int sx, sy, sw, sh;
    long long aw, ah;              // absolute destination size
    bool flip_x, flip_y;           // mirrored axes
    long long origin_x, origin_y;  // leftmost / topmost destination pixel of the picture
    int x0, x1, y0, y1;            // clipped destination span, half-open
    template <class Op>
    void run() {
        for (int y = y0; y < y1; ++y) {
            long long ky = y - origin_y;
            if (flip_y) ky = ah - 1 - ky;
            const int srow = sy + sample(ky, sh, ah);
            if (srow < 0 || srow >= src.height()) continue;
            const Pixel* s = src.row(srow);
            Pixel* d = dst.row(y);
            for (int x = x0; x < x1; ++x) {
                long long kx = x - origin_x;
                if (flip_x) kx = aw - 1 - kx;
                const int scol = sx + sample(kx, sw, aw);
                if (scol < 0 || scol >= src.width()) continue;
                d[x] = Op::apply(s[scol], d[x]);
            }
        }
    }
};

}  // namespace

Rect bit_blt(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
             Rop rop) {
    const Clipped c = clip_transfer(dst, dx, dy, w, h, src, sx, sy);
    if (c.empty()) return {};
    BltJob job{dst, src, c.dx, c.dy, c.sx, c.sy, c.w, c.h};
    with_rop(rop, job);
    return {c.dx, c.dy, c.w, c.h};
}

Rect masked_blt(Surface& dst, int dx, int dy, int w, int h, const Surface& sheet, int sx,
                int mask_y, int colour_y, Rop colour_rop) {
    const Clipped m = clip_transfer(dst, dx, dy, w, h, sheet, sx, mask_y);
    const Clipped c = clip_transfer(dst, dx, dy, w, h, sheet, sx, colour_y);
    // Where the sheet cuts the two rows differently, the two transfers cover different pixels:
    // then they are made one after the other.
    if (m.dx != c.dx || m.dy != c.dy || m.w != c.w || m.h != c.h || m.empty()) {
        const Rect mask = bit_blt(dst, dx, dy, w, h, sheet, sx, mask_y, Rop::SrcErase);
        return bounding(mask, bit_blt(dst, dx, dy, w, h, sheet, sx, colour_y, colour_rop));
    }
    MaskedJob job{dst, sheet, m.dx, m.dy, m.sx, m.sy, c.sy, m.w, m.h};
    with_rop(colour_rop, job);
    return {m.dx, m.dy, m.w, m.h};
}

Rect stretch_blt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                 int sw, int sh, Rop rop) {
    if (dw == 0 || dh == 0 || sw <= 0 || sh <= 0) return {};
    StretchJob job{dst, src, sx, sy, sw, sh, 0, 0, dw < 0, dh < 0, 0, 0, 0, 0, 0, 0};
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

}  // namespace vorlip
