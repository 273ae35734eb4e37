#include "scene/damage.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

// Every build of the saver is for x86-64 (Linux and Windows), where SSE2 is always there.
#include <emmintrin.h>

namespace vorlip {

namespace {

// The pixels that the bounding box of a and b (neither empty) holds and neither of them does;
// the largest number there is when the box holds more pixels than a long long counts.
long long waste(const Rect& a, const Rect& b) {
    const long long ax1 = static_cast<long long>(a.x) + a.w,
                    ay1 = static_cast<long long>(a.y) + a.h;
    const long long bx1 = static_cast<long long>(b.x) + b.w,
                    by1 = static_cast<long long>(b.y) + b.h;
    long long box = 0;
    if (__builtin_mul_overflow(std::max(ax1, bx1) - std::min<long long>(a.x, b.x),
                               std::max(ay1, by1) - std::min<long long>(a.y, b.y), &box))
        return std::numeric_limits<long long>::max();
    const long long ow = std::min(ax1, bx1) - std::max(a.x, b.x);
    const long long oh = std::min(ay1, by1) - std::max(a.y, b.y);
    const long long overlap = ow > 0 && oh > 0 ? ow * oh : 0;
    return box - (a.area() + b.area() - overlap);
}

// Whether covering a and b (neither empty) by their bounding box costs little more than
// covering each: the box holds at most kMergeSlack pixels that neither holds.
bool worth_merging(const Rect& a, const Rect& b) {
    return waste(a, b) <= Damage::kMergeSlack;
}

int clamp_int(long long v) {
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

void Damage::put(int k, const Rect& r) {
    const auto i = static_cast<std::size_t>(k);
    r_[i] = r;
    x0_[i] = r.x;
    y0_[i] = r.y;
    x1_[i] = clamp_int(static_cast<long long>(r.x) + r.w);
    y1_[i] = clamp_int(static_cast<long long>(r.y) + r.h);
}

int Damage::first_near(int from, int lo_x, int hi_x, int lo_y, int hi_y) const {
    // Four at a time, compared at once; the arrays hold a whole number of fours.
    static_assert(kCapacity % 4 == 0);
    for (int base = from & ~3; base < n_; base += 4) {
        const auto k = static_cast<std::size_t>(base);
        const auto load = [&](const std::array<int, kCapacity>& a) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.data() + k));
        };
        const __m128i apart =
            _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi32(load(x0_), _mm_set1_epi32(hi_x)),
                                      _mm_cmpgt_epi32(_mm_set1_epi32(lo_x), load(x1_))),
                         _mm_or_si128(_mm_cmpgt_epi32(load(y0_), _mm_set1_epi32(hi_y)),
                                      _mm_cmpgt_epi32(_mm_set1_epi32(lo_y), load(y1_))));
        unsigned near = ~static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(apart))) & 15u;
        // Only those from `from` on and inside the list.
        if (base < from) near &= ~0u << (from - base);
        if (n_ - base < 4) near &= (1u << (n_ - base)) - 1;
        if (near != 0) return base + std::countr_zero(near);
    }
    return n_;
}

void Damage::add(Rect r) {
    if (r.empty()) return;
    // Two rectangles further apart across than the slack divided by r's height waste more
    // than the slack in their box, and likewise down: only a rectangle reaching into this
    // window around r is worth the closer look, and most of the list is passed over four at
    // a time.
    int lo_x = 0, hi_x = 0, lo_y = 0, hi_y = 0;
    const auto window = [&] {
        const int across = static_cast<int>(kMergeSlack) / r.h;
        const int down = static_cast<int>(kMergeSlack) / r.w;
        lo_x = clamp_int(static_cast<long long>(r.x) - across);
        hi_x = clamp_int(static_cast<long long>(r.x) + r.w + across);
        lo_y = clamp_int(static_cast<long long>(r.y) - down);
        hi_y = clamp_int(static_cast<long long>(r.y) + r.h + down);
    };
    window();
    // One pass: r takes in every rectangle worth merging with it as it grows. One passed over
    // before r grew may now be worth merging too; leaving it is safe, only not the least.
    for (int k = first_near(0, lo_x, hi_x, lo_y, hi_y); k < n_;) {
        const Rect& o = r_[static_cast<std::size_t>(k)];
        if (worth_merging(o, r)) {
            r = bounding(r, o);
            --n_;
            put(k, r_[static_cast<std::size_t>(n_)]);
            window();
        } else {
            ++k;
        }
        k = first_near(k, lo_x, hi_x, lo_y, hi_y);
    }
    if (n_ == kCapacity) {
        // Full: r joins the rectangle whose box with it holds the fewest pixels that neither
        // does, and the grown rectangle goes round once more. Collapsing the whole list into one
        // box instead would make a busy frame on a large screen present most of that screen.
        int best = 0;
        long long least = std::numeric_limits<long long>::max();
        for (int k = 0; k < n_; ++k) {
            const long long more = waste(r, r_[static_cast<std::size_t>(k)]);
            if (more < least) least = more, best = k;
        }
        r = bounding(r, r_[static_cast<std::size_t>(best)]);
        --n_;
        put(best, r_[static_cast<std::size_t>(n_)]);
        add(r);
        return;
    }
    put(n_++, r);
}

void Damage::add(const Damage& other) {
    for (const Rect& r : other.rects()) add(r);
}

void Damage::whole(int w, int h) {
    n_ = 0;
    add({0, 0, w, h});
}

long long Damage::area() const {
    long long sum = 0;
    for (const Rect& r : rects()) sum += r.area();
    return sum;
}

void copy_rects(Surface& dst, const Surface& src, const Damage& where, const Rect& within) {
    for (const Rect& r : where.rects()) {
        const Rect c = intersection(r, within);
        bit_blt(dst, c.x, c.y, c.w, c.h, src, c.x, c.y, Rop::SrcCopy);
    }
}

void DrawnShapes::add(const Rect& box, int x, int y, const RowSpan* spans) {
    if (box.empty()) return;
    if (n_ == kCapacity) {
        complete_ = false;
        return;
    }
    p_[static_cast<std::size_t>(n_++)] = {box, x, y, spans};
}

void DrawnShapes::copy_back(Surface& dst, const Surface& src, const Rect& within) const {
    const Rect both = intersection(
        within, {0, 0, std::min(dst.width(), src.width()), std::min(dst.height(), src.height())});
    const std::ptrdiff_t ds = dst.stride(), ss = src.stride();
    for (int k = 0; k < n_; ++k) {
        const Piece& p = p_[static_cast<std::size_t>(k)];
        const Rect c = intersection(p.box, both);
        if (c.empty()) continue;
        Pixel* const d0 = dst.row(c.y) + c.x;
        const Pixel* const s0 = src.row(c.y) + c.x;
        if (p.spans == nullptr) {
            for (int r = 0; r < c.h; ++r)
                std::memcpy(d0 + r * ds, s0 + r * ss,
                            sizeof(Pixel) * static_cast<std::size_t>(c.w));
            continue;
        }
        // The spans count from the cell's corner: the cut box's columns counted the same way.
        const int left = c.x - p.x, right = left + c.w;
        const RowSpan* spans = p.spans + (c.y - p.y);
        for (int r = 0; r < c.h; ++r) {
            const int lo = std::max<int>(spans[r].lo, left), hi = std::min<int>(spans[r].hi, right);
            if (lo < hi)
                std::memcpy(d0 + r * ds + (lo - left), s0 + r * ss + (lo - left),
                            sizeof(Pixel) * static_cast<std::size_t>(hi - lo));
        }
    }
}

}  // namespace vorlip
