// The catching (state 7) and knocking (state 8) behaviours and their shared roaming step.
#include <gtest/gtest.h>

#include <string>

#include "chick_setup.hpp"
#include "chicks/chick.hpp"
#include "mother/mother.hpp"

namespace vorlip {
namespace {

using test::add_chick;
using test::at;
using test::chick_world;
using test::draws;
using test::script;

using Behaviour = i16 (*)(World&, Random&, i16);

TEST(ChickRoamStep, RampAndTurnsOverAFullCycle) {
    World w = chick_world();
    w.screen_w = 30000;
    w.screen_h = 30000;
    BroodRec& p = add_chick(w, 3, 10000, 10000, 7);
    for (int k = 1; k <= 130; ++k) {
        const int beat = (k - 1) % 99 + 1;
        const BroodRec before = p;
        chick_roam_step(w, 3);
        const int along = before.facing == 2 ? 1 : -1;
        ASSERT_EQ((p.x - before.x) * along, beat / 6) << "step " << k;
        ASSERT_EQ(before.y - p.y, beat / 17) << "step " << k;
        ASSERT_EQ(p.facing != before.facing, beat % 19 == 0) << "step " << k;
        ASSERT_EQ(w.roam_beat, beat);
    }
}

TEST(CatchAndKnock, PhaseGlareAndFrames) {
    struct Case {
        int state, period, glare_from;
        Behaviour run;
    };
    const Case cases[] = {{7, 20, 16, chick_catch}, {8, 40, 31, chick_knock}};
    for (const Case& c : cases) {
        World w = chick_world();
        w.screen_w = 30000;
        w.screen_h = 30000;
        BroodRec& p = add_chick(w, 3, 10000, 10000, c.state);
        ScriptedRandom rnd = script({});  // they never tumble, so never draw
        int footing = kSteady, flap = 0;
        for (int k = 1; k <= 3 * c.period; ++k) {
            // The frame shows the footing the previous update left.
            int frame = (k - 1) % 3 == 1 ? 1 : 0;
            if (footing == kTumbling) {
                frame = flap + 4;
                flap = 1 - flap;
            }
            const int tick = (k - 1) % c.period + 1;
            footing = tick >= c.glare_from ? kTumbling : kSteady;
            ASSERT_EQ(c.run(w, rnd, 3), frame) << "state " << c.state << " update " << k;
            ASSERT_EQ(p.footing, footing) << "state " << c.state << " update " << k;
            ASSERT_EQ(p.tick, tick);
        }
        int up = 0;  // climbed by the roam ramp
        for (int k = 1; k <= 3 * c.period; ++k) up += ((k - 1) % 99 + 1) / 17;
        EXPECT_EQ(p.y, 10000 - up);
    }
}

TEST(ChickCatch, TurnsTheTouchedChickIntoAnEgg) {
    // Catcher in slot 2 at the touched chick's place; 768 x 0.6 = 460.8, so the catcher calms
    // down into state 1 only for a catch above y 460.
    struct Case {
        int other_state, other_y;
        bool caught;
        int catcher_state;
    };
    const Case cases[] = {
        {1, 300, true, 1}, {1, 459, true, 1}, {1, 460, true, 7},        {0, 700, true, 7},
        {8, 100, true, 1}, {7, 100, true, 1}, {kPatrol, 300, false, 7},
    };
    for (const Case& c : cases) {
        World w = chick_world();
        add_chick(w, 2, 400, c.other_y, 7);
        BroodRec& o = add_chick(w, 5, 400, c.other_y, c.other_state);
        o.sheet = 4;
        ScriptedRandom rnd = draws(2);
        const std::string what =
            "other state " + std::to_string(c.other_state) + " y " + std::to_string(c.other_y);
        chick_catch(w, rnd, 2);
        EXPECT_EQ(at(w, 2).state, c.catcher_state) << what;
        EXPECT_EQ(at(w, 2).kind, kChick) << what;
        if (!c.caught) {
            EXPECT_EQ(o.kind, kChick) << what;
            EXPECT_EQ(w.chicks_gone, 0) << what;
            continue;
        }
        EXPECT_EQ(o.kind, kEgg) << what;
        EXPECT_EQ(o.state, c.other_state) << what;
        EXPECT_EQ(o.sheet, 4) << what;
        EXPECT_EQ(o.x, 412) << what;
        EXPECT_EQ(o.y, c.other_y - 22) << what;
        EXPECT_EQ(w.chicks_gone, 1) << what;
        EXPECT_EQ(w.egg_count, 1) << "no clutch: " << what;
    }
}

TEST(ChickKnock, GlareKnocksOthersIntoATumble) {
    struct Case {
        int tick_before, other_state;
        bool knocked;
    };
    const Case cases[] = {
        {30, 1, true},  {39, 3, true}, {29, 1, false},  // footing 4 from tick 31 to 40
        {40, 1, false},                                 // tick 41 starts over at 1
        {30, 7, true},  {30, 0, true},
    };
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& k = add_chick(w, 2, 400, 400, 8);
        k.tick = static_cast<i16>(c.tick_before);
        k.footing = c.tick_before > 30 ? kTumbling : kSteady;  // as its last update left it
        BroodRec& o = add_chick(w, 5, 400, 400, c.other_state);
        ScriptedRandom rnd = script({});
        chick_knock(w, rnd, 2);
        EXPECT_EQ(o.footing, c.knocked ? kTumbling : kSteady)
            << "tick " << c.tick_before << " other state " << c.other_state;
        EXPECT_EQ(o.kind, kChick);
        EXPECT_EQ(k.state, 8);
    }
}

TEST(ChickKnock, MeetingAPatrolChickWhileGlaringMakesTwoEggsAndJoinsThePatrol) {
    World w = chick_world();
    BroodRec& k = add_chick(w, 2, 400, 400, 8);
    k.tick = 35;
    k.footing = kTumbling;
    k.sheet = 7;
    BroodRec& o = add_chick(w, 5, 400, 400, kPatrol);
    o.sheet = 3;
    ScriptedRandom rnd = draws(10);  // two draws per egg
    chick_knock(w, rnd, 2);
    EXPECT_EQ(rnd.left(), 0u);
    EXPECT_EQ(w.chicks_gone, 2);
    EXPECT_EQ(w.egg_count, 5);
    EXPECT_EQ(o.kind, kEgg);
    EXPECT_EQ(o.state, kPatrol);
    EXPECT_EQ(k.kind, kEgg);
    EXPECT_EQ(k.state, kPatrol);
    // The patrol chick's egg gets one clutch egg, the knocker's two; each clutch a column of
    // eggs 3 px apart above its parent, in the parent's colour.
    const struct { int slot, sheet, y; } clutch[] = {{25, 3, 375}, {26, 7, 375}, {27, 7, 372}};
    for (const auto& e : clutch) {
        const BroodRec& r = at(w, e.slot);
        EXPECT_EQ(r.kind, kEgg) << e.slot;
        EXPECT_EQ(r.state, kPatrol) << e.slot;
        EXPECT_EQ(r.sheet, e.sheet) << e.slot;
        EXPECT_EQ(r.x, 412) << e.slot;
        EXPECT_EQ(r.y, e.y) << e.slot;
    }
    EXPECT_EQ(at(w, 28).anim, 0);
}

TEST(CatchAndKnock, MothersBumpMakesAnEggThatHatchesIntoTheNextState) {
    struct Case {
        int state;
        Behaviour run;
        int egg_state, clutch;
    };
    const Case cases[] = {{7, chick_catch, 8, 3}, {8, chick_knock, 1, 1}};
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 2, 400, 400, c.state);
        p.bumped = 1;
        p.sheet = 6;
        ScriptedRandom rnd = draws(1 + 2 * (1 + c.clutch));  // the hop, then two per egg
        c.run(w, rnd, 2);
        EXPECT_EQ(rnd.left(), 0u) << "state " << c.state;
        EXPECT_EQ(p.kind, kEgg) << "state " << c.state;
        EXPECT_EQ(p.state, c.egg_state) << "state " << c.state;
        EXPECT_EQ(p.x, 412);
        EXPECT_EQ(p.y, 365 - 22);  // hopped 35 px, then curled up
        EXPECT_EQ(w.chicks_gone, 1);
        EXPECT_EQ(w.egg_count, 1 + c.clutch) << "state " << c.state;
        for (int n = 0; n < c.clutch; ++n) {
            EXPECT_EQ(at(w, 25 + n).state, kPatrol);
            EXPECT_EQ(at(w, 25 + n).sheet, 6);
        }
    }
}

