// vorlip-soak: long seeded shows that check the population counters against the table after
// every frame, and a long show that watches the resident set. Run by `make soak`: the counter
// soak in the sanitizer build, the memory soak in the normal one. Not part of `make test`.
//
//   vorlip-soak counters [--frames N] [--seeds K]   N frames in all, over every size in the
//                                                   plan and K seeds each
//   vorlip-soak memory [--frames N] [--size WxH]    one show; the peak resident set after its
//                                                   first 1000 frames and at its end
//
// Exit status: 0 clean, 1 a counter off the table or a resident set that grew, 2 bad usage.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "frame/step.hpp"
#include "support/population.hpp"
#include "tools/backdrop.hpp"
#include "tools/offscreen_window.hpp"

namespace {

using namespace vorlip;

// The screens a show runs on, and each one's frames out of 10^7: a large screen costs
// thousands of times more a frame than a small one, so it gets fewer.
struct Screen {
    int w, h;
    long long frames;
};
constexpr long long kPlanFrames = 10000000;
constexpr Screen kPlan[] = {
    {1, 1, 4500000},     {64, 48, 4499800},  {320, 200, 900000}, {1024, 768, 85000},
    {1920, 1080, 12000}, {2560, 1440, 3000}, {7680, 4320, 200},
};

// One show from its start, as the saver makes it, on a screen of w x h.
struct Show {
    Show(int w, int h, std::uint64_t seed) : rnd(seed), stage(w, h), window(w, h) {
        world.screen_w = w16(w);
        world.screen_h = w16(h);
        stage.window = &window;
        paint_backdrop(stage.background);
        scene_start(world, rnd);
        play_frame(world, rnd, stage);
    }
    World world;
    SeededRandom rnd;
    Stage stage;
    OffscreenWindow window;
};

// The peak resident set so far, in KiB (VmHWM).
long peak_rss_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

double seconds_since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

int counters(long long frames, int seeds) {
    long long total = 0;
    for (const Screen& s : kPlan) {
        const long long per_show = std::max(1LL, s.frames * frames / kPlanFrames / seeds);
        const auto start = std::chrono::steady_clock::now();
        for (int seed = 1; seed <= seeds; ++seed) {
            Show show(s.w, s.h, static_cast<std::uint64_t>(seed));
            for (long long k = 1; k <= per_show; ++k) {
                play_frame(show.world, show.rnd, show.stage);
                const auto check = test::counters_match_table(show.world);
                if (!check) {
                    std::printf("FAIL %dx%d seed %d frame %lld: %s\n", s.w, s.h, seed, k,
                                check.message());
                    return 1;
                }
            }
        }
        const double secs = seconds_since(start);
        total += per_show * seeds;
        std::printf("%5dx%-5d %d seeds x %9lld frames  %8.1f s  %9.1f us/frame  counters ok\n", s.w,
                    s.h, seeds, per_show, secs, secs * 1e6 / double(per_show * seeds));
        std::fflush(stdout);
    }
    std::printf("counters: %lld frames, egg and chick counts matched the table after each\n",
                total);
    return 0;
}

int memory(long long frames, int w, int h) {
    const auto start = std::chrono::steady_clock::now();
    Show show(w, h, 1);
    const long long warm = std::min(frames, 1000LL);
    for (long long k = 1; k <= warm; ++k) play_frame(show.world, show.rnd, show.stage);
    const long first = peak_rss_kib();
    for (long long k = warm + 1; k <= frames; ++k) play_frame(show.world, show.rnd, show.stage);
    const long last = peak_rss_kib();
    const double secs = seconds_since(start);
    std::printf(
        "memory: %dx%d, %lld frames in %.1f s (%.1f us/frame): peak resident set %ld KiB "
        "after %lld frames, %ld KiB at the end\n",
        w, h, frames, secs, secs * 1e6 / double(frames), first, warm, last);
    // Nothing is allocated while a show runs, so the peak stays where the set-up left it.
    if (last > first + 1024) {
        std::printf("FAIL: the resident set grew by %ld KiB\n", last - first);
        return 1;
    }
    return 0;
}

int usage() {
    std::fputs(
        "usage: vorlip-soak counters [--frames N] [--seeds K]\n"
        "       vorlip-soak memory [--frames N] [--size WxH]\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string mode = argv[1];
    long long frames = mode == "memory" ? 1000000 : 10000000;
    int seeds = 4, w = 1024, h = 768;
    for (int k = 2; k < argc; k += 2) {
        if (k + 1 >= argc) return usage();
        const std::string opt = argv[k], value = argv[k + 1];
        char* end = nullptr;
        if (opt == "--frames") {
            frames = std::strtoll(value.c_str(), &end, 10);
            if (*end || frames < 1) return usage();
        } else if (opt == "--seeds") {
            seeds = static_cast<int>(std::strtol(value.c_str(), &end, 10));
            if (*end || seeds < 1 || seeds > 1000) return usage();
        } else if (opt == "--size") {
            if (std::sscanf(value.c_str(), "%dx%d", &w, &h) != 2 || w < 1 || h < 1 || w > 16384 ||
                h > 16384)
                return usage();
        } else {
            return usage();
        }
    }
    if (mode == "counters") return counters(frames, seeds);
    if (mode == "memory") return memory(frames, w, h);
    return usage();
}
