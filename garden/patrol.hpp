// The patrol (behaviour state 6): rescuers that find tumbling chicks, carry them up, walk back
// to the mother or leave and sow seeds.
#pragma once

#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {

// What the patrol's moves report.
constexpr i16 kMoving = 0;       // approaching, or walking back
constexpr i16 kCaught = 1;       // patrol_approach: the target is within reach
constexpr i16 kTargetLost = -1;  // patrol_approach: the target no longer needs help
constexpr i16 kWalkOver = -1;    // patrol_wander: the walk back is over
constexpr i16 kLeftScene = 2;    // patrol_finish_wander: the chick is gone, and may sow

i16 patrol_step(World& world, Random& rnd, i16 index);
i16 patrol_wander(World& world, Random& rnd, i16 index);
i16 patrol_finish_wander(World& world, i16 index, i16 result);

// Rescue moves.
i16 patrol_approach(World& world, Random& rnd, i16 target, i16 index);
void patrol_carry(World& world, i16 index);
void patrol_recruit(World& world, i16 index);
i16 patrol_find_idle(const World& world);

}  // namespace vorlip
