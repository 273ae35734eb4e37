// How fast `vorlip /s` puts its first frame on the screen, and how much memory it holds at its
// peak: on a private Xvfb of each size, five starts each, the time from the exec to the first
// frame on the screen (median and range) and the peak resident set (the largest of the five).
// The peer hack given with --peer (by default the xscreensaver package's distort on the root,
// when it is installed) is measured the same way in the same run, for comparison.
//
// The first frame is the program's first image put (PutImage, or ShmPutImage through MIT-SHM)
// into a window (not a pixmap: a cursor's picture goes up that way too), seen through the RECORD
// extension as the server takes it up. The server handles one request
// at a time, so a round trip of this program's own that follows returns once the picture is in
// the screen's memory: that is when the time is taken.
//
// On a private headless sway of each size (where the benchmark was built with the Wayland harness)
// the same for the Wayland saver: from the exec to its first commit of a surface with a picture
// attached, read from the saver's own protocol log (WAYLAND_DEBUG, whose stamps are the wall
// clock's microseconds, modulo 2^32), and its peak resident set.
//
// usage: vorlip-bench-start [--program PATH] [--peer PATH|none] [--runs N] [WxH...]
//                           (default 1920x1080 3840x2160, 5 runs)
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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
using vorlip::e2e::Child;
using vorlip::e2e::Xvfb;

// MIT-SHM's request for putting a shared image, by its minor opcode.
constexpr unsigned char kShmPutImage = 3;

// The peak resident set of a process so far, in kB (0 if it cannot be read).
long peak_rss_kb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// Watches a display, through RECORD on connections of its own, for the first image put of any
// client that connects from now on.
class FirstPut {
  public:
    explicit FirstPut(const std::string& display) {
        control_ = XOpenDisplay(display.c_str());
        data_ = XOpenDisplay(display.c_str());
        int major = 0, minor = 0;
        if (!control_ || !data_ || !XRecordQueryVersion(control_, &major, &minor)) return;
        int shm_major = 0, event = 0, error = 0;
        const bool shm = XQueryExtension(control_, "MIT-SHM", &shm_major, &event, &error);
        XRecordRange* ranges[2] = {XRecordAllocRange(), XRecordAllocRange()};
        ranges[0]->core_requests.first = ranges[0]->core_requests.last = X_PutImage;
        int n = 1;
        if (shm) {
            ranges[1]->ext_requests.ext_major.first = ranges[1]->ext_requests.ext_major.last =
                static_cast<unsigned char>(shm_major);
            ranges[1]->ext_requests.ext_minor.first = ranges[1]->ext_requests.ext_minor.last =
                kShmPutImage;
            n = 2;
        }
        XRecordClientSpec clients = XRecordFutureClients;
        context_ = XRecordCreateContext(control_, 0, &clients, 1, ranges, n);
        XFree(ranges[0]);
        XFree(ranges[1]);
        XSync(control_, False);
        if (context_) {
            XRecordEnableContextAsync(data_, context_, &FirstPut::on_record,
                                      reinterpret_cast<XPointer>(this));
            XFlush(data_);
        }
    }
    ~FirstPut() {
        if (context_) {
            XRecordDisableContext(control_, context_);
            XRecordFreeContext(control_, context_);
            XSync(control_, False);
        }
        if (data_) XCloseDisplay(data_);
        if (control_) XCloseDisplay(control_);
    }
    bool watching() const { return context_ != 0; }

