// Flowers that chicks plant where they stand.
#pragma once

#include "scene/world.hpp"

namespace vorlip {

void flower_plant(World& world, i16 chick);
// First free flower slot in lo..hi, or -1; walks `lo` as its loop variable.
i16 flower_find_free(const World& world, i16& lo, i16 hi);
void flower_update(World& world, i16 index);

}  // namespace vorlip
