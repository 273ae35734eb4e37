// vorlip: the saver program. "vorlip /s" covers the primary screen with a living copy of the
// desktop until the mouse moves or a key or button is pressed; every other switch ends at once.
// On X11 it also plays the show in a window a screen saver daemon gives it (--root,
// --window-id, $XSCREENSAVER_WINDOW) or in a window of its own (--window).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "scene/random.hpp"
#include "shell/saver.hpp"
#include "shell/x11_args.hpp"
#include "shell/x11_hack.hpp"
#include "shell/x11_platform.hpp"

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
