// The ordinary behaviours, states 0 to 5: animation, motion and turns, pushes, the mother's
// bumps and touches, landing from a tumble and state 0's rest.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "chick_setup.hpp"
#include "chicks/chick.hpp"
#include "frame/behaviours.hpp"

namespace vorlip {
namespace {

using test::add_chick;
using test::at;
using test::chick_world;
using test::draws;
using test::script;

// One update of chick i by the behaviour its state names.
i16 chick_ordinary(World& w, Random& rnd, i16 i) {
    return behaviour_of(at(w, i).state)->update(w, rnd, i);
}

using Runs = std::initializer_list<std::pair<int, int>>;

// Runs of whole numbers: `head` once, then `tail` over and over, cut to length n. Each run
// counts from its first to its last value, e.g. {{1, 3}, {2, 0}} gives 1 2 3 2 1 0.
std::vector<int> runs(Runs head, Runs tail, size_t n) {
    std::vector<int> out;
    auto add = [&out](Runs parts) {
        for (auto [from, to] : parts) {
            const int step = from <= to ? 1 : -1;
            for (int v = from;; v += step) {
                out.push_back(v);
                if (v == to) break;
            }
        }
    };
    add(head);
    while (out.size() < n) add(tail);
    out.resize(n);
    return out;
}

int floor_of(double v) {
    return static_cast<int>(std::floor(v));
}

// Expected sideways and upward steps and the updates (1-based) after which the chick turns.
struct Motion {
    std::vector<int> dx, dy;
    std::vector<bool> turns;
};

constexpr size_t kUpdates = 130;

Motion expected_motion(int state) {
    Motion m;
    m.dx.resize(kUpdates);
    m.dy.resize(kUpdates);
    m.turns.assign(kUpdates, false);
    switch (state) {
        case 0: {  // each chick's tick 1..80; the shared flip beat 1..80
            const auto tick = runs({{1, 80}}, {{1, 80}}, kUpdates);
            for (size_t k = 0; k < kUpdates; ++k) {
                m.dx[k] = tick[k] / 9;
                m.dy[k] = tick[k] / 17;
                m.turns[k] = tick[k] % 20 == 0 || tick[k] == 70;
            }
            break;
        }
        case 1: {
            const auto beat = runs({{1, 55}}, {{1, 55}}, kUpdates);
            for (size_t k = 0; k < kUpdates; ++k) {
                m.dx[k] = beat[k] / 9;
                m.dy[k] = beat[k] / 19;
                m.turns[k] = beat[k] % 19 == 0;
            }
            break;
        }
        case 2: {  // 1..31 after hatching, then -19..-9 and 10..31 in turn
            const auto side = runs({{1, 31}}, {{-19, -9}, {10, 31}}, kUpdates);
            const auto up = runs({{1, 35}}, {{-15, 35}}, kUpdates);
            for (size_t k = 0; k < kUpdates; ++k) {
                m.dx[k] = floor_of(side[k] * 0.4);
                m.dy[k] = floor_of(up[k] * 0.3);
            }
            break;
        }
        case 3: {
            const auto rise = runs({{1, 55}}, {{-15, 55}}, kUpdates);
            const auto drift = runs({{1, 26}, {25, -16}}, {{-15, 26}, {25, -16}}, kUpdates);
            for (size_t k = 0; k < kUpdates; ++k) {
                m.dx[k] = floor_of(drift[k] * 0.25);
                m.dy[k] = floor_of(rise[k] * 0.06);
                m.turns[k] = drift[k] == 18 || drift[k] == 5;
            }
            break;
        }
        case 4: {
            const auto step = runs({{1, 3}, {2, 0}}, {{1, 3}, {2, 0}}, kUpdates);
            for (size_t k = 0; k < kUpdates; ++k) {
                m.dx[k] = step[k] + 2;
                m.dy[k] = step[k];
            }
            break;
        }
        case 5: {
            const auto side = runs({{1, 11}, {10, -1}}, {{0, 11}, {10, -1}}, kUpdates);
            const auto up = runs({{1, 9}}, {{0, 9}}, kUpdates);
            for (size_t k = 0; k < kUpdates; ++k) {
                m.dx[k] = floor_of(side[k] * 0.7);
                m.dy[k] = floor_of(up[k] * 0.7);
            }
            break;
        }
    }
    return m;
}

TEST(OrdinaryBehaviours, StepsAndTurnsOverFullCycles) {
    for (int state = 0; state <= 5; ++state) {
        World w = chick_world();
        w.screen_w = 30000;  // room to wander without leaving
        w.screen_h = 30000;
        add_chick(w, 3, 10000, 10000, state);
        ScriptedRandom rnd = draws(kUpdates);  // one tumble draw per update, never a tumble
        const Motion m = expected_motion(state);
        for (size_t k = 0; k < kUpdates; ++k) {
            const BroodRec before = at(w, 3);
            chick_ordinary(w, rnd, 3);
            const BroodRec& c = at(w, 3);
            const int along = before.facing == Facing::right ? 1 : -1;
            ASSERT_EQ((c.x - before.x) * along, m.dx[k])
                << "state " << state << " update " << k + 1;
            ASSERT_EQ(before.y - c.y, m.dy[k]) << "state " << state << " update " << k + 1;
            ASSERT_EQ(c.facing != before.facing, m.turns[k])
                << "state " << state << " update " << k + 1;
        }
        EXPECT_EQ(rnd.left(), 0u) << "state " << state;
    }
}

TEST(OrdinaryBehaviours, SharedCountersGiveConsecutiveValues) {
    // Two flocking chicks updated one after the other take beats 18 and 19; only the second
    // turns. Two swaying chicks likewise split the drift.
    World w = chick_world();
    add_chick(w, 2, 500, 400, 1);
    add_chick(w, 4, 300, 400, 1);
    w.flock_beat = 17;
    ScriptedRandom rnd = draws(2);
    chick_ordinary(w, rnd, 2);
    chick_ordinary(w, rnd, 4);
    EXPECT_EQ(at(w, 2).x, 502);
    EXPECT_EQ(at(w, 2).y, 400);
    EXPECT_EQ(at(w, 2).facing, Facing::right);
    EXPECT_EQ(at(w, 4).x, 302);
    EXPECT_EQ(at(w, 4).y, 399);
    EXPECT_EQ(at(w, 4).facing, Facing::left);
    EXPECT_EQ(w.flock_beat, 19);
}

TEST(OrdinaryBehaviours, WobbleJumpIsSharedThroughItsSign) {
    // Two wobbling chicks reach -9 together: the first jumps to 10 and flips the shared sign,
    // so the second runs on through -8.
    World w = chick_world();
    add_chick(w, 2, 500, 400, 2).aux1 = -10;
    add_chick(w, 4, 200, 400, 2).aux1 = -10;
    w.wobble_sign = -1;
    ScriptedRandom rnd = draws(4);
    for (int n = 0; n < 2; ++n) {
        chick_ordinary(w, rnd, 2);
        chick_ordinary(w, rnd, 4);
    }
    EXPECT_EQ(at(w, 2).aux1, 10);
    EXPECT_EQ(at(w, 4).aux1, -8);
    EXPECT_EQ(w.wobble_sign, 1);
}

TEST(OrdinaryBehaviours, AnimationCycles) {
    const std::vector<int> a = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 1, 0};
    std::vector<int> b = a;
    b.push_back(0);
    const std::vector<int> c = {0, 1};
    const std::vector<int>* by_state[6] = {&a, &a, &c, &b, &c, &c};
    for (int state = 0; state <= 5; ++state) {
        World w = chick_world();
        w.screen_w = 30000;
        w.screen_h = 30000;
        add_chick(w, 3, 10000, 10000, state);
        const std::vector<int>& cycle = *by_state[state];
        ScriptedRandom rnd = draws(2 * cycle.size());
        for (size_t k = 0; k < 2 * cycle.size(); ++k) {
            const int frame = chick_ordinary(w, rnd, 3);
            EXPECT_EQ(frame, cycle[k % cycle.size()]) << "state " << state << " update " << k;
            EXPECT_EQ(at(w, 3).frame, frame);
        }
        EXPECT_EQ(at(w, 3).anim, 1);
    }
}

TEST(OrdinaryBehaviours, AnimBeyondTheCycleShowsFrame0AndRestarts) {
    const int cases[][2] = {{1, 18}, {3, 19}, {4, 3}, {0, 500}};
    for (const auto& c : cases) {
        World w = chick_world();
        add_chick(w, 3, 500, 400, c[0]).anim = static_cast<i16>(c[1]);
        ScriptedRandom rnd = draws(1);
        EXPECT_EQ(chick_ordinary(w, rnd, 3), 0);
        EXPECT_EQ(at(w, 3).anim, 1) << "state " << c[0];
    }
}

TEST(OrdinaryBehaviours, TumblingChickShowsWideEyesAndFalls) {
    for (int state = 0; state <= 5; ++state) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 3, 500, 100, state);
        p.footing = Footing::tumbling;
        ScriptedRandom rnd = script({});  // a fall draws nothing
        const int frames[] = {4, 5, 4, 5, 4};
        const int falls[] = {1, 2, 3, 4, 5};
        int y = 100;
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(chick_ordinary(w, rnd, 3), frames[k]) << "state " << state;
            y += falls[k];
            EXPECT_EQ(p.y, y) << "state " << state;
            EXPECT_EQ(p.x, 500) << "no motion of its own";
        }
    }
}