// Lets the egg in slot i fall, hatch and grow; returns the state of the chick it becomes, or
// -1 if it never does.
int hatch(World& w, int i) {
    SeededRandom rnd(7);
    BroodRec& e = at(w, i);
    e.aux2 = 0;  // no roll: it hatches as soon as it is down
    for (int n = 0; n < 2000 && e.anim > 0; ++n) {
        if (e.kind == kChick) return e.state;
        if (e.kind == kEgg) mother_update_egg(w, rnd, static_cast<i16>(i));
        i16 width = 0, height = 0;
        if (e.kind == kHatching) mother_update_hatching(w, static_cast<i16>(i), width, height);
    }
    return -1;
}

TEST(CatchAndKnock, EggsHatchIntoTheNewBehaviour) {
    struct Case {
        int state;
        bool bumped;
        int other_state;  // -1: none
        int slot, hatches_as;
    };
    const Case cases[] = {
        {7, true, -1, 2, 8},  // a bumped catcher comes back as a knocker
        {8, true, -1, 2, 1},  // a bumped knocker comes back flocking
        {8, false, 6, 2, 6},  // a knocker that met a patrol chick joins the patrol
        {8, false, 6, 5, 6},  // and the patrol chick hatches as one again
        {7, false, 3, 5, 3},  // a caught chick keeps its own behaviour
    };
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 2, 400, 400, c.state);
        p.bumped = c.bumped ? 1 : 0;
        p.tick = 35;  // a knocker in its glare
        p.footing = c.state == 8 ? kTumbling : kSteady;
        if (c.other_state >= 0) add_chick(w, 5, 400, 400, c.other_state);
        SeededRandom rnd(3);
        (c.state == 7 ? chick_catch : chick_knock)(w, rnd, 2);
        ASSERT_EQ(at(w, c.slot).kind, kEgg) << "state " << c.state << " slot " << c.slot;
        EXPECT_EQ(hatch(w, c.slot), c.hatches_as) << "state " << c.state << " slot " << c.slot;
    }
}

TEST(CatchAndKnock, NeverTumbleLandOrHeedTheHeldMark) {
    for (Behaviour run : {chick_catch, chick_knock}) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 2, 400, 740, run == chick_catch ? 7 : 8);
        p.footing = kHeld;
        ScriptedRandom rnd = script({});
        for (int n = 0; n < 3; ++n) run(w, rnd, 2);
        EXPECT_EQ(p.kind, kChick);
        EXPECT_EQ(p.footing, kHeld);
        EXPECT_EQ(w.roam_beat, 3);  // it roamed in every update
    }
}

}  // namespace
}  // namespace vorlip
