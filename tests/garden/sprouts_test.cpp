#include "garden/sprouts.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "frame/step.hpp"
#include "scene/draw.hpp"
#include "support/test_support.hpp"

namespace vorlip {
namespace {

SproutRec& sp(World& w, int i) {
    return w.sprouts[static_cast<std::size_t>(i)];
}

SproutRec shoot(i16 x, i16 y, i16 dx, i16 dy, i16 life, i16 generation) {
    SproutRec s;
    s.live = 1;
    s.kind = SproutKind::shoot;
    s.x = x;
    s.y = y;
    s.dx = dx;
    s.dy = dy;
    s.life = life;
    s.generation = generation;
    return s;
}

TEST(NyokiSow, HeightsCycleAndLifeFollowsFrameNumber) {
    World w = test::plain_world(1024, 768);
    ASSERT_EQ(w.shoot_life_base, 192);
    const struct {
        i16 frame_no;
        i16 y, life;
    } cases[] = {{13, 758, 192}, {12, 748, 108}, {25, 738, 108},
                 {1, 728, 185},  {26, 718, 192}, {14, 758, 185}};
    for (int n = 0; n < 6; ++n) {
        w.frame_no = cases[n].frame_no;
        sprout_sow(w, 100);
        EXPECT_EQ(sp(w, n).y, cases[n].y) << n;
        EXPECT_EQ(sp(w, n).life, cases[n].life) << n;
        EXPECT_EQ(sp(w, n).x, 95);
        EXPECT_EQ(sp(w, n).dy, -5);
    }
}

TEST(NyokiSow, FullTableChangesNothing) {
    World w = test::plain_world();
    for (auto& s : w.sprouts) s.live = 1;
    w.sprouts[40].live = 0;  // beyond brood_max: never used
    const World before = w;
    sprout_sow(w, 100);
    EXPECT_EQ(w, before);
    EXPECT_EQ(sprout_find_free(w), -1);
    sp(w, 7).live = -3;  // any live of 0 or less is free
    EXPECT_EQ(sprout_find_free(w), 7);
}

TEST(NyokiCull, BoundsAndForcedClear) {
    const struct {
        i16 x, y, code, result;
        bool cleared;
    } cases[] = {{-10, -7, 1, 0, false},   {-11, 0, 1, -1, true},  {0, -8, 1, -1, true},
                 {1034, 900, 1, 0, false}, {1035, 0, 1, -1, true}, {50, 50, -1, 0, true}};
    for (const auto& c : cases) {
        World w = test::plain_world(1024, 768);
        sp(w, 3) = shoot(c.x, c.y, 4, -1, 50, 1);
        sp(w, 3).kind = SproutKind::bud;
        const SproutRec kept = sp(w, 3);
        SproutRec cleared;
        cleared.kind = SproutKind::bud;  // the kind survives
        EXPECT_EQ(sprout_cull(w, 3, static_cast<Cull>(c.code)), c.result == -1)
            << c.x << "," << c.y;
        EXPECT_EQ(sp(w, 3), c.cleared ? cleared : kept) << c.x << "," << c.y;
    }
}

// Grows slot 0 for `frames` frames and returns the records made in other slots, in order.
std::vector<SproutRec> grow(World& w, int frames) {
    for (int f = 0; f < frames; ++f) sprout_grow(w, 0);
    std::vector<SproutRec> made;
    for (int j = 1; j <= 39; ++j)
        if (sp(w, j).live > 0) made.push_back(sp(w, j));
    return made;
}

TEST(NyokiGrow, SownShootBranchesRightThenLeft) {
    World w = test::plain_world();
    sp(w, 0) = shoot(100, 700, 0, -5, 150, 0);
    std::vector<SproutRec> made = grow(w, 20);
    ASSERT_EQ(made.size(), 2u);  // no buds from a sown shoot before its end
    EXPECT_EQ(sp(w, 0).y, 600);
    const struct { i16 dx, y, life; } want[] = {{4, 650, 84}, {-4, 600, 67}};
    for (int n = 0; n < 2; ++n) {
        EXPECT_EQ(made[n].generation, 1);
        EXPECT_EQ(made[n].dx, want[n].dx);
        EXPECT_EQ(made[n].dy, -1);
        EXPECT_EQ(made[n].y, want[n].y);
        EXPECT_EQ(made[n].life, want[n].life);
    }
}

TEST(NyokiGrow, TwigsLeanWithTheirBranchAndAlternateSinkRise) {
    const struct { i16 branch_dx, twig_dx; } cases[] = {{4, 3}, {-4, -3}};
    for (const auto& c : cases) {
        World w = test::plain_world();
        sp(w, 0) = shoot(500, 400, c.branch_dx, -1, 84, 1);
        std::vector<SproutRec> made = grow(w, 14);
        ASSERT_EQ(made.size(), 2u);
        EXPECT_EQ(made[0].dx, c.twig_dx);
        EXPECT_EQ(made[0].dy, 2);
        EXPECT_EQ(made[0].life, 32);  // floor(0.49 x 84 x 0.8)
        EXPECT_EQ(made[1].dx, c.twig_dx);
        EXPECT_EQ(made[1].dy, -3);
        EXPECT_EQ(made[1].generation, 2);
    }
}

TEST(NyokiGrow, TwigDropsBudsAtAgesOneSixTwelveAndAtItsEnd) {
    World w = test::plain_world();
    sp(w, 0) = shoot(500, 400, 3, -3, 19, 2);
    std::vector<int> bud_ages;
    int buds = 0;
    for (int f = 0; f < 20; ++f) {
        sprout_grow(w, 0);
        int now = 0;
        for (int j = 1; j <= 39; ++j) now += sp(w, j).live > 0 && sp(w, j).kind == SproutKind::bud;
        if (now > buds) bud_ages.push_back(f + 1);
        buds = now;
    }
    EXPECT_EQ(bud_ages, (std::vector<int>{1, 6, 12, 18, 20}));
    EXPECT_EQ(sp(w, 1).dx, 503);  // the first bud stands where the twig moved to
    EXPECT_EQ(sp(w, 1).dy, 397);
    EXPECT_EQ(sp(w, 0).live, 0);
    EXPECT_EQ(sp(w, 0).kind, SproutKind::shoot);
}

TEST(NyokiGrow, NoLifeMeansABudAtOnceWithoutMoving) {
    World w = test::plain_world();
    sp(w, 0) = shoot(200, 300, 0, -5, 0, 0);
    sprout_grow(w, 0);
    EXPECT_EQ(sp(w, 0).live, 0);
    EXPECT_EQ(sp(w, 1).kind, SproutKind::bud);
    EXPECT_EQ(sp(w, 1).dx, 200);
    EXPECT_EQ(sp(w, 1).dy, 300);
}

TEST(NyokiGrow, FullTableMakesNoBranchAndCountsNone) {
    World w = test::plain_world();
    for (auto& s : w.sprouts) s = shoot(10, 10, 0, 0, 100, 0);
    sp(w, 0) = shoot(100, 700, 0, -5, 150, 0);
    sp(w, 0).age = 9;
    sprout_grow(w, 0);
    EXPECT_EQ(sp(w, 0).offspring, 0);
}

TEST(NyokiBud, VisitsAFiveStampCrossThenClears) {
    World w = test::plain_world();
    SproutRec b;
    b.live = 1;
    b.kind = SproutKind::bud;
    b.x = b.dx = 100;
    b.y = b.dy = 200;
    sp(w, 4) = b;
    const int want[5][2] = {{81, 200}, {119, 200}, {100, 181}, {100, 219}, {100, 200}};
    for (const auto& p : want) {
        sprout_bud_update(w, 4);
        EXPECT_EQ(sp(w, 4).x, p[0]);
        EXPECT_EQ(sp(w, 4).y, p[1]);
    }
    sprout_bud_update(w, 4);
    EXPECT_EQ(sp(w, 4).live, 0);
    EXPECT_EQ(sp(w, 4).x, 0);
    EXPECT_EQ(sp(w, 4).kind, SproutKind::bud);
}

TEST(NyokiBud, LeftEdgeCullsOnTheSecondUpdate) {
    World w = test::plain_world();
    sp(w, 0).live = 1;
    sp(w, 0).kind = SproutKind::bud;
    sp(w, 0).x = sp(w, 0).dx = 5;
    sprout_bud_update(w, 0);
    EXPECT_EQ(sp(w, 0).x, -14);
    EXPECT_EQ(sp(w, 0).live, 1);
    sprout_bud_update(w, 0);
    EXPECT_EQ(sp(w, 0).live, 0);
}

// A sown shoot, stepped by the frame step, paints an unbroken stem into the background.
TEST(NyokiStamp, ShootLeavesAContinuousStem) {
    World w = test::plain_world(200, 150);
    Stage stage;
    stage.compose.resize(200, 150);
    stage.background.resize(200, 150, 0xFFFFFF);
    for (auto& s : stage.sheets) s.resize(40, 80, 0x00FF00);
    SeededRandom rnd(3);
    sprout_sow(w, 60);  // a shoot at x 55, starting at y 140
    for (int f = 0; f < 12; ++f) scene_step(w, rnd, stage);
    // The first stamp is after the first move (135); the tip is at 80 after 12 frames.
    for (int y = 80; y <= 141; ++y) EXPECT_EQ(stage.background.at(57, y), 0x00FF00u) << y;
    EXPECT_EQ(stage.background.at(57, 79), 0xFFFFFFu);
    EXPECT_EQ(stage.background.at(57, 142), 0xFFFFFFu);
}

}  // namespace
}  // namespace vorlip