TEST(OrdinaryBehaviours, HeldOrLeavingChicksOnlyAnimate) {
    for (int state = 0; state <= 5; ++state) {
        World w = chick_world();
        BroodRec& held = add_chick(w, 3, 500, 400, state);
        held.footing = Footing::held;
        held.bumped = 1;
        BroodRec& gone = add_chick(w, 5, 1024, 400, state);
        ScriptedRandom rnd = script({});
        EXPECT_EQ(chick_ordinary(w, rnd, 3), 0);
        EXPECT_EQ(held.x, 500);
        EXPECT_EQ(held.y, 400);
        EXPECT_EQ(held.anim, 2);
        EXPECT_EQ(held.bumped, 1);
        chick_ordinary(w, rnd, 5);
        EXPECT_EQ(gone.anim, 0);
        EXPECT_EQ(w.chicks_gone, 1);
    }
}

TEST(OrdinaryBehaviours, MothersBumpGivesAHopEnergyAndAFlower) {
    for (int state = 0; state <= 5; ++state) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 3, 500, 400, state);
        p.bumped = 1;
        p.footing = Footing::tumbling;
        p.vigour = 100;
        w.leader = 40;
        ScriptedRandom rnd = script({0.5f});  // the hop, and nothing else
        chick_ordinary(w, rnd, 3);
        EXPECT_EQ(p.y, 365) << "state " << state;
        EXPECT_EQ(p.x, 500) << "state " << state;
        EXPECT_EQ(p.footing, Footing::steady);
        EXPECT_EQ(p.bumped, 0);
        EXPECT_EQ(p.energy, 1075);
        EXPECT_EQ(p.aux1, state == 0 ? 1 : 0) << "only state 0 may rest afterwards";
        EXPECT_EQ(w.flowers[0].live, 1);
        EXPECT_EQ(w.flowers[0].box_y, 398);
    }
}

