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

// Shared by the patrol's own procedures: a record by index, and whether an index read from a
// record (a target) lies inside the players table at all.
inline PlayerRec& patrol_slot(World& world, i16 index) {
    return world.players[static_cast<std::size_t>(index)];
}
inline bool patrol_in_table(i16 index) {
    return index >= 0 && index < kPlayerSlots;
}

}  // namespace vorlip
