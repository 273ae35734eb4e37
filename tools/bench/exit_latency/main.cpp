// How fast the saver lets go: the time from a 1-pixel mouse move to the end of the vorlip
// process, over 20 runs on a private Xvfb display, or with --wayland on a private headless sway,
// moved by its virtual pointer. The median must stay at 25 ms or less.
//
// usage: vorlip-exit-latency [--wayland] [--runs N] [--size WxH] [--program PATH]
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tools/xharness/xharness.hpp"
#ifdef VORLIP_WAYLAND_HARNESS
#include "tools/wlharness/wlharness.hpp"
#endif

using vorlip::Rect;
using vorlip::e2e::Child;
using vorlip::e2e::Xvfb;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// The median, least and most of the times, and the verdict.
int report(std::vector<double> ms, int failures, const std::string& where) {
    if (ms.empty()) return 1;
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    std::printf(
        "exit latency over %zu runs on %s: median %.2f ms, min %.2f ms, max %.2f ms "
        "(target: median 25 ms or less)\n",
        n, where.c_str(), median, ms.front(), ms.back());
    return failures == 0 && median <= 25.0 ? 0 : 1;
}

// Lets a shown saver run a few ticks, at a phase that differs from run to run, then moves the
// pointer by one pixel with `move` and times the end of the process. False, and a line saying
// why, when it did not end cleanly.
bool time_the_end(Child& saver, int run, const std::function<void(int dx)>& move,
                  std::vector<double>& ms) {
    std::this_thread::sleep_for(milliseconds(150 + 7 * run));
    move(run % 2 ? -1 : 1);
    const Clock::time_point moved = Clock::now();
    const auto status = saver.wait(milliseconds(5000));
    const double took = std::chrono::duration<double, std::milli>(Clock::now() - moved).count();
    if (status != 0) {
        std::printf("run %2d: the saver did not end cleanly (%s)\n", run + 1,
                    status ? ("status " + std::to_string(*status)).c_str() : "still running");
        return false;
    }
    ms.push_back(took);
    std::printf("run %2d: %6.2f ms\n", run + 1, took);
    return true;
}

#ifdef VORLIP_WAYLAND_HARNESS
// The same on a headless sway: the pointer is parked in the middle before each start, and the
// virtual pointer's 1-pixel move ends the show.
int on_sway(const std::string& program, int width, int height, int runs) {
    const vorlip::e2e::Sway sway({{width, height, 0, 0, ""}});
    if (!sway.running()) {
        std::fprintf(stderr, "vorlip-exit-latency: cannot start sway: %s\n", sway.error().c_str());
        return 1;
    }
    vorlip::e2e::VirtualPointer pointer(sway, VORLIP_WLPOINTER);
    if (!pointer.running()) {
        std::fprintf(stderr, "vorlip-exit-latency: no virtual pointer: %s\n",
                     pointer.error().c_str());
        return 1;
    }
    const std::string park =
        "seat seat0 cursor set " + std::to_string(width / 2) + " " + std::to_string(height / 2);
    // What the output shows with no saver: the scene is up once a screenshot differs from it
    // in more pixels than a pointer covers.
    sway.command(park);
    vorlip::Surface idle;
    vorlip::e2e::wait_until(
        [&] {
            vorlip::Surface now = sway.screenshot(0);
            const bool settled = now.width() > 0 && now.same_pixels(idle);
            idle = std::move(now);
            return settled;
        },
        milliseconds(10000));
    const auto scene_up = [&] {
        const vorlip::Surface shot = sway.screenshot(0);
        if (shot.width() != idle.width() || shot.height() != idle.height()) return false;
        int apart = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) apart += shot.at(x, y) != idle.at(x, y);
        return apart > 1000;
    };

    std::vector<double> ms;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        sway.command(park);
        Child saver = sway.run({program, "/s"});
        if (!vorlip::e2e::wait_until([&] { return saver.wait(milliseconds(0)) || scene_up(); },
                                     milliseconds(10000)) ||
            saver.wait(milliseconds(0))) {
            ++failures;
            std::printf("run %2d: no scene within 10 s: %s\n", run + 1, saver.error_text().c_str());
            continue;
        }
        if (!time_the_end(
                saver, run, [&](int dx) { pointer.move(dx, 0); }, ms))
            ++failures;
    }
    return report(ms, failures,
                  "a headless sway at " + std::to_string(width) + "x" + std::to_string(height));
}
#endif

}  // namespace

int main(int argc, char** argv) {
    int runs = 20;
    std::string size = "1024x768";
    std::string program = VORLIP_PROGRAM;
    bool wayland = false;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "--wayland") {
            wayland = true;
        } else if (a == "--runs" && k + 1 < argc) {
            runs = std::atoi(argv[++k]);
        } else if (a == "--size" && k + 1 < argc) {
            size = argv[++k];
        } else if (a == "--program" && k + 1 < argc) {
            program = argv[++k];
        } else {
            std::fprintf(stderr,
                         "usage: vorlip-exit-latency [--wayland] [--runs N] [--size WxH] "
                         "[--program PATH]\n");
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
    if (wayland) {
#ifdef VORLIP_WAYLAND_HARNESS
        return on_sway(program, width, height, runs);
#else
        std::fprintf(stderr, "vorlip-exit-latency: built without the Wayland harness\n");
        return 2;
#endif
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
        const auto warp = [&](int dx) {
            XWarpPointer(dpy, None, None, 0, 0, 0, 0, dx, 0);
            XSync(dpy, False);
        };
        if (!time_the_end(saver, run, warp, ms)) ++failures;
    }
    XCloseDisplay(dpy);

    return report(ms, failures, size);
}
