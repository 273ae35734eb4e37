#include <gtest/gtest.h>

#include <vector>

#include "mother/mother.hpp"
#include "mother_fixtures.hpp"
#include "support/test_support.hpp"

namespace vorlip::test {
namespace {

// An egg at (x, y) that was laid where it is and may roll `distance` before it hatches.
BroodRec& put_egg(World& w, int i, int x, int y, i16 facing, i16 distance = 1000) {
    BroodRec& e = put_record(w, i, BroodKind::egg, 1, x, y);
    e.aux1 = e.x;
    e.aux2 = distance;
    e.facing = static_cast<Facing>(facing);
    return e;
}

// --- mother_update_egg ---------------------------------------------------------------------

TEST(UpdateEgg, FramesOverTwelveUpdates) {
    World w = plain_world();
    put_egg(w, 3, 500, -20000, 1);  // high up: it only falls
    ScriptedRandom rnd(std::vector<float>(40, 0.0f));
    std::vector<i16> frames;
    for (int k = 0; k < 13; ++k) {
        frames.push_back(mother_update_egg(w, rnd, 3));
        EXPECT_EQ(slot(w, 3).frame, frames.back());
    }
    EXPECT_EQ(frames, (std::vector<i16>{2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 0, 1, 2}));

    struct Case {
        i16 anim, frame, anim_after;
    };
    const Case cases[] = {{9, 2, 10}, {12, 1, 1}, {13, 0, 1}, {-5, 0, -4}};
    for (const Case& c : cases) {
        World v = plain_world();
        put_egg(v, 3, 500, -20000, 1).anim = c.anim;
        EXPECT_EQ(mother_update_egg(v, rnd, 3), c.frame) << c.anim;
        EXPECT_EQ(slot(v, 3).anim, c.anim_after) << c.anim;
    }
}

TEST(UpdateEgg, FallsUntilBelowTheGroundLine) {
    // On a 768 screen the egg falls while its top is at or above 720.
    struct Case {
        int y;
        float r;
        int want_y;
    };
    const Case cases[] = {
        {100, 0.0f, 113},
        {100, 0.99f, 117},
        {720, 0.5f, 735},
        {-500, 0.2f, -486},
    };
    for (const Case& c : cases) {
        World w = plain_world();
        put_egg(w, 3, 500, c.y, 2, 0);  // no roll distance, but a falling egg does not move aside
        ScriptedRandom rnd = script({0.5f, c.r});
        mother_update_egg(w, rnd, 3);
        EXPECT_EQ(slot(w, 3).y, c.want_y) << c.y;
        EXPECT_EQ(slot(w, 3).x, 500) << c.y;
        EXPECT_EQ(slot(w, 3).kind, BroodKind::egg) << c.y;
        EXPECT_EQ(rnd.left(), 0u) << c.y;
    }
}

TEST(UpdateEgg, RollsAlongTheBottom) {
    struct Case {
        const char* name;
        int index;
        i16 facing, roll_range;
        float r, hop;
        int dx, dy;
    };
    // roll_range 9 becomes 10, so r 0.5 gives a step s of 5.
    const Case cases[] = {
        {"low slot facing 1 rolls right", 3, 1, 9, 0.5f, 0.5f, 2, 0},
        {"low slot facing 2 rolls left", 3, 2, 9, 0.5f, 0.5f, -2, 0},
        {"high slot facing 1 rolls left", 8, 1, 9, 0.5f, 0.5f, -3, 0},
        {"high slot facing 2 rolls right", 8, 2, 9, 0.5f, 0.5f, 3, 0},
        {"any facing but 2 counts as 1", 3, 0, 9, 0.5f, 0.5f, 2, 0},
        {"a step equal to the index stands still", 5, 1, 9, 0.5f, 0.5f, 0, 0},
        {"a hop lifts it twice the step", 3, 1, 9, 0.5f, 0.0f, 2, -10},
        {"the hop needs floor_int(r x 400) = 0", 3, 1, 9, 0.5f, 0.002501f, 2, 0},
        {"roll_range restarts at 1 after 45", 3, 1, 45, 0.99f, 0.0f, -3, 0},
        {"a step of 44 at 45", 0, 1, 44, 0.99f, 0.0f, 44, -88},
    };
    for (const Case& c : cases) {
        World w = plain_world();
        put_egg(w, c.index, 500, 730, c.facing);
        w.roll_range = c.roll_range;
        ScriptedRandom rnd = script({c.r, c.hop});
        mother_update_egg(w, rnd, w16(c.index));
        EXPECT_EQ(slot(w, c.index).x - 500, c.dx) << c.name;
        EXPECT_EQ(slot(w, c.index).y - 730, c.dy) << c.name;
        EXPECT_EQ(slot(w, c.index).facing, static_cast<Facing>(c.facing))
            << c.name << ": eggs never turn round";
        EXPECT_EQ(rnd.left(), 0u) << c.name;
    }
}

TEST(UpdateEgg, RollRangeIsSharedByAllEggs) {
    World w = plain_world();
    put_egg(w, 1, 300, 100, 1);
    put_egg(w, 2, 300, 730, 1);
    w.roll_range = 10;
    ScriptedRandom rnd(std::vector<float>(8, 0.5f));
    mother_update_egg(w, rnd, 1);
    mother_update_egg(w, rnd, 2);
    EXPECT_EQ(w.roll_range, 12);
}

TEST(UpdateEgg, LeavesTheScreenAtEitherSide) {
    struct Case {
        int x;
        bool gone;
    };
    const Case cases[] = {{-49, true}, {-48, false}, {1024, false}, {1025, true}};
    for (const Case& c : cases) {
        World w = plain_world();
        BroodRec& e = put_egg(w, 4, c.x, 730, 1, 5000);
        e.anim = 10;
        ScriptedRandom rnd = script({0.5f, 0.5f});
        EXPECT_EQ(mother_update_egg(w, rnd, 4), 3) << c.x;
        EXPECT_EQ(e.anim, c.gone ? 0 : 11) << c.x;
        EXPECT_EQ(w.eggs_gone, c.gone ? 1 : 0) << c.x;
        EXPECT_EQ(rnd.used(), c.gone ? 0u : 2u) << c.x;
    }
}

TEST(UpdateEgg, HatchesOnceFartherThanItsRollDistance) {
    struct Case {
        int x, aux1, aux2;
        bool hatches;
    };
    const Case cases[] = {
        {510, 500, 10, false}, {511, 500, 10, true}, {490, 500, 10, false}, {489, 500, 10, true},
        {500, 500, 0, false},  {501, 500, 0, true},  {499, 500, 0, true},
    };
    for (const Case& c : cases) {
        World w = plain_world();
        BroodRec& e = put_egg(w, 6, c.x, 730, 1);
        e.aux1 = w16(c.aux1);
        e.aux2 = w16(c.aux2);
        e.state = Behaviour::glide;
        e.sheet = 5;
        e.vigour = 300;
        e.energy = 7;
        e.flap = 9;
        e.anim = 3;
        w.chick_count = 2;
        // The chick's box grows around the egg's; it keeps what the egg was to become.
        BroodRec want = e;
        want.anim = 1;
        want.frame = 2;
        want.kind = BroodKind::hatching;
        want.x = w16(c.x - 24);
        want.y = 706;
        want.bumped = 3;
        want.footing = Footing::steady;
        want.aux1 = want.aux2 = want.flap = want.tick = 0;
        want.facing = Facing::left;
        ScriptedRandom rnd = script({0.1f, 0.5f});
        EXPECT_EQ(mother_update_egg(w, rnd, 6), 2) << c.x;
        if (!c.hatches) {
            EXPECT_EQ(e.kind, BroodKind::egg) << c.x;
            continue;
        }
        EXPECT_EQ(e, want) << c.x;
        EXPECT_EQ(rnd.used(), 0u) << c.x;
        EXPECT_EQ(w.eggs_gone, 1) << c.x;
        EXPECT_EQ(w.chick_count, 3) << c.x;
    }
}

TEST(UpdateEgg, NoRollDistanceHatchesAfterTheFirstStep) {
    struct Case {
        float r;
        bool hatches;
    };
    // Slot 5, roll_range 9 -> 10: r 0.5 gives a step of 0, r 0.6 a step of 1.
    const Case cases[] = {{0.5f, false}, {0.6f, true}};
    for (const Case& c : cases) {
        World w = plain_world();
        put_egg(w, 5, 500, 730, 1, 0);
        w.roll_range = 9;
        ScriptedRandom rnd = script({c.r, 0.5f, 0.5f, 0.5f});
        mother_update_egg(w, rnd, 5);
        EXPECT_EQ(slot(w, 5).kind, BroodKind::egg);
        mother_update_egg(w, rnd, 5);
        EXPECT_EQ(slot(w, 5).kind, c.hatches ? BroodKind::hatching : BroodKind::egg) << c.r;
    }
}

// --- mother_spawn_chick --------------------------------------------------------------------

TEST(SpawnChick, HatchFacingFromTheExactHalf) {
    struct Case {
        int screen_w, egg_x;
        i16 facing;
    };
    // The chick's box is 24 to the left of the egg's; 512 is exactly half of 1024.
    const Case cases[] = {{1024, 536, 1}, {1024, 537, 2}, {1023, 535, 1}, {1023, 536, 2}};
    for (const Case& c : cases) {
        World w = plain_world(c.screen_w, 768);
        put_egg(w, 7, c.egg_x, 730, 2);
        EXPECT_EQ(mother_spawn_chick(w, 7, Spawn::hatch), 7);
        EXPECT_EQ(slot(w, 7).facing, static_cast<Facing>(c.facing)) << c.screen_w << " " << c.egg_x;
    }
}

TEST(SpawnChick, PatrolChickBesideItsRecruiter) {
    World w = plain_world();
    BroodRec& src = put_chick(w, 3, 600, 300);
    src.sheet = 4;
    w.chick_count = 1;
    put_record(w, 25, BroodKind::chick, 1);
    BroodRec& old = slot(w, 26);
    old = BroodRec{1,  2,  3,  4,  5, Facing{6}, Footing{7}, 0, 9, 10, BroodKind{11}, Behaviour{12},
                   13, 14, 15, 16, 17};  // free
    EXPECT_EQ(mother_spawn_chick(w, 3, Spawn::patrol), 26);
    // Its target_sheet, frame, energy and vigour are what the slot held before.
    const BroodRec want{600,
                        300,
                        -1,
                        4,
                        0,
                        Facing::right,
                        Footing::steady,
                        1,
                        9,
                        0,
                        BroodKind::chick,
                        Behaviour::patrol,
                        4,
                        0,
                        0,
                        16,
                        17};
    EXPECT_EQ(slot(w, 26), want);
    EXPECT_EQ(w.chick_count, 2);
}

TEST(SpawnChick, NoFreeSlotIn25To38ChangesNothing) {
    World w = plain_world();
    put_chick(w, 3, 600, 300);
    for (int i = 25; i <= 38; ++i) put_record(w, i, BroodKind::egg, 1);
    // 39 and the lower slots are free but never used for a patrol chick.
    const World before = w;
    EXPECT_EQ(mother_spawn_chick(w, 3, Spawn::patrol), -1);
    EXPECT_TRUE(w == before);

    slot(w, 38).anim = 0;
    EXPECT_EQ(mother_spawn_chick(w, 3, Spawn{7}), 38);
}

// --- mother_update_hatching ----------------------------------------------------------------

TEST(UpdateHatching, TwoGrowingFramesThenAChick) {
    World w = plain_world();
    put_egg(w, 8, 324, 730, 1, 0);
    mother_spawn_chick(w, 8, Spawn::hatch);  // the chick's box at (300, 706)
    struct Step {
        i16 size, offset;
    };
    const Step steps[] = {{27, 22}, {33, 19}};
    i16 width = -1, height = -1;
    for (const Step& s : steps) {
        EXPECT_TRUE(mother_update_hatching(w, 8, width, height));
        EXPECT_EQ(width, s.size);
        EXPECT_EQ(height, s.size);
        EXPECT_EQ(slot(w, 8).flap, 300 + s.offset);
        EXPECT_EQ(slot(w, 8).tick, 706 + s.offset);
        EXPECT_EQ(slot(w, 8).kind, BroodKind::hatching);
    }
    EXPECT_FALSE(mother_update_hatching(w, 8, width, height));
    EXPECT_EQ(width, 33);  // left as it was
    EXPECT_EQ(slot(w, 8).kind, BroodKind::chick);
    EXPECT_EQ(slot(w, 8).bumped, 0);
    EXPECT_EQ(slot(w, 8).flap, 0);
    EXPECT_EQ(slot(w, 8).tick, 0);
    EXPECT_EQ(slot(w, 8).x, 300);
    EXPECT_EQ(slot(w, 8).y, 706);
}

}  // namespace
}  // namespace vorlip::test
