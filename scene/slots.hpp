// Reaching the tables by index, for every actor module.
//
// Callers keep their indices inside the table, but a world read back from a dump may hold any
// value in brood_max, clutch_first_slot, leader or a target field. An index outside the table
// is then treated as a slot that holds nothing and cannot be taken, so no value can reach past
// the table; for a world the show itself made, these checks change nothing.
#pragma once

#include <cstddef>

#include "scene/world.hpp"

namespace vorlip {

inline bool in_table(int i) {
    return i >= 0 && i < kBroodSlots;
}

// The record at i; only valid when in_table(i).
inline BroodRec& rec(World& world, int i) {
    return world.brood[static_cast<std::size_t>(i)];
}
inline const BroodRec& rec(const World& world, int i) {
    return world.brood[static_cast<std::size_t>(i)];
}

// The flower and sprout records at i; callers keep i inside their tables.
inline FlowerRec& flower(World& world, int i) {
    return world.flowers[static_cast<std::size_t>(i)];
}
inline const FlowerRec& flower(const World& world, int i) {
    return world.flowers[static_cast<std::size_t>(i)];
}
inline SproutRec& sprout(World& world, int i) {
    return world.sprouts[static_cast<std::size_t>(i)];
}
inline const SproutRec& sprout(const World& world, int i) {
    return world.sprouts[static_cast<std::size_t>(i)];
}

// The last index a scan over 0..brood_max may look at.
inline int last_slot(const World& world) {
    return world.brood_max < kBroodSlots - 1 ? world.brood_max : kBroodSlots - 1;
}

// A chick record in use.
inline bool live_chick(const World& world, int i) {
    return in_table(i) && rec(world, i).kind == BroodKind::chick && rec(world, i).anim > 0;
}

// A slot in the table and not in use.
inline bool free_slot(const World& world, int i) {
    return in_table(i) && rec(world, i).anim == 0;
}

}  // namespace vorlip
