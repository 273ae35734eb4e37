// vorlip.scr: the saver as Windows starts it, "/s" to run, anything else to end at once.
#include <cstdio>
#include <exception>

#include "scene/random.hpp"
#include "shell/saver.hpp"
#include "shell/win32/win32_platform.hpp"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        vorlip::Win32Platform platform(instance);
        vorlip::ClockRandom rnd;
        vorlip::run_show(platform, rnd, vorlip::ShowStart::saver);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorlip: %s\n", e.what());
        return 1;
    }
}
