// What a brood record's shared fields mean for one kind or state. The record keeps its field
// names, which are the world's layout; these accessors reach a field by the meaning it has where
// it is used. Each gives the field itself, to read or to write.
#pragma once

#include <concepts>
#include <type_traits>

#include "scene/world.hpp"

namespace vorlip {

template <class R>
concept Player = std::same_as<std::remove_const_t<R>, BroodRec>;

#define VORLIP_FIELD_MEANING(meaning, field) \
    template <Player R>                      \
    constexpr auto& meaning(R& p) {          \
        return p.field;                      \
    }

// An egg: the x it was laid at, and how far it rolls from there before it hatches.
VORLIP_FIELD_MEANING(egg_laid_x, aux1)
VORLIP_FIELD_MEANING(egg_roll_distance, aux2)

// A hatching egg: the updates left before it is a chick, and where its growing
// sprite is drawn.
VORLIP_FIELD_MEANING(hatch_updates_left, bumped)
VORLIP_FIELD_MEANING(hatch_draw_x, flap)
VORLIP_FIELD_MEANING(hatch_draw_y, tick)

// A surging chick: whether it may rest or is resting, and the rest time left.
VORLIP_FIELD_MEANING(rest_mark, aux1)
VORLIP_FIELD_MEANING(rest_left, aux2)
constexpr i16 kMayRest = 1;  // bumped since its last rest: it rests at its next contact
constexpr i16 kResting = -1;
constexpr i16 kRested = -2;  // cannot rest again until the next bump

// A patrol chick: the chick it is helping, and what it is doing about it.
VORLIP_FIELD_MEANING(patrol_target, aux1)
VORLIP_FIELD_MEANING(patrol_mode, aux2)
constexpr i16 kNoChick = -1;    // a target that names no chick
constexpr i16 kPatrolFree = 0;  // looks for a chick in trouble, or walks back to the mother
constexpr i16 kPatrolApproaching = 1;
constexpr i16 kPatrolCarrying = -1;

#undef VORLIP_FIELD_MEANING

}  // namespace vorlip
