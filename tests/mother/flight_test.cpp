#include <gtest/gtest.h>

#include <vector>

#include "mother/mother.hpp"
#include "mother_fixtures.hpp"
#include "support/test_support.hpp"

namespace vorlip::test {
namespace {

ScriptedRandom none() {
    return ScriptedRandom({});
}

// A world with the mother flying at (x, y) in a long pace cycle that draws nothing for a while.
World flying_at(int x, int y, i16 dir, i16 pace) {
    World w = plain_world();
    w.mother_x = w16(x);
    w.mother_y = w16(y);
    w.mother_dir = static_cast<Facing>(dir);
    w.mother_mode = MotherMode::flying;
    w.pace = pace;
    w.pace_extra = 200;
    w.fall_speed = 9;  // left over from an earlier descent
    return w;
}

// --- mother_update -------------------------------------------------------------------------

TEST(MotherUpdate, FirstUpdateAfterTheStart) {
    World w = plain_world();  // mother at (102, 76), heading right
    // Her first laying decision restarts the odds (0.5 -> 5) and misses (floor_int(0.9 x 5) = 4);
    // the turn draw misses too.
    ScriptedRandom rnd = script({0.5f, 0.9f, 0.5f});
    World want = w;
    want.mother_flap = 2;
    want.turn_odds = 150;
    want.hop_phase = 55;
    want.pace = 1;
    // Her laying decision: clocks pulled into range, pace_range from 55, odds restarted.
    want.lay_clock = 2500;
    want.batch_base = 100;
    want.pace_range = 221;
    want.lay_odds = 5;
    want.lay_odds_max = 35;
    EXPECT_EQ(mother_update(w, rnd), 0);
    EXPECT_TRUE(w == want) << "she neither moved nor changed anything else";
    EXPECT_EQ(rnd.left(), 0u);
}

TEST(MotherUpdate, WingBeatOverElevenUpdates) {
    World w = flying_at(300, -30000, 2, 0);
    w.mother_mode = MotherMode::dropping;  // falling from far above draws nothing
    ScriptedRandom rnd = none();
    std::vector<i16> frames;
    for (int k = 0; k < 12; ++k) frames.push_back(mother_update(w, rnd));
    EXPECT_EQ(frames, (std::vector<i16>{0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 0, 0}));
    EXPECT_EQ(w.mother_flap, 2);

    struct Case {
        i16 flap, frame, flap_after;
    };
    const Case cases[] = {{6, 5, 7}, {11, 0, 1}, {0, 0, 1}, {12, 0, 1}, {-3, 0, -2}};
    for (const Case& c : cases) {
        World v = flying_at(300, -30000, 2, 0);
        v.mother_mode = MotherMode::dropping;
        v.mother_flap = c.flap;
        EXPECT_EQ(mother_update(v, rnd), c.frame) << c.flap;
        EXPECT_EQ(v.mother_flap, c.flap_after) << c.flap;
    }
}

TEST(MotherUpdate, PaceCycleHoversThenSpeedsUp) {
    struct Case {
        i16 pace_extra;
        std::vector<int> frames_at_speed;  // index = speed
    };
    const Case cases[] = {
        {0, {10}},                  // a cycle shorter than 19 frames is all hover
        {9, {19}},                  //
        {25, {19, 16}},             //
        {70, {19, 20, 20, 20, 1}},  // 80 frames
    };
    for (const Case& c : cases) {
        World w = flying_at(300, 400, 2, 0);
        w.pace_extra = c.pace_extra;
        w.lay_odds = 10;
        w.lay_odds_max = 30000;  // her odds climb but never restart
        ScriptedRandom rnd(std::vector<float>(1000, 0.99f));
        std::vector<int> counts;
        const int cycle = c.pace_extra + 10;
        for (int k = 0; k < cycle; ++k) {
            const i16 x0 = w.mother_x, y0 = w.mother_y;
            mother_update(w, rnd);
            const int speed = w.mother_x - x0;
            ASSERT_GE(speed, 0);
            if (speed >= static_cast<int>(counts.size())) counts.resize(speed + 1);
            ++counts[speed];
            EXPECT_EQ(y0 - w.mother_y, speed > 0 ? 1 : 0) << "she rises while she moves";
        }
        EXPECT_EQ(counts, c.frames_at_speed) << "pace_extra " << c.pace_extra;
        // Hovering, she considered laying and turning back: two draws each time.
        EXPECT_EQ(rnd.used(), 2u * static_cast<unsigned>(c.frames_at_speed[0]));

        // The cycle starts again with a new lengthening drawn from pace_range.
        const i16 range = w.pace_range;
        const i16 x0 = w.mother_x;
        mother_update(w, rnd);
        EXPECT_EQ(w.pace, 1);
        EXPECT_EQ(w.pace_extra, floor_int(0.99f * static_cast<double>(range)));
        EXPECT_EQ(w.mother_x, x0);
    }
}

TEST(MotherUpdate, LandingHopAndTakeOffScan) {
    World w = flying_at(300, 648, 2, 1);   // the ground line on a 768 screen
    w.mother_mode = MotherMode::dropping;  // coming down
    w.hop_phase = 10;
    w.lay_odds = 55;
    w.chick_count = 3;
    put_chick(w, 2, 320, 700);  // below her: in the column
    put_chick(w, 3, 700, 700);  // to the side
    put_chick(w, 4, 320, 100);  // above the top of her box
    w.rescuers[2] = 2;

    // Landing: she does not move, and is flying again.
    ScriptedRandom rnd = script({0.5f, 0.5f, 0.9f, 0.9f});
    mother_update(w, rnd);
    EXPECT_EQ(w.mother_mode, MotherMode::flying);
    EXPECT_EQ(w.mother_takeoff, 1);
    EXPECT_EQ(w.mother_x, 300);
    EXPECT_EQ(w.mother_y, 648);
    EXPECT_EQ(rnd.used(), 0u);

    // Take-off: floor_int(0.5 x (55 + 8 + 145)) = 104 up; the column below her is scanned.
    mother_update(w, rnd);
    EXPECT_EQ(w.mother_y, 544);
    EXPECT_EQ(w.mother_takeoff, 0);
    EXPECT_EQ(w.mother_mode, MotherMode::flying);
    EXPECT_EQ(w.mother_hit, 1);
    EXPECT_EQ(slot(w, 2).bumped, 1);
    EXPECT_EQ(w.rescuers[2], 0);
    EXPECT_EQ(slot(w, 3).bumped, 0);
    EXPECT_EQ(slot(w, 4).bumped, 0);

    // The scan's hit sends her straight back down; hovering, she still decides about laying
    // (restart 0.5 -> 5, floor_int(0.9 x 5) = 4: no egg) and turning.
    mother_update(w, rnd);
    EXPECT_EQ(w.mother_mode, MotherMode::dropping);
    EXPECT_EQ(w.mother_target, -1);
    EXPECT_EQ(w.mother_y, 544);
    EXPECT_EQ(rnd.left(), 0u);

    // Falling: 5 pixels, then one more each frame, straight down.
    std::vector<int> drops;
    for (int k = 0; k < 4; ++k) {
        const i16 y0 = w.mother_y;
        mother_update(w, rnd);
        drops.push_back(w.mother_y - y0);
        EXPECT_EQ(w.mother_x, 300);
    }
    EXPECT_EQ(drops, (std::vector<int>{5, 6, 7, 8}));
}

TEST(MotherUpdate, TheHopsRangeWrapsAt16Bits) {
    // lay_odds + hop_phase + 145 = 32853 wraps to -32683: the hop goes down, by 16342.
    World w = flying_at(300, 648, 2, 1);
    w.mother_mode = MotherMode::dropping;
    w.hop_phase = 10;
    w.lay_odds = 32700;
    ScriptedRandom rnd = script({0.5f});
    mother_update(w, rnd);  // landing
    mother_update(w, rnd);  // take-off
    EXPECT_EQ(w.mother_y, 648 + 16342);
}

TEST(MotherUpdate, HopOfNothingLandsAgain) {
    World w = flying_at(300, 648, 2, 1);
    ScriptedRandom rnd = script({0.0f, 0.0f});
    mother_update(w, rnd);  // lands
    mother_update(w, rnd);  // hops 0 pixels
    EXPECT_EQ(w.mother_y, 648);
    EXPECT_EQ(w.mother_hit, 0);
    mother_update(w, rnd);  // on the ground again
    EXPECT_EQ(w.mother_takeoff, 1);
    EXPECT_EQ(rnd.used(), 1u);
    mother_update(w, rnd);  // and hops again
    EXPECT_EQ(rnd.used(), 2u);
    EXPECT_EQ(w.mother_takeoff, 0);
}

TEST(MotherUpdate, HeadsForTheNearestTumblingChick) {
    World w = flying_at(300, 300, 1, 40);  // speed 2
    put_chick(w, 7, 600, 200, Footing::tumbling);
    w.chick_count = 1;
    ScriptedRandom rnd = none();
    mother_update(w, rnd);
    EXPECT_EQ(w.mother_target, 7);
    EXPECT_EQ(w.mother_y, 298);              // rose 1, then 1 towards the chick above
    EXPECT_EQ(w.mother_dir, Facing::right);  // turned towards it
    EXPECT_EQ(w.mother_x, 302);
    EXPECT_EQ(w.mother_mode, MotherMode::flying);

    // Hovering with a target: no rise, no steering, no sideways move, no laying.
    World v = flying_at(300, 300, 1, 0);
    put_chick(v, 7, 600, 200, Footing::tumbling);
    v.chick_count = 1;
    mother_update(v, rnd);
    EXPECT_EQ(v.mother_target, 7);
    EXPECT_EQ(v.mother_x, 300);
    EXPECT_EQ(v.mother_y, 300);
    EXPECT_EQ(v.mother_dir, Facing::left);
    EXPECT_EQ(rnd.used(), 0u);
}

TEST(MotherUpdate, ReachingTheTargetStartsTheDescent) {
    World w = flying_at(300, 300, 2, 40);
    put_record(w, 4, BroodKind::egg, 1, 330, 330);
    put_chick(w, 6, 330, 330, Footing::tumbling);  // at her body
    w.chick_count = 1;
    w.mother_target = 4;  // the test moves on from the egg to the chick after it
    ScriptedRandom rnd = none();
    mother_update(w, rnd);
    EXPECT_EQ(w.mother_hit, 1);
    EXPECT_EQ(w.mother_mode, MotherMode::dropping);
    EXPECT_EQ(w.mother_target, -1);  // no new search after a hit
    EXPECT_EQ(w.mother_x, 302);
    EXPECT_EQ(w.mother_y, 299);
    EXPECT_EQ(w.fall_speed, 0);

    // Descending keeps whatever target she had and never moves sideways.
    w.mother_target = 6;
    mother_update(w, rnd);
    EXPECT_EQ(w.mother_y, 305);  // 0 + moving 1 + 5
    EXPECT_EQ(w.mother_x, 302);
    EXPECT_EQ(w.mother_target, 6);
    EXPECT_EQ(w.fall_speed, 1);
}

TEST(MotherUpdate, EdgesOfTheScreen) {
    struct Case {
        const char* name;
        int x, y;
        i16 dir;
        bool chick_right;
        int want_x;
        i16 want_dir, want_mode;
    };
    const Case cases[] = {
        {"right edge wins over steering", 923, 300, 2, true, 925, 1, 3},
        {"right edge", 924, 300, 2, false, 926, 1, 3},
        {"just inside the right edge", 922, 300, 2, false, 924, 2, 3},
        {"left edge", -19, 300, 1, false, -21, 2, 3},
        {"just inside the left edge", -18, 300, 1, false, -20, 1, 3},
        {"top: descends in the same update", 300, 1, 2, false, 302, 2, 4},
        {"one below the top", 300, 2, 2, false, 302, 2, 3},
    };
    for (const Case& c : cases) {
        World w = flying_at(c.x, c.y, c.dir, 40);
        if (c.chick_right) {
            put_chick(w, 9, 1000, c.y, Footing::tumbling);
            w.chick_count = 1;
        }
        ScriptedRandom rnd = none();
        mother_update(w, rnd);
        EXPECT_EQ(w.mother_x, c.want_x) << c.name;
        EXPECT_EQ(w.mother_dir, static_cast<Facing>(c.want_dir)) << c.name;
        EXPECT_EQ(w.mother_mode, static_cast<MotherMode>(c.want_mode)) << c.name;
    }
}

TEST(MotherUpdate, TurnsBackNowAndThenWhileHovering) {
    struct Case {
        i16 dir;
        float r;
        i16 want;
    };
    const Case cases[] = {{2, 0.0f, 1}, {1, 0.0f, 2}, {7, 0.0f, 2}, {2, 0.5f, 2}, {1, 0.5f, 1}};
    for (const Case& c : cases) {
        World w = flying_at(300, 300, c.dir, 0);
        w.lay_odds = 10;
        w.lay_odds_max = 30000;
        ScriptedRandom rnd = script({0.99f, c.r});
        mother_update(w, rnd);
        EXPECT_EQ(w.mother_dir, static_cast<Facing>(c.want)) << c.dir << " " << c.r;
        EXPECT_EQ(rnd.left(), 0u);
    }
}

// --- mother_steer_to_chick -----------------------------------------------------------------

TEST(SteerToChick, UpDownAndSideways) {
    // The mother at (300, 300): her centre 360; the chick's centre is its x + 36.
    struct Case {
        int cx, cy;
        i16 dir;
        int want_y;
        i16 want_dir;
    };
    const Case cases[] = {
        {324, 299, 7, 299, 7},  // above her: up 1
        {324, 300, 7, 300, 7},  // level
        {324, 315, 7, 300, 7},  // 15 below is not enough
        {324, 316, 7, 305, 7},  // further below: down 5
        {344, 300, 7, 300, 7},  // centre 380: not more than 20 to the right
        {345, 300, 7, 300, 2},  // centre 381
        {304, 300, 7, 300, 7},  // centre 340: not more than 20 to the left
        {303, 300, 7, 300, 1},  // centre 339
    };
    for (const Case& c : cases) {
        World w = flying_at(300, 300, c.dir, 0);
        put_chick(w, 5, c.cx, c.cy, Footing::tumbling);
        mother_steer_to_chick(w, 5);
        EXPECT_EQ(w.mother_y, c.want_y) << c.cx << "," << c.cy;
        EXPECT_EQ(w.mother_dir, static_cast<Facing>(c.want_dir)) << c.cx << "," << c.cy;
    }
}

}  // namespace
}  // namespace vorlip::test
