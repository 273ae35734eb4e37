// vorlip: the saver program. "vorlip /s" covers the screen with a living copy of the desktop
// until the mouse moves or a key or button is pressed; every other switch ends at once.
// It also plays the show in a window a screen saver daemon gives it (--root, --window-id,
// $XSCREENSAVER_WINDOW) or in a window of its own (--window).
//
// Which system: a Wayland compositor when WAYLAND_DISPLAY or WAYLAND_SOCKET names one and it
// offers the layer shell (even with DISPLAY set as well: XWayland's root shows no Wayland
// window); X11 otherwise.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "scene/random.hpp"
#include "shell/arguments.hpp"
#include "shell/saver.hpp"
#include "shell/x11_args.hpp"
#include "shell/x11_hack.hpp"
#include "shell/x11_platform.hpp"
#ifdef VORLIP_HAVE_WAYLAND
#include "shell/wayland_platform.hpp"
#endif

namespace {

#ifdef VORLIP_HAVE_WAYLAND
bool set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The saver, or a background on every output (--root), on a Wayland compositor.
int run_wayland(vorlip::WaylandConnection& connection, const vorlip::Launch& launch, int argc,
                char** argv) {
    using vorlip::WaylandView;
    vorlip::WaylandConnection::install_signal_handlers();
    const std::string arguments = vorlip::join_arguments(argc, argv);
    vorlip::ClockRandom rnd;
    try {
        if (launch.kind == vorlip::Launch::Kind::mode_switch) {
            WaylandView view(connection, WaylandView::Role::saver, 0, arguments);
            auto saver = std::make_unique<vorlip::Saver>(view, rnd);
            vorlip::saver_main(*saver);
            vorlip::SaverEvents events(*saver);
            view.run_events(events);
            return 0;
        }
        // One show on each output's background.
        std::vector<std::unique_ptr<WaylandView>> views;
        std::vector<std::unique_ptr<vorlip::Saver>> savers;
        std::vector<std::unique_ptr<vorlip::SaverEvents>> events;
        for (int k = 0; k < connection.output_count(); ++k) {
            views.push_back(std::make_unique<WaylandView>(connection, WaylandView::Role::background,
                                                          k, arguments));
            savers.push_back(std::make_unique<vorlip::Saver>(*views.back(), rnd));
            vorlip::saver_begin(*savers.back());
            events.push_back(std::make_unique<vorlip::SaverEvents>(*savers.back()));
            views.back()->deliver_to(*events.back());
        }
        connection.run();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorlip: %s\n", e.what());
        return 1;
    }
}
#endif

}  // namespace

int main(int argc, char** argv) {
    using vorlip::Launch;
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

#ifdef VORLIP_HAVE_WAYLAND
    // The saver and the background of the real root run natively; a show in a given X window
    // (or a window of its own) is an X11 matter.
    const bool wayland_mode = launch.kind == Launch::Kind::mode_switch ||
                              (launch.kind == Launch::Kind::hack && launch.window_id == 0);
    if (wayland_mode && (set("WAYLAND_DISPLAY") || set("WAYLAND_SOCKET"))) {
        if (auto connection = vorlip::WaylandConnection::open())
            return run_wayland(*connection, launch, argc, argv);
    }
#endif

    vorlip::X11Platform::install_signal_handlers();
    try {
        std::unique_ptr<vorlip::X11Platform> platform;
        if (launch.kind == Launch::Kind::mode_switch)
            platform = std::make_unique<vorlip::X11Platform>(argc, argv);
        else
            platform = std::make_unique<vorlip::X11HackPlatform>(
                argc, argv, launch.window_id, launch.kind == Launch::Kind::window);
        vorlip::ClockRandom rnd;
        auto saver = std::make_unique<vorlip::Saver>(*platform, rnd);
        // The saver's start-up with its guard and mode switch; a show in a chosen window
        // starts where the saver's start-up measures the screen.
        if (launch.kind == Launch::Kind::mode_switch)
            vorlip::saver_main(*saver);
        else
            vorlip::saver_begin(*saver);
        // From here on the show lives on its window's events, until the window goes.
        vorlip::SaverEvents events(*saver);
        platform->run_events(events);
    } catch (const std::exception& e) {
        // The platform's destructor has given the desktop back by now.
        std::fprintf(stderr, "vorlip: %s\n", e.what());
        return 1;
    }
    return 0;
}
