// The nine chick behaviours: for each, the update the frame step runs for a chick in it. The
// update returns the frame to draw the chick with.
#pragma once

#include <array>

#include "chicks/chick.hpp"
#include "garden/patrol.hpp"
#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {

struct BehaviourRow {
    Behaviour state;
    i16 (*update)(World& world, Random& rnd, i16 i);
};

inline constexpr std::array<BehaviourRow, kBehaviourCount> kBehaviours = {{
    {Behaviour::surge, chick_surge},
    {Behaviour::flock, chick_flock},
    {Behaviour::wobble, chick_wobble},
    {Behaviour::sway, chick_sway},
    {Behaviour::glide, chick_glide},
    {Behaviour::hop, chick_hop},
    {Behaviour::patrol, patrol_step},
    {Behaviour::catcher, chick_catch},
    {Behaviour::knocker, chick_knock},
}};
static_assert(
    [] {
        for (int s = 0; s < kBehaviourCount; ++s)
            if (static_cast<int>(kBehaviours[static_cast<std::size_t>(s)].state) != s) return false;
        return true;
    }(),
    "kBehaviours is indexed by state");

// The row of `state`; none for a value outside the nine, which leaves a chick as it is.
inline const BehaviourRow* behaviour_of(Behaviour state) {
    const int s = static_cast<int>(state);
    return s >= 0 && s < kBehaviourCount ? &kBehaviours[static_cast<std::size_t>(s)] : nullptr;
}

}  // namespace vorlip
