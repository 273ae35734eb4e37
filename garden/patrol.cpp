// The patrol (behaviour state 6). A patrol chick pairs with a tumbling chick and rescues it
// (garden/rescue.cpp); one with nothing to do walks back towards the mother, and either becomes
// an ordinary chick on her body or leaves the scene, now and then sowing a seed as it goes.
#include "garden/patrol.hpp"

#include "garden/sprouts.hpp"
#include "mother/mother.hpp"
#include "scene/fields.hpp"
#include "scene/slots.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

namespace {

// The patrol's flutter by anim 1..17: mostly eyes open and glancing, with a beak-open
// flourish at 13 to 16.
constexpr i16 kPatrolFrames[17] = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 1, 0};

i16 patrol_frame(i16 anim) {
    return anim < 1 || anim > 17 ? 0 : kPatrolFrames[anim - 1];
}

}  // namespace

i16 patrol_step(World& world, Random& rnd, i16 index) {
    u8& sow_count = world.sow_count;
    i16& sow_gap = world.sow_gap;
    BroodRec& c = rec(world, index);

    const i16 frame = patrol_frame(c.anim);
    c.frame = frame;
    c.anim = c.anim + 1;
    if (c.anim > 17) c.anim = 1;

    world.patrol_scan_from = 0;
    i16& mode = patrol_mode(c);

    if (mode == kPatrolCarrying) {
        patrol_carry(world, index);
        return frame;
    }

    if (mode == kPatrolFree) {
        // Pair with the nearest chick in trouble, unless five rescuers already head for it.
        i16 t = 0;
        if (mother_find_nearest_chick(world, t, c.x, c.y, Searcher::chick) && in_table(t) &&
            world.rescuers[static_cast<std::size_t>(t)] < 5) {
            i16& count = world.rescuers[static_cast<std::size_t>(t)];
            count = count + 1;
            mode = kPatrolApproaching;
            patrol_target(c) = t;
            c.target_sheet = rec(world, t).sheet;
        }
    }

    if (mode == kPatrolApproaching) {
        patrol_recruit(world, index);
        const i16 t = patrol_target(c);
        const PatrolMove r = patrol_approach(world, rnd, t, index);
        if (r == PatrolMove::caught) {
            // Caught: from now on it carries the target.
            mode = kPatrolCarrying;
            c.tick = 0;
            rec(world, t).footing = Footing::held;
            world.rescuers[static_cast<std::size_t>(t)] = -1;
        } else if (r == PatrolMove::target_lost) {
            // The target no longer needs help; an index outside the table has nothing to reset.
            if (in_table(t)) world.rescuers[static_cast<std::size_t>(t)] = 0;
            mode = kPatrolFree;
        }
        return frame;
    }

    const PatrolMove w =
        mode == kPatrolFree ? patrol_approach(world, rnd, kNoChick, index) : PatrolMove::moving;
    if (patrol_finish_wander(world, index, w) == PatrolMove::left_scene) {
        sow_count = static_cast<u8>(sow_count + 1);
        if (sow_count > sow_gap) {
            sow_count = 0;
            sow_gap = sow_gap + 2;
            if (sow_gap > 13) sow_gap = 1;
            // Below the middle of the departed chick's box.
            sprout_sow(world, w16(c.x + 36));
        }
    }
    return frame;
}

PatrolMove patrol_wander(World& world, Random& rnd, i16 index) {
    i16& wander_range = world.wander_range;
    i16& wander_sheet = world.wander_sheet;
    i16& wander_pace = world.wander_pace;
    BroodRec& c = rec(world, index);

    if (c.tick > 35) return PatrolMove::walk_over;

    wander_range = wander_range + 1;
    if (wander_range < 3 || wander_range > 5) wander_range = 3;
    const int step = floor_int(static_cast<double>(rnd.draw()) * wander_range);

    // Towards a point a little inside the mother's box; a tie moves left or up.
    const i16 goal_x = w16(world.mother_x + 24);
    const i16 goal_y = w16(world.mother_y + 24);
    c.x = goal_x > c.x ? c.x + step : c.x - step;
    c.y = goal_y > c.y ? c.y + step : c.y - step;

    // Late in its walk the chick flashes through the six colours.
    if (c.tick > 20 && c.tick % 4 == 0) {
        wander_sheet = wander_sheet + 1;
        if (wander_sheet < kFirstChickSheet || wander_sheet > kLastChickSheet)
            wander_sheet = kFirstChickSheet;
        c.sheet = wander_sheet;
    }

    wander_pace = wander_pace + 1;
    if (wander_pace > 2500) wander_pace = 1;
    if (wander_pace % 3 != 0) c.tick = c.tick + 1;
    return PatrolMove::moving;
}

PatrolMove patrol_finish_wander(World& world, i16 index, PatrolMove result) {
    BroodRec& c = rec(world, index);
    if (patrol_mode(c) != kPatrolFree || result != PatrolMove::walk_over) return PatrolMove::moving;

    i16 start = index;
    if (mother_overlap_chicks(world, start, Overlap::body)) {
        c.state = Behaviour::flock;  // on the mother: an ordinary chick from now on
        return PatrolMove::moving;
    }
    c.anim = 0;  // gone from the scene
    world.chicks_gone = world.chicks_gone + 1;
    return PatrolMove::left_scene;
}

}  // namespace vorlip
