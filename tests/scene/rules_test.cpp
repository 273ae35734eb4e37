#include "scene/rules.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {
namespace {

TEST(Rules, IntIsFloorAndCIntRoundsHalfToEven) {
    struct Case {
        double v;
        i32 floor, nearest;
    };
    const Case cases[] = {
        {2.5, 2, 2},       {3.5, 3, 4},    {-2.5, -3, -2},    {-0.5, -1, 0},   {262.5, 262, 262},
        {263.5, 263, 264}, {10.5, 10, 10}, {-37.5, -38, -38}, {0.99999, 0, 1}, {-15 * 0.3, -5, -4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(floor_int(c.v), c.floor) << c.v;
        EXPECT_EQ(round_even(c.v), c.nearest) << c.v;
    }
}

TEST(Rules, ConversionsAreTotalForAnyDouble) {
    // Values no field can hold wrap instead of being undefined.
    EXPECT_EQ(floor_int(4294967296.0 + 5.0), 5);
    EXPECT_EQ(floor_int(-4294967296.0 - 5.0), -5);
    EXPECT_EQ(floor_int(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(round_even(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(floor_int(1e300), floor_int(1e300));  // defined, whatever it is
}

TEST(Rules, SixteenBitAndByteStoresWrap) {
    BroodRec p;
    p.x = 32767;
    p.x = p.x + 1;
    EXPECT_EQ(p.x, -32768);
    p.y = -32768;
    p.y = p.y - 1;
    EXPECT_EQ(p.y, 32767);
    p.energy = 300;
    p.energy = p.energy * 300;  // 90000 wraps to 24464
    EXPECT_EQ(p.energy, 24464);
    EXPECT_EQ(w16(65536 + 7), 7);
    EXPECT_EQ(w16(40000), -25536);

    World w;
    w.colour_run_left = 0;
    w.colour_run_left = w.colour_run_left - 1;
    EXPECT_EQ(w.colour_run_left, 255);
    w.sow_count = 255;
    w.sow_count = w.sow_count + 1;
    EXPECT_EQ(w.sow_count, 0);
}

TEST(Random, SeededDrawsRepeatAndStayBelowOne) {
    SeededRandom a(42), b(42);
    for (int k = 0; k < 10000; ++k) {
        const float r = a.draw();
        ASSERT_EQ(r, b.draw());
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
}

TEST(Random, ClockSourceDiffersBetweenCloseDraws) {
    ClockRandom c;
    int same = 0;
    float last = c.draw();
    for (int k = 0; k < 1000; ++k) {
        const float r = c.draw();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        same += r == last;
        last = r;
    }
    EXPECT_LT(same, 5);
}

TEST(Random, ScriptedSourceReplaysThenFails) {
    ScriptedRandom s({0.25f, 0.5f});
    EXPECT_EQ(s.draw(), 0.25f);
    EXPECT_EQ(s.draw(), 0.5f);
    try {
        s.draw();
        FAIL() << "expected the script to run out";
    } catch (const RandomExhausted& e) {
        EXPECT_EQ(e.used, 2u);
        EXPECT_STREQ(e.what(), "random draws exhausted after 2 draws");
    }
}

}  // namespace
}  // namespace vorlip
