// Where each cell of each sprite sheet is not ground, row by row.
//
// A sprite's ground (white in both its colour frame and its mask) leaves the picture under it
// as it was, and a chick is little more than a third of its cell. Drawing only each row's span
// gives the same picture for far fewer pixels, and what a frame restores and presents shrinks
// to the shape's box. Each span is cut further into runs: most of a sprite is opaque and is
// simply copied, and the ground inside the span is skipped.
//
// The index is made from the sheets once: a sheet replaced since by another surface is drawn
// whole until it is indexed again, and one rewritten in place must be indexed again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "scene/raster.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

class SheetCells {
  public:
    static constexpr int kMaxFrames = 6;
    static constexpr int kMaxRows = 120;

    // Indexes every sheet whose size is the one its geometry gives.
    void index(const std::array<Surface, kSheetCount>& sheets);

    // The spans of frame `frame` of sheet `sheet` drawn as a w x h cell, its mask h rows below
    // its colour; nullptr when the sheet is not the one indexed or the cell is not one of its
    // own, and then the whole cell is drawn.
    const RowSpan* rows(const std::array<Surface, kSheetCount>& sheets, int sheet, int frame, int w,
                        int h) const;
    // The same cell's spans with its runs; no spans when rows() gives none.
    CellShape shape(const std::array<Surface, kSheetCount>& sheets, int sheet, int frame, int w,
                    int h) const;

  private:
    struct Sheet {
        const Pixel* pixels = nullptr;  // the surface indexed; nullptr when not indexed
        int width = 0, height = 0, stride = 0;
        std::array<std::array<RowSpan, kMaxRows>, kMaxFrames> spans{};
        std::array<std::array<std::uint32_t, kMaxRows + 1>, kMaxFrames> first{};
        std::vector<Run> runs;  // all of the sheet's, frame after frame, row after row
        std::array<Rect, kMaxFrames> boxes{};  // the box of each frame's spans
    };
    std::array<Sheet, kSheetCount> sheets_{};
};

}  // namespace vorlip