// Puts the mother where her body touches a chick at (x, y).
void mother_over(World& w, int x, int y) {
    w.mother_x = static_cast<i16>(x - 30);
    w.mother_y = static_cast<i16>(y - 30);
}

TEST(OrdinaryBehaviours, MothersTouchAndContactsGiveEnergy) {
    // vigour 100: each unit of amount is worth floor_int(12.5). States 0, 1 and 3 collect the touch
    // (4) and a contact (2) into one call; 2, 4 and 5 take the touch at once and never push.
    struct Case {
        int state;
        bool touch, contact;
        int energy;
    };
    const Case cases[] = {
        {1, false, false, 1000}, {1, true, false, 1050}, {1, false, true, 1025},
        {1, true, true, 1075},   {0, true, true, 1075},  {3, true, false, 1050},
        {4, true, false, 1050},  {4, false, true, 1000}, {2, true, true, 1050},
        {5, true, false, 1050},
    };
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 3, 500, 400, c.state);
        p.vigour = 100;
        w.leader = 40;
        if (c.contact) add_chick(w, 7, 500, 400, 1);
        if (c.touch) mother_over(w, 500, 400);
        ScriptedRandom rnd = draws(1);
        chick_ordinary(w, rnd, 3);
        EXPECT_EQ(p.energy, c.energy)
            << "state " << c.state << " touch " << c.touch << " contact " << c.contact;
    }
}

