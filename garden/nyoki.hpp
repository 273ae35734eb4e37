// Sprouts: seeds sown by departing patrol chicks grow into shoots, branches, twigs and buds
// that are stamped for good into the background.
#pragma once

#include "scene/world.hpp"

namespace vorlip {

void nyoki_init(World& world);
void nyoki_sow(World& world, i16 x, i16 y);
i16 nyoki_grow(World& world, i16 index);
i16 nyoki_bud_update(World& world, i16 index);
void nyoki_spawn_bud(World& world, i16 index, i16 force);
i16 nyoki_cull(World& world, i16 index, i16 code);
i16 nyoki_find_free(const World& world);

}  // namespace vorlip
