// vorlip: the saver program. "vorlip /s" covers the screen with a living copy of the desktop
// until the mouse moves or a key or button is pressed; every other switch ends at once.
// It also plays the show in a window a screen saver daemon gives it (--root, --window-id,
// $XSCREENSAVER_WINDOW) or in a window of its own (--window).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scene/random.hpp"
#include "shell/arguments.hpp"
#include "shell/launch.hpp"
#include "shell/posix/end_signals.hpp"
#include "shell/posix/gnome_idle.hpp"
#include "shell/posix/idle_loop.hpp"
#include "shell/posix/session_bus.hpp"
#include "shell/saver.hpp"
#include "shell/x11/hack_platform.hpp"
#include "shell/x11/idle_source.hpp"
#include "shell/x11/saver_platform.hpp"
#ifdef VORLIP_HAVE_WAYLAND
#include "shell/wayland/connection.hpp"
#include "shell/wayland/desktop_bus.hpp"
#include "shell/wayland/idle_source.hpp"
#include "shell/wayland/view.hpp"
#endif

namespace {

using vorlip::Launch;

// A way to run the program's show on one system: nothing when the system is not there (the
// next one is tried), else the program's exit status.
using Backend = std::optional<int> (*)(const Launch& launch, int argc, char** argv);

#ifdef VORLIP_HAVE_WAYLAND
bool set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The saver, or a background on every output (--root), natively on a Wayland compositor that
// offers the layer shell, or (the saver only) xdg-shell's toplevels.
std::optional<int> run_wayland(const Launch& launch, int argc, char** argv) {
    // The saver and the background of the real root run here; a show in a given X window (or a
    // window of its own) is an X11 matter.
    const bool ours = launch.kind == Launch::Kind::mode_switch ||
                      (launch.kind == Launch::Kind::hack && launch.window_id == 0);
    if (!ours || !(set("WAYLAND_DISPLAY") || set("WAYLAND_SOCKET"))) return std::nullopt;
    auto connection = vorlip::WaylandConnection::open();
    if (!connection) return std::nullopt;
    const std::string arguments = vorlip::join_arguments(argc, argv);
    vorlip::ClockRandom rnd;
    try {
        if (launch.kind == Launch::Kind::mode_switch) {
            vorlip::WaylandSaverView view(*connection, 0, arguments);
            vorlip::run_show(view, rnd, vorlip::ShowStart::saver);
            return 0;
        }
        // A background lives on the layer shell's background layer. Without it (GNOME) there
        // is nowhere to put one: X11's root window there is Xwayland's, which nobody sees.
        if (!connection->has_layer_shell()) {
            std::fputs(
                "vorlip: --root needs a compositor with the layer shell (wlr-layer-shell); this "
                "one offers none\n",
                stderr);
            return 1;
        }
        // One background show per display: a second one ends at once, as the saver's guard
        // ends a second saver.
        if (!connection->hold_lock(vorlip::LockKind::background)) return 0;
        // One show on each output's background, all on the one connection, and one more on
        // each output that appears.
        std::vector<std::unique_ptr<vorlip::WaylandView>> views;
        std::vector<vorlip::Show> shows;
        const auto show_on = [&](int output) {
            views.push_back(std::make_unique<vorlip::WaylandView>(*connection, output, arguments));
            shows.push_back(
                vorlip::begin_show(*views.back(), rnd, vorlip::ShowStart::given_window));
            views.back()->deliver_to(*shows.back().events);
        };
        for (int k = 0; k < connection->output_count(); ++k) show_on(k);
        connection->on_new_output(show_on);
        connection->run();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorlip: %s\n", e.what());
        return 1;
    }
}

// --allow-desktop-picture: the desktop portal asks its user, in its own dialog, whether vorlip
// may take screenshots, and keeps the answer; the saver then shows the desktop under the scene.
// vorlip never stores the leave itself.
int allow_desktop_picture() {
    std::string why;
    auto bus = vorlip::open_desktop_bus(why);
    if (!bus) {
        std::fprintf(stderr,
                     "vorlip: --allow-desktop-picture needs the desktop's session bus: %s\n",
                     why.c_str());
        return 1;
    }
    if (bus->screenshot_allowed()) {
        std::puts("vorlip: the desktop picture is allowed already");
        return 0;
    }
    // A screenshot without the interactive screen picker: that is what the leave is for, and
    // what the portal asks about. The user may take a while to answer.
    const std::string file = bus->portal_screenshot(300, why);
    if (file.empty()) {
        std::fprintf(stderr, "vorlip: the desktop picture was not allowed: %s\n", why.c_str());
        return 1;
    }
    std::remove(file.c_str());
    if (!bus->screenshot_allowed()) {
        std::fputs("vorlip: the desktop gave one picture but keeps no leave for the next\n",
                   stderr);
        return 1;
    }
    std::puts("vorlip: allowed: the saver shows the desktop under the scene from now on");
    return 0;
}
#else
int allow_desktop_picture() {
    std::fputs("vorlip: --allow-desktop-picture needs the Wayland build\n", stderr);
    return 1;
}
#endif

// The saver's own window, or a show in a window it is given, on an X display. Always there: it
// is the last one tried, and it says what is missing when there is no display either.
std::optional<int> run_x11(const Launch& launch, int argc, char** argv) {
    try {
        std::unique_ptr<vorlip::Platform> platform;
        if (launch.kind == Launch::Kind::mode_switch)
            platform = std::make_unique<vorlip::X11SaverPlatform>(argc, argv);
        else
            platform = std::make_unique<vorlip::X11HackPlatform>(
                argc, argv, launch.window_id, launch.kind == Launch::Kind::window);
        vorlip::ClockRandom rnd;
        vorlip::run_show(*platform, rnd,
                         launch.kind == Launch::Kind::mode_switch
                             ? vorlip::ShowStart::saver
                             : vorlip::ShowStart::given_window);
    } catch (const std::exception& e) {
        // The platform's destructor has given the desktop back by now.
        std::fprintf(stderr, "vorlip: %s\n", e.what());
        return 1;
    }
    return 0;
}

// The systems, tried in this order. A Wayland compositor first, even with DISPLAY set as well:
// on a Wayland session DISPLAY names Xwayland, whose root shows no Wayland window, so a capture
// there is black and the saver's X window covers nothing the compositor draws itself. X11
// last, for X sessions and for compositors that offer neither the layer shell nor toplevels.
constexpr Backend kBackends[] = {
#ifdef VORLIP_HAVE_WAYLAND
    run_wayland,
#endif
    run_x11,
};

// The idle watcher: the first source that is there (the compositor's, GNOME's, the X server's),
// one watcher per display, and the session bus for the inhibitions when there is one.
int run_idle(const Launch& launch, const char* argv0) {
    const std::chrono::milliseconds timeout(std::int64_t(launch.idle_seconds) * 1000);
    std::unique_ptr<vorlip::posix::IdleSource> source;
    bool alone = true;
    std::string looked;
    std::string why;
#ifdef VORLIP_HAVE_WAYLAND
    if (set("WAYLAND_DISPLAY") || set("WAYLAND_SOCKET")) {
        source = vorlip::open_wayland_idle_source(timeout, why);
        if (source)
            alone = vorlip::claim_wayland_idle_watcher(*source);
        else
            looked += "ext-idle-notify or org_kde_kwin_idle: " + why + "; ";
    } else {
        looked += "ext-idle-notify or org_kde_kwin_idle: WAYLAND_DISPLAY is unset; ";
    }
#endif
    if (!source) {
        source = vorlip::posix::open_gnome_idle_source(timeout, alone, why);
        if (!source) looked += "GNOME's idle monitor: " + why + "; ";
    }
    if (!source) {
        source = vorlip::x11::open_idle_source(timeout, why);
        if (source)
            alone = vorlip::x11::claim_idle_watcher(*source);
        else
            looked += "MIT-SCREEN-SAVER: " + why;
    }
    if (!source) {
        std::fprintf(stderr, "vorlip: no way to learn of idleness: %s\n", looked.c_str());
        return 1;
    }
    if (!alone) return 0;  // this display has its watcher
    std::fprintf(stderr, "vorlip: watching for %d s of idleness through %s\n", launch.idle_seconds,
                 source->name());
    std::unique_ptr<vorlip::posix::SessionBus> bus = vorlip::posix::open_session_bus(why);
    if (bus)
        std::fprintf(stderr, "vorlip: %s\n", bus->role().c_str());
    else
        std::fprintf(stderr, "vorlip: %s: nothing can hold the show off\n", why.c_str());
    return vorlip::posix::run_idle_loop(*source, bus.get(), vorlip::posix::own_program(argv0));
}

}  // namespace

int main(int argc, char** argv) {
    const Launch launch = vorlip::parse_launch(std::vector<std::string>(argv + 1, argv + argc),
                                               std::getenv("XSCREENSAVER_WINDOW"));
    if (launch.kind == Launch::Kind::help) {
        std::fputs(vorlip::kUsage, stdout);
        return 0;
    }
    if (launch.kind == Launch::Kind::bad) {
        std::fprintf(stderr, "vorlip: %s (vorlip --help lists the options)\n",
                     launch.error.c_str());
        return 2;
    }
    if (launch.kind == Launch::Kind::allow_picture) return allow_desktop_picture();
    // Before anything is opened: an end signal from here on ends the show as input does.
    vorlip::posix::install_end_signals();
    if (launch.kind == Launch::Kind::idle) return run_idle(launch, argv[0]);
    for (Backend run : kBackends)
        if (const std::optional<int> status = run(launch, argc, argv)) return *status;
    return 1;  // not reached: the last one always runs
}
