#include "garden/patrol.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "garden/patrol_support.hpp"
#include "support/test_support.hpp"

namespace vorlip {
namespace {

using test::pl;
using test::put_chick;
using test::put_rescuer;

TEST(PatrolStep, AnimationFramesAndWrap) {
    World w = test::plain_world();
    BroodRec& c = put_chick(w, 5, 500, 300, Behaviour::patrol);
    c.aux2 = 2;  // a link value that only animates
    ScriptedRandom rnd = test::script({});
    const std::vector<int> want = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 1, 0, 0};
    std::vector<int> got;
    for (std::size_t n = 0; n < want.size(); ++n) got.push_back(patrol_step(w, rnd, 5));
    EXPECT_EQ(got, want);
    EXPECT_EQ(c.anim, 2);
    for (i16 odd : {0, 18, -4}) {
        c.anim = odd;
        EXPECT_EQ(patrol_step(w, rnd, 5), 0);
    }
}

TEST(PatrolWander, StepsTowardsTheMotherAndTiesGoLeftAndUp) {
    const struct {
        i16 x, y;    // chick
        i16 mx, my;  // mother; the goal is 24 px inside her box
        int want_x, want_y;
    } cases[] = {
        {100, 100, 200, 50, 102, 98}, {300, 50, 0, 300, 298, 52}, {124, 124, 100, 100, 122, 122}};
    for (const auto& c : cases) {
        World w = test::plain_world();
        w.mother_x = c.mx;
        w.mother_y = c.my;
        put_chick(w, 2, c.x, c.y, Behaviour::patrol);
        ScriptedRandom rnd = test::script({0.7f});  // range 3: step 2
        EXPECT_EQ(patrol_wander(w, rnd, 2), PatrolMove::moving);
        EXPECT_EQ(pl(w, 2).x, c.want_x);
        EXPECT_EQ(pl(w, 2).y, c.want_y);
    }
}

TEST(PatrolWander, WalkEndsOnTheFiftyFourthCallAndFlashesLate) {
    World w = test::plain_world();
    BroodRec& c = put_chick(w, 2, 500, 500, Behaviour::patrol, Footing::steady, 4);
    SeededRandom rnd(9);
    std::vector<int> ranges;
    std::vector<std::pair<int, int>> flashes;  // (tick before the call, sheet after it)
    int calls = 1;
    for (;; ++calls) {
        const int tick = c.tick, sheet = c.sheet;
        if (patrol_wander(w, rnd, 2) == PatrolMove::walk_over) break;
        ranges.push_back(w.wander_range);
        if (c.sheet != sheet) flashes.emplace_back(tick, c.sheet);
    }
    EXPECT_EQ(calls, 54);
    EXPECT_EQ(c.tick, 36);
    EXPECT_EQ((std::vector<int>(ranges.begin(), ranges.begin() + 5)),
              (std::vector<int>{3, 4, 5, 3, 4}));
    // A tick that a pace multiple of 3 holds back is seen by two calls, so each of the ticks
    // 24, 28 and 32 flashes twice.
    EXPECT_EQ(flashes, (std::vector<std::pair<int, int>>{
                           {24, 2}, {24, 3}, {28, 4}, {28, 5}, {32, 6}, {32, 7}}));
}

TEST(PatrolStep, DeparturesSowOnTheirScheduleBelowTheChick) {
    World w = test::plain_world(1024, 768);
    w.mother_x = 800;
    w.mother_y = 600;
    ScriptedRandom rnd = test::script({});
    std::vector<int> sowing_departures;
    for (int n = 1; n <= 100; ++n) {
        BroodRec& c = put_chick(w, 10, 100, 200, Behaviour::patrol);
        c.tick = 36;  // its walk is over
        patrol_step(w, rnd, 10);
        ASSERT_EQ(c.anim, 0);
        if (w.sprouts[0].live > 0) {
            sowing_departures.push_back(n);
            if (n == 1) {
                EXPECT_EQ(w.sprouts[0].x, 131);  // below the middle of its box
            }
            w.sprouts[0].live = 0;
        }
    }
    EXPECT_EQ(w.chicks_gone, 100);
    // Gaps 1, 3, 5, ..., 13, then 2, 4, ..., 14.
    EXPECT_EQ(sowing_departures,
              (std::vector<int>{1, 4, 9, 16, 25, 36, 49, 51, 55, 61, 69, 79, 91}));
}

TEST(PatrolFinishWander, OnTheMotherItStaysElseItLeaves) {
    const struct {
        i16 aux2, result;
        bool on_mother;
        i16 want;
        Behaviour state;
        i16 anim, gone;
    } cases[] = {{0, -1, true, 0, Behaviour::flock, 1, 0},
                 {0, -1, false, 2, Behaviour::patrol, 0, 1},
                 {0, 0, false, 0, Behaviour::patrol, 1, 0},
                 {1, -1, false, 0, Behaviour::patrol, 1, 0}};
    for (const auto& k : cases) {
        World w = test::plain_world();
        w.mother_x = 400;
        w.mother_y = 300;
        put_chick(w, 12, k.on_mother ? 400 : 100, k.on_mother ? 300 : 100, Behaviour::patrol).aux2 =
            k.aux2;
        EXPECT_EQ(patrol_finish_wander(w, 12, static_cast<PatrolMove>(k.result)),
                  static_cast<PatrolMove>(k.want));
        EXPECT_EQ(pl(w, 12).state, k.state);
        EXPECT_EQ(pl(w, 12).anim, k.anim);
        EXPECT_EQ(w.chicks_gone, k.gone);
    }
}

TEST(PatrolStep, WalkEndingOnTheMotherMakesAFlockChick) {
    World w = test::plain_world();
    w.mother_x = 400;
    w.mother_y = 300;
    BroodRec& c = put_chick(w, 12, 400, 300, Behaviour::patrol, Footing::steady, 6);
    c.tick = 40;
    ScriptedRandom rnd = test::script({});
    patrol_step(w, rnd, 12);
    EXPECT_EQ(c.state, Behaviour::flock);
    EXPECT_EQ(c.aux2, 0);
    EXPECT_EQ(c.sheet, 6);
    EXPECT_EQ(c.anim, 2);
}

TEST(PatrolStep, PairingCapsRescuersAtFive) {
    World w = test::plain_world();
    put_chick(w, 3, 600, 500, 1, Footing::tumbling, 5);
    for (int i = 25; i <= 30; ++i) put_chick(w, i, 100, 100, Behaviour::patrol);
    SeededRandom rnd(4);
    for (i16 i = 25; i <= 30; ++i) patrol_step(w, rnd, i);
    EXPECT_EQ(w.rescuers[3], 5);
    for (int i = 25; i <= 29; ++i) {
        EXPECT_EQ(pl(w, i).aux2, 1) << i;
        EXPECT_EQ(pl(w, i).aux1, 3) << i;
        EXPECT_EQ(pl(w, i).target_sheet, 5) << i;
        EXPECT_GE(pl(w, i).x, 106) << i;  // it made its first jump in the pairing call
    }
    EXPECT_EQ(pl(w, 30).aux2, 0);  // the sixth walks instead
    EXPECT_EQ(pl(w, 30).tick, 1);
}

}  // namespace
}  // namespace vorlip