    // Waits up to `limit` for the first put into a window; then, once a round trip after it has
    // returned, the time. Nothing if none came.
    std::optional<Clock::time_point> wait(milliseconds limit) {
        const Clock::time_point give_up = Clock::now() + limit;
        while (!into_window()) {
            const auto left = std::chrono::duration_cast<milliseconds>(give_up - Clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{ConnectionNumber(data_), POLLIN, 0};
            poll(&p, 1, int(std::min<long long>(left.count(), 5)));
            XRecordProcessReplies(data_);
        }
        XSync(control_, False);
        return Clock::now();
    }

  private:
    // Both requests name their drawable in the 4 bytes after their 4-byte header.
    static void on_record(XPointer self, XRecordInterceptData* d) {
        if (d->category == XRecordFromClient && d->data_len * 4 >= 8) {
            std::uint32_t drawable = 0;
            std::memcpy(&drawable, d->data + 4, sizeof drawable);
            reinterpret_cast<FirstPut*>(self)->puts_.push_back(drawable);
        }
        XRecordFreeData(d);
    }

    // Whether any put so far went into a window. A pixmap has no window attributes.
    bool into_window() {
        for (const std::uint32_t drawable : puts_) {
            XWindowAttributes a;
            if (XGetWindowAttributes(control_, drawable, &a)) return true;
        }
        puts_.clear();
        return false;
    }
    Display* control_ = nullptr;
    Display* data_ = nullptr;
    XRecordContext context_ = 0;
    std::vector<std::uint32_t> puts_;
};

struct Start {
    double first_frame_ms = 0;
    long peak_kb = 0;
};

// One start of `args` on the display: the time to its first frame, and its peak resident set
// after `settle` of running on.
std::optional<Start> one_start(const Xvfb& server, const std::vector<std::string>& args,
                               milliseconds settle) {
    FirstPut watch(server.display());
    if (!watch.watching()) {
        std::fprintf(stderr, "vorlip-bench-start: the X server has no RECORD extension\n");
        std::exit(1);
    }
    const Clock::time_point exec = Clock::now();
    Child program(args, server.display());
    const auto shown = watch.wait(milliseconds(20000));
    std::optional<Start> s;
    if (shown) {
        std::this_thread::sleep_for(settle);
        s = Start{std::chrono::duration<double, std::milli>(*shown - exec).count(),
                  peak_rss_kb(program.pid())};
    } else {
        std::fprintf(stderr, "vorlip-bench-start: %s put no frame up: %s\n", args[0].c_str(),
                     program.error_text().c_str());
    }
    program.signal(SIGTERM);
    program.wait(milliseconds(5000));
    return s;
}

struct Summary {
    double median = 0, fastest = 0, slowest = 0;
    long peak_kb = 0;
};

std::optional<Summary> summarise(std::vector<double> times, long peak_kb) {
    if (times.empty()) return std::nullopt;
    std::sort(times.begin(), times.end());
    return Summary{times[times.size() / 2], times.front(), times.back(), peak_kb};
}

std::optional<Summary> measure(const std::vector<std::string>& args, int width, int height,
                               int runs) {
    const Xvfb server(width, height);
    if (!server.running()) {
        std::fprintf(stderr, "vorlip-bench-start: cannot start Xvfb\n");
        std::exit(1);
    }
    std::vector<double> times;
    Summary sum;
    for (int k = 0; k < runs; ++k) {
        const auto s = one_start(server, args, milliseconds(1000));
        if (!s) return std::nullopt;
        times.push_back(s->first_frame_ms);
        sum.peak_kb = std::max(sum.peak_kb, s->peak_kb);
    }
    return summarise(times, sum.peak_kb);
}

#ifdef VORLIP_WAYLAND_HARNESS
// The wall clock in microseconds, modulo 2^32, as the protocol log stamps its lines.
std::uint32_t log_clock_us() {
    timespec tp{};
    clock_gettime(CLOCK_REALTIME, &tp);
    return std::uint32_t(std::uint64_t(tp.tv_sec) * 1000000u + std::uint64_t(tp.tv_nsec) / 1000u);
}

// The stamp of the first commit of a surface that had a buffer attached since its last commit.
std::optional<std::uint32_t> first_picture_commit(const std::string& log) {
    std::istringstream in(log);
    std::string line;
    std::vector<std::string> attached;
    while (std::getline(in, line)) {
        const auto at = line.find("-> wl_surface@");
        if (at == std::string::npos) continue;
        const auto dot = line.find('.', at);
        const std::string surface = line.substr(at + 3, dot - at - 3);
        if (line.compare(dot, 8, ".attach(") == 0 && line.find("nil") == std::string::npos)
            attached.push_back(surface);
        if (line.compare(dot, 8, ".commit(") == 0 &&
            std::find(attached.begin(), attached.end(), surface) != attached.end()) {
            unsigned ms = 0, us = 0;
            if (std::sscanf(line.c_str(), "[%u.%u]", &ms, &us) != 2) return std::nullopt;
            return std::uint32_t(ms * 1000u + us);
        }
    }
    return std::nullopt;
}

std::optional<Summary> measure_wayland(const std::string& program, int width, int height,
                                       int runs) {
    using vorlip::e2e::Sway;
    const Sway sway({{width, height, 0, 0, ""}});
    if (!sway.running()) {
        std::fprintf(stderr, "vorlip-bench-start: sway did not start: %s\n", sway.error().c_str());
        return std::nullopt;
    }
    sway.command("seat seat0 cursor set " + std::to_string(width - 1) + " " +
                 std::to_string(height - 1));
    vorlip::e2e::ChildEnv env = sway.client_env();
    env.set.push_back("WAYLAND_DEBUG=client");
    std::vector<double> times;
    long peak_kb = 0;
    for (int k = 0; k < runs; ++k) {
        const std::uint32_t exec = log_clock_us();
        Child saver({program, "/s"}, env);
        std::this_thread::sleep_for(milliseconds(1500));
        peak_kb = std::max(peak_kb, peak_rss_kb(saver.pid()));
        saver.signal(SIGTERM);
        saver.wait(milliseconds(5000));
        const auto shown = first_picture_commit(saver.error_text());
        if (!shown) {
            std::fprintf(stderr, "vorlip-bench-start: the Wayland saver committed no picture\n");
            return std::nullopt;
        }
        times.push_back(double(std::uint32_t(*shown - exec)) / 1000.0);
    }
    return summarise(times, peak_kb);
}
#endif

void print(const std::string& size, const char* who, const std::optional<Summary>& s) {
    if (!s) {
        std::printf("%-10s %-8s %s\n", size.c_str(), who, "no frame");
        return;
    }
    // Megabytes of a million bytes, as the screen buffers are counted.
    std::printf("%-10s %-8s %9.1f %9.1f %9.1f %10.1f\n", size.c_str(), who, s->median, s->fastest,
                s->slowest, double(s->peak_kb) * 1024 / 1e6);
}

}  // namespace

