// The X display as every X11 show holds it: the connection opened with patience, its error
// handling, the screen's root and visual, the primary monitor, and the pictures read from it.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "scene/raster.hpp"
#include "shell/x11/layout.hpp"

namespace vorlip::x11 {

struct Connection {
    // Opens the display named by $DISPLAY (with the error handlers set first). Without one,
    // `dpy` stays null: the lookups find nothing, so every start but the saver's still ends
    // normally, and measuring the screen says what is missing.
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* dpy = nullptr;
    Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    Rect primary;  // the primary monitor on the root, or the whole root
    Atom net_wm_name = 0;
    Atom utf8_string = 0;

    // Throws PlatformError when the display cannot be shown on: none is open, it has a palette
    // visual, or its primary screen is wider or taller than a 16-bit coordinate reaches.
    void check_usable() const;

    // Whether a window titled exactly `title` (WM_NAME or _NET_WM_NAME) exists anywhere in the
    // tree, hidden ones and those inside a window manager's frames included.
    bool window_titled(const std::string& title) const;
};

// The error code of the last X error since the previous reset. Errors are expected and harmless
// (a window that vanished during the title search); only the shared-memory check looks.
void reset_error();
int last_error();

// Copies a picture read from the display into `into` at (x, y), as far as both reach. A
// pixmap's picture carries no channel masks: `masks` stands in for them.
void copy_display_image(XImage& picture, Surface& into, int x, int y, const ChannelMasks& masks);

}  // namespace vorlip::x11
