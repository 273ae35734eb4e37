// Flowers: planting, the free-slot search, the flip-and-grow widths, full size and giant pops.
#include "garden/flowers.hpp"

#include <gtest/gtest.h>

#include "support/test_support.hpp"

namespace vorlip {
namespace {

using test::plain_world;

FlowerRec& flower(World& w, int k) {
    return w.flowers[static_cast<std::size_t>(k)];
}

// A world past its first frame with a chick in slot 4 ready to plant.
World planting_world(int energy = 5000) {
    World w = plain_world();
    w.frame_no = 2;
    BroodRec& c = w.brood[4];
    c.kind = BroodKind::chick;
    c.anim = 1;
    c.x = 300;
    c.y = 200;
    c.sheet = 5;
    c.energy = static_cast<i16>(energy);
    return w;
}

TEST(HanaPlant, TakesTheChicksColourPlaceAndEnergy) {
    World w = planting_world(777);
    flower_plant(w, 4);
    const FlowerRec& f = flower(w, 0);
    EXPECT_EQ(f.live, 1);
    EXPECT_EQ(f.sheet, 13);
    EXPECT_EQ(f.box_x, 333);
    EXPECT_EQ(f.box_y, 233);
    EXPECT_EQ(f.draw_x, 333);
    EXPECT_EQ(f.draw_y, 233);
    EXPECT_EQ(f.life, 777);
    EXPECT_EQ(f.phase, 40);
    EXPECT_EQ(f.draw_w, 5);
    EXPECT_EQ(f.draw_h, 5);
}

TEST(HanaPlant, NothingInTheFirstFrameOrWithAFullTable) {
    World w = planting_world();
    w.frame_no = 1;
    flower_plant(w, 4);
    EXPECT_EQ(flower(w, 0), FlowerRec{});

    w.frame_no = 2;
    for (int k = 0; k < 6; ++k) flower_plant(w, 4);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(flower(w, k).live, 1) << k;
    const World before = w;
    w.brood[4].x = 10;  // a seventh request would show this new place
    flower_plant(w, 4);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(flower(w, k), before.flowers[static_cast<size_t>(k)]);
}

TEST(HanaFindFree, WalksLoAsItsLoopVariable) {
    struct Case {
        std::vector<int> live;
        int lo, hi, found, lo_after;
    };
    const Case cases[] = {
        {{}, 0, 5, 0, 0},     {{0, 1}, 0, 5, 2, 2}, {{0, 1, 2, 3, 4, 5}, 0, 5, -1, 6},
        {{3}, 3, 3, -1, 4},   {{}, 4, 2, -1, 4},  // lo above hi: nothing is searched
        {{0, 2}, 1, 5, 1, 1},
    };
    for (const Case& c : cases) {
        World w = plain_world();
        for (int k : c.live) flower(w, k).live = 1;
        i16 lo = static_cast<i16>(c.lo);
        EXPECT_EQ(flower_find_free(w, lo, static_cast<i16>(c.hi)), c.found) << c.lo << ".." << c.hi;
        EXPECT_EQ(lo, c.lo_after) << c.lo << ".." << c.hi;
    }
}

TEST(HanaFindFree, NeverLooksOutsideTheTable) {
    World w = plain_world();
    for (auto& f : w.flowers) f.live = 1;
    i16 lo = -3;
    EXPECT_EQ(flower_find_free(w, lo, 32767), -1);
    i16 lo2 = 6;
    EXPECT_EQ(flower_find_free(w, lo2, 9), -1);
}

// The widths of the flip-and-grow stage, by the phase after the update.
constexpr int kWidthByPhase[40] = {
    // phase 39 down to 20
    -19, -18, -17, -16, -15, -15, -14, -13, -12, -11, -11, -10, -9, -8, -7, -7, -6, -5, -4, -4,
    // phase 19 down to 0
    -3, -2, -1, 0, 0, 1, 2, 3, 4, 5, 5, 6, 7, 8, 9, 9, 10, 11, 12, 13};

TEST(HanaUpdate, FlipsGrowsAndStandsThroughAWholeCycle) {
    World w = planting_world(30000);
    flower_plant(w, 4);
    FlowerRec& f = flower(w, 0);
    for (int cycle = 0; cycle < 2; ++cycle) {
        for (int n = 0; n < 40; ++n) {
            flower_update(w, 0);
            const int phase = 39 - n;
            const int width = kWidthByPhase[n];
            ASSERT_EQ(f.phase, phase);
            EXPECT_EQ(f.draw_w, width) << "phase " << phase;
            EXPECT_EQ(f.draw_h, width) << "phase " << phase;
            // Centred on the box: floor((w - 40) / 2) to the left and up.
            const int off = (width - 40 - 1) / 2;  // floor for the negative values here
            EXPECT_EQ(f.draw_x, 333 - off) << "phase " << phase;
            EXPECT_EQ(f.draw_y, 233 - off) << "phase " << phase;
        }
        for (int n = 0; n < 6; ++n) {
            flower_update(w, 0);
            EXPECT_EQ(f.draw_w, 40);
            EXPECT_EQ(f.draw_h, 40);
            EXPECT_EQ(f.draw_x, 333);
            EXPECT_EQ(f.draw_y, 233);
            EXPECT_EQ(f.phase, n < 5 ? -1 - n : 40);
            EXPECT_EQ(w.pop_flags[0], 0);
        }
    }
    EXPECT_EQ(w.bloom_clock, 12);
    EXPECT_EQ(f.live, 1);
}

TEST(HanaUpdate, WorkedOffsetsOfTheCycle) {
    // draw_w -19 sits 30 px right of the box corner, 13 sits 14 px right.
    World w = planting_world(30000);
    flower_plant(w, 4);
    flower_update(w, 0);
    EXPECT_EQ(flower(w, 0).draw_x, 333 + 30);
    for (int n = 1; n < 40; ++n) flower_update(w, 0);
    EXPECT_EQ(flower(w, 0).draw_w, 13);
    EXPECT_EQ(flower(w, 0).draw_x, 333 + 14);
}

TEST(HanaUpdate, GiantPopsShowOnceAndRemoveTheFlower) {
    struct Case {
        int clock_before, size, offset;
        bool pops;
    };
    const Case cases[] = {
        {99, 60, -10, true},   {100, 60, -10, true},  {101, 60, -10, true}, {102, 40, 0, false},
        {116, 120, -40, true}, {117, 120, -40, true}, {118, 40, 0, false},  {144, 200, -80, true},
        {145, 200, -80, true}, {146, 220, -90, true}, {147, 40, 0, false},  {554, 40, 0, false},
        {90, 40, 0, false},
    };
    for (const Case& c : cases) {
        World w = planting_world(30000);
        flower_plant(w, 4);
        FlowerRec& f = flower(w, 0);
        f.phase = 0;
        w.bloom_clock = static_cast<i16>(c.clock_before);
        flower_update(w, 0);
        EXPECT_EQ(w.bloom_clock, (c.clock_before + 1) % 555);
        EXPECT_EQ(f.draw_w, c.size) << c.clock_before;
        EXPECT_EQ(f.draw_h, c.size) << c.clock_before;
        EXPECT_EQ(f.draw_x, 333 + c.offset) << c.clock_before;
        EXPECT_EQ(f.draw_y, 233 + c.offset) << c.clock_before;
        EXPECT_EQ(w.pop_flags[0], c.pops ? 1 : 0) << c.clock_before;
        EXPECT_EQ(f.phase, c.pops ? 0 : -1) << c.clock_before;

        flower_update(w, 0);
        EXPECT_EQ(f.live, c.pops ? 0 : 1) << c.clock_before;
        EXPECT_EQ(w.pop_flags[0], 0) << c.clock_before;
    }
}

TEST(HanaUpdate, LifeDecidesHowManyUpdatesItSees) {
    struct Case {
        int energy, updates;
    };
    const Case cases[] = {{54, 1}, {0, 1}, {55, 2}, {109, 2}, {110, 3}, {555, 11}, {5500, 101}};
    for (const Case& c : cases) {
        World w = planting_world(c.energy);
        flower_plant(w, 4);
        int n = 0;
        while (flower(w, 0).live == 1 && n < 1000) {
            flower_update(w, 0);
            ++n;
        }
        EXPECT_EQ(n, c.updates) << "energy " << c.energy;
        EXPECT_EQ(w.pop_flags[0], 0);
    }
}

TEST(HanaUpdate, BloomClockIsSharedInFlowerOrder) {
    // Two flowers at full size in one frame: the first takes the clock to 146 (200 px), the
    // second to 147 (220 px).
    World w = planting_world(30000);
    flower_plant(w, 4);
    flower_plant(w, 4);
    flower(w, 0).phase = 0;
    flower(w, 1).phase = 0;
    w.bloom_clock = 145;
    flower_update(w, 0);
    flower_update(w, 1);
    EXPECT_EQ(flower(w, 0).draw_w, 200);
    EXPECT_EQ(flower(w, 1).draw_w, 220);
    EXPECT_EQ(flower(w, 1).draw_x, 333 - 90);
}

}  // namespace
}  // namespace vorlip