// A pixmap looked at as a window, or a window gone meanwhile, is an error the look-up expects.
extern "C" int ignore_x_error(Display*, XErrorEvent*) {
    return 0;
}

int main(int argc, char** argv) {
    XSetErrorHandler(ignore_x_error);
    std::string program = VORLIP_PROGRAM;
    std::string peer = "/usr/libexec/xscreensaver/distort";
    int runs = 5;
    std::vector<std::pair<int, int>> sizes;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        int w = 0, h = 0;
        if (a == "--program" && k + 1 < argc) {
            program = argv[++k];
        } else if (a == "--peer" && k + 1 < argc) {
            peer = argv[++k];
        } else if (a == "--runs" && k + 1 < argc) {
            runs = std::atoi(argv[++k]);
        } else if (std::sscanf(a.c_str(), "%dx%d", &w, &h) == 2 && w > 0 && h > 0) {
            sizes.emplace_back(w, h);
        } else {
            std::fprintf(stderr,
                         "usage: vorlip-bench-start [--program PATH] [--peer PATH|none] "
                         "[--runs N] [WxH...]\n");
            return 2;
        }
    }
    if (runs < 1) {
        std::fprintf(stderr, "vorlip-bench-start: --runs wants 1 or more\n");
        return 2;
    }
    if (sizes.empty()) sizes = {{1920, 1080}, {3840, 2160}};
    const bool with_peer = peer != "none" && access(peer.c_str(), X_OK) == 0;

    std::printf(
        "From exec to the first frame on the screen (ms, %d starts) and the peak resident "
        "set (MB), on Xvfb\n",
        runs);
    std::printf("%-10s %-8s %9s %9s %9s %10s\n", "screen", "program", "median", "fastest",
                "slowest", "peak RSS");
    bool all = true;
    for (const auto& [w, h] : sizes) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        const auto s = measure({program, "/s"}, w, h, runs);
        print(size, "vorlip", s);
        all = all && s.has_value();
        if (with_peer) print(size, "peer", measure({peer, "-root"}, w, h, runs));
#ifdef VORLIP_WAYLAND_HARNESS
        const auto wl = measure_wayland(program, w, h, runs);
        print(size, "wayland", wl);
        all = all && wl.has_value();
#endif
        std::fflush(stdout);
    }
    if (!with_peer && peer != "none") std::printf("(no peer: %s is not installed)\n", peer.c_str());
    return all ? 0 : 1;
}
