// Sprouts: a seed sown at the bottom edge rises as a shoot, sends out branches, the branches
// send out twigs, twigs drop buds, and every shoot turns into a bud when its life ends. The
// frame step stamps each record into the background right after its update, so a shoot leaves
// a stem of seed stamps behind its tip and a bud leaves a cross of five bud stamps.
#include "garden/sprouts.hpp"

#include <cmath>

#include "scene/slots.hpp"

namespace vorlip {

void sprout_init(World& world) {
    world.shoot_life_base = w16(round_even(world.screen_h / 4.0));
}

i16 sprout_find_free(const World& world) {
    const int last = last_slot(world);
    for (int j = 0; j <= last; ++j)
        if (sprout(world, j).live <= 0) return static_cast<i16>(j);
    return -1;
}

void sprout_sow(World& world, i16 x) {
    u8& sow_row = world.sow_row;

    const i16 j = sprout_find_free(world);
    if (j == -1) return;  // a full table drops the seed and leaves the row where it was
    sow_row = static_cast<u8>(sow_row + 1);
    if (sow_row > 5) sow_row = 1;

    SproutRec& s = sprout(world, j);
    s.live = 1;
    s.kind = SproutKind::shoot;
    s.generation = 0;
    s.offspring = 0;
    s.x = x - 5;
    s.y = world.screen_h - 10 * sow_row;
    s.dx = 0;
    s.dy = -5;
    s.age = 0;
    s.life = world.shoot_life_base - 7 * (world.frame_no % 13);
}

bool sprout_cull(World& world, i16 index, Cull when) {
    SproutRec& s = sprout(world, index);
    // No bottom bound: a sinking twig below the screen lives out its life.
    const bool out = s.y < -7 || s.x < -10 || s.x > world.screen_w + 10;
    if (out || when == Cull::now) {
        const SproutKind kind = s.kind;  // a freed record keeps its kind until the slot is reused
        s = SproutRec{};
        s.kind = kind;
    }
    return out;
}

void sprout_spawn_bud(World& world, i16 index, Bud when) {
    SproutRec& p = sprout(world, index);
    if (when != Bud::now && p.age != 1 && p.age % 6 != 0) return;
    const i16 j = sprout_find_free(world);
    if (j == -1) return;

    SproutRec& b = sprout(world, j);
    b.live = 1;
    b.kind = SproutKind::bud;
    b.generation = 0;
    b.offspring = 0;
    b.x = p.x;
    b.dx = p.x;  // the anchor the bud visits its five places around
    b.y = p.y;
    b.dy = p.y;
    b.life = p.x;
    b.age = p.y;
    p.offspring = p.offspring + 1;
}

void sprout_grow(World& world, i16 index) {
    if (sprout_cull(world, index, Cull::if_out)) return;
    SproutRec& s = sprout(world, index);
    s.age = s.age + 1;

    if (s.life < s.age) {
        // The end of a shoot's life: a bud where it stands, and the shoot is gone.
        sprout_spawn_bud(world, index, Bud::now);
        sprout_cull(world, index, Cull::now);
        return;
    }

    s.x = s.x + s.dx;
    s.y = s.y + s.dy;
    if (s.generation == 2) sprout_spawn_bud(world, index, Bud::on_beat);

    // Sown shoots branch every 10 frames, branches every 7, twigs every 4 (never zero: 10 - 3g
    // has no whole root).
    const int period = 10 - 3 * s.generation;
    if (s.age % period != 0) return;

    const i16 j = sprout_find_free(world);
    if (j == -1) return;
    s.offspring = s.offspring + 1;
    const int g = s.generation + 1;
    if (g > 2) return;  // twigs count the beat but make no branches

    const int n = s.offspring;
    // Each child is shorter-lived than the last: 0.7^g of the parent's life scaled by 0.8^n.
    const double inner = s.life * std::pow(0.8, n);
    const i16 life = w16(floor_int(std::pow(0.7, g) * inner));
    const bool odd = n % 2 != 0;

    SproutRec& child = sprout(world, j);
    child.live = 1;
    child.kind = s.kind;
    child.generation = static_cast<i16>(g);
    child.offspring = 0;
    child.age = 0;
    child.x = s.x;
    child.y = s.y;
    child.life = life;
    if (g == 1) {
        // Branches of one shoot go right, left, right, ... rising slowly.
        child.dy = -1;
        child.dx = odd ? 4 : -4;
    } else {
        // A twig leans the way its branch goes; odd ones sink, even ones rise.
        child.dx = s.dx > 0 ? 3 : -3;
        child.dy = odd ? 2 : -3;
    }
}

void sprout_bud_update(World& world, i16 index) {
    if (sprout_cull(world, index, Cull::if_out)) return;
    SproutRec& b = sprout(world, index);
    const i16 ax = b.dx;
    const i16 ay = b.dy;
    b.offspring = b.offspring + 1;
    switch (b.offspring) {
        case 1:
            b.x = ax - 19;
            break;
        case 2:
            b.x = ax + 19;
            break;
        case 3:
            b.x = ax;
            b.y = ay - 19;
            break;
        case 4:
            b.y = ay + 19;
            break;
        case 5:
            b.x = ax;
            b.y = ay;
            break;
        case 6:
            sprout_cull(world, index, Cull::now);
            break;
        default:
            break;
    }
}

}  // namespace vorlip
