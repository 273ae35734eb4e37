// The chicks: energy and the leader, the one-step mover, contacts, bumps and tumbles, and the
// behaviour procedures of states 0 to 5, 7 and 8. Every behaviour returns the frame to draw.
#pragma once

#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {

// Record, energy and stepping.
void chick_move(World& world, i16 i, i16 dx, i16 dy);
i16 chick_check_leader(World& world, i16 i);
void chick_add_energy(World& world, i16 i, i16 amount);
void chick_turn(World& world, i16 i);
i16 chick_check_offscreen(World& world, i16 i);

// Contacts, bumps and tumbles.
i16 chick_find_contact(const World& world, i16 i, i16& other);
i16 chick_take_bump(World& world, Random& rnd, i16 i);
i16 chick_tumble(World& world, Random& rnd, i16 i, i16 touched);

// Behaviour states 0 to 5 (kSurge to kHop): one update of the ordinary behaviour that the
// chick's own state names.
i16 chick_ordinary(World& world, Random& rnd, i16 i);

// Behaviour states 7 and 8.
i16 chick_catch(World& world, Random& rnd, i16 i);  // kCatch
i16 chick_knock(World& world, Random& rnd, i16 i);  // kKnock
void chick_roam_step(World& world, i16 i);

}  // namespace vorlip
