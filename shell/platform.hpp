// The services the saver shell needs from the system it runs on, and nothing more.
//
// The start-up, the window set-up and the tick are written once, over this interface
// (saver.cpp); each system gives one implementation: X11 (shell/x11/), Win32 (shell/win32/),
// Wayland (shell/wayland/), and a headless one for the tests (tests/support/headless_platform.hpp).
// Every operation is one thing the saver asks for in its own terms (is a saver already running,
// hide the window, give the focus sink the keyboard, did the input change, ...), so each maps
// onto a few calls of a windowing system, and each system answers in its own way: X11 and Win32
// look windows up by title and compare pointer and caret positions (shell/title_systems.hpp),
// Wayland holds a lock file and counts input events. Like the rest of the saver, the callers
// never examine results except where a result is the point (a lookup, a position, a size).
//
// Some calls mean something only where the saver covers the screen with a window of its own
// that it places, shows, focuses and watches for input. Those have a body here that does
// nothing (or answers the neutral value), so a show in a window it was given, or on a
// compositor's background layer, implements only what it does. No call makes anything as a side
// effect of a question.
#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "scene/raster.hpp"
#include "scene/rules.hpp"
#include "scene/stage.hpp"

namespace vorlip {

// A position as the system reports it: two 32-bit signed integers, x then y.
struct PointI32 {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const PointI32&) const = default;
};

// The primary screen as the system measures it: its size in the system's own units and how many
// of those units make one pixel along each axis (1 for a system that counts in pixels).
struct ScreenMeasure {
    double width = 0;
    double height = 0;
    double units_per_pixel_x = 1;
    double units_per_pixel_y = 1;
};

// The children of the saver window that the set-up places. The two buffers are the stage's
// surfaces; a system that keeps them in plain memory only needs to note where they are.
enum class Control { focus_sink, compose, background };

// The two pointer images the saver window ever has: the empty one it shows while running, and
// the system's default one it gives back at the end.
enum class PointerImage { custom_empty, system_default };

// The show's one cadence: a frame every 20 ms, on every system.
inline constexpr std::chrono::milliseconds kTick{20};

// What the saver window's events call. The system delivers them one at a time, from its event
// loop only, never while a handler is still running.
class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    virtual void timer_tick() = 0;  // the 20 ms timer fell due
    virtual void click() = 0;       // a mouse button on the window
    virtual void key_down() = 0;    // a key on the focus sink; which one does not matter
    // The system wants the show over (a termination signal, the window destroyed from outside):
    // end it as an input would, without one more frame.
    virtual void end_requested() = 0;
    // The window was resized from outside (a window the show was given, not the saver's own):
    // the show starts again at the new size.
    virtual void resized(int width, int height) = 0;
};

// Thrown by an implementation when the system cannot give a service at all (no display to
// measure, for one). The program turns it into a one-line message.
class PlatformError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Platform {
  public:
    virtual ~Platform() = default;

    // --- start-up
    // The single-instance guard, asked once before anything else: whether a saver already runs
    // (or its settings are open), so that this start must end at once.
    // A system whose shows never run more than one at a time (a window a daemon gives) keeps
    // the answer no.
    virtual bool saver_already_running() { return false; }
    // The argument string: the text after the program name.
    virtual std::string command_line() = 0;
    // The primary screen's size.
    virtual ScreenMeasure screen_size() = 0;

    // --- the saver window
    // Creates the window with its children, hidden, titled `title`. Its timer runs from here
    // on, but no event is delivered before run_events.
    virtual void create_window(const std::string& title) = 0;
    // The window's outer size and position, in pixels, relative to the primary screen's
    // top-left corner.
    virtual void resize_window(int width, int height) = 0;
    // The rest of the window's placing and showing: where the window is placed but never put
    // on the screen before make_topmost, none of it shows.
    virtual void move_window(int /*left*/, int /*top*/) {}
    // Sets a child's width, height, left and top.
    virtual void place_control(Control /*control*/, int /*width*/, int /*height*/, int /*left*/,
                               int /*top*/) {}
    virtual void show_window() {}
    virtual void hide_window() {}
    // Gives the focus sink the keyboard: from now on key presses reach key_down. A show that
    // takes no keys leaves it.
    virtual void focus_sink() {}
    // A show whose pointer is not its own to hide leaves it.
    virtual void set_pointer(PointerImage /*image*/) {}
    // Puts the window above every other window, shown, without moving, sizing or activating it.
    virtual void make_topmost() = 0;
    // The window's persistent image (sized with the window); its refresh puts it on the screen.
    virtual WindowImage& window_image() = 0;
    // Destroys the window, its children and its timer; run_events then returns.
    virtual void unload_window() = 0;

    // --- input
    // Starts watching the input, once, before the scene starts: what the first check compares
    // against is what is seen now, so input during the rest of the set-up ends the show at the
    // first tick.
    // A show that no input ends leaves both: nothing is watched, nothing ever changed.
    virtual void watch_input() {}
    // Whether the input changed since the previous check (or since watch_input): asked once
    // after every frame. Clicks and keys come as events of their own.
    virtual bool input_changed() { return false; }

    // --- the desktop
    // Copies the rectangle (0, 0, width, height) of the desktop as it is on the screen into
    // `into` at (0, 0). Parts outside either are left alone.
    virtual void capture_desktop(Surface& into, int width, int height) = 0;

    // --- events
    // Delivers the window's events until the window is unloaded; returns at once if there is
    // no window.
    virtual void run_events(WindowEvents& events) = 0;
};

}  // namespace vorlip
