// Pictures on a test display: painting the desktop and the daemon's screenshot, reading back
// what a window shows, and telling the scene's mother from the desktop under it.
#pragma once

#include <X11/Xlib.h>

#include <functional>

#include "scene/raster.hpp"

namespace vorlip::e2e {

// A picture given pixel by pixel, in root coordinates.
using PictureFn = std::function<Pixel(int x, int y)>;

// A pixmap of the root's depth holding `f` over w x h, on `screen` (-1: the default one).
Pixmap make_pixmap(Display* dpy, int w, int h, const PictureFn& f, int screen = -1);

// What the window shows now (its children included), or an empty picture.
Surface window_picture(Display* dpy, Window w);

// Of a picture taken at (x, y) on the root: the pixels that are the desktop's (`desktop` in
// root coordinates), and, of the others, the grey and white ones of the mother.
struct SceneCount {
    int same = 0, mother = 0, total = 0;
};
SceneCount count_scene(const Surface& picture, int x, int y, const PictureFn& desktop);

}  // namespace vorlip::e2e
