#include "scene/damage.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace vorlip {
namespace {

TEST(Damage, MergesWhatIsCheapToMergeAndKeepsApartWhatIsNot) {
    struct Case {
        const char* what;
        std::vector<Rect> added;
        std::size_t rects;
    };
    const Case cases[] = {
        {"empty rectangles add nothing", {{5, 5, 0, 9}, {5, 5, 9, -1}}, 0},
        {"a sprite's old and new place", {{100, 100, 72, 72}, {102, 99, 72, 72}}, 1},
        {"far corners", {{0, 0, 72, 72}, {1800, 1000, 72, 72}}, 2},
        // A gap wastes its area in the box: 50 x 60 is within the slack, 70 x 60 is not.
        {"neighbours across a gap", {{0, 0, 72, 60}, {122, 0, 72, 60}}, 1},
        {"neighbours down a gap", {{0, 0, 60, 72}, {0, 122, 60, 72}}, 1},
        {"neighbours too far apart", {{0, 0, 72, 60}, {142, 0, 72, 60}}, 2},
        {"a thin row and column crossing", {{0, 500, 1920, 4}, {900, 0, 4, 1080}}, 2},
        // Their window reaches past the int range.
        {"neighbours at the right end of positions",
         {{2147483637, 0, 10, 10}, {2147483627, 0, 10, 10}},
         1},
        // Their box holds more pixels than a long long counts.
        {"two quarters of the int plane touching at a corner",
         {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {-1, -1, INT_MAX, INT_MAX}},
         2},
        // The third joins the first two's union only once they have merged.
        {"a chain", {{0, 0, 40, 40}, {80, 0, 40, 40}, {40, 0, 40, 40}}, 1},
    };
    for (const Case& c : cases) {
        Damage d;
        for (const Rect& r : c.added) d.add(r);
        EXPECT_EQ(d.rects().size(), c.rects) << c.what;
    }
}

TEST(Damage, AlwaysCoversEveryPixelAdded) {
    // Many scattered boxes on a small screen overflow the list: whatever it merges or collapses,
    // no pixel that was added is ever left out.
    std::mt19937 gen(7);
    for (int round = 0; round < 50; ++round) {
        const int w = 300, h = 200;
        std::vector<char> added(std::size_t(w * h), 0);
        Damage d;
        const int count = 1 + int(gen() % 120);
        for (int k = 0; k < count; ++k) {
            const Rect r{int(gen() % w), int(gen() % h), 1 + int(gen() % 30), 1 + int(gen() % 30)};
            d.add(r);
            for (int y = r.y; y < std::min(r.y + r.h, h); ++y)
                for (int x = r.x; x < std::min(r.x + r.w, w); ++x)
                    added[std::size_t(y * w + x)] = 1;
        }
        ASSERT_LE(d.rects().size(), std::size_t(Damage::kCapacity));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (!added[std::size_t(y * w + x)]) continue;
                bool covered = false;
                for (const Rect& r : d.rects())
                    covered = covered || (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h);
                ASSERT_TRUE(covered) << "round " << round << ": (" << x << ", " << y << ")";
            }
    }
}

TEST(Damage, AFullListGrowsWhereTheNewRectangleLies) {
    // A busy frame on a 3840x2160 screen: sprites scattered too far apart to merge, twice as
    // many as the list holds, so they pair up with neighbours. What it covers stays near what
    // was added, not the whole screen.
    Damage d;
    long long added = 0;
    for (int k = 0; k < 2 * Damage::kCapacity; ++k) {
        const Rect r{(k % 12) * 320, (k / 12) * 270, 72, 72};
        d.add(r);
        added += r.area();
    }
    EXPECT_LE(d.rects().size(), std::size_t(Damage::kCapacity));
    EXPECT_LT(d.area(), 3 * added);
}

}  // namespace
}  // namespace vorlip
