#include "scene/damage.hpp"

#include <algorithm>

namespace vorlip {

namespace {

long long overlap_area(const Rect& a, const Rect& b) {
    const long long w = std::min<long long>(a.x + a.w, b.x + b.w) - std::max(a.x, b.x);
    const long long h = std::min<long long>(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

// Whether covering a and b by their bounding box costs little more than covering each.
bool worth_merging(const Rect& a, const Rect& b) {
    const long long waste =
        bounding(a, b).area() - (a.area() + b.area() - overlap_area(a, b));
    return waste <= Damage::kMergeSlack;
}

}  // namespace

void Damage::add(Rect r) {
    if (r.empty()) return;
    // A merge grows r, which may make it worth merging with one passed over before: look again
    // from the start until nothing joins.
    for (int k = 0; k < n_;) {
        if (worth_merging(r_[static_cast<std::size_t>(k)], r)) {
            r = bounding(r, r_[static_cast<std::size_t>(k)]);
            r_[static_cast<std::size_t>(k)] = r_[static_cast<std::size_t>(--n_)];
            k = 0;
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

}  // namespace vorlip
