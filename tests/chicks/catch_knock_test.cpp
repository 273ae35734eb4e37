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

using Update = i16 (*)(World&, Random&, i16);

TEST(ChickRoamStep, RampAndTurnsOverAFullCycle) {
    World w = chick_world();
    w.screen_w = 30000;
    w.screen_h = 30000;
    BroodRec& p = add_chick(w, 3, 10000, 10000, Behaviour::catcher);
    for (int k = 1; k <= 130; ++k) {
        const int beat = (k - 1) % 99 + 1;
        const BroodRec before = p;
        chick_roam_step(w, 3);
        const int along = before.facing == Facing::right ? 1 : -1;
        ASSERT_EQ((p.x - before.x) * along, beat / 6) << "step " << k;
        ASSERT_EQ(before.y - p.y, beat / 17) << "step " << k;
        ASSERT_EQ(p.facing != before.facing, beat % 19 == 0) << "step " << k;
        ASSERT_EQ(w.roam_beat, beat);
    }
}

TEST(CatchAndKnock, PhaseGlareAndFrames) {
    struct Case {
        Behaviour state;
        int period, glare_from;
        Update run;
    };
    const Case cases[] = {{Behaviour::catcher, 20, 16, chick_catch},
                          {Behaviour::knocker, 40, 31, chick_knock}};
    for (const Case& c : cases) {
        World w = chick_world();
        w.screen_w = 30000;
        w.screen_h = 30000;
        BroodRec& p = add_chick(w, 3, 10000, 10000, c.state);
        ScriptedRandom rnd = script({});  // they never tumble, so never draw
        Footing footing = Footing::steady;
        int flap = 0;
        for (int k = 1; k <= 3 * c.period; ++k) {
            // The frame shows the footing the previous update left.
            int frame = (k - 1) % 3 == 1 ? 1 : 0;
            if (footing == Footing::tumbling) {
                frame = flap + 4;
                flap = 1 - flap;
            }
            const int tick = (k - 1) % c.period + 1;
            footing = tick >= c.glare_from ? Footing::tumbling : Footing::steady;
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
        Behaviour other_state;
        int other_y;
        bool caught;
        Behaviour catcher_state;
    };
    using enum Behaviour;
    const Case cases[] = {
        {flock, 300, true, flock},     {flock, 459, true, flock},   {flock, 460, true, catcher},
        {surge, 700, true, catcher},   {knocker, 100, true, flock}, {catcher, 100, true, flock},
        {patrol, 300, false, catcher},
    };
    for (const Case& c : cases) {
        World w = chick_world();
        add_chick(w, 2, 400, c.other_y, Behaviour::catcher);
        BroodRec& o = add_chick(w, 5, 400, c.other_y, c.other_state);
        o.sheet = 4;
        ScriptedRandom rnd = draws(2);
        const std::string what = "other state " + std::to_string(static_cast<int>(c.other_state)) +
                                 " y " + std::to_string(c.other_y);
        chick_catch(w, rnd, 2);
        EXPECT_EQ(at(w, 2).state, c.catcher_state) << what;
        EXPECT_EQ(at(w, 2).kind, BroodKind::chick) << what;
        if (!c.caught) {
            EXPECT_EQ(o.kind, BroodKind::chick) << what;
            EXPECT_EQ(w.chicks_gone, 0) << what;
            continue;
        }
        EXPECT_EQ(o.kind, BroodKind::egg) << what;
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
        int tick_before;
        Behaviour other_state;
        bool knocked;
    };
    using enum Behaviour;
    const Case cases[] = {
        {30, flock, true},   {39, sway, true},  {29, flock, false},  // tumbling from tick 31 to 40
        {40, flock, false},                                          // tick 41 starts over at 1
        {30, catcher, true}, {30, surge, true},
    };
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& k = add_chick(w, 2, 400, 400, Behaviour::knocker);
        k.tick = static_cast<i16>(c.tick_before);
        k.footing =
            c.tick_before > 30 ? Footing::tumbling : Footing::steady;  // as its last update left it
        BroodRec& o = add_chick(w, 5, 400, 400, c.other_state);
        ScriptedRandom rnd = script({});
        chick_knock(w, rnd, 2);
        EXPECT_EQ(o.footing, c.knocked ? Footing::tumbling : Footing::steady)
            << "tick " << c.tick_before << " other state " << c.other_state;
        EXPECT_EQ(o.kind, BroodKind::chick);
        EXPECT_EQ(k.state, Behaviour::knocker);
    }
}

