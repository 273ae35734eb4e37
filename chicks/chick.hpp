// The chicks: energy and the leader, the one-step mover, contacts, bumps and tumbles, and the
// behaviour procedures of states 0 to 5, 7 and 8. Every behaviour returns the frame to draw.
#pragma once

#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {

// Record, energy and stepping.
void chick_move(World& world, i16 i, i16 dx, i16 dy);
// Where a chick stands against the leader after its energy is compared with the leader's mark.
enum class Lead : i16 { lags = -1, follows = 0, leads = 1 };
Lead chick_check_leader(World& world, i16 i);
void chick_add_energy(World& world, i16 i, i16 amount);
void chick_turn(World& world, i16 i);
// True when the chick has left the screen and its record was freed.
bool chick_check_offscreen(World& world, i16 i);

// Contacts, bumps and tumbles.
// Each true when it happened: a chick found touching (its index in `other`), a bump of the
// mother taken, a tumble step taken or a tumble begun (the chick does nothing else this update).
bool chick_find_contact(const World& world, i16 i, i16& other);
bool chick_take_bump(World& world, Random& rnd, i16 i);
bool chick_tumble(World& world, Random& rnd, i16 i, bool touched);

// The six ordinary behaviours, one update each.
i16 chick_surge(World& world, Random& rnd, i16 i);
i16 chick_flock(World& world, Random& rnd, i16 i);
i16 chick_wobble(World& world, Random& rnd, i16 i);
i16 chick_sway(World& world, Random& rnd, i16 i);
i16 chick_glide(World& world, Random& rnd, i16 i);
i16 chick_hop(World& world, Random& rnd, i16 i);

// The catcher and the knocker.
i16 chick_catch(World& world, Random& rnd, i16 i);
i16 chick_knock(World& world, Random& rnd, i16 i);
void chick_roam_step(World& world, i16 i);

}  // namespace vorlip
