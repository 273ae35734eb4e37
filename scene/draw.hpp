// scene_draw, the one routine every sprite is drawn through into the compose buffer, and
// scene_stamp, which stamps a sprout into the background for good.
#pragma once

#include "scene/stage.hpp"
#include "scene/world.hpp"

namespace vorlip {

// What is drawn: where the position comes from and how the sprite is composed. Any other value
// draws nothing.
enum class DrawMode : i16 {
    mother = 1,
    brood = 2,  // eggs and chicks
    hatching = 5,
    flower = 10,
};

void scene_draw(const World& world, Stage& stage, DrawMode mode, i16 index, i16 sheet, i16 frame,
                i16 width, i16 height);

// Stamps frame 0 of `sheet` at sprout `index`'s position into the background, ANDed with it.
void scene_stamp(const World& world, Stage& stage, i16 index, i16 sheet, i16 width, i16 height);

}  // namespace vorlip
