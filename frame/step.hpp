// The top of the engine: the start of a show and one frame of it, in their fixed orders. They
// call into every actor module, so they sit above mother/, chicks/ and garden/.
#pragma once

#include "scene/random.hpp"
#include "scene/stage.hpp"
#include "scene/world.hpp"

namespace vorlip {

// Gives the world its start values for a show: the world's own (world_start), then the
// sprouts' start step, which draws nothing. screen_w and screen_h must already be set.
void scene_start(World& world, Random& rnd);

// One frame of the scene.
void scene_step(World& world, Random& rnd, Stage& stage);

// The frame step's handling of sprout i: its update, then its stamp into the background. Also
// for growing a plant outside a show.
void scene_step_sprout(World& world, Stage& stage, i16 i);

}  // namespace vorlip
