// vorlip.scr: the saver as Windows starts it, "/s" to run, anything else to end at once.
#include <cstdio>
#include <exception>
#include <memory>

#include "scene/random.hpp"
#include "shell/saver.hpp"
#include "shell/win32/win32_platform.hpp"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        vorlip::Win32Platform platform(instance);
        vorlip::ClockRandom rnd;
        auto saver = std::make_unique<vorlip::Saver>(platform, rnd);
        vorlip::saver_main(*saver);
        // In saver mode the show now lives on the window's events; otherwise there is no
        // window and this returns at once.
        vorlip::SaverEvents events(*saver);
        platform.run_events(events);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorlip: %s\n", e.what());
        return 1;
    }
}