TEST(OrdinaryBehaviours, MothersTouchLiftsThreePixels) {
    // The motion of the first update is 0 px up in states 0, 1, 2, 3 and 5, and 1 px in 4.
    const int motion_up[6] = {0, 0, 0, 0, 1, 0};
    for (int state = 0; state <= 5; ++state) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 3, 500, 400, state);
        mother_over(w, 500, 400);
        ScriptedRandom rnd = draws(1);
        chick_ordinary(w, rnd, 3);
        EXPECT_EQ(p.y, 400 - 3 - motion_up[state]) << "state " << state;
    }
}

TEST(OrdinaryBehaviours, ContactPushes) {
    // Chick 3 finds chick 7 at its own place; k = floor_int((768 - y) x c) + b, the other goes up
    // by floor_int(k x f). The first update's own motion is 0 px up in states 0 to 3 and 5.
    struct Case {
        int state, y, other_state, other_aux1, self_up, other_up;
    };
    const Case cases[] = {
        {0, 500, 1, 0, 6, 1},   // the worked example: k = floor_int(268 x 0.015) + 2
        {0, 100, 1, 0, 12, 2},  // k = floor_int(10.02) + 2
        {1, 500, 1, 0, 4, 1},   // k = floor_int(1.34) + 3, floor_int(1.2)
        {1, 100, 1, 0, 6, 1},   // k = floor_int(3.34) + 3, floor_int(1.8)
        {3, 500, 1, 0, 3, 1},   // k = floor_int(1.34) + 2, floor_int(1.5)
        {3, 100, 1, 0, 5, 2},   // floor_int(2.5)
        {0, 800, 1, 0, 1, 0},   // below the screen: 768 - 800 = -32, floor_int(-0.48) = -1
        {1, 500, static_cast<int>(Behaviour::patrol), 0, 0,
         0},                    // patrol chicks are not pushed, nor is the pusher
        {1, 500, 0, -1, 4, 0},  // a resting state-0 chick is not pushed
        {1, 500, 0, -2, 4, 1},
        {2, 500, 1, 0, 0, 0},  // states 2, 4 and 5 do not push
        {4, 500, 1, 0, 1, 0},
        {5, 500, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        World w = chick_world();
        add_chick(w, 3, 500, c.y, c.state);
        add_chick(w, 7, 500, c.y, c.other_state).aux1 = static_cast<i16>(c.other_aux1);
        ScriptedRandom rnd = draws(1);
        chick_ordinary(w, rnd, 3);
        EXPECT_EQ(c.y - at(w, 3).y, c.self_up) << "state " << c.state << " y " << c.y;
        EXPECT_EQ(c.y - at(w, 7).y, c.other_up) << "state " << c.state << " y " << c.y;
    }
}

TEST(OrdinaryBehaviours, TumblingChickDoesNotPushButIsPushed) {
    World w = chick_world();
    add_chick(w, 3, 500, 500, 1).footing = Footing::tumbling;
    add_chick(w, 7, 500, 500, 1);
    ScriptedRandom rnd = draws(1);
    chick_ordinary(w, rnd, 3);
    EXPECT_EQ(at(w, 3).y, 501);  // fell by the first tumble step only
    EXPECT_EQ(at(w, 7).y, 500);
    chick_ordinary(w, rnd, 7);
    EXPECT_EQ(at(w, 3).y, 500);  // chick 7 pushed it up by floor_int(4 x 0.3) = 1
}

TEST(OrdinaryBehaviours, TouchedTumblingChickIsCaughtOnlyHighUp) {
    // A touch lifts it 3 px, then the tumble step decides; the touch's energy is dropped.
    struct Case {
        int y;
        bool caught;
    };
    const Case cases[] = {{100, true}, {155, true}, {156, false}, {500, false}};
    for (int state = 0; state <= 5; ++state) {
        for (const Case& c : cases) {
            World w = chick_world();
            BroodRec& p = add_chick(w, 3, 500, c.y, state);
            p.footing = Footing::tumbling;
            p.vigour = 100;
            w.leader = 40;
            w.catch_band = 0.21;
            mother_over(w, 500, c.y);
            ScriptedRandom rnd = script({});
            chick_ordinary(w, rnd, 3);
            EXPECT_EQ(p.y, c.y - 3) << "state " << state << " y " << c.y;
            EXPECT_EQ(p.footing, c.caught ? Footing::steady : Footing::tumbling)
                << "state " << state;
            // States 2, 4 and 5 take the touch's energy before the tumble step.
            const bool at_once = state == 2 || state == 4 || state == 5;
            EXPECT_EQ(p.energy, at_once ? 1050 : 1000) << "state " << state;
        }
    }
}

TEST(OrdinaryBehaviours, TumblingChickLandsAsAnEggWithItsClutch) {
    struct Case {
        int y;
        Footing footing;
        bool touched, lands;
    };
    const Case cases[] = {
        {720, Footing::tumbling, false, true}, {719, Footing::tumbling, false, false},
        {720, Footing::steady, false, false},  {5000, Footing::tumbling, false, true},
        {723, Footing::tumbling, true, true},  // touched and lifted to 720: still lands
    };
    for (int state = 0; state <= 5; ++state) {
        for (const Case& c : cases) {
            World w = chick_world();
            BroodRec& p = add_chick(w, 3, 300, c.y, state);
            p.footing = c.footing;
            p.sheet = 5;
            if (c.touched) mother_over(w, 300, c.y);
            ScriptedRandom rnd = draws(8);
            chick_ordinary(w, rnd, 3);
            const std::string what = "state " + std::to_string(state) + " y " + std::to_string(c.y);
            if (!c.lands) {
                EXPECT_EQ(p.kind, BroodKind::chick) << what;
                EXPECT_EQ(w.egg_count, 0) << what;
                continue;
            }
            const int y = c.touched ? c.y - 3 : c.y;
            EXPECT_EQ(p.kind, BroodKind::egg) << what;
            EXPECT_EQ(p.x, 312) << what;
            EXPECT_EQ(p.y, y - 22) << what;
            EXPECT_EQ(p.state, static_cast<Behaviour>(state)) << what;
            EXPECT_EQ(p.sheet, 5) << what;
            EXPECT_EQ(w.chicks_gone, 1) << what;
            EXPECT_EQ(w.egg_count, 2) << what;
            const BroodRec& clutch = at(w, 25);
            EXPECT_EQ(clutch.kind, BroodKind::egg) << what;
            EXPECT_EQ(clutch.state, Behaviour::patrol) << what;
            EXPECT_EQ(clutch.sheet, 5) << what;
            EXPECT_EQ(clutch.x, 312) << what;
            EXPECT_EQ(clutch.y, y - 25) << what;
            EXPECT_EQ(at(w, 26).anim, 0) << what;
        }
    }
}

TEST(SurgeRest, LengthFollowsTheDrawAndTheRamp) {
    // A bumped state-0 chick (aux1 1) meets chick 7: pushed once, then it rests for
    // floor_int(a / 2) + 1 updates with a = floor_int(r x tick x 5), not moving and drawing
    // nothing. A tumbling chick does not push, but its rest ends the tumble all the same.
    struct Case {
        int tick;
        float r;
        int updates;
        bool tumbling;
    };
    const Case cases[] = {{1, 0.0f, 1, false},    {1, 0.5f, 2, false}, {1, 0.99f, 3, false},
                          {80, 0.5f, 101, false}, {0, 0.7f, 1, false}, {1, 0.99f, 3, true}};
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 2, 500, 400, 0);
        p.aux1 = 1;
        p.tick = static_cast<i16>(c.tick);
        if (c.tumbling) p.footing = Footing::tumbling;
        add_chick(w, 7, 500, 400, 1);
        ScriptedRandom rnd = script({c.r});
        const int k = c.tumbling ? 0 : 7;  // floor_int(368 x 0.015) + 2 at y 400
        for (int n = 1; n <= c.updates; ++n) {
            chick_ordinary(w, rnd, 2);
            EXPECT_EQ(p.y, 400 - k) << "tick " << c.tick << " update " << n;
            EXPECT_EQ(p.x, 500);
            EXPECT_EQ(p.footing, Footing::steady);
            EXPECT_EQ(p.aux1, n < c.updates ? -1 : -2) << "tick " << c.tick << " update " << n;
        }
        // The other chick is still pushed by the resting chick.
        EXPECT_LT(at(w, 7).y, 400);
        // The rest is over: the next update moves again (one tumble draw) and cannot rest.
        ScriptedRandom more = draws(1);
        chick_ordinary(w, more, 2);
        EXPECT_EQ(p.aux1, -2);
        EXPECT_EQ(more.left(), 0u);
    }
}

