// The patrol's rescue moves: jumping towards a tumbling chick, carrying it up while both chicks
// flash through the colours, and recruiting more rescuers for the other chicks in trouble.
#include "garden/patrol.hpp"
#include "mother/mother.hpp"
#include "scene/fields.hpp"
#include "scene/slots.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

PatrolMove patrol_approach(World& world, Random& rnd, i16 target, i16 index) {
    i16& approach_range = world.approach_range;
    i16& approach_dir = world.approach_dir;

    if (target == kNoChick) return patrol_wander(world, rnd, index);
    if (!in_table(target)) return PatrolMove::target_lost;  // no such chick to help

    BroodRec& c = rec(world, index);
    const BroodRec& t = rec(world, target);
    if (t.kind == BroodKind::egg || t.footing != Footing::tumbling) return PatrolMove::target_lost;
    if (t.x > w16(c.x - 15) && t.x < w16(c.x + 15) && t.y > w16(c.y - 15) && t.y < w16(c.y + 15))
        return PatrolMove::caught;

    // The jump range sweeps up and down between 9 and 26.
    if (approach_range < 10) {
        approach_dir = 1;
        approach_range = 10;
    }
    if (approach_range > 25) approach_dir = -1;
    approach_range = approach_range + approach_dir;

    // Each axis jumps towards the target; a jump that passes it is taken back by the second
    // test, which sees the target on the other side.
    const int k = floor_int(static_cast<double>(rnd.draw()) * approach_range);
    if (t.y < c.y) c.y = c.y - k - 6;
    if (t.y > c.y) c.y = c.y + k + 6;

    const int k2 = floor_int(static_cast<double>(rnd.draw()) * approach_range);
    if (t.x < c.x) {
        c.facing = Facing::left;
        c.x = c.x - 6 - k2;
    }
    if (t.x > c.x) {
        c.facing = Facing::right;
        c.x = c.x + k2 + 6;
    }
    return PatrolMove::moving;
}

void patrol_carry(World& world, i16 index) {
    BroodRec& c = rec(world, index);
    const i16 v = patrol_target(c);
    if (!in_table(v)) {
        patrol_mode(c) = kPatrolFree;  // nothing to carry
        return;
    }
    BroodRec& held = rec(world, v);
    i16& count = world.rescuers[static_cast<std::size_t>(v)];

    if (held.footing == Footing::steady || held.anim == 0) {
        // Set down or gone: the rescuer is unassigned again, where it is.
        patrol_mode(c) = kPatrolFree;
        count = 0;
        return;
    }

    patrol_recruit(world, index);

    // Up 4 px a frame, holding the target 15 px above.
    held.x = c.x;
    c.y = c.y - 4;
    held.y = c.y - 15;
    c.tick = c.tick + 1;
    if (c.tick < 5) c.tick = 5;
    if (c.tick < 8) return;

    int s = c.sheet;
    int u = held.sheet;
    const int k = c.target_sheet;
    if (c.tick > 12) {
        if (s == k && u == k) {
            // Both show the target's colour again: the rescue is complete, and the rescuer
            // takes over the rescued chick's behaviour.
            count = 0;
            c.footing = Footing::steady;
            held.footing = Footing::steady;
            held.bumped = 0;
            c.state = held.state;
            c.sheet = static_cast<i16>(k);
            held.sheet = static_cast<i16>(k);
            return;
        }
        if (s != k) s = s + 1;
        if (u != k) u = u + 1;
    } else {
        s = s + 1;
        u = u + 1;
    }
    c.sheet = static_cast<i16>(s > kLastChickSheet ? kFirstChickSheet : s);
    held.sheet = static_cast<i16>(u > kLastChickSheet ? kFirstChickSheet : u);
}

i16 patrol_find_idle(const World& world) {
    const int first = world.clutch_first_slot < 0 ? 0 : world.clutch_first_slot;
    for (int j = first; j <= last_slot(world); ++j) {
        const BroodRec& p = rec(world, j);
        // An egg that will hatch as a patrol chick is not idle: the fields of a patrol's target
        // and mode are its laid x and roll distance, which an assignment would overwrite.
        if (p.state == Behaviour::patrol && p.anim > 0 && patrol_mode(p) == kPatrolFree &&
            p.kind != BroodKind::egg)
            return static_cast<i16>(j);
    }
    return -1;
}

void patrol_recruit(World& world, i16 index) {
    i16& scan_from = world.patrol_scan_from;
    // Serves the unserved tumbling chicks in index order, stopping at the first that already
    // has a rescuer (the chicks after it wait for a later call).
    for (;;) {
        const i16 exclude = patrol_target(rec(world, index));
        const i16 v = mother_next_chick(world, exclude, scan_from);
        if (v == -1 || !in_table(v)) return;
        i16& count = world.rescuers[static_cast<std::size_t>(v)];
        if (count >= 1) return;

        i16 r = patrol_find_idle(world);
        if (r == -1) r = mother_spawn_chick(world, index, Spawn::patrol);
        if (r == -1 || !in_table(r)) return;

        count = count + 1;
        BroodRec& recruit = rec(world, r);
        patrol_mode(recruit) = kPatrolApproaching;
        patrol_target(recruit) = v;
        recruit.target_sheet = rec(world, v).sheet;

        scan_from = v + 1;
        if (scan_from > world.brood_max) return;
    }
}

}  // namespace vorlip
