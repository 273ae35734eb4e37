#include "scene/world.hpp"

#include <gtest/gtest.h>

#include "support/test_support.hpp"

namespace vorlip {
namespace {

TEST(World, IsZeroAtLoad) {
    const World w;
    EXPECT_EQ(w, World{});
    for (const auto& p : w.brood) EXPECT_EQ(p.anim, 0);
    EXPECT_EQ(w.catch_band, 0.0);
    EXPECT_EQ(w.frame_no, 0);
}

TEST(World, StartValuesInOrder) {
    // Draws: mother_x, mother_y, mother_dir.
    ScriptedRandom rnd({0.0f, 0.0f, 0.25f});
    const World w = test::started_world(1024, 768, rnd);
    EXPECT_EQ(rnd.left(), 0u);
    EXPECT_EQ(w.colour_steps_left, 5);
    EXPECT_EQ(w.colour_run_len, 5);
    EXPECT_EQ(w.colour_run_step, -1);
    EXPECT_EQ(w.mother_target, -1);
    EXPECT_EQ(w.brood_max, 39);
    EXPECT_EQ(w.frame_no, 1);
    EXPECT_EQ(w.clutch_first_slot, 25);
    EXPECT_EQ(w.colour_run_left, 6);
    EXPECT_EQ(w.lay_odds, 55);
    EXPECT_EQ(w.pace_range, 80);
    EXPECT_EQ(w.mother_flap, 1);
    EXPECT_EQ(w.mother_mode, MotherMode::flying);
    EXPECT_EQ(w.mother_x, 102);              // floor_int(102.4) + 0
    EXPECT_EQ(w.mother_y, 76);               // floor_int(76.8) + 0
    EXPECT_EQ(w.mother_dir, Facing::right);  // r < 0.5
    EXPECT_EQ(w.shoot_life_base, 192);
    // Everything else keeps its load value.
    EXPECT_EQ(w.brood, World{}.brood);
    EXPECT_EQ(w.mother_takeoff, 0);
    EXPECT_EQ(w.hop_phase, 0);
    EXPECT_EQ(w.catch_band, 0.0);
}

TEST(World, MotherStartRangeAndRoundings) {
    struct Case {
        int w, h;
        float rx, ry, rdir;
        i16 x, y, dir, life;
    };
    const Case cases[] = {
        // Highest draws land above three quarters and are lowered to it.
        {1024, 768, 0.99999994f, 0.99999994f, 0.5f, 768, 576, 1, 192},
        // 1366 wide: floor_int(136.6) = 136 and floor_int(1024.5) = 1024.
        {1366, 768, 0.5f, 0.5f, 0.75f, 486, 326, 1, 192},
        {1366, 768, 0.99999994f, 0.0f, 0.0f, 836, 76, 2, 192},
        // Half a pixel rounds to even: 136 + 87.5 -> 224, 136 + 262.5 -> 398.
        {1366, 768, 0.125f, 0.0f, 0.0f, 224, 76, 2, 192},
        {1366, 768, 0.375f, 0.0f, 0.0f, 398, 76, 2, 192},
        // shoot_life_base halves to even: 1050 / 4 = 262.5 -> 262, 1054 / 4 = 263.5 -> 264.
        {1680, 1050, 0.0f, 0.0f, 0.0f, 168, 105, 2, 262},
        {1680, 1054, 0.0f, 0.0f, 0.0f, 168, 105, 2, 264},
        // A tiny screen: three quarters is below the tenth plus the draw.
        {100, 80, 0.5f, 0.5f, 0.0f, 75, 60, 2, 20},
    };
    for (const Case& c : cases) {
        ScriptedRandom rnd({c.rx, c.ry, c.rdir});
        const World w = test::started_world(c.w, c.h, rnd);
        EXPECT_EQ(w.mother_x, c.x) << c.w << "x" << c.h << " rx " << c.rx;
        EXPECT_EQ(w.mother_y, c.y) << c.w << "x" << c.h;
        EXPECT_EQ(w.mother_dir, static_cast<Facing>(c.dir));
        EXPECT_EQ(w.shoot_life_base, c.life) << c.h;
    }
}

TEST(World, MotherStartsInsideUpperThreeQuarters) {
    SeededRandom rnd(7);
    for (int k = 0; k < 2000; ++k) {
        const World w = test::started_world(1024, 768, rnd);
        ASSERT_GE(w.mother_x, 102);
        ASSERT_LE(w.mother_x, 768);
        ASSERT_GE(w.mother_y, 76);
        ASSERT_LE(w.mother_y, 576);
    }
}

}  // namespace
}  // namespace vorlip
