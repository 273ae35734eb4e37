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

// A frame is made in this order: the stage's begin_frame (the background restored into the
// compose buffer), scene_step (the world updated and drawn), the stage's end_frame (what
// changed presented in the window).

// The scene's part of one frame: the frame counter, the flowers, the mother drawn, eggs, chicks
// and sprouts, the mother's update and the counts. It draws into a compose buffer the stage has
// begun a frame in; the stage's end presents it.
void scene_step(World& world, Random& rnd, Stage& stage);

// One whole frame on a screen of the world's size: begin_frame, scene_step, end_frame.
void play_frame(World& world, Random& rnd, Stage& stage);

// The frame step's handling of sprout i: its update, then its stamp into the background. Also
// for growing a plant outside a show.
void scene_step_sprout(World& world, Stage& stage, i16 i);

}  // namespace vorlip
