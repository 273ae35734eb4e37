#include "scene/damage.hpp"

#include <algorithm>
#include <cstring>

namespace vorlip {

namespace {

// Whether covering a and b (neither empty) by their bounding box costs little more than
// covering each: the box holds at most kMergeSlack pixels that neither holds.
bool worth_merging(const Rect& a, const Rect& b) {
    const long long ax1 = static_cast<long long>(a.x) + a.w,
                    ay1 = static_cast<long long>(a.y) + a.h;
    const long long bx1 = static_cast<long long>(b.x) + b.w,
                    by1 = static_cast<long long>(b.y) + b.h;
    const long long box =
        (std::max(ax1, bx1) - std::min(a.x, b.x)) * (std::max(ay1, by1) - std::min(a.y, b.y));
    const long long ow = std::min(ax1, bx1) - std::max(a.x, b.x);
    const long long oh = std::min(ay1, by1) - std::max(a.y, b.y);
    const long long overlap = ow > 0 && oh > 0 ? ow * oh : 0;
    return box - (a.area() + b.area() - overlap) <= Damage::kMergeSlack;
}

}  // namespace

void Damage::add(Rect r) {
    if (r.empty()) return;
    // Two rectangles further apart across than the slack divided by r's height waste more
    // than the slack in their box, and likewise down: only a rectangle reaching into this
    // window around r is worth the closer look, and most of the list is passed over on four
    // comparisons.
    long long lo_x = 0, hi_x = 0, lo_y = 0, hi_y = 0;
    const auto window = [&] {
        lo_x = static_cast<long long>(r.x) - kMergeSlack / r.h;
        hi_x = static_cast<long long>(r.x) + r.w + kMergeSlack / r.h;
        lo_y = static_cast<long long>(r.y) - kMergeSlack / r.w;
        hi_y = static_cast<long long>(r.y) + r.h + kMergeSlack / r.w;
    };
    window();
    const auto apart = [&](const Rect& o) {
        return (o.x > hi_x) | (static_cast<long long>(o.x) + o.w < lo_x) | (o.y > hi_y) |
               (static_cast<long long>(o.y) + o.h < lo_y);
    };
    // One pass: r takes in every rectangle worth merging with it as it grows. One passed over
    // before r grew may now be worth merging too; leaving it is safe, only not the least.
    for (int k = 0; k < n_;) {
        const Rect& o = r_[static_cast<std::size_t>(k)];
        if (!apart(o) && worth_merging(o, r)) {
            r = bounding(r, o);
            r_[static_cast<std::size_t>(k)] = r_[static_cast<std::size_t>(--n_)];
            window();
        } else {
            ++k;
        }
    }
    if (n_ == kCapacity) {
        for (int k = 0; k < n_; ++k) r = bounding(r, r_[static_cast<std::size_t>(k)]);
        n_ = 0;
    }
    r_[static_cast<std::size_t>(n_++)] = r;
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
