// A desktop-like picture for headless runs: what the saver would have captured.
#pragma once

#include "scene/raster.hpp"

namespace vorlip {

// Paints a calm desktop (wallpaper gradient, two windows, icons, a task bar) over all of s.
void paint_backdrop(Surface& s);

}  // namespace vorlip
