#include <gtest/gtest.h>

#include "garden/patrol.hpp"
#include "garden/patrol_support.hpp"
#include "support/test_support.hpp"

namespace vorlip {
namespace {

using test::pl;
using test::put_chick;
using test::put_rescuer;

TEST(PatrolApproach, ReachIsUnderFifteenPixels) {
    const struct {
        i16 dx, dy, want;
    } cases[] = {{14, 0, 1}, {15, 0, 0}, {-14, 14, 1}, {-15, 0, 0}, {0, -15, 0}, {14, -14, 1}};
    for (const auto& c : cases) {
        World w = test::plain_world();
        put_rescuer(w, 25, 300, 300, 4, 1);
        put_chick(w, 4, w16(300 + c.dx), w16(300 + c.dy), 1, Footing::tumbling);
        ScriptedRandom rnd = test::script({0.5f, 0.5f});
        EXPECT_EQ(patrol_approach(w, rnd, 4, 25), static_cast<PatrolMove>(c.want))
            << c.dx << "," << c.dy;
        EXPECT_EQ(rnd.used(), c.want == 1 ? 0u : 2u);
    }
}

TEST(PatrolApproach, JumpPastTheTargetIsUndone) {
    World w = test::plain_world();
    BroodRec& c = put_rescuer(w, 25, 300, 303, 4, 1);
    c.facing = Facing::left;
    put_chick(w, 4, 340, 300, 1, Footing::tumbling);
    ScriptedRandom rnd = test::script({0.5f, 0.25f});  // range 11: k 5, k2 2
    EXPECT_EQ(patrol_approach(w, rnd, 4, 25), PatrolMove::moving);
    EXPECT_EQ(c.y, 303);
    EXPECT_EQ(c.x, 308);
    EXPECT_EQ(c.facing, Facing::right);
    // Leftwards past the target: undone, and facing still ends as right.
    c.x = 345;
    ScriptedRandom rnd2 = test::script({0.0f, 0.0f});
    patrol_approach(w, rnd2, 4, 25);
    EXPECT_EQ(c.x, 345);
    EXPECT_EQ(c.facing, Facing::right);
}

TEST(PatrolApproach, RangeSweepsBetweenNineAndTwentySix) {
    World w = test::plain_world();
    put_rescuer(w, 25, 0, 0, 4, 1);
    put_chick(w, 4, 900, 700, 1, Footing::tumbling);
    std::vector<int> seen;
    for (int n = 0; n < 36; ++n) {
        ScriptedRandom rnd = test::script({0.0f, 0.0f});
        pl(w, 25).x = 0;
        pl(w, 25).y = 0;
        patrol_approach(w, rnd, 4, 25);
        seen.push_back(w.approach_range);
    }
    std::vector<int> want;
    for (int r = 11; r <= 26; ++r) want.push_back(r);
    for (int r = 25; r >= 9; --r) want.push_back(r);
    for (int r = 11; r <= 13; ++r) want.push_back(r);
    EXPECT_EQ(seen, want);
}

TEST(PatrolStep, LostTargetResetsItsCountAndCatchHoldsIt) {
    const struct {
        BroodKind kind;
        Footing footing;
        i16 dx;
        i16 want_link, want_count;
        Footing want_footing;
    } cases[] = {{BroodKind::egg, Footing::tumbling, 100, 0, 0, Footing::tumbling},
                 {BroodKind::chick, Footing::steady, 100, 0, 0, Footing::steady},
                 {BroodKind::chick, Footing::tumbling, 10, -1, -1, Footing::held}};
    for (const auto& k : cases) {
        World w = test::plain_world();
        BroodRec& c = put_rescuer(w, 25, 300, 300, 4, 1);
        c.tick = 17;
        BroodRec& t = put_chick(w, 4, w16(300 + k.dx), 300, 1, k.footing);
        t.kind = k.kind;
        w.rescuers[4] = 3;  // others head for it too
        SeededRandom rnd(2);
        patrol_step(w, rnd, 25);
        EXPECT_EQ(c.aux2, k.want_link);
        EXPECT_EQ(w.rescuers[4], k.want_count);
        EXPECT_EQ(t.footing, k.want_footing);
        EXPECT_EQ(c.tick, k.want_link == -1 ? 0 : 17);
    }
}

TEST(PatrolCarry, HoldsTheTargetAboveAndCompletesOnTheTargetSheet) {
    const struct {
        i16 own, held, frames;
    } cases[] = {{3, 3, 9}, {2, 3, 10}, {7, 3, 11}, {6, 2, 12}, {5, 5, 13}, {4, 3, 14}};
    for (const auto& k : cases) {
        World w = test::plain_world();
        BroodRec& c = put_rescuer(w, 25, 300, 400, 4, -1);
        c.sheet = k.own;
        c.target_sheet = 2;
        BroodRec& t = put_chick(w, 4, 290, 390, 3, Footing::held, k.held);
        t.bumped = 1;
        w.rescuers[4] = -1;
        int frames = 0;
        while (c.state == Behaviour::patrol && frames < 20) {
            patrol_carry(w, 25);
            ++frames;
            EXPECT_EQ(t.x, c.x);
            EXPECT_EQ(t.y, c.y - 15);
        }
        EXPECT_EQ(frames, k.frames) << k.own << "," << k.held;
        EXPECT_EQ(c.y, 400 - 4 * k.frames);
        EXPECT_EQ(c.state, Behaviour::sway);  // it takes over the rescued chick's behaviour
        EXPECT_EQ(c.sheet, 2);
        EXPECT_EQ(t.sheet, 2);
        EXPECT_EQ(c.footing, Footing::steady);
        EXPECT_EQ(t.footing, Footing::steady);
        EXPECT_EQ(t.bumped, 0);
        EXPECT_EQ(w.rescuers[4], 0);
    }
}

TEST(PatrolCarry, ReleasedWhenTheTargetIsSetDownOrGone) {
    for (bool gone : {false, true}) {
        World w = test::plain_world();
        BroodRec& c = put_rescuer(w, 25, 300, 400, 4, -1);
        c.tick = 9;
        BroodRec& t = put_chick(w, 4, 300, 385, 1, gone ? Footing::held : Footing::steady);
        if (gone) t.anim = 0;
        w.rescuers[4] = -1;
        patrol_carry(w, 25);
        EXPECT_EQ(c.aux2, 0);
        EXPECT_EQ(c.state, Behaviour::patrol);
        EXPECT_EQ(c.y, 400);
        EXPECT_EQ(w.rescuers[4], 0);
    }
}

TEST(PatrolRecruit, ScanStopsAtTheFirstServedChick) {
    const struct {
        i16 own_target;
        bool recruits;
    } cases[] = {{9, false}, {3, true}};
    for (const auto& k : cases) {
        World w = test::plain_world();
        for (int i : {3, 7, 9}) put_chick(w, i, w16(100 * i), 500, 1, Footing::tumbling, 4);
        pl(w, 7).sheet = 6;
        w.rescuers[3] = 1;
        w.rescuers[9] = 1;
        put_rescuer(w, 20, 50, 50, k.own_target, 1);
        BroodRec& idle = put_chick(w, 31, 10, 10, Behaviour::patrol);
        patrol_recruit(w, 20);
        EXPECT_EQ(w.rescuers[7], k.recruits ? 1 : 0);
        EXPECT_EQ(idle.aux2, k.recruits ? 1 : 0);
        EXPECT_EQ(idle.aux1, k.recruits ? 7 : 0);
        EXPECT_EQ(idle.target_sheet, k.recruits ? 6 : 0);
        EXPECT_EQ(w.patrol_scan_from, k.recruits ? 8 : 0);
    }
}

TEST(PatrolRecruit, SpawnsARescuerOnlyWhenASlotIsFree) {
    for (bool full : {false, true}) {
        World w = test::plain_world();
        put_chick(w, 7, 700, 500, 1, Footing::tumbling, 4);
        put_rescuer(w, 20, 50, 60, 3, 1);
        put_chick(w, 3, 0, 0, 1, Footing::held);
        if (full)
            for (int i = 25; i <= 38; ++i) put_chick(w, i, 0, 0, 1, Footing::steady);
        const World before = w;
        patrol_recruit(w, 20);
        if (full) {
            EXPECT_EQ(w, before);
            continue;
        }
        EXPECT_EQ(w.rescuers[7], 1);
        EXPECT_EQ(pl(w, 25).state, Behaviour::patrol);
        EXPECT_EQ(pl(w, 25).aux1, 7);
        EXPECT_EQ(pl(w, 25).x, 50);
        EXPECT_EQ(pl(w, 25).y, 60);
        EXPECT_EQ(w.chick_count, before.chick_count + 1);
    }
}

TEST(PatrolFindIdle, LowestUnassignedPatrolChickFromTheClutchSlots) {
    World w = test::plain_world();
    put_chick(w, 10, 0, 0, Behaviour::patrol);  // below the clutch slots
    put_chick(w, 26, 0, 0, Behaviour::patrol).aux2 = 1;
    put_chick(w, 27, 0, 0, 1, Footing::steady);                       // not a patrol chick
    put_chick(w, 28, 0, 0, Behaviour::patrol).kind = BroodKind::egg;  // an egg keeps its roll data
    EXPECT_EQ(patrol_find_idle(w), -1);
    put_chick(w, 39, 0, 0, Behaviour::patrol);
    EXPECT_EQ(patrol_find_idle(w), 39);
    put_chick(w, 30, 0, 0, Behaviour::patrol).kind = BroodKind::hatching;
    EXPECT_EQ(patrol_find_idle(w), 30);
}

}  // namespace
}  // namespace vorlip
