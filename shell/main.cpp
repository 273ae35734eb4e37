// vorlip: the saver program. "vorlip /s" covers the primary screen with a living copy of the
// desktop until the mouse moves or a key or button is pressed; every other switch ends at once.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "scene/random.hpp"
#include "shell/saver.hpp"
#include "shell/x11_platform.hpp"

namespace {
const char kUsage[] =
    "usage: vorlip /s   run the saver on the X display ($DISPLAY)\n"
    "Any other switch ends at once without a window. While the saver runs, moving the mouse,\n"
    "pressing a key or a mouse button ends it.\n";
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") std::fputs(kUsage, stdout);

    vorlip::X11Platform::install_signal_handlers();
    try {
        vorlip::X11Platform platform(argc, argv);
        vorlip::ClockRandom rnd;
        auto saver = std::make_unique<vorlip::Saver>(platform, rnd);
        vorlip::Main(*saver);
        // From here on the saver lives on its window's events, until the window goes.
        vorlip::SaverEvents events(*saver);
        platform.run_events(events);
    } catch (const std::exception& e) {
        // The platform's destructor has given the desktop back by now.
        std::fprintf(stderr, "vorlip: %s\n", e.what());
        return 1;
    }
    return 0;
}
