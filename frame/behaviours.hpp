// The nine chick behaviours: for each state, its name and the update the frame step runs for a
// chick in that state. The update returns the frame to draw the chick with.
#pragma once

#include <array>

#include "chicks/chick.hpp"
#include "garden/patrol.hpp"
#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {

struct Behaviour {
    i16 state;
    const char* name;
    i16 (*update)(World& world, Random& rnd, i16 i);
};

inline constexpr std::array<Behaviour, kBehaviourCount> kBehaviours = {{
    {kSurge, "surge", chick_ordinary},
    {kFlock, "flock", chick_ordinary},
    {kWobble, "wobble", chick_ordinary},
    {kSway, "sway", chick_ordinary},
    {kGlide, "glide", chick_ordinary},
    {kHop, "hop", chick_ordinary},
    {kPatrol, "patrol", patrol_step},
    {kCatch, "catch", chick_catch},
    {kKnock, "knock", chick_knock},
}};
static_assert(
    [] {
        for (int s = 0; s < kBehaviourCount; ++s)
            if (kBehaviours[static_cast<std::size_t>(s)].state != s) return false;
        return true;
    }(),
    "kBehaviours is indexed by state");

// The behaviour of `state`; none for a value outside 0 to 8, which leaves a chick as it is.
inline const Behaviour* behaviour_of(i16 state) {
    return state >= 0 && state < kBehaviourCount ? &kBehaviours[static_cast<std::size_t>(state)]
                                                 : nullptr;
}

}  // namespace vorlip
