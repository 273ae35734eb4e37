// Where a frame changed a picture: a short list of rectangles that together cover every pixel
// written, perhaps a few more, never fewer.
//
// A frame touches a few dozen small boxes (sprites at their old and new places), so the list
// stays short by merging: a new rectangle joins one it overlaps or lies close to whenever their
// union wastes little, and when the list is full a new rectangle joins the one it wastes least
// with.
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
    // The first rectangle from `from` on that reaches into the window [lo_x, hi_x] x
    // [lo_y, hi_y]; n_ when none does.
    int first_near(int from, int lo_x, int hi_x, int lo_y, int hi_y) const;
    void put(int k, const Rect& r);

    std::array<Rect, kCapacity> r_{};
    // The same rectangles' edges, one array each, for first_near to compare many at once: left,
    // top, right and bottom, the last two held at the int range's end.
    std::array<int, kCapacity> x0_{}, y0_{}, x1_{}, y1_{};
    int n_ = 0;
};

// What a frame drew, transfer by transfer: the box each wrote and, for a sprite drawn by its
// indexed cell, the cell's spans. Undoing the frame then copies back only the sprites' shapes,
// about half of their boxes. Past its capacity it keeps no more, and says so: then the boxes
// must be copied back instead.
class DrawnShapes {
  public:
    // Every transfer one frame can make: one for each player slot and each flower, the mother.
    static constexpr int kCapacity = 41 + 6 + 1;

    void clear() {
        n_ = 0;
        complete_ = true;
    }
    // `box` as the transfer reported it; (x, y) the uncut cell's corner on dst, to which
    // `spans` (one per row of the cell, or nullptr for the whole box) are counted.
    void add(const Rect& box, int x, int y, const RowSpan* spans);
    bool complete() const { return complete_; }
    // Copies the pixels drawn, cut to `within`, from src onto dst at the same places.
    void copy_back(Surface& dst, const Surface& src, const Rect& within) const;

  private:
    struct Piece {
        Rect box;
        int x = 0, y = 0;
        const RowSpan* spans = nullptr;
    };
    std::array<Piece, kCapacity> p_{};
    int n_ = 0;
    bool complete_ = true;
};

// Copies the rectangles `where`, cut to `within`, of src onto dst at the same places.
void copy_rects(Surface& dst, const Surface& src, const Damage& where, const Rect& within);

}  // namespace vorlip
