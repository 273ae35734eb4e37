// scene_draw: the one routine every actor is drawn through.
#pragma once

#include "scene/stage.hpp"
#include "scene/world.hpp"

namespace vorlip {

// Draw modes: which buffer, where the position comes from and how the sprite is composed.
constexpr i16 kDrawMother = 1;
constexpr i16 kDrawPlayer = 2;  // eggs and chicks
constexpr i16 kDrawShoot = 3;
constexpr i16 kDrawBud = 4;
constexpr i16 kDrawHatching = 5;
constexpr i16 kDrawFlower = 10;

void scene_draw(const World& world, Stage& stage, i16 mode, i16 index, i16 sheet, i16 frame,
                i16 width, i16 height);

}  // namespace vorlip
