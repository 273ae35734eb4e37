#include "scene/world.hpp"

namespace vorlip {

void world_start(World& world, Random& rnd) {
    world.colour_steps_left = 5;
    world.colour_run_len = 5;
    world.colour_run_step = -1;
    world.mother_target = -1;
    world.brood_max = 39;
    world.egg_count = 0;
    world.chick_count = 0;
    world.frame_no = 1;
    world.clutch_first_slot = 25;
    world.colour_run_left = 6;
    world.lay_odds = 55;
    world.pace_range = 80;
    world.mother_flap = 1;
    world.mother_hit = 0;

    // The mother starts somewhere in the upper left three quarters of the screen.
    world.mother_x = w16(round_even(floor_int(world.screen_w * 0.1) + rnd.draw() * 700.0));
    const i32 right_limit = floor_int(world.screen_w * 0.75);
    if (right_limit < world.mother_x) world.mother_x = w16(right_limit);

    world.mother_y = w16(round_even(floor_int(world.screen_h * 0.1) + rnd.draw() * 500.0));
    const i32 low_limit = floor_int(world.screen_h * 0.75);
    if (low_limit < world.mother_y) world.mother_y = w16(low_limit);

    world.mother_mode = MotherMode::flying;
    world.mother_dir = floor_int(rnd.draw() * 2.0) == 0 ? Facing::right : Facing::left;
}

}  // namespace vorlip
