#include "shell/saver.hpp"

#include "frame/step.hpp"

namespace vorlip {

bool saver_switch(std::string_view arguments) {
    // Only the space character counts as leading blank; a tab is a character like any other.
    const std::size_t first = arguments.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    const std::string_view two = arguments.substr(first, 2);
    return two == "/S" || two == "/s";
}

i16 screen_pixels(double units, double units_per_pixel) {
    // A zero or broken measure gives a non-finite quotient, which round_even makes 0.
    return w16(round_even(units / units_per_pixel));
}

void saver_main(Saver& s) {
    Platform& platform = s.platform;

    // Another copy running, or the settings window open: end before anything exists.
    if (platform.saver_already_running()) return;

    if (!saver_switch(platform.command_line())) return;

    saver_begin(s);
}

void saver_begin(Saver& s) {
    Platform& platform = s.platform;
    ShellState& shell = s.shell;
    World& world = s.world;

    shell.running = true;
    shell.window_left = 0;
    shell.window_top = 0;
    const ScreenMeasure screen = platform.screen_size();
    world.screen_w = screen_pixels(screen.width, screen.units_per_pixel_x);
    world.screen_h = screen_pixels(screen.height, screen.units_per_pixel_y);

    saver_open_window(s);
}

void saver_place_control(Saver& s, Control control, i16 width, i16 height, i16 left, i16 top) {
    // The buffers are the stage's own surfaces: placing one sizes it. A size that wrapped
    // negative makes an empty buffer, which every transfer then skips.
    if (control == Control::compose) s.stage.size_compose_buffer(width, height);
    if (control == Control::background) s.stage.background.resize(width, height);
    s.platform.place_control(control, width, height, left, top);
}

void saver_open_window(Saver& s) {
    Platform& platform = s.platform;
    const ShellState& shell = s.shell;
    const i16 screen_w = s.world.screen_w;
    const i16 screen_h = s.world.screen_h;

    // Created hidden, with its children: the sheets come with the window.
    platform.create_window(kSaverTitle);
    s.stage.load_sheets();
    s.stage.window = &platform.window_image();

    // Wholly beyond the bottom-right corner of the screen, so that showing it to take the
    // focus puts nothing on the screen that the desktop capture could see.
    platform.resize_window(screen_w, screen_h);
    platform.move_window(screen_w, screen_h);

    saver_place_control(s, Control::focus_sink, 30, 30, -50, 0);

    platform.show_window();
    platform.focus_sink();
    platform.hide_window();

    platform.move_window(shell.window_left, shell.window_top);

    saver_place_control(s, Control::compose, screen_w, screen_h, 0, 0);
    saver_place_control(s, Control::background, screen_w, screen_h, 0, 0);

    platform.set_pointer(PointerImage::custom_empty);

    // What the first tick compares against is taken before the scene starts, so input during
    // the rest of the set-up ends the show at the first tick.
    platform.watch_input();

    saver_start_scene(s);

    platform.show_window();
    platform.make_topmost();
}

void saver_start_scene(Saver& s) {
    World& world = s.world;

    scene_start(world, s.rnd);

    // The window is hidden now, so the snapshot is the desktop alone.
    s.platform.capture_desktop(s.stage.background, world.screen_w, world.screen_h);
    s.stage.changed_everywhere();

    // The first frame goes into the window's image before the window is ever shown.
    play_frame(world, s.rnd, s.stage);
}

void saver_restart_scene(Saver& s, int width, int height) {
    World& world = s.world;
    // Nothing of the old show carries over: every table and counter is as at load.
    world = World{};
    world.screen_w = w16(width);
    world.screen_h = w16(height);
    s.platform.resize_window(world.screen_w, world.screen_h);
    saver_place_control(s, Control::compose, world.screen_w, world.screen_h, 0, 0);
    saver_place_control(s, Control::background, world.screen_w, world.screen_h, 0, 0);
    saver_start_scene(s);
}

void saver_end(Saver& s) {
    s.platform.set_pointer(PointerImage::system_default);
    s.platform.unload_window();
}

void saver_tick(Saver& s, bool force) {
    // One frame, whatever ends the show afterwards.
    play_frame(s.world, s.rnd, s.stage);

    // The input is checked after every frame, a forced end or not.
    const bool changed = s.platform.input_changed();
    if (force || changed) saver_end(s);
}

void on_click(Saver& s) {
    if (s.shell.running) saver_tick(s, true);
}

void on_key(Saver& s) {
    // Which key, with which modifiers, does not matter: any key ends the show.
    if (s.shell.running) saver_tick(s, true);
}

void on_tick(Saver& s) {
    if (s.shell.running) saver_tick(s, false);
}

Show begin_show(Platform& platform, Random& rnd, ShowStart start) {
    Show show;
    // The world is large: it lives on the heap, not on the stack of whoever starts a show.
    show.saver = std::make_unique<Saver>(platform, rnd);
    if (start == ShowStart::saver)
        saver_main(*show.saver);
    else
        saver_begin(*show.saver);
    show.events = std::make_unique<SaverEvents>(*show.saver);
    return show;
}

void run_show(Platform& platform, Random& rnd, ShowStart start) {
    Show show = begin_show(platform, rnd, start);
    // In saver mode the show now lives on the window's events; without a window this returns at
    // once.
    platform.run_events(*show.events);
}

void SaverEvents::end_requested() {
    // Only a window that exists delivers this, and it must go whatever the globals say.
    saver_end(s_);
}

}  // namespace vorlip
