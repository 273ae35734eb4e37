// Flowers: planted where a chick stands, they flip, grow and stand at full size in a loop of
// 46 updates until their life runs out or a rare giant bloom pops them.
#include "garden/flowers.hpp"

#include <cstddef>

#include "scene/slots.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

namespace {

// Size factor of a full-size update, by the shared bloom clock. Returns false for an ordinary
// full-size update (factor 1); true with the giant factor otherwise.
bool giant_scale(i16 bloom_clock, double& s) {
    switch (bloom_clock) {
        case 100:
        case 101:
        case 102:
            s = 1.5;
            return true;
        case 117:
        case 118:
            s = 3.0;
            return true;
        case 145:
        case 146:
            s = 5.0;
            return true;
        case 147:
            s = 5.5;
            return true;
        default:
            s = 1.0;
            return false;
    }
}

}  // namespace

void flower_plant(World& world, i16 chick) {
    if (world.frame_no < 2) return;
    i16 lo = 0;
    const i16 k = flower_find_free(world, lo, kFlowerSlots - 1);
    if (k < 0) return;

    const BroodRec& c = rec(world, chick);
    FlowerRec& f = flower(world, k);
    f.live = 1;
    f.sheet = w16(c.sheet + kFlowerSheetOffset);  // each chick colour has its own flower sheet
    f.box_x = w16(c.x + 33);
    f.box_y = w16(c.y + 33);
    f.draw_x = f.box_x;
    f.draw_y = f.box_y;
    f.life = c.energy;
    f.phase = 40;
    f.draw_w = 5;
    f.draw_h = 5;
}

i16 flower_find_free(const World& world, i16& lo, i16 hi) {
    // `lo` is the loop variable and is left where the search ended. Slots outside the table
    // count as taken, and the walk ends at the table's end whatever `hi` says.
    for (; lo <= hi; lo = w16(lo + 1)) {
        if (lo >= kFlowerSlots) break;
        if (lo >= 0 && flower(world, lo).live == 0) return lo;
    }
    return -1;
}

void flower_update(World& world, i16 index) {
    i16& bloom_clock = world.bloom_clock;
    FlowerRec& f = flower(world, index);
    u8& popped = world.pop_flags[static_cast<std::size_t>(index)];

    f.life = w16(f.life - 55);
    if (f.life < 0 || popped == 1) {
        f.live = 0;
        popped = 0;
        return;
    }

    double s = 1.0;
    if (f.phase > 0) {
        // Flip and grow: upside down and shrinking at first, then upright and growing.
        f.phase = w16(f.phase - 1);
        s = (10 - f.phase) * 0.02 + 0.125;
    } else {
        // Full size; a giant size shows for one frame and the next update removes the flower.
        bloom_clock = w16((bloom_clock + 1) % 555);
        popped = 1;
        if (!giant_scale(bloom_clock, s)) {
            popped = 0;
            f.phase = w16(f.phase - 1);
            if (f.phase < -5) f.phase = 40;
        }
    }

    // Centred on the box: a negative size is drawn leftwards and upwards from draw_x, draw_y.
    f.draw_w = w16(floor_int(kFlowerCell * s));
    f.draw_h = w16(floor_int(kFlowerCell * s));
    f.draw_x = w16(f.box_x - floor_int((f.draw_w - kFlowerCell) / 2.0));
    f.draw_y = w16(f.box_y - floor_int((f.draw_h - kFlowerCell) / 2.0));
}

}  // namespace vorlip
