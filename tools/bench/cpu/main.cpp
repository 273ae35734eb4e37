// What the saver costs a machine that is meant to be idle: `vorlip /s` runs on a private Xvfb
// for a warm-up and then a measured stretch, and the CPU time of the saver and of the X server
// in that stretch is printed as a share of one core, with the frames per second the saver
// reached. The peer hack given with --peer (by default the xscreensaver package's distort, when
// it is installed) runs the same way on a display of its own, for comparison. Where the Wayland
// harness is built, `vorlip /s` runs on a private headless sway as well (with --no-wayland, not):
// the saver and the compositor.
//
// usage: vorlip-bench-cpu [--program PATH] [--peer PATH|none] [--no-wayland] [--warm-up S]
//                         [--seconds S] [SIZE...]      (sizes as WxH; default 1920x1080 3840x2160)
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/xharness/xharness.hpp"
#ifdef VORLIP_WAYLAND_HARNESS
#include "tools/wlharness/wlharness.hpp"
#endif

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using vorlip::Rect;
using vorlip::e2e::Child;
using vorlip::e2e::Xvfb;

// User plus system CPU time of a process so far, in seconds.
double cpu_seconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name may hold blanks: the fields that follow it start after its ')'.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int k = 3; k <= 15 && rest >> field; ++k) {
        if (k == 14) utime = std::stoull(field);
        if (k == 15) stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Counts the frames a client makes by the pointer look-up each of its ticks asks the server
// for, through the RECORD extension on a connection of its own.
class FrameCounter {
  public:
    FrameCounter(const std::string& display, XID client_resource) {
        control_ = XOpenDisplay(display.c_str());
        data_ = XOpenDisplay(display.c_str());
        int major = 0, minor = 0;
        if (!control_ || !data_ || !XRecordQueryVersion(control_, &major, &minor)) return;
        XRecordRange* range = XRecordAllocRange();
        range->core_requests.first = range->core_requests.last = X_QueryPointer;
        XRecordClientSpec client = client_resource;
        context_ = XRecordCreateContext(control_, 0, &client, 1, &range, 1);
        XFree(range);
        XSync(control_, False);
        if (!context_) return;
        XRecordEnableContextAsync(data_, context_, &FrameCounter::on_record,
                                  reinterpret_cast<XPointer>(this));
        reader_ = std::thread([this] {
            while (!stop_) {
                XRecordProcessReplies(data_);
                std::this_thread::sleep_for(milliseconds(5));
            }
        });
    }
    ~FrameCounter() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (context_) {
            XRecordDisableContext(control_, context_);
            XRecordFreeContext(control_, context_);
            XSync(control_, False);
        }
        if (data_) XCloseDisplay(data_);
        if (control_) XCloseDisplay(control_);
    }
    bool counting() const { return context_ != 0; }
    long frames() const { return frames_; }

  private:
    static void on_record(XPointer self, XRecordInterceptData* d) {
        if (d->category == XRecordFromClient) ++reinterpret_cast<FrameCounter*>(self)->frames_;
        XRecordFreeData(d);
    }
    Display* control_ = nullptr;
    Display* data_ = nullptr;
    XRecordContext context_ = 0;
    std::atomic<long> frames_{0};
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

struct Share {
    double program = 0, server = 0, fps = -1;
};

// Runs `args` on a fresh display of the given size; measures after the warm-up.
Share measure(const std::vector<std::string>& args, int width, int height, double warm_up,
              double seconds, bool count_frames) {
    const Xvfb server(width, height);
    if (!server.running()) {
        std::fprintf(stderr, "vorlip-bench-cpu: cannot start Xvfb\n");
        std::exit(1);
    }
    Display* dpy = XOpenDisplay(server.display().c_str());
    Child program(args, server.display());
    Window shown = 0;
    if (count_frames) {
        vorlip::e2e::wait_until(
            [&] {
                return (shown = vorlip::e2e::window_shown_at(dpy, "SAVER vorlip",
                                                             Rect{0, 0, width, height})) != 0;
            },
            milliseconds(20000));
        if (!shown) {
            std::fprintf(stderr, "vorlip-bench-cpu: %s showed no window: %s\n", args[0].c_str(),
                         program.error_text().c_str());
            std::exit(1);
        }
    }
    std::optional<FrameCounter> counter;
    if (count_frames) counter.emplace(server.display(), shown);
    std::this_thread::sleep_for(std::chrono::duration<double>(warm_up));
    const double p0 = cpu_seconds(program.pid()), s0 = cpu_seconds(server.pid());
    const long f0 = counter ? counter->frames() : 0;
    const Clock::time_point t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double p1 = cpu_seconds(program.pid()), s1 = cpu_seconds(server.pid());
    const long f1 = counter ? counter->frames() : 0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    if (program.wait(milliseconds(0))) {
        std::fprintf(stderr, "vorlip-bench-cpu: %s ended during the run: %s\n", args[0].c_str(),
                     program.error_text().c_str());
        std::exit(1);
    }
    XCloseDisplay(dpy);
    Share s;
    s.program = 100 * (p1 - p0) / wall;
    s.server = 100 * (s1 - s0) / wall;
    if (counter && counter->counting()) s.fps = double(f1 - f0) / wall;
    return s;
}

#ifdef VORLIP_WAYLAND_HARNESS
// The same for `vorlip /s` on a fresh headless sway with one output of the given size: the
// saver and the compositor. The scene is up once the output no longer shows one colour.
Share measure_on_sway(const std::string& program, int width, int height, double warm_up,
                      double seconds) {
    const vorlip::e2e::Sway sway({{width, height, 0, 0, ""}});
    if (!sway.running()) {
        std::fprintf(stderr, "vorlip-bench-cpu: cannot start sway: %s\n", sway.error().c_str());
        std::exit(1);
    }
    Child saver = sway.run({program, "/s"});
    const auto scene_up = [&] {
        const vorlip::Surface shot = sway.screenshot(0);
        int other = 0;
        for (int y = 0; y < shot.height(); y += 2)
            for (int x = 0; x < shot.width(); x += 2) other += shot.at(x, y) != shot.at(0, 0);
        return other > 250;
    };
    if (!vorlip::e2e::wait_until([&] { return saver.wait(milliseconds(0)) || scene_up(); },
                                 milliseconds(20000)) ||
        saver.wait(milliseconds(0))) {
        std::fprintf(stderr, "vorlip-bench-cpu: no scene on sway: %s\n",
                     saver.error_text().c_str());
        std::exit(1);
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(warm_up));
    const double p0 = cpu_seconds(saver.pid()), s0 = cpu_seconds(sway.pid());
    const Clock::time_point t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double p1 = cpu_seconds(saver.pid()), s1 = cpu_seconds(sway.pid());
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    if (saver.wait(milliseconds(0))) {
        std::fprintf(stderr, "vorlip-bench-cpu: the saver ended during the run on sway: %s\n",
                     saver.error_text().c_str());
        std::exit(1);
    }
    Share s;
    s.program = 100 * (p1 - p0) / wall;
    s.server = 100 * (s1 - s0) / wall;
    return s;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    std::string program = VORLIP_PROGRAM;
    std::string peer = "/usr/libexec/xscreensaver/distort";
    double warm_up = 3, seconds = 10;
    bool wayland = true;
    std::vector<std::pair<int, int>> sizes;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        int w = 0, h = 0;
        if (a == "--program" && k + 1 < argc) {
            program = argv[++k];
        } else if (a == "--peer" && k + 1 < argc) {
            peer = argv[++k];
        } else if (a == "--no-wayland") {
            wayland = false;
        } else if (a == "--warm-up" && k + 1 < argc) {
            warm_up = std::atof(argv[++k]);
        } else if (a == "--seconds" && k + 1 < argc) {
            seconds = std::atof(argv[++k]);
        } else if (std::sscanf(a.c_str(), "%dx%d", &w, &h) == 2 && w > 0 && h > 0) {
            sizes.emplace_back(w, h);
        } else {
            std::fprintf(stderr,
                         "usage: vorlip-bench-cpu [--program PATH] [--peer PATH|none] "
                         "[--no-wayland] [--warm-up S] [--seconds S] [WxH...]\n");
            return 2;
        }
    }
    if (sizes.empty()) sizes = {{1920, 1080}, {3840, 2160}};
    if (seconds <= 0 || warm_up < 0) {
        std::fprintf(stderr, "vorlip-bench-cpu: --seconds wants more than 0\n");
        return 2;
    }
    const bool with_peer = peer != "none" && access(peer.c_str(), X_OK) == 0;

    std::printf("CPU share of one core over %.0f s after a %.0f s warm-up, on Xvfb\n", seconds,
                warm_up);
    std::printf("%-10s %-8s %8s %8s %8s %8s\n", "screen", "program", "itself", "X server", "total",
                "fps");
    for (const auto& [w, h] : sizes) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        const Share s = measure({program, "/s"}, w, h, warm_up, seconds, true);
        std::printf("%-10s %-8s %7.1f%% %7.1f%% %7.1f%% %8.1f\n", size.c_str(), "vorlip", s.program,
                    s.server, s.program + s.server, s.fps);
        if (with_peer) {
            const Share p =
                measure({peer, "-root", "-delay", "20000"}, w, h, warm_up, seconds, false);
            std::printf("%-10s %-8s %7.1f%% %7.1f%% %7.1f%% %8s\n", size.c_str(), "peer", p.program,
                        p.server, p.program + p.server, "-");
        }
        std::fflush(stdout);
    }
#ifdef VORLIP_WAYLAND_HARNESS
    if (wayland && vorlip::e2e::on_path("sway") && vorlip::e2e::on_path("grim")) {
        std::printf("\nThe same on a headless sway (pixman renderer)\n");
        std::printf("%-10s %-8s %8s %8s %8s\n", "output", "program", "itself", "sway", "total");
        for (const auto& [w, h] : sizes) {
            const std::string size = std::to_string(w) + "x" + std::to_string(h);
            const Share s = measure_on_sway(program, w, h, warm_up, seconds);
            std::printf("%-10s %-8s %7.1f%% %7.1f%% %7.1f%%\n", size.c_str(), "vorlip", s.program,
                        s.server, s.program + s.server);
            std::fflush(stdout);
        }
    } else if (wayland) {
        std::printf("(no Wayland figures: sway or grim is not installed)\n");
    }
#else
    (void)wayland;
#endif
    if (!with_peer) std::printf("(no peer: %s is not installed)\n", peer.c_str());
    return 0;
}
