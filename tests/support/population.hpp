// The population counters against the table: after every frame step egg_count must equal the
// live egg records and chick_count the live chick and hatching records, whoever made or removed
// them. Header-only, so any test program can use it.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>

#include "scene/world.hpp"

namespace vorlip::test {

struct Population {
    int eggs = 0;    // anim > 0, kind 1
    int chicks = 0;  // anim > 0, kind 2 or 5
};

inline Population count_population(const World& w) {
    Population p;
    for (std::size_t i = 0; i < w.brood.size(); ++i) {
        const BroodRec& r = w.brood[i];
        if (r.anim <= 0) continue;
        if (r.kind == BroodKind::egg) ++p.eggs;
        if (r.kind == BroodKind::chick || r.kind == BroodKind::hatching) ++p.chicks;
    }
    return p;
}

// Success when both counters agree with the table; otherwise says by how much they differ.
inline ::testing::AssertionResult counters_match_table(const World& w) {
    const Population p = count_population(w);
    if (p.eggs == w.egg_count && p.chicks == w.chick_count) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "frame_no " << w.frame_no << ": egg_count " << w.egg_count << " for " << p.eggs
           << " live eggs, chick_count " << w.chick_count << " for " << p.chicks
           << " live chicks and hatching eggs";
}

}  // namespace vorlip::test
