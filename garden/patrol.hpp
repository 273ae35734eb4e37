// The patrol (behaviour state 6): rescuers that find tumbling chicks, carry them up, walk back
// to the mother or leave and sow seeds.
#pragma once

#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {

// What the patrol's moves report. A walk back that is over and a target that is lost are the
// same answer: the chick is free for something else.
enum class PatrolMove : i16 {
    moving = 0,        // approaching, or walking back
    caught = 1,        // patrol_approach: the target is within reach
    target_lost = -1,  // patrol_approach: the target no longer needs help
    walk_over = -1,    // patrol_wander: the walk back is over
    left_scene = 2,    // patrol_finish_wander: the chick is gone, and may sow
};

i16 patrol_step(World& world, Random& rnd, i16 index);
PatrolMove patrol_wander(World& world, Random& rnd, i16 index);
PatrolMove patrol_finish_wander(World& world, i16 index, PatrolMove result);

// Rescue moves.
PatrolMove patrol_approach(World& world, Random& rnd, i16 target, i16 index);
void patrol_carry(World& world, i16 index);
void patrol_recruit(World& world, i16 index);
i16 patrol_find_idle(const World& world);

}  // namespace vorlip