TEST(ChickKnock, MeetingAPatrolChickWhileGlaringMakesTwoEggsAndJoinsThePatrol) {
    World w = chick_world();
    BroodRec& k = add_chick(w, 2, 400, 400, Behaviour::knocker);
    k.tick = 35;
    k.footing = Footing::tumbling;
    k.sheet = 7;
    BroodRec& o = add_chick(w, 5, 400, 400, Behaviour::patrol);
    o.sheet = 3;
    ScriptedRandom rnd = draws(10);  // two draws per egg
    chick_knock(w, rnd, 2);
    EXPECT_EQ(rnd.left(), 0u);
    EXPECT_EQ(w.chicks_gone, 2);
    EXPECT_EQ(w.egg_count, 5);
    EXPECT_EQ(o.kind, BroodKind::egg);
    EXPECT_EQ(o.state, Behaviour::patrol);
    EXPECT_EQ(k.kind, BroodKind::egg);
    EXPECT_EQ(k.state, Behaviour::patrol);
    // The patrol chick's egg gets one clutch egg, the knocker's two; each clutch a column of
    // eggs 3 px apart above its parent, in the parent's colour.
    const struct { int slot, sheet, y; } clutch[] = {{25, 3, 375}, {26, 7, 375}, {27, 7, 372}};
    for (const auto& e : clutch) {
        const BroodRec& r = at(w, e.slot);
        EXPECT_EQ(r.kind, BroodKind::egg) << e.slot;
        EXPECT_EQ(r.state, Behaviour::patrol) << e.slot;
        EXPECT_EQ(r.sheet, e.sheet) << e.slot;
        EXPECT_EQ(r.x, 412) << e.slot;
        EXPECT_EQ(r.y, e.y) << e.slot;
    }
    EXPECT_EQ(at(w, 28).anim, 0);
}

TEST(CatchAndKnock, MothersBumpMakesAnEggThatHatchesIntoTheNextState) {
    struct Case {
        Behaviour state;
        Update run;
        Behaviour egg_state;
        int clutch;
    };
    const Case cases[] = {{Behaviour::catcher, chick_catch, Behaviour::knocker, 3},
                          {Behaviour::knocker, chick_knock, Behaviour::flock, 1}};
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 2, 400, 400, c.state);
        p.bumped = 1;
        p.sheet = 6;
        ScriptedRandom rnd = draws(1 + 2 * (1 + c.clutch));  // the hop, then two per egg
        c.run(w, rnd, 2);
        EXPECT_EQ(rnd.left(), 0u) << "state " << c.state;
        EXPECT_EQ(p.kind, BroodKind::egg) << "state " << c.state;
        EXPECT_EQ(p.state, c.egg_state) << "state " << c.state;
        EXPECT_EQ(p.x, 412);
        EXPECT_EQ(p.y, 365 - 22);  // hopped 35 px, then curled up
        EXPECT_EQ(w.chicks_gone, 1);
        EXPECT_EQ(w.egg_count, 1 + c.clutch) << "state " << c.state;
        for (int n = 0; n < c.clutch; ++n) {
            EXPECT_EQ(at(w, 25 + n).state, Behaviour::patrol);
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
        if (e.kind == BroodKind::chick) return static_cast<int>(e.state);
        if (e.kind == BroodKind::egg) mother_update_egg(w, rnd, static_cast<i16>(i));
        i16 width = 0, height = 0;
        if (e.kind == BroodKind::hatching)
            mother_update_hatching(w, static_cast<i16>(i), width, height);
    }
    return -1;
}

TEST(CatchAndKnock, EggsHatchIntoTheNewBehaviour) {
    struct Case {
        Behaviour state;
        bool bumped;
        int other_state;  // -1: none
        int slot, hatches_as;
    };
    const Case cases[] = {
        {Behaviour::catcher, true, -1, 2, 8},  // a bumped catcher comes back as a knocker
        {Behaviour::knocker, true, -1, 2, 1},  // a bumped knocker comes back flocking
        {Behaviour::knocker, false, 6, 2, 6},  // a knocker that met a patrol chick joins the patrol
        {Behaviour::knocker, false, 6, 5, 6},  // and the patrol chick hatches as one again
        {Behaviour::catcher, false, 3, 5, 3},  // a caught chick keeps its own behaviour
    };
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 2, 400, 400, c.state);
        p.bumped = c.bumped ? 1 : 0;
        p.tick = 35;  // a knocker in its glare
        p.footing = c.state == Behaviour::knocker ? Footing::tumbling : Footing::steady;
        if (c.other_state >= 0) add_chick(w, 5, 400, 400, static_cast<Behaviour>(c.other_state));
        SeededRandom rnd(3);
        (c.state == Behaviour::catcher ? chick_catch : chick_knock)(w, rnd, 2);
        ASSERT_EQ(at(w, c.slot).kind, BroodKind::egg) << "state " << c.state << " slot " << c.slot;
        EXPECT_EQ(hatch(w, c.slot), c.hatches_as) << "state " << c.state << " slot " << c.slot;
    }
}

TEST(CatchAndKnock, NeverTumbleLandOrHeedTheHeldMark) {
    for (Update run : {chick_catch, chick_knock}) {
        World w = chick_world();
        BroodRec& p =
            add_chick(w, 2, 400, 740, run == chick_catch ? Behaviour::catcher : Behaviour::knocker);
        p.footing = Footing::held;
        ScriptedRandom rnd = script({});
        for (int n = 0; n < 3; ++n) run(w, rnd, 2);
        EXPECT_EQ(p.kind, BroodKind::chick);
        EXPECT_EQ(p.footing, Footing::held);
        EXPECT_EQ(w.roam_beat, 3);  // it roamed in every update
    }
}

}  // namespace
}  // namespace vorlip
