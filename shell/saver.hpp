// The saver shell: the start-up with its single-instance guard and mode switch, the saver
// window's set-up over a snapshot of the desktop, and the tick that runs the scene and ends the
// show on any input. Written once, over the Platform interface.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "scene/random.hpp"
#include "scene/rules.hpp"
#include "scene/stage.hpp"
#include "scene/world.hpp"
#include "shell/platform.hpp"
#include "shell/title_systems.hpp"

namespace vorlip {

// The shell's own globals. They are not part of the scene, so they live here and not in World
// (which holds screen_w and screen_h, set by the start-up).
struct ShellState {
    bool running = false;  // set by the saver mode; the handlers do nothing otherwise
    i16 window_left = 0;
    i16 window_top = 0;

    bool operator==(const ShellState&) const = default;
};

// One saver process: the system it runs on, its random source, the world, the shell globals and
// the window's surfaces.
struct Saver {
    Saver(Platform& p, Random& r) : platform(p), rnd(r) {}
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    Platform& platform;
    Random& rnd;
    World world;
    ShellState shell;
    Stage stage;
};

// The mode switch: true when the argument string asks for the saver, that is when its first
// two characters after any leading spaces are "/S" or "/s". Everything else is not the saver.
bool saver_switch(std::string_view arguments);

// A screen length in the system's units, in whole pixels (nearest, halves to even), as a 16-bit
// value.
i16 screen_pixels(double units, double units_per_pixel);

void saver_main(Saver& s);
// saver_main's saver mode: the screen measured, then the window opened over it. A show in a window
// someone else chose (the screen saver daemon's, or one asked for on the command line) starts
// here, past the guard and the mode switch.
void saver_begin(Saver& s);
// A new show at a new screen size, in the window that is already there: the world as at load,
// the buffers and the window's image at the new size, a fresh capture and the first frame.
void saver_restart_scene(Saver& s, int width, int height);
void saver_open_window(Saver& s);
void saver_place_control(Saver& s, Control control, i16 width, i16 height, i16 left, i16 top);
void saver_start_scene(Saver& s);
void saver_tick(Saver& s, bool force);

// The window's event handlers.
void on_click(Saver& s);
void on_key(Saver& s);
void on_tick(Saver& s);

// The end of the show, as an input ends it: the default pointer back, then the window unloaded.
void saver_end(Saver& s);

// Routes the window's events to the handlers above.
class SaverEvents : public WindowEvents {
  public:
    explicit SaverEvents(Saver& s) : s_(s) {}
    void timer_tick() override { on_tick(s_); }
    void click() override { on_click(s_); }
    void key_down() override { on_key(s_); }
    void end_requested() override;
    void resized(int width, int height) override { saver_restart_scene(s_, width, height); }

  private:
    Saver& s_;
};

// How a program's show starts: through the saver's own start-up, with its guard and mode switch
// (the "/s" of a saver program), or straight at the measure of the screen, in a window the
// show was given (a daemon's, or one of its own for trying it out).
enum class ShowStart { saver, given_window };

// One show from start to end, as every program runs it (the Unix and the Windows one alike):
// started as `start` says, then living on its window's events until the window goes. Returns at
// once when the start ends before a window exists (another saver running, another switch).
void run_show(Platform& platform, Random& rnd, ShowStart start);

// The same show started and handed to its window's events, for a system that runs several
// shows on one event loop (a background on every output): the caller runs the loop.
struct Show {
    std::unique_ptr<Saver> saver;
    std::unique_ptr<SaverEvents> events;
};
Show begin_show(Platform& platform, Random& rnd, ShowStart start);

}  // namespace vorlip
