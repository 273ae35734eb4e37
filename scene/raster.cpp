#include "scene/raster.hpp"

#include <algorithm>
#include <cstring>

namespace vorlip {

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
            Pixel* d = dst.row(dy + y) + dx;
            const Pixel* s = src.row(sy + y) + sx;
            for (int x = 0; x < w; ++x) d[x] = Op::apply(s[x], d[x]);
        }
    }
};

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
    BltJob job{dst, src, int(ldx), int(ldy), int(lsx), int(lsy), int(lw), int(lh)};
    with_rop(rop, job);
    return {job.dx, job.dy, job.w, job.h};
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
