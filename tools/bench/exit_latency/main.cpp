// How fast the saver lets go: the time from a 1-pixel mouse move to the end of the vorlip
// process, over 20 runs on a private Xvfb display. The median must stay at 25 ms or less.
//
// usage: vorlip-exit-latency [--runs N] [--size WxH] [--program PATH]
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tools/xharness/xharness.hpp"

using vorlip::Rect;
using vorlip::e2e::Child;
using vorlip::e2e::Xvfb;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int main(int argc, char** argv) {
    int runs = 20;
    std::string size = "1024x768";
    std::string program = VORLIP_PROGRAM;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "--runs" && k + 1 < argc) {
            runs = std::atoi(argv[++k]);
        } else if (a == "--size" && k + 1 < argc) {
            size = argv[++k];
        } else if (a == "--program" && k + 1 < argc) {
            program = argv[++k];
        } else {
            std::fprintf(stderr,
                         "usage: vorlip-exit-latency [--runs N] [--size WxH] [--program PATH]\n");
            return 2;
        }
    }
    if (runs < 1 || runs > 1000) {
        std::fprintf(stderr, "vorlip-exit-latency: --runs wants 1 to 1000\n");
        return 2;
    }

    int width = 0, height = 0;
    if (std::sscanf(size.c_str(), "%dx%d", &width, &height) != 2 || width < 1 || height < 1) {
        std::fprintf(stderr, "vorlip-exit-latency: --size wants WxH, as 1024x768\n");
        return 2;
    }
    const Xvfb server(width, height);
    Display* dpy = server.running() ? XOpenDisplay(server.display().c_str()) : nullptr;
    if (!dpy) {
        std::fprintf(stderr, "vorlip-exit-latency: cannot start Xvfb\n");
        return 1;
    }
    const Rect screen{0, 0, width, height};

    std::vector<double> ms;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        Child saver({program, "/s"}, server.display());
        // Shown over the screen is the state the saver keeps until it ends; it has read the
        // pointer's place before that.
        if (!vorlip::e2e::wait_until(
                [&] { return vorlip::e2e::window_shown_at(dpy, "SAVER vorlip", screen) != 0; },
                milliseconds(10000))) {
            ++failures;
            std::printf("run %2d: no saver window over the screen within 10 s\n", run + 1);
            continue;
        }
        // Let it run a few ticks, at a phase that differs from run to run.
        std::this_thread::sleep_for(milliseconds(150 + 7 * run));
        XWarpPointer(dpy, None, None, 0, 0, 0, 0, run % 2 ? -1 : 1, 0);
        XSync(dpy, False);
        const Clock::time_point moved = Clock::now();
        const auto status = saver.wait(milliseconds(5000));
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - moved).count();
        if (status != 0) {
            ++failures;
            std::printf("run %2d: the saver did not end cleanly (%s)\n", run + 1,
                        status ? ("status " + std::to_string(*status)).c_str() : "still running");
            continue;
        }
        ms.push_back(took);
        std::printf("run %2d: %6.2f ms\n", run + 1, took);
    }
    XCloseDisplay(dpy);

    if (ms.empty()) return 1;
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    std::printf(
        "exit latency over %zu runs on %s: median %.2f ms, min %.2f ms, max %.2f ms "
        "(target: median 25 ms or less)\n",
        n, size.c_str(), median, ms.front(), ms.back());
    return failures == 0 && median <= 25.0 ? 0 : 1;
}
