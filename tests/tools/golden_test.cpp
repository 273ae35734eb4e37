// The frames of a seeded headless show are fixed: any change to an actor, a rounding rule, the
// drawing or the art shows up here. When a change is meant, regenerate the list with
//   VORLIP_UPDATE_GOLDEN=1 build/tests/test_tools --gtest_filter='Golden*'
// and look at the frames it writes before committing it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "frame/step.hpp"
#include "support/test_support.hpp"
#include "tools/backdrop.hpp"
#include "tools/offscreen_window.hpp"
#include "tools/png_io.hpp"

namespace vorlip {
namespace {

const std::string kGoldenPath = std::string(VORLIP_SOURCE_DIR) + "/tests/tools/golden_frames.txt";

std::uint64_t fnv1a(const Surface& s) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const Pixel p = s.at(x, y);
            for (int b = 0; b < 3; ++b) {
                h ^= (p >> (8 * b)) & 0xFF;
                h *= 0x100000001b3ull;
            }
        }
    return h;
}

std::map<int, std::uint64_t> read_golden() {
    std::map<int, std::uint64_t> golden;
    std::ifstream in(kGoldenPath);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        int frame = 0;
        std::string hex;
        if (ls >> frame >> hex) golden[frame] = std::stoull(hex, nullptr, 16);
    }
    return golden;
}

TEST(Golden, SeededShowDrawsTheSameFrames) {
    constexpr int kW = 800, kH = 600, kFrames = 1500, kEvery = 100;
    World world;
    world.screen_w = kW;
    world.screen_h = kH;
    SeededRandom rnd(1);
    Stage stage(kW, kH);
    OffscreenWindow window(kW, kH);
    stage.window = &window;
    paint_backdrop(stage.background);
    scene_start(world, rnd);

    std::map<int, std::uint64_t> seen;
    for (int k = 0; k <= kFrames; ++k) {
        play_frame(world, rnd, stage);
        if (k % kEvery == 0) seen[k] = fnv1a(window.image());
    }

    if (std::getenv("VORLIP_UPDATE_GOLDEN")) {
        std::ofstream out(kGoldenPath);
        out << "# frame  FNV-1a of the presented frame (800x600, seed 1, built-in desktop)\n";
        for (const auto& [k, h] : seen) {
            char hex[17];
            std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
            out << k << " " << hex << "\n";
        }
        GTEST_SKIP() << "golden frames rewritten: " << kGoldenPath;
    }

    const auto golden = read_golden();
    ASSERT_FALSE(golden.empty()) << "no golden frames in " << kGoldenPath;
    // Replay to write out the first frame that differs, for a person to look at.
    for (const auto& [k, h] : golden) {
        ASSERT_TRUE(seen.count(k)) << "golden frame " << k << " was not made";
        if (seen[k] != h) {
            World again;
            again.screen_w = kW;
            again.screen_h = kH;
            SeededRandom rnd2(1);
            paint_backdrop(stage.background);
            scene_start(again, rnd2);
            for (int j = 0; j <= k; ++j) play_frame(again, rnd2, stage);
            const std::string path =
                test::out_dir() + "/golden_frame_" + std::to_string(k) + ".png";
            std::string error;
            write_png(path, window.image(), error);
            FAIL() << "frame " << k << " differs from the golden one; it is written to " << path;
        }
    }
}

}  // namespace
}  // namespace vorlip
