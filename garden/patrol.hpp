// The patrol (behaviour state 6): rescuers that find tumbling chicks, carry them up, walk back
// to the mother or leave and sow seeds.
#pragma once

#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {

i16 patrol_step(World& world, Random& rnd, i16 index);
i16 patrol_wander(World& world, Random& rnd, i16 index);
i16 patrol_finish_wander(World& world, i16 index, i16 result);

// Rescue moves.
i16 patrol_approach(World& world, Random& rnd, i16 target, i16 index);
void patrol_carry(World& world, i16 index);
void patrol_recruit(World& world, i16 index);
i16 patrol_find_idle(const World& world);

}  // namespace vorlip
