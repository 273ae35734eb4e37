// A chick's energy and the leader, the one-step mover, turning about and leaving the screen.
#include <gtest/gtest.h>

#include "chick_setup.hpp"
#include "chicks/chick.hpp"

namespace vorlip {
namespace {

using test::add_chick;
using test::at;
using test::chick_world;

TEST(ChickAddEnergy, GainsLossesAndThePullBackTo555) {
    struct Case {
        int energy, vigour, amount;
        bool leads;
        int expected;
    };
    const Case cases[] = {
        {0, 100, 0, false, 555},      // a new chick: pulled to 555, loss floor_int(0.3) = 0
        {0, 400, 0, false, 554},      // 555 - floor_int(1.2)
        {1000, 100, -3, false, 962},  // floor_int(-37.5) = -38, floored away from zero
        {1000, 100, -2, false, 975},
        {1000, 100, 6, false, 1075},
        {1000, 333, 0, false, 1000},  // floor_int(0.999): no loss below vigour 334
        {1000, 334, 0, false, 999},
        {1000, 200, 1, true, 1014},  // +25, the leader loses floor_int(11.1) = 11
        {1000, 551, 0, true, 970},   // floor_int(30.58)
        {49, 100, 0, false, 555},
        {50, 100, 0, false, 50},
        {5500, 100, 0, false, 5500},
        {5501, 100, 0, false, 555},
        {-7, 100, 0, false, 555},
        // The vigour x amount product wraps at 16 bits: 5500 x 6 = 33000 becomes -32536.
        {1000, 5500, 6, false, 1000 - 4067 - 16},
    };
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 3, 100, 100);
        p.energy = static_cast<i16>(c.energy);
        p.vigour = static_cast<i16>(c.vigour);
        w.leader = c.leads ? 3 : 7;
        chick_add_energy(w, 3, static_cast<i16>(c.amount));
        EXPECT_EQ(p.energy, c.expected)
            << "energy " << c.energy << " vigour " << c.vigour << " amount " << c.amount;
    }
}

TEST(ChickCheckLeader, TakesOverOnlyAboveTheRecordMark) {
    struct Case {
        int leader_energy, energy, result, leader_after, mark_after;
    };
    const Case cases[] = {
        {0, 100, 1, 3, 100},     {1000, 1001, 1, 3, 1001}, {1000, 1000, 0, 9, 1000},
        {1000, 445, 0, 9, 1000}, {1000, 444, -1, 9, 1000}, {0, 0, 0, 9, 0},
    };
    for (const Case& c : cases) {
        World w = chick_world();
        add_chick(w, 3, 100, 100).energy = static_cast<i16>(c.energy);
        w.leader = 9;
        w.leader_energy = static_cast<i16>(c.leader_energy);
        EXPECT_EQ(chick_check_leader(w, 3), static_cast<Lead>(c.result))
            << c.leader_energy << " vs " << c.energy;
        EXPECT_EQ(w.leader, c.leader_after);
        EXPECT_EQ(w.leader_energy, c.mark_after);
    }
}

TEST(ChickCheckLeader, EqualEnergyDoesNotTakeOver) {
    World w = chick_world();
    add_chick(w, 5, 0, 0).energy = 800;
    add_chick(w, 1, 0, 0).energy = 800;
    EXPECT_EQ(chick_check_leader(w, 5), Lead::leads);
    EXPECT_EQ(chick_check_leader(w, 1), Lead::follows);
    EXPECT_EQ(w.leader, 5);
}

TEST(ChickMove, FreeStepFollowsTheFacing) {
    struct Case {
        int facing, dx, dy, x, y;
    };
    const Case cases[] = {
        {2, 4, 3, 504, 397},
        {1, 4, 3, 496, 397},
        {0, 4, 3, 496, 397},
        {2, -8, -5, 492, 405},  // negative steps move against the facing and down
    };
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 2, 500, 400);
        p.facing = static_cast<Facing>(c.facing);
        chick_move(w, 2, static_cast<i16>(c.dx), static_cast<i16>(c.dy));
        EXPECT_EQ(p.x, c.x) << "facing " << c.facing;
        EXPECT_EQ(p.y, c.y) << "facing " << c.facing;
        EXPECT_EQ(w.flower_beat, 1);
    }
}

TEST(ChickMove, Every31stFreeStepPlantsAFlower) {
    World w = chick_world();
    add_chick(w, 2, 500, 400).energy = 900;
    add_chick(w, 6, 100, 100).energy = 800;  // within 555 of the leader: never lags
    int planted_at = -1;
    for (int n = 1; n <= 62; ++n) {
        chick_move(w, n % 2 ? 2 : 6, 0, 0);
        if (w.flowers[0].live == 1 && planted_at < 0) planted_at = n;
    }
    EXPECT_EQ(planted_at, 31);
    EXPECT_EQ(w.flowers[0].box_x, 533);  // step 31 was chick 2's
    EXPECT_EQ(w.flowers[1].box_x, 133);  // step 62 was chick 6's
    EXPECT_EQ(w.flower_beat, 0);
}

