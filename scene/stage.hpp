// The surfaces a show draws between: the compose buffer, the background buffer, the 16 sprite
// sheets and the saver window's image.
#pragma once

#include <array>

#include "scene/cells.hpp"
#include "scene/damage.hpp"
#include "scene/raster.hpp"

namespace vorlip {

// The saver window as the end of a frame sees it: an image that persists, and a refresh that
// puts the given parts of that image on the screen. The shell gives one per platform; tools give an
// off-screen one.
class WindowImage {
  public:
    virtual ~WindowImage() = default;
    virtual Surface& image() = 0;
    virtual void refresh(const Damage& where) = 0;
    // Whether image() may hand over other memory between frames that already holds the last
    // frame refreshed (a window that alternates between buffers, bringing each up to date when
    // it is taken up again). A compose buffer that follows it then needs no whole frame.
    virtual bool moves_with_last_frame() const { return false; }
};

struct Stage {
    Surface compose;                 // compose buffer: every frame is assembled here
    Surface background;              // background: the desktop snapshot plus stamped sprouts
    std::array<Surface, 16> sheets;  // the sprite sheets
    SheetCells cells;                // where each of their cells is not ground
    WindowImage* window = nullptr;   // where a finished frame is presented; none = not shown

    // Where the pictures changed. A frame restores the background into the compose buffer
    // only where the last frame drew and where the background changed since, and presents
    // only that and what it draws itself: the picture is the same as if every frame copied
    // the whole screen both ways, which `full_frames` does instead (the reference path).
    bool full_frames = false;
    bool whole_next = true;    // the next frame restores and presents the whole screen
    Damage drawn;              // compose-buffer pixels drawn over the background this frame
    DrawnShapes drawn_shapes;  // the same, transfer by transfer, down to the sprites' shapes
    Damage bkg_changed;        // background pixels changed since the last restore
    DrawnShapes bkg_stamps;    // the same, stamp by stamp: what the restore copies
    Damage present;            // what the frame being made hands to the window
    Rect frame_screen;         // the screen the frame being made covers
    bool frame_whole = false;  // the frame being made restores and presents the whole screen

    // Sizes both buffers to the screen (black) and loads the sheets.
    Stage(int screen_w, int screen_h);
    Stage() = default;

    // Loads the sheets built into the program, and indexes them.
    void load_sheets();

    // A frame is made in three parts: begin_frame (the restore), the frame step (the world
    // updated and drawn into the compose buffer and the background), end_frame (the present).

    // Begins a frame: puts the background into the compose buffer over the whole screen, or
    // only where the compose buffer can differ from the background (the last frame's drawings,
    // down to the sprites' shapes, and the background's own changes since), which gives the
    // same picture. Then starts this frame's records of what it draws and stamps.
    void begin_frame(const Rect& screen);

    // Ends the frame begun last: presents what was restored and what was drawn in the window,
    // if there is one.
    void end_frame();

    // Something changed the background or the window's image between frames (a capture, a
    // new picture, a new window image): the next frame restores and presents the whole screen.
    void changed_everywhere() { whole_next = true; }

    // Puts the compose buffer where presenting it costs least: in the window's own image when
    // that has the compose buffer's size, so a finished frame is already where the window is
    // drawn from; in memory of its own otherwise. The picture is the same either way. When the
    // buffer moves its contents are unknown, so the next frame is made whole.
    void place_compose_buffer();

    // Sizes the compose buffer: straight into the window's image when that already has this
    // size, so no screen-sized memory of its own is ever filled only to be given up at the
    // first frame; memory of its own otherwise.
    void size_compose_buffer(int width, int height);
};

// Decodes the 16 sprite sheets built into the program.
void load_sheets(std::array<Surface, 16>& sheets);

}  // namespace vorlip
