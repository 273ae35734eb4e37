// The surfaces a show draws between: the compose buffer, the background buffer, the 16 sprite
// sheets and the saver window's image.
#pragma once

#include <array>

#include "scene/raster.hpp"

namespace vorlip {

// The saver window as the frame step sees it: an image that persists, and a refresh that puts
// that image on the screen. The shell gives one per platform; tools give an off-screen one.
class WindowImage {
  public:
    virtual ~WindowImage() = default;
    virtual Surface& image() = 0;
    virtual void refresh() = 0;
};

struct Stage {
    Surface scr_work;               // compose buffer: every frame is assembled here
    Surface scr_bkg;                // background: the desktop snapshot plus stamped sprouts
    std::array<Surface, 16> pat;    // the sprite sheets
    WindowImage* window = nullptr;  // where a finished frame is presented; none = not shown

    // Sizes both buffers to the screen (black) and loads the sheets.
    Stage(int screen_w, int screen_h);
    Stage() = default;
};

// Loads pat(0) to pat(15) from the sheets built into the program.
void load_sheets(std::array<Surface, 16>& pat);

}  // namespace vorlip
