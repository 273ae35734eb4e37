// Eggs and hatching: an egg wobbles, falls to the bottom edge and rolls along it until it has
// rolled its distance from where it was laid; then it hatches in place into a small chick that
// grows for two frames. The same spawning puts new patrol chicks beside a chick.
#include "mother/mother.hpp"
#include "scene/fields.hpp"
#include "scene/slots.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

i16 mother_update_egg(World& world, Random& rnd, i16 index) {
    i16& roll_range = world.roll_range;
    if (!in_table(index)) return 0;
    BroodRec& e = rec(world, index);

    // 1-2. A resting egg shows frame 2 and wobbles through 3, 0, 1 once every twelve updates.
    i16 frame = 0;
    if (e.anim >= 1 && e.anim <= 9)
        frame = 2;
    else if (e.anim == 10)
        frame = 3;
    else if (e.anim == 11)
        frame = 0;
    else if (e.anim == 12)
        frame = 1;
    e.frame = frame;
    e.anim = w16(e.anim + 1);
    if (e.anim > 12) e.anim = 1;

    // 3. Rolled off the screen.
    if (e.x < -kEggCell || e.x > world.screen_w) {
        world.eggs_gone = w16(world.eggs_gone + 1);
        e.anim = 0;
        return frame;
    }

    // 4. Far enough from where it was laid.
    if (mother_check_hatch(world, index)) return frame;

    // 5. One roll step for all eggs, growing every update.
    roll_range = w16(roll_range + 1);
    if (roll_range > 45) roll_range = 1;
    const i16 s = w16(floor_int(rnd.draw() * static_cast<double>(roll_range)));

    // 6. Falling.
    if (e.y <= w16(world.screen_h - kEggCell)) {
        e.y = w16(e.y + 13 + floor_int(rnd.draw() * 5.0));
        return frame;
    }

    // 7. Rolling along the bottom; the egg's own index takes part in the step, and now and
    //    then it hops. Its facing stays as it was laid: an egg never turns round by itself.
    if (e.facing == Facing::right)
        e.x = w16(e.x + index - s);
    else
        e.x = w16(e.x + s - index);
    if (floor_int(rnd.draw() * 400.0) == 0) e.y = w16(e.y - 2 * s);
    return frame;
}

bool mother_check_hatch(World& world, i16 index) {
    if (!in_table(index)) return false;
    const BroodRec& e = rec(world, index);
    const i16 from = egg_laid_x(e), distance = egg_roll_distance(e);
    if (w16(from - distance) <= e.x && e.x <= w16(from + distance)) return false;
    world.eggs_gone = w16(world.eggs_gone + 1);
    mother_spawn_chick(world, index, Spawn::hatch);
    return true;
}

i16 mother_spawn_chick(World& world, i16 source, Spawn what) {
    if (!in_table(source)) return -1;

    // 1. Hatching uses the egg's own slot; a new patrol chick the first free one of 25..38.
    int i = source;
    if (what != Spawn::hatch) {
        bool found = false;
        for (i = world.clutch_first_slot; i < world.brood_max; ++i)
            if ((found = free_slot(world, i))) break;
        if (!found) return -1;
    }

    // 2. Counted at once.
    world.chick_count = w16(world.chick_count + 1);
    BroodRec& c = rec(world, i);
    c.anim = 1;
    c.footing = Footing::steady;
    c.aux2 = 0;
    c.flap = 0;
    c.tick = 0;

    if (what == Spawn::hatch) {
        // 3. The egg's box grows into the chick's box around it; the chick keeps what the egg
        //    was to become.
        c.kind = BroodKind::hatching;
        hatch_updates_left(c) = 3;
        c.aux1 = 0;
        c.y = w16(c.y - (kChickCell - kEggCell));
        c.x = w16(c.x - (kChickCell - kEggCell));
    } else {
        // 4. A patrol chick where its recruiter stands.
        const BroodRec& src = rec(world, source);
        c.kind = BroodKind::chick;
        c.bumped = 0;
        patrol_target(c) = kNoChick;
        c.sheet = src.sheet;
        c.state = Behaviour::patrol;
        c.y = src.y;
        c.x = src.x;
    }

    // 5. Chicks on the left half face left, the others right.
    c.facing = c.x <= world.screen_w / 2.0 ? Facing::left : Facing::right;
    return w16(i);
}

bool mother_update_hatching(World& world, i16 index, i16& width, i16& height) {
    if (!in_table(index)) return false;
    BroodRec& e = rec(world, index);

    // 1. The countdown ends: the record is a chick from now on.
    i16& left = hatch_updates_left(e);
    left = w16(left - 1);
    if (left <= 0) {
        e.kind = BroodKind::chick;
        e.bumped = 0;
        e.flap = 0;
        e.tick = 0;
        return false;
    }

    // 2-3. The sprite grows, centred in the chick's box.
    const double f = (3 - left) * 0.08 + 0.3;
    width = w16(round_even(f * kChickCell));
    height = w16(round_even(f * kChickCell));
    hatch_draw_x(e) = w16(e.x + floor_int((kChickCell - width) * 0.5));
    hatch_draw_y(e) = w16(e.y + floor_int((kChickCell - height) * 0.5));
    return true;
}

}  // namespace vorlip
