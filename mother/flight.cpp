// The mother's flight: hovering and gliding in a paced rhythm, heading for tumbling chicks,
// the drop once she touches one, the landing on the bottom edge and the take-off hop.
#include <array>

#include "mother/mother.hpp"
#include "scene/fields.hpp"
#include "scene/slots.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

namespace {

// Wing-beat phases 1..11 give frames 0..5 and back.
constexpr std::array<i16, 11> wing_frames = {0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 0};

}  // namespace

i16 mother_update(World& world, Random& rnd) {
    i16& hop_phase = world.hop_phase;
    i16& pace = world.pace;
    i16& pace_extra = world.pace_extra;
    i16& turn_odds = world.turn_odds;
    i16& fall_speed = world.fall_speed;

    // 1-2. The wings beat all the time.
    const i16 flap = world.mother_flap;
    const i16 frame = flap >= 1 && flap <= 11 ? wing_frames[static_cast<std::size_t>(flap - 1)] : 0;
    world.mother_flap = w16(world.mother_flap + 1);
    if (world.mother_flap > 11) world.mother_flap = 1;

    // 3. The odds of turning back slowly fall and start again.
    turn_odds = w16(turn_odds + 2);
    if (turn_odds < 150 || turn_odds > 250) turn_odds = 150;

    // 4-5. The pace cycle: she hovers at its start and speeds up by one every 20 frames.
    pace = w16(pace + 1);
    if (pace > w16(pace_extra + 10)) {
        pace = 1;
        pace_extra = w16(floor_int(rnd.draw() * static_cast<double>(world.pace_range)));
    }
    const i16 speed = w16(floor_int(pace * 0.05));
    const i16 moving = speed > 0 ? 1 : 0;

    // 6. Part of the hop height.
    hop_phase = w16(hop_phase - 1);
    if (hop_phase < 0) hop_phase = 55;

    // 7-8. The hop off the ground; it bumps every chick in the column below her.
    const i16 takeoff = world.mother_takeoff;
    world.mother_takeoff = 0;
    if (takeoff == 1) {
        world.mother_y =
            w16(world.mother_y -
                floor_int(rnd.draw() * static_cast<double>(w16(world.lay_odds + hop_phase + 145))));
        i16 start = kScanAllChicks;
        world.mother_hit = mother_overlap_chicks(world, start, Overlap::column) ? 1 : 0;
        return frame;
    }

    // 9. Landed: she stands this frame and hops at the next.
    if (world.mother_y >= w16(world.screen_h - kMotherCell)) {
        world.mother_mode = MotherMode::flying;
        world.mother_takeoff = 1;
        return frame;
    }

    if (world.mother_mode != MotherMode::flying) {
        // 11. Dropping straight down, faster every frame.
        world.mother_y = w16(world.mother_y + fall_speed + moving + 5);
        fall_speed = w16(fall_speed + 1);
        return frame;
    }

    // 10. Flying.
    world.mother_y = w16(world.mother_y - moving);
    fall_speed = 0;
    // The target test moves mother_target on to the chick it tested; it is cleared below.
    if (world.mother_target >= 0)
        world.mother_hit = mother_overlap_chicks(world, world.mother_target, Overlap::body) ? 1 : 0;
    if (world.mother_y <= 0 || world.mother_hit == 1) world.mother_mode = MotherMode::dropping;
    world.mother_target = kNoChick;
    if (world.mother_hit == 0) {
        i16 nearest = 0;
        if (mother_find_nearest_chick(world, nearest, world.mother_x, world.mother_y,
                                      Searcher::mother))
            world.mother_target = nearest;
    }
    if (world.mother_target != kNoChick && speed > 0)
        mother_steer_to_chick(world, world.mother_target);

    if (world.mother_dir == Facing::right)
        world.mother_x = w16(world.mother_x + speed);
    else
        world.mother_x = w16(world.mother_x - speed);
    if (world.mother_x > w16(world.screen_w - 100)) world.mother_dir = Facing::left;
    if (world.mother_x < -20) world.mother_dir = Facing::right;

    // Only while she hovers with nobody to help does she lay and think of turning back.
    if (speed == 0 && world.mother_target < 0) {
        mother_lay_eggs(world, rnd);
        if (floor_int(rnd.draw() * static_cast<double>(turn_odds)) == 0)
            world.mother_dir = world.mother_dir == Facing::right ? Facing::left : Facing::right;
    }
    return frame;
}

void mother_steer_to_chick(World& world, i16 index) {
    if (!in_table(index)) return;
    const BroodRec& c = rec(world, index);
    const i16 mother_centre = w16(world.mother_x + kMotherCell / 2);
    const i16 chick_centre = w16(c.x + kChickCell / 2);
    if (c.y < world.mother_y) world.mother_y = w16(world.mother_y - 1);
    if (c.y > w16(world.mother_y + 15)) world.mother_y = w16(world.mother_y + 5);
    if (chick_centre > w16(mother_centre + 20)) world.mother_dir = Facing::right;
    if (chick_centre < w16(mother_centre - 20)) world.mother_dir = Facing::left;
}

}  // namespace vorlip
