// The event loop of one X11 show: the window's events as they come, the 20 ms tick in between,
// and an end signal ending the show at its next turn.
#pragma once

#include <X11/Xlib.h>

#include "shell/platform.hpp"

namespace vorlip::x11 {

// What differs between the shows that run on the loop: the saver's own window, and a window a
// show was given.
class LoopHooks {
  public:
    virtual ~LoopHooks() = default;
    // Whether the show still has its window: the loop runs while it does.
    virtual bool window_exists() const = 0;
    // One event from the display.
    virtual void event(XEvent& e, WindowEvents& events) = 0;
    // Just before each tick is handed to the show.
    virtual void before_tick() {}
};

void run_loop(Display* dpy, LoopHooks& hooks, WindowEvents& events);

}  // namespace vorlip::x11
