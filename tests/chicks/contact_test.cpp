// Contacts between chicks, the mother's bumps and the shared tumble.
#include <gtest/gtest.h>

#include <vector>

#include "chick_setup.hpp"
#include "chicks/chick.hpp"

namespace vorlip {
namespace {

using test::add_chick;
using test::at;
using test::chick_world;
using test::draws;
using test::script;

TEST(ChickFindContact, PairsOfChicks) {
    // Chick A in slot 1, chick B in slot 2; does A find B, and does B find A?
    struct Case {
        int ax, ay, bx, by;
        bool a_finds_b, b_finds_a;
    };
    const Case cases[] = {
        {0, 0, 5, 50, true, false},        // B's point (15, 45) is in A's box, not the reverse
        {300, 300, 300, 300, true, true},  // the same place: the centre points
        {100, 100, 100, 120, true, true},  // same x: only through the centres
        {100, 100, 100, 125, true, true},
        {100, 100, 100, 126, false, false},  // centre at y + 62, on the edge
        {0, 50, 5, 0, true, false},          // B's low point (15, 62) is in A's box
        {100, 100, 120, 110, true, true},
        {100, 100, 400, 400, false, false},
        {100, 32720, 100, 32720, false, false},  // the box's bottom wraps below its top
    };
    for (const Case& c : cases) {
        World w = chick_world();
        add_chick(w, 1, c.ax, c.ay);
        add_chick(w, 2, c.bx, c.by);
        i16 other = 77;
        EXPECT_EQ(chick_find_contact(w, 1, other), c.a_finds_b)
            << "A(" << c.ax << "," << c.ay << ") B(" << c.bx << "," << c.by << ")";
        EXPECT_EQ(other, c.a_finds_b ? 2 : 77);
        other = 77;
        EXPECT_EQ(chick_find_contact(w, 2, other), c.b_finds_a)
            << "B(" << c.bx << "," << c.by << ") A(" << c.ax << "," << c.ay << ")";
        EXPECT_EQ(other, c.b_finds_a ? 1 : 77);
    }
}

TEST(ChickFindContact, LowestIndexWinsAndOnlyLiveChicksCount) {
    World w = chick_world();
    add_chick(w, 3, 200, 200);
    add_chick(w, 7, 200, 200);
    add_chick(w, 9, 200, 200, Behaviour::patrol);  // patrol chicks are candidates too
    i16 other = 0;
    EXPECT_TRUE(chick_find_contact(w, 9, other));
    EXPECT_EQ(other, 3);
    EXPECT_TRUE(chick_find_contact(w, 3, other));
    EXPECT_EQ(other, 7);

    // Eggs, hatching records and free slots at the same place are passed over.
    World v = chick_world();
    add_chick(v, 10, 200, 200);
    at(v, 1) = at(v, 10);
    at(v, 1).kind = BroodKind::egg;
    at(v, 2) = at(v, 10);
    at(v, 2).kind = BroodKind::hatching;
    at(v, 4) = at(v, 10);
    at(v, 4).anim = 0;
    v.chick_count = 10;
    other = 55;
    EXPECT_FALSE(chick_find_contact(v, 10, other));
    EXPECT_EQ(other, 55);
}

TEST(ChickFindContact, ScanStopsOnceEveryCountedChickWasSeen) {
    // Chick 0 looks; chick 1 is far away, chick 2 touches it.
    struct Case {
        int chick_count;
        bool found;
    };
    const Case cases[] = {{0, false}, {1, false}, {2, true}, {3, true}, {-5, false}};
    for (const Case& c : cases) {
        World w = chick_world();
        add_chick(w, 0, 100, 100);
        add_chick(w, 1, 700, 500);
        add_chick(w, 2, 110, 110);
        w.chick_count = static_cast<i16>(c.chick_count);
        i16 other = 0;
        EXPECT_EQ(chick_find_contact(w, 0, other), c.found) << "chick_count " << c.chick_count;
    }
}

TEST(ChickFindContact, StaysInTheTableWhateverPlayerMaxSays) {
    World w = chick_world();
    add_chick(w, 0, 100, 100);
    w.brood_max = 32000;
    w.chick_count = 32000;
    i16 other = 0;
    EXPECT_FALSE(chick_find_contact(w, 0, other));
}

TEST(ChickTakeBump, HopsUpAndRegainsFooting) {
    struct Case {
        int bumped;
        float r;
        int y_after, result;
    };
    const Case cases[] = {{1, 0.0f, 500, 1},
                          {1, 0.5f, 465, 1},
                          {1, 0.999f, 431, 1},
                          {0, 0.5f, 500, 0},
                          {2, 0.5f, 500, 0}};
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 4, 300, 500);
        p.bumped = static_cast<i16>(c.bumped);
        p.footing = Footing::tumbling;
        ScriptedRandom rnd = script({c.r});
        EXPECT_EQ(chick_take_bump(w, rnd, 4), c.result == 1);
        EXPECT_EQ(p.y, c.y_after);
        EXPECT_EQ(p.footing, c.result ? Footing::steady : Footing::tumbling);
        EXPECT_EQ(p.bumped, c.result ? 0 : c.bumped);
        EXPECT_EQ(rnd.used(), c.result ? 1u : 0u) << "only a pending bump draws";
    }
}

