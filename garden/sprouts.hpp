// Sprouts: seeds sown by departing patrol chicks grow into shoots, branches, twigs and buds
// that are stamped for good into the background.
#pragma once

#include "scene/world.hpp"

namespace vorlip {

// sprout_cull's `code`: clear the record only when it has left the screen, or clear it now.
// It returns kCulledOut when the record had left the screen.
constexpr i16 kCullIfOut = 1;
constexpr i16 kCullNow = -1;
constexpr i16 kCulledOut = -1;
// sprout_spawn_bud's `force`: a bud now, or only on the shoot's bud beat.
constexpr i16 kBudOnBeat = 0;
constexpr i16 kBudNow = 1;

void sprout_init(World& world);
void sprout_sow(World& world, i16 x, i16 y);
i16 sprout_grow(World& world, i16 index);
i16 sprout_bud_update(World& world, i16 index);
void sprout_spawn_bud(World& world, i16 index, i16 force);
i16 sprout_cull(World& world, i16 index, i16 code);
i16 sprout_find_free(const World& world);

}  // namespace vorlip
