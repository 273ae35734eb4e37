// Where a frame changed a picture: a short list of rectangles that together cover every pixel
// written, perhaps a few more, never fewer.
//
// A frame touches a few dozen small boxes (sprites at their old and new places), so the list
// stays short by merging: a new rectangle joins one it overlaps or lies close to whenever their
// union wastes little, and when the list is full everything collapses into one bounding box.
// Covering more than was written is always safe: the pixels copied there are already equal.
// The list is a fixed array, so keeping it allocates nothing.
#pragma once

#include <array>
#include <span>

#include "scene/raster.hpp"

namespace vorlip {

class Damage {
  public:
    static constexpr int kCapacity = 48;
    // Pixels a merge may cover that neither rectangle held: about what one more transfer of a
    // small rectangle costs, so a merge that wastes less is cheaper than two transfers.
    static constexpr long long kMergeSlack = 4096;

    void clear() { n_ = 0; }
    void add(Rect r);
    void add(const Damage& other);
    // The whole w x h picture: one rectangle.
    void whole(int w, int h);

    bool empty() const { return n_ == 0; }
    std::span<const Rect> rects() const { return {r_.data(), static_cast<std::size_t>(n_)}; }
    long long area() const;

  private:
    std::array<Rect, kCapacity> r_{};
    int n_ = 0;
};

// Copies the rectangles `where`, cut to `within`, of src onto dst at the same places.
void copy_rects(Surface& dst, const Surface& src, const Damage& where, const Rect& within);

}  // namespace vorlip
