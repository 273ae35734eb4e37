// Helpers shared by the test programs.
#pragma once

#include <initializer_list>
#include <string>

#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip::test {

// A world on a screen_w x screen_h screen with its start values, using `rnd` for the draws.
World started_world(int screen_w, int screen_h, Random& rnd);

// A world at load (all zero) with the screen size and the start values that do not draw:
// the usual base for driving one procedure by hand.
World plain_world(int screen_w = 1024, int screen_h = 768);

// A scripted source from a list of draws.
ScriptedRandom script(std::initializer_list<float> draws);

// Where a failing test may write pictures for a person to look at.
std::string out_dir();

}  // namespace vorlip::test
