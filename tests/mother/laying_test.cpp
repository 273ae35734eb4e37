#include <gtest/gtest.h>

#include <vector>

#include "mother/mother.hpp"
#include "mother_fixtures.hpp"
#include "support/test_support.hpp"

namespace vorlip::test {
namespace {

ScriptedRandom zeros(std::size_t n) {
    return ScriptedRandom(std::vector<float>(n, 0.0f));
}

// --- mother_lay_eggs -----------------------------------------------------------------------

TEST(LayEggs, FirstDecisionRestartsTheOdds) {
    World w = plain_world();
    ScriptedRandom rnd = script({0.5f, 0.3f});
    mother_lay_eggs(w, rnd);
    EXPECT_EQ(w.lay_clock, 2500);
    EXPECT_EQ(w.batch_base, 100);
    EXPECT_EQ(w.pace_range, 221);  // from 55, before the restart
    EXPECT_EQ(w.lay_odds, 5);      // floor_int(0.5 x 11)
    EXPECT_EQ(w.lay_odds_max, 35);
    EXPECT_EQ(w.egg_count, 0);  // floor_int(0.3 x 5) = 1: no egg
    EXPECT_EQ(rnd.left(), 0u);
}

TEST(LayEggs, OddsClimbAndRestartWithPaceRangeFollowing) {
    World w = plain_world();
    struct Decision {
        const char* name;
        std::vector<float> draws;
        i16 lay_odds, pace_range, eggs;
    };
    // Each egg of the mother takes three draws after the decision.
    const Decision decisions[] = {
        {"restart at 0: always lays", {0.0f, 0.9f, 0, 0, 0}, 0, 221, 1},
        {"odds of 1: always lays", {0.99f, 0, 0, 0}, 1, 100, 2},
        {"1 in 2, missed", {0.6f}, 2, 102, 2},
        {"1 in 3, laid", {0.3f, 0, 0, 0}, 3, 104, 3},
    };
    for (const Decision& d : decisions) {
        ScriptedRandom rnd(d.draws);
        mother_lay_eggs(w, rnd);
        EXPECT_EQ(w.lay_odds, d.lay_odds) << d.name;
        EXPECT_EQ(w.pace_range, d.pace_range) << d.name;
        EXPECT_EQ(w.egg_count, d.eggs) << d.name;
        EXPECT_EQ(rnd.left(), 0u) << d.name;
    }
    EXPECT_EQ(w.lay_odds_max, 30);

    // Climbing past 30 above the restart value starts again low.
    w.lay_odds = 30;
    ScriptedRandom rnd = script({0.95f, 0.5f});
    mother_lay_eggs(w, rnd);
    EXPECT_EQ(w.pace_range, 166);
    EXPECT_EQ(w.lay_odds, 10);
    EXPECT_EQ(w.lay_odds_max, 40);
}

TEST(LayEggs, PaceRangeFromTheOddsBeforeTheyClimb) {
    struct Case {
        i16 lay_odds, pace_range;
    };
    const Case cases[] = {{0, 100}, {1, 102}, {10, 122}, {20, 144}, {40, 188}, {55, 221}};
    for (const Case& c : cases) {
        World w = plain_world();
        w.lay_odds = c.lay_odds;
        w.lay_odds_max = 1000;
        ScriptedRandom rnd(std::vector<float>(8, 0.99f));
        mother_lay_eggs(w, rnd);
        EXPECT_EQ(w.pace_range, c.pace_range) << "lay_odds " << c.lay_odds;
    }
}

TEST(LayEggs, BatchRule) {
    struct Case {
        const char* name;
        int frame_no, egg_count, chick_count, lay_clock, batch_base, taken_up_to;
        int eggs, first_slot;
    };
    // lay_clock and batch_base are the values before the decision adds 1; lay_odds becomes 1,
    // so lay_clock 2503 makes the sum 2505, a multiple of 5.
    const Case cases[] = {
        {"all conditions hold: floor_int(200 x 0.039) = 7", 1001, 0, 0, 2503, 199, 0, 7, 1},
        {"frame_no must be above 1000", 1000, 0, 0, 2503, 199, 0, 1, 0},
        {"eight eggs and chicks still allow a batch", 1001, 5, 3, 2503, 199, 0, 7, 1},
        {"nine do not", 1001, 5, 4, 2503, 199, 0, 1, 1},
        {"sum not a multiple of 5", 1001, 0, 0, 2504, 199, 0, 1, 1},
        {"largest batch", 1001, 0, 0, 2503, 469, 0, 18, 1},
        {"batch_base restarts at 100", 1001, 0, 0, 2503, 470, 0, 3, 1},
        {"runs out of free slots", 1001, 0, 0, 2503, 199, 35, 4, 36},
        {"slot 0 offered on a multiple of 25", 1025, 0, 0, 2503, 199, 0, 7, 0},
        {"a count above brood_max lays nothing", 1, 40, 0, 0, 0, 0, 0, -1},
        {"a count of brood_max still lays", 1, 20, 19, 0, 0, 0, 1, 1},
        {"chicks count too", 1, 20, 20, 0, 0, 0, 0, -1},
    };
    for (const Case& c : cases) {
        World w = plain_world();
        w.frame_no = w16(c.frame_no);
        w.egg_count = w16(c.egg_count);
        w.chick_count = w16(c.chick_count);
        w.lay_clock = w16(c.lay_clock);
        w.batch_base = w16(c.batch_base);
        w.lay_odds = 0;
        w.lay_odds_max = 100;
        for (int i = 1; i <= c.taken_up_to; ++i)
            put_record(w, i, BroodKind::chick, 1).state = Behaviour{99};
        ScriptedRandom rnd = zeros(200);
        mother_lay_eggs(w, rnd);
        EXPECT_EQ(w.egg_count - c.egg_count, c.eggs) << c.name;
        EXPECT_EQ(rnd.used(), 1u + 3u * static_cast<unsigned>(c.eggs)) << c.name;
        int first = -1, made = 0;
        for (int i = 0; i <= 40; ++i)
            if (slot(w, i).kind == BroodKind::egg) {
                if (first < 0) first = i;
                ++made;
            }
        EXPECT_EQ(first, c.first_slot) << c.name;
        EXPECT_EQ(made, c.eggs) << c.name;
    }
}

TEST(LayEggs, SlotZeroGetsTheGreyEggAndTheFrameJumps) {
    struct Case {
        int frame_no, slot, sheet, frame_after;
    };
    const Case cases[] = {{50, 0, 6, 75}, {51, 1, 2, 51}, {30000, 0, 6, 30025}, {1000, 0, 6, 1025}};
    for (const Case& c : cases) {
        World w = plain_world();
        w.frame_no = w16(c.frame_no);
        w.lay_odds = 0;
        w.lay_odds_max = 100;
        ScriptedRandom rnd = zeros(4);
        mother_lay_eggs(w, rnd);
        EXPECT_EQ(slot(w, c.slot).kind, BroodKind::egg) << c.frame_no;
        EXPECT_EQ(slot(w, c.slot).sheet, c.sheet) << c.frame_no;
        EXPECT_EQ(w.frame_no, c.frame_after) << c.frame_no;
        EXPECT_EQ(w.colour_run_left, 5) << "the grey egg still takes its place in the run";
    }
}

// --- mother_make_egg, the mother's eggs ----------------------------------------------------

TEST(MakeEgg, EveryEggStartsClean) {
    for (LaidBy mode : {LaidBy::mother, LaidBy::chick}) {
        World w = plain_world();
        BroodRec& e = slot(w, 5);
        e = BroodRec{
            77, 77, 77, 77, 77, Facing{77}, Footing{77}, 77, 77, 77, BroodKind{77}, Behaviour{77},
            77, 77, 77, 77, 77};
        w.rescuers[5] = -1;
        ScriptedRandom rnd = script({0.0f, 0.5f, 0.5f});
        mother_make_egg(w, rnd, 5, mode, 5, 0);
        // target_sheet and frame are not an egg's: kept. Position, state and sheet depend on
        // the mode and are checked elsewhere.
        BroodRec want{
            e.x,     e.y,     e.x,    77, 0, e.facing, Footing::tumbling, 1, 77, 0, BroodKind::egg,
            e.state, e.sheet, e.aux2, 0,  0, e.vigour};
        EXPECT_EQ(e, want) << "mode " << mode;
        EXPECT_EQ(w.rescuers[5], 0);
        EXPECT_EQ(w.egg_count, 1);
    }
}

TEST(MakeEgg, MothersEggIsLaidFromTheLowerMiddleOfHerBox) {
    World w = plain_world();
    w.mother_x = 300;
    w.mother_y = 200;
    ScriptedRandom rnd = script({0.0f, 0.0f, 0.5f});
    mother_make_egg(w, rnd, 3, LaidBy::mother, 3, 1);
    const BroodRec& e = slot(w, 3);
    EXPECT_EQ(e.x, 340);
    EXPECT_EQ(e.y, 260);
    EXPECT_EQ(e.aux1, 340);
    EXPECT_EQ(e.aux2, 199);  // floor_int(1024 x 0.5 x 0.39)
    EXPECT_EQ(e.sheet, 2);
    EXPECT_EQ(e.facing, Facing::left);
}

TEST(MakeEgg, Vigour) {
    struct Case {
        i16 step_before;
        float r;
        i16 step_after, vigour;
    };
    const Case cases[] = {
        {0, 0.0f, 5, 123},           // restarts at 5, a multiple of 5: floor_int(95 x 1.3)
        {5, 0.0f, 6, 99},            // the lowest without the factor
        {13, 0.5f, 14, 256},         //
        {9, 0.1f, 10, 182},          // 140 x 1.3
        {24, 0.99999994f, 25, 551},  // the highest: floor_int(424 x 1.3)
        {25, 0.5f, 5, 286},          // past 25 it restarts at 5
    };
    for (const Case& c : cases) {
        World w = plain_world();
        w.incubation_step = c.step_before;
        ScriptedRandom rnd = script({c.r, 0.0f});
        mother_make_egg(w, rnd, 4, LaidBy::chick, 4, 0);
        EXPECT_EQ(w.incubation_step, c.step_after) << c.step_before;
        EXPECT_EQ(slot(w, 4).vigour, c.vigour) << c.step_before;
    }
}

TEST(MakeEgg, StateFromTheTable) {
    struct Case {
        i16 seed_before, step_before, frame_no;
        float r;
        i16 state;
    };
    const Case cases[] = {
        {0, 4, 17, 0.0f, 7},        // remainder 23
        {0, 4, 18, 0.0f, 8},        // remainder 24
        {0, 4, 18, 0.95f, 1},       // floor_int(24 + 9.5) = 33
        {555, 4, 1, 0.0f, 2},       // the seed restarts at 1: 1 + 5 + 1 = 7
        {100, 10, 29000, 0.0f, 1},  // 29112 mod 56 = 48
        {0, 4, 50, 0.0f, 1},        // 56: remainder 0
        {0, 4, 104, 0.0f, 3},       // 110: remainder 54
    };
    for (const Case& c : cases) {
        World w = plain_world();
        w.state_seed = c.seed_before;
        w.incubation_step = c.step_before;
        w.frame_no = c.frame_no;
        ScriptedRandom rnd = script({0.0f, c.r, 0.0f});
        mother_make_egg(w, rnd, 2, LaidBy::mother, 2, 1);
        EXPECT_EQ(slot(w, 2).state, static_cast<Behaviour>(c.state)) << c.frame_no << " r " << c.r;
    }
}

TEST(MakeEgg, ColourRunsOverTheFirstSixtyEggs) {
    World w = plain_world();
    ScriptedRandom rnd = zeros(3 * 200);
    std::vector<i16> sheets;
    for (int n = 0; n < 170; ++n) {
        mother_make_egg(w, rnd, 1, LaidBy::mother, 1, 1);
        sheets.push_back(slot(w, 1).sheet);
        if (n == 75) {
            // The first egg after the pass of single eggs turns the walk at the bottom.
            EXPECT_EQ(w.colour_run_step, 1);
            EXPECT_EQ(w.colour_run_len, 1);
            EXPECT_EQ(w.colour_run_left, 1);
            EXPECT_EQ(w.colour_steps_left, 5);
        }
        if (n == 150) {
            // The first egg after the pass of fives turns it at the top, on to fours.
            EXPECT_EQ(w.colour_run_step, -1);
            EXPECT_EQ(w.colour_run_len, 4);
            EXPECT_EQ(w.colour_run_left, 4);
        }
    }
    const i16 colours[] = {2, 3, 4, 5, 7};
    std::vector<i16> first60;
    for (int len : {5, 4, 3})
        for (i16 c : colours)
            for (int k = 0; k < len; ++k) first60.push_back(c);
    EXPECT_EQ(std::vector<i16>(sheets.begin(), sheets.begin() + 60), first60);

    // Run lengths, pass by pass: 5 4 3 2 1, 1 again, 2 3 4 5, then 4.
    std::vector<int> runs;
    for (std::size_t k = 0; k < sheets.size(); ++k) {
        if (k == 0 || sheets[k] != sheets[k - 1])
            runs.push_back(1);
        else
            ++runs.back();
    }
    std::vector<int> want;
    for (int len : {5, 4, 3, 2, 1, 1, 2, 3, 4, 5, 4})
        for (int c = 0; c < 5; ++c) want.push_back(len);
    EXPECT_EQ(runs, want);
}

TEST(MakeEgg, FacingFromTheHalfOfTheScreen) {
    struct Case {
        int screen_w, x;
        i16 facing;
    };
    const Case cases[] = {
        {1024, 512, 1}, {1024, 513, 2},  // 512.5 rounds to the even 512
        {1366, 684, 1}, {1366, 685, 2},  // 683.5 rounds to 684
        {1025, 513, 1}, {1025, 514, 2},  // 513 exactly
        {1024, -40, 1}, {1024, 2000, 2},
    };
    for (const Case& c : cases) {
        World w = plain_world(c.screen_w, 768);
        w.mother_x = w16(c.x - 40);
        ScriptedRandom rnd = zeros(3);
        mother_make_egg(w, rnd, 1, LaidBy::mother, 1, 1);
        EXPECT_EQ(slot(w, 1).facing, static_cast<Facing>(c.facing)) << c.screen_w << " x " << c.x;
        // A chick turned egg at the same x faces the same way.
        World v = plain_world(c.screen_w, 768);
        put_chick(v, 1, c.x - 12, 300);
        ScriptedRandom rnd2 = zeros(2);
        mother_make_egg(v, rnd2, 1, LaidBy::chick, 1, 0);
        EXPECT_EQ(slot(v, 1).facing, static_cast<Facing>(c.facing))
            << c.screen_w << " x " << c.x << " chick";
    }
}

// --- mother_make_egg, chicks and clutches --------------------------------------------------

TEST(MakeEgg, AChickCurlsUpIntoItsEgg) {
    struct Case {
        int y, egg_y;
    };
    const Case cases[] = {{100, 78}, {22, 0}, {10, -12}, {0, -22}, {-50, -72}};
    for (const Case& c : cases) {
        World w = plain_world();
        BroodRec& ch = put_chick(w, 10, 300, c.y);
        ch.state = Behaviour::glide;
        ch.sheet = 5;
        ScriptedRandom rnd = script({0.0f, 0.25f});
        mother_make_egg(w, rnd, 10, LaidBy::chick, 10, 0);
        EXPECT_EQ(ch.x, 312) << c.y;
        EXPECT_EQ(ch.y, c.egg_y) << c.y;
        EXPECT_EQ(ch.state, Behaviour::glide) << c.y;
        EXPECT_EQ(ch.sheet, 5) << c.y;
        EXPECT_EQ(ch.kind, BroodKind::egg) << c.y;
        EXPECT_EQ(ch.aux1, 312) << c.y;
        EXPECT_EQ(ch.aux2, 99) << c.y;  // floor_int(1024 x 0.25 x 0.39)
        EXPECT_EQ(rnd.left(), 0u);
    }
}

// Slots holding an egg, in ascending order.
std::vector<int> egg_slots(const World& w) {
    std::vector<int> out;
    for (int i = 0; i <= 40; ++i)
        if (w.brood[static_cast<std::size_t>(i)].kind == BroodKind::egg &&
            w.brood[static_cast<std::size_t>(i)].anim > 0)
            out.push_back(i);
    return out;
}

TEST(MakeEgg, ClutchIsAColumnInSlots25To38) {
    struct Case {
        const char* name;
        i16 limit;
        int busy_from, busy_to;  // slots in use beforehand (inclusive), none when from > to
        std::vector<int> clutch;
    };
    std::vector<int> all;
    for (int i = 25; i <= 38; ++i) all.push_back(i);
    const Case cases[] = {
        {"limit 0: the chick's own egg only", 0, 1, 0, {}},
        {"limit 3", 3, 1, 0, {25, 26, 27}},
        {"the search skips taken slots", 3, 25, 26, {27, 28, 29}},
        {"at most slots 25 to 38, never 39", 20, 1, 0, all},
        {"all of 25 to 38 taken", 5, 25, 38, {}},
    };
    for (const Case& c : cases) {
        World w = plain_world();
        BroodRec& ch = put_chick(w, 10, 300, 100);
        ch.sheet = 5;
        ch.state = Behaviour::flock;
        w.chick_count = 1;
        for (int i = c.busy_from; i <= c.busy_to; ++i)
            put_record(w, i, BroodKind::chick, 1).state = Behaviour{99};
        w.clutch_count = 0;
        ScriptedRandom rnd = zeros(2 * 20);
        mother_make_egg(w, rnd, 10, LaidBy::chick, 10, c.limit);

        std::vector<int> want = {10};
        want.insert(want.end(), c.clutch.begin(), c.clutch.end());
        EXPECT_EQ(egg_slots(w), want) << c.name;
        EXPECT_EQ(w.clutch_count, static_cast<i16>(c.clutch.size())) << c.name;
        EXPECT_EQ(w.egg_count, static_cast<i16>(want.size())) << c.name;
        EXPECT_EQ(rnd.used(), 2 * want.size()) << c.name;
        // Each clutch egg sits 3 pixels above the one before it, at the chick's new x.
        int y = 78;
        for (int i : c.clutch) {
            y -= 3;
            const BroodRec& e = slot(w, i);
            EXPECT_EQ(e.x, 312) << c.name << " slot " << i;
            EXPECT_EQ(e.y, y) << c.name << " slot " << i;
            EXPECT_EQ(e.aux1, 312) << c.name << " slot " << i;
            EXPECT_EQ(e.sheet, 5) << c.name << " slot " << i;
            EXPECT_EQ(e.state, Behaviour::patrol) << c.name << " slot " << i;
            EXPECT_EQ(e.facing, Facing::left) << c.name << " slot " << i;
        }
        EXPECT_EQ(slot(w, 39).anim, 0) << c.name;
    }
}

TEST(MakeEgg, CrowdedTableLimitsTheClutch) {
    // The count test is made once per call, after that call's own egg: with 36 chicks the
    // chick's call may start a clutch, but no clutch egg may go on, so every clutch egg is
    // laid by the chick's own call and sits on the chick's egg.
    World w = plain_world();
    put_chick(w, 10, 300, 100).sheet = 3;
    w.chick_count = 36;
    ScriptedRandom rnd = zeros(2 * 10);
    mother_make_egg(w, rnd, 10, LaidBy::chick, 10, 4);
    EXPECT_EQ(egg_slots(w), (std::vector<int>{10, 25, 26, 27, 28}));
    for (int i = 25; i <= 28; ++i) EXPECT_EQ(slot(w, i).y, 75) << i;

    // One more chick and no clutch is started at all.
    World v = plain_world();
    put_chick(v, 10, 300, 100);
    v.chick_count = 37;
    ScriptedRandom rnd2 = zeros(2 * 10);
    mother_make_egg(v, rnd2, 10, LaidBy::chick, 10, 4);
    EXPECT_EQ(egg_slots(v), std::vector<int>{10});
}

TEST(MakeEgg, ClutchCountNotResetMakesTheSlotAClutchEgg) {
    World w = plain_world();
    BroodRec& p = put_chick(w, 3, 300, 400);
    p.sheet = 4;
    put_chick(w, 10, 600, 100).state = Behaviour::wobble;
    w.clutch_count = 1;
    ScriptedRandom rnd = zeros(2 * 5);
    mother_make_egg(w, rnd, 10, LaidBy::chick, 3, 1);
    const BroodRec& e = slot(w, 10);
    EXPECT_EQ(e.x, 300);
    EXPECT_EQ(e.y, 397);
    EXPECT_EQ(e.sheet, 4);
    EXPECT_EQ(e.state, Behaviour::patrol);
    EXPECT_EQ(egg_slots(w), std::vector<int>{10});  // limit already reached
}

TEST(MakeEgg, OddTableBoundsStayInsideTheTable) {
    World w = plain_world();
    put_chick(w, 10, 300, 100);
    w.clutch_first_slot = -100;
    w.brood_max = 60;
    ScriptedRandom rnd = zeros(2 * 50);
    mother_make_egg(w, rnd, 10, LaidBy::chick, 10, 50);
    // Every free slot of the table got a clutch egg; nothing outside it was touched.
    EXPECT_EQ(egg_slots(w).size(), 41u);
    w.brood_max = 39;
    mother_make_egg(w, rnd, 41, LaidBy::chick, 10, 0);  // out of the table: nothing happens
    EXPECT_EQ(w.egg_count, 41);
}

}  // namespace
}  // namespace vorlip::test
