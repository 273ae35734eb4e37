// scene_step: one frame of the scene, in its fixed order.
#pragma once

#include "scene/random.hpp"
#include "scene/stage.hpp"
#include "scene/world.hpp"

namespace vorlip {

void scene_step(World& world, Random& rnd, Stage& stage);

}  // namespace vorlip