TEST(ChickMove, LaggingStepIsDrawnTowardsTheLeader) {
    // Leader in slot 5 at (500, 400); the lagging chick has energy 100 against a mark of
    // 2000, vigour 100, so a step level with the leader gains floor_int(12.5) = 12.
    struct Case {
        int x, y, facing, dx, x_after, y_after;
        bool gains;
    };
    const Case cases[] = {
        {406, 400, 2, 4, 410, 400, false},  // more than 93 px left: moves right, y stays
        {407, 400, 2, 4, 411, 397, true},   // exactly 93: level; along the facing, climbs
        {407, 400, 1, 4, 403, 397, true},
        {594, 400, 2, 4, 590, 400, false},  // more than 93 px right: moves left
        {593, 400, 1, 4, 589, 397, true},
        {500, 284, 2, 4, 504, 287, false},  // more than 115 px above: moves down
        {500, 285, 2, 4, 504, 282, true},   // exactly 115: level
        {500, 516, 2, 4, 504, 513, false},  // more than 115 px below: moves up
        {500, 515, 2, 4, 504, 512, true},
        {300, 100, 1, 4, 304, 103, false},   // far left and far above: both corrections
        {300, 400, 2, -4, 296, 400, false},  // a negative dx moves it away from the leader
        // y + 115 wraps to below the leader and y - 115 stays above it: both corrections,
        // which cancel.
        {500, 32700, 2, 4, 504, 32700, false},
    };
    for (const Case& c : cases) {
        World w = chick_world();
        add_chick(w, 5, 500, 400);
        BroodRec& p = add_chick(w, 2, c.x, c.y);
        p.facing = static_cast<Facing>(c.facing);
        p.energy = 100;
        p.vigour = 100;
        w.leader = 5;
        w.leader_energy = 2000;
        w.flower_beat = 30;
        chick_move(w, 2, static_cast<i16>(c.dx), 3);
        EXPECT_EQ(p.x, c.x_after) << c.x << "," << c.y;
        EXPECT_EQ(p.y, c.y_after) << c.x << "," << c.y;
        EXPECT_EQ(p.energy, c.gains ? 112 : 100) << c.x << "," << c.y;
        EXPECT_EQ(w.flower_beat, 30) << "a lagging step does not count towards a flower";
        EXPECT_EQ(w.flowers[0].live, 0);
    }
}

TEST(ChickMove, LaggingChickHeadsForTheLeadersSlotWhateverItHolds) {
    World w = chick_world();
    BroodRec& p = add_chick(w, 2, 100, 100);
    p.energy = 100;
    at(w, 8) = BroodRec{};  // the leader's slot has been freed
    at(w, 8).x = 900;
    at(w, 8).y = 600;
    w.leader = 8;
    w.leader_energy = 1000;
    chick_move(w, 2, 5, 5);
    EXPECT_EQ(p.x, 105);
    EXPECT_EQ(p.y, 105);

    w.leader = 300;  // a stray value in a loaded world is treated as a leader at the origin
    chick_move(w, 2, 5, 5);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 105);
}

TEST(ChickTurn, FlipsBetweenLeftAndRight) {
    const int cases[][2] = {{2, 1}, {1, 2}, {0, 2}, {7, 2}};
    for (const auto& c : cases) {
        World w = chick_world();
        add_chick(w, 0, 0, 0).facing = static_cast<Facing>(c[0]);
        chick_turn(w, 0);
        EXPECT_EQ(at(w, 0).facing, static_cast<Facing>(c[1]));
    }
}

TEST(ChickCheckOffscreen, LeavesAtTheLeftTopAndRightButNotTheBottom) {
    struct Case {
        int x, y, gone;
    };
    const Case cases[] = {{1023, 0, 0}, {1024, 0, 1}, {-71, 0, 0},   {-72, 0, 1},    {0, -71, 0},
                          {0, -72, 1},  {0, 767, 0},  {0, 32000, 0}, {-500, 5000, 1}};
    for (const Case& c : cases) {
        World w = chick_world();
        add_chick(w, 4, c.x, c.y);
        w.leader = 4;
        w.leader_energy = 3000;
        w.chicks_gone = 2;
        EXPECT_EQ(chick_check_offscreen(w, 4), c.gone == 1) << c.x << "," << c.y;
        EXPECT_EQ(at(w, 4).anim, c.gone ? 0 : 1);
        EXPECT_EQ(w.chicks_gone, 2 + c.gone);
        EXPECT_EQ(w.leader_energy, c.gone ? 0 : 3000);
    }
}

TEST(ChickCheckOffscreen, AnotherChickLeavingKeepsTheLeadersMark) {
    World w = chick_world();
    add_chick(w, 4, -100, 0);
    w.leader = 2;
    w.leader_energy = 3000;
    EXPECT_TRUE(chick_check_offscreen(w, 4));
    EXPECT_EQ(w.leader_energy, 3000);
}

}  // namespace
}  // namespace vorlip
