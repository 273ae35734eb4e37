// Sprouts: seeds sown by departing patrol chicks grow into shoots, branches, twigs and buds
// that are stamped for good into the background.
#pragma once

#include "scene/world.hpp"

namespace vorlip {

// sprout_cull clears the record now, or (any other value) only when it has left the screen; it
// returns true when the record had left the screen.
enum class Cull : i16 { if_out = 1, now = -1 };
// sprout_spawn_bud makes a bud now, or (any other value) only on the shoot's bud beat.
enum class Bud : i16 { on_beat = 0, now = 1 };

void sprout_init(World& world);
// A seed for a shoot rising from a little above the bottom edge, below x.
void sprout_sow(World& world, i16 x);
void sprout_grow(World& world, i16 index);
void sprout_bud_update(World& world, i16 index);
void sprout_spawn_bud(World& world, i16 index, Bud when);
bool sprout_cull(World& world, i16 index, Cull when);
i16 sprout_find_free(const World& world);

}  // namespace vorlip
