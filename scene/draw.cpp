#include "scene/draw.hpp"

#include "scene/fields.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

namespace {

// Mask first with SRCERASE (clears the sprite's ground to black, inverts the rest), then the
// colour frame: SRCINVERT puts the sprite on the cleared ground and restores the background
// around it.
Rect masked(Surface& dst, int x, int y, int w, int h, const Surface& sheet, int sx, int mask_y,
            Rop colour_rop, const CellShape& shape) {
    return masked_blt(dst, x, y, w, h, sheet, sx, mask_y, 0, colour_rop, shape);
}

// Notes a transfer into the compose buffer, its uncut cell at (x, y) and drawn by `spans`.
void drew(Stage& stage, const Rect& written, int x, int y, const RowSpan* spans = nullptr) {
    stage.drawn.add(written);
    stage.drawn_shapes.add(written, x, y, spans);
}

}  // namespace

void scene_draw(const World& world, Stage& stage, DrawMode mode, i16 index, i16 sheet, i16 frame,
                i16 width, i16 height) {
    const Surface& sheet_image = stage.sheets[static_cast<std::size_t>(sheet) & 15];
    // The frame offset is a 16-bit product, as every position is.
    const int fx = w16(frame * width);
    // Sprites draw only the parts of their cell that are not ground, when the cell is one of
    // the sheet's own.
    const auto shape = [&] {
        return stage.cells.shape(stage.sheets, sheet & 15, frame, width, height);
    };
    switch (mode) {
        case DrawMode::mother: {
            const CellShape cell = shape();
            drew(stage,
                 masked(stage.compose, world.mother_x, world.mother_y, width, height, sheet_image,
                        fx, height, Rop::SrcInvert, cell),
                 world.mother_x, world.mother_y, cell.spans);
            return;
        }
        case DrawMode::brood: {
            const BroodRec& p = world.brood[static_cast<std::size_t>(index)];
            const CellShape cell = shape();
            if (p.state == Behaviour::patrol) {
                // A patrol chick is a see-through tint of its colour frame.
                // Its ground is white, which SrcAnd leaves as it was.
                drew(stage,
                     bit_blt(stage.compose, p.x, p.y, width, height, sheet_image, fx, 0,
                             Rop::SrcAnd, cell.spans),
                     p.x, p.y, cell.spans);
            } else {
                drew(stage,
                     masked(stage.compose, p.x, p.y, width, height, sheet_image, fx, height,
                            Rop::SrcInvert, cell),
                     p.x, p.y, cell.spans);
            }
            return;
        }
        case DrawMode::hatching: {
            // Always a chick cell of the sheet, stretched to the size of this hatching frame.
            const BroodRec& p = world.brood[static_cast<std::size_t>(index)];
            const int cell = w16(kChickCell * frame);
            const int x = hatch_draw_x(p), y = hatch_draw_y(p);
            drew(stage,
                 masked_stretch_blt(stage.compose, x, y, width, height, sheet_image, cell,
                                    kChickCell, 0, kChickCell, kChickCell, Rop::SrcErase),
                 x, y);
            return;
        }
        case DrawMode::flower: {
            const FlowerRec& f = world.flowers[static_cast<std::size_t>(index)];
            drew(stage,
                 masked_stretch_blt(stage.compose, f.draw_x, f.draw_y, f.draw_w, f.draw_h,
                                    sheet_image, 0, height, 0, width, height, Rop::SrcInvert),
                 f.draw_x, f.draw_y);
            return;
        }
    }
    // No other mode draws anything.
}

void scene_stamp(const World& world, Stage& stage, i16 index, i16 sheet, i16 width, i16 height) {
    const Surface& sheet_image = stage.sheets[static_cast<std::size_t>(sheet) & 15];
    const SproutRec& s = world.sprouts[static_cast<std::size_t>(index)];
    const Rect stamped =
        bit_blt(stage.background, s.x, s.y, width, height, sheet_image, 0, 0, Rop::SrcAnd);
    stage.bkg_changed.add(stamped);
    stage.bkg_stamps.add(stamped, s.x, s.y, nullptr);
}

}  // namespace vorlip
