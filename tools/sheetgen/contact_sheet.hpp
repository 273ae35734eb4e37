// The contact sheet: every frame of the 16 sprite sheets on one picture, for people to look at.
//
// Each frame is shown enlarged 3x on a checkerboard, and at 1:1 composed by the scene's own
// drawing routine over a light and a dark desktop patch (the chicks also as a patrol chick's
// see-through tint). Flowers are also shown at the sizes the show stretches them to, upside
// down included; seeds and buds are stamped into a little plant grown by the show's sprout code.
#pragma once

#include <array>
#include <string>

#include "scene/raster.hpp"

namespace vorlip {

// Draws `text` with the built-in 3 x 5 pixel font, each font pixel `scale` x `scale`, with its
// top-left corner at (x, y). Letters are upper case; characters the font lacks show as a box.
// Returns the width drawn.
int draw_text(Surface& s, int x, int y, const std::string& text, int scale, Pixel colour);

// The width draw_text would use.
int text_width(const std::string& text, int scale);

// Lays out and draws the contact sheet of the given sheets.
Surface make_contact_sheet(const std::array<Surface, 16>& sheets);

// Reads sheetNN.bmp (00 to 15) from a folder. On failure says which one and why.
bool read_sheet_folder(const std::string& dir, std::array<Surface, 16>& sheets, std::string& error);

}  // namespace vorlip