TEST(ChickTumble, FallsOnTheBouncingSpeedSequence) {
    World w = chick_world();
    BroodRec& p = add_chick(w, 4, 300, 100);
    p.footing = Footing::tumbling;
    p.vigour = 100;
    ScriptedRandom rnd = script({});
    const int steps[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 8, 5, 2, -1, 0, 1, 2, 3};
    int y = 100;
    for (int s : steps) {
        const int energy_before = p.energy;
        EXPECT_TRUE(chick_tumble(w, rnd, 4, false));
        y += s;
        EXPECT_EQ(p.y, y);
        EXPECT_EQ(w.tumble_speed, s);
        // The energy drops by floor_int(-25) and its upkeep, pulled to 555 first if out of range.
        const int base = (energy_before < 50 || energy_before > 5500) ? 555 : energy_before;
        EXPECT_EQ(p.energy, base - 25);
    }
    EXPECT_EQ(p.footing, Footing::tumbling);
}

TEST(ChickTumble, TwoTumblingChicksShareTheSequence) {
    World w = chick_world();
    add_chick(w, 4, 300, 100).footing = Footing::tumbling;
    add_chick(w, 6, 500, 100).footing = Footing::tumbling;
    ScriptedRandom rnd = script({});
    const int a_steps[] = {1, 3, 5, 7, 9, 11, 5, -1, 1};
    const int b_steps[] = {2, 4, 6, 8, 10, 8, 2, 0, 2};
    int ay = 100, by = 100;
    for (int n = 0; n < 9; ++n) {
        chick_tumble(w, rnd, 4, false);
        chick_tumble(w, rnd, 6, false);
        ay += a_steps[n];
        by += b_steps[n];
        EXPECT_EQ(at(w, 4).y, ay) << n;
        EXPECT_EQ(at(w, 6).y, by) << n;
    }
}

TEST(ChickTumble, MothersTouchCatchesAboveTheBand) {
    // screen_h 768: the band 0.2 gives the line y < 153, the band 0.02 gives y < 15.
    struct Case {
        double band_before;
        int y;
        bool caught;
    };
    const Case cases[] = {{0.21, 152, true},  {0.21, 153, false}, {0.03, 14, true},
                          {0.03, 15, false},  {0.0, 152, true},   {0.0, 153, false},
                          {0.21, -500, true}, {0.21, 700, false}};
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 4, 300, c.y);
        p.footing = Footing::tumbling;
        p.energy = 700;
        p.vigour = 100;
        w.catch_band = c.band_before;
        w.tumble_speed = 5;
        ScriptedRandom rnd = script({});
        EXPECT_TRUE(chick_tumble(w, rnd, 4, true));
        EXPECT_EQ(p.footing, c.caught ? Footing::steady : Footing::tumbling)
            << c.band_before << " y " << c.y;
        EXPECT_EQ(p.y, c.y) << "no fall in a touched update";
        EXPECT_EQ(p.energy, 700);
        EXPECT_EQ(w.catch_band, 0.2);
        EXPECT_EQ(w.tumble_speed, 5);
    }
}

TEST(ChickTumble, CatchBandNarrowsAndStartsAgainAfter19Steps) {
    World w = chick_world();
    add_chick(w, 4, 300, 0).footing = Footing::tumbling;
    ScriptedRandom rnd = script({});
    chick_tumble(w, rnd, 4, false);
    EXPECT_EQ(w.catch_band, 0.2) << "the first call finds 0 and sets 0.2";
    for (int n = 1; n <= 18; ++n) {
        chick_tumble(w, rnd, 4, false);
        EXPECT_NEAR(w.catch_band, 0.2 - 0.01 * n, 1e-9) << n;
    }
    EXPECT_GT(w.catch_band, 0.01);
    chick_tumble(w, rnd, 4, false);  // 0.00999...: below 0.01
    EXPECT_EQ(w.catch_band, 0.2);
}

TEST(ChickTumble, SteadyChickStartsATumbleByTheOdds) {
    struct Case {
        int slot, clock_before;
        float r;
        bool starts;
    };
    const Case cases[] = {
        {5, 0, 0.0007f, true},    {5, 0, 0.001f, false},      // 1 in 1250
        {0, 0, 0.0044f, true},    {0, 0, 0.0046f, false},     // slot 0: 1 in 222
        {5, 4000, 0.018f, true},  {5, 4000, 0.0185f, false},  // 4001: 1 in 55 for all
        {0, 4000, 0.018f, true},  {5, 4148, 0.018f, true},    // 4149 is still inside
        {5, 4149, 0.018f, false}, {5, 3999, 0.018f, false},   // 4150 and 4000 are not
    };
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, c.slot, 300, 300);
        p.energy = 1000;
        p.vigour = 100;
        w.leader = 40;
        w.tumble_clock = static_cast<i16>(c.clock_before);
        ScriptedRandom rnd = script({c.r});
        EXPECT_EQ(chick_tumble(w, rnd, static_cast<i16>(c.slot), false), c.starts)
            << "slot " << c.slot << " clock " << c.clock_before << " r " << c.r;
        EXPECT_EQ(p.footing, c.starts ? Footing::tumbling : Footing::steady);
        EXPECT_EQ(p.energy, c.starts ? 962 : 1000);
        EXPECT_EQ(p.y, 300);
        EXPECT_EQ(w.tumble_clock, c.clock_before + 1);
    }
}

TEST(ChickTumble, ClockWrapsFrom5000To1) {
    World w = chick_world();
    add_chick(w, 4, 300, 300);
    w.tumble_clock = 5000;
    ScriptedRandom rnd = draws(1);
    chick_tumble(w, rnd, 4, false);
    EXPECT_EQ(w.tumble_clock, 1);
}

}  // namespace
}  // namespace vorlip