TEST(SurgeRest, ComesBeforeLanding) {
    // At the bottom and tumbling, a state-0 chick that starts or keeps a rest does not land:
    // the rest runs before the landing test and gives it its footing back.
    struct Case {
        int aux1, aux2;
        bool contact;
        bool lands;
    };
    const Case cases[] = {
        {1, 0, true, false}, {-1, 6, false, false}, {1, 0, false, true}, {-2, 0, true, true}};
    for (const Case& c : cases) {
        World w = chick_world();
        BroodRec& p = add_chick(w, 2, 500, 720, 0);
        p.footing = Footing::tumbling;
        p.aux1 = static_cast<i16>(c.aux1);
        p.aux2 = static_cast<i16>(c.aux2);
        p.tick = 1;
        if (c.contact) add_chick(w, 7, 500, 720, 1);
        ScriptedRandom rnd = draws(5);
        chick_ordinary(w, rnd, 2);
        EXPECT_EQ(p.kind, c.lands ? BroodKind::egg : BroodKind::chick) << "aux1 " << c.aux1;
        if (!c.lands) {
            EXPECT_EQ(p.footing, Footing::steady) << "aux1 " << c.aux1;
        }
    }
}

TEST(SurgeRest, PatrolContactStillStartsARest) {
    World w = chick_world();
    BroodRec& p = add_chick(w, 2, 500, 400, 0);
    p.aux1 = 1;
    p.tick = 2;
    add_chick(w, 7, 500, 400, Behaviour::patrol);
    ScriptedRandom rnd = script({0.99f});  // a = floor_int(9.9) = 9: 5 updates
    for (int n = 0; n < 5; ++n) chick_ordinary(w, rnd, 2);
    EXPECT_EQ(p.y, 400);
    EXPECT_EQ(at(w, 7).y, 400);
    EXPECT_EQ(p.aux1, -2);
}

TEST(SurgeRest, RestingChickIsNotLiftedByTheMother) {
    World w = chick_world();
    BroodRec& p = add_chick(w, 2, 500, 400, 0);
    p.aux1 = -1;
    p.aux2 = 10;
    mother_over(w, 500, 400);
    ScriptedRandom rnd = script({});
    chick_ordinary(w, rnd, 2);
    EXPECT_EQ(p.y, 400);
    EXPECT_EQ(p.aux2, 8);
}

}  // namespace
}  // namespace vorlip
