#include <gtest/gtest.h>

#include "mother/mother.hpp"
#include "mother_fixtures.hpp"
#include "support/test_support.hpp"

namespace vorlip::test {
namespace {

// --- mother_find_nearest_chick -------------------------------------------------------------

TEST(FindNearestChick, NothingToFindLeavesResultAlone) {
    World w = plain_world();
    put_chick(w, 3, 100, 100, Footing::steady);               // steady: needs no help
    put_record(w, 4, BroodKind::egg, 1, 100, 100);            // an egg, footing 4
    put_record(w, 5, BroodKind::hatching, 1, 100, 100);       // hatching, footing 4
    put_record(w, 6, BroodKind::chick, 0, 100, 100);          // a free slot that held a chick
    put_chick(w, 7, 100, 100, Footing::tumbling).bumped = 1;  // bumped: passed over
    i16 result = 17;
    EXPECT_EQ(mother_find_nearest_chick(w, result, 100, 100, Searcher::mother), 0);
    EXPECT_EQ(result, 17);
}

TEST(FindNearestChick, PicksNearestByReferencePoint) {
    // The mother looks from (x + 60, y + 40), a chick from (x + 36, y + 36); a chick is
    // measured from its centre (x + 36, y + 36).
    struct Case {
        const char* name;
        int sx, sy, searcher;
        int want;
    };
    // Chick 2 centred on (160, 140), chick 9 centred on (136, 136).
    const Case cases[] = {
        {"mother at (100,100) looks from (160,140)", 100, 100, 1, 2},
        {"chick at (100,100) looks from (136,136)", 100, 100, 2, 9},
        {"any other searcher value is a chick", 100, 100, 0, 9},
    };
    for (const Case& c : cases) {
        World w = plain_world();
        put_chick(w, 2, 124, 104, Footing::tumbling);
        put_chick(w, 9, 100, 100, Footing::tumbling);
        i16 result = -5;
        EXPECT_EQ(mother_find_nearest_chick(w, result, w16(c.sx), w16(c.sy),
                                            static_cast<Searcher>(c.searcher)),
                  true)
            << c.name;
        EXPECT_EQ(result, c.want) << c.name;
    }
}

TEST(FindNearestChick, TiesKeepTheLowerIndexAndBumpedAreSkipped) {
    World w = plain_world();
    // Reference (136, 136); chicks 12 and 20 at distance 10 either side, chick 5 nearer but
    // bumped.
    put_chick(w, 20, 110, 100, Footing::tumbling);  // centre (146, 136)
    put_chick(w, 12, 90, 100, Footing::tumbling);   // centre (126, 136)
    put_chick(w, 5, 100, 100, Footing::tumbling).bumped = 1;
    i16 result = 0;
    EXPECT_EQ(mother_find_nearest_chick(w, result, 100, 100, Searcher::chick), true);
    EXPECT_EQ(result, 12);

    // Once its flag is cleared (any value but 1), the bumped chick is found again, at distance 0:
    // a searcher finds itself.
    slot(w, 5).bumped = 0;
    EXPECT_EQ(mother_find_nearest_chick(w, result, 100, 100, Searcher::chick), true);
    EXPECT_EQ(result, 5);
}

TEST(FindNearestChick, DistanceIsExactBeyondSixteenBits) {
    World w = plain_world();
    // A square kept in 16 bits would make dx = 256 look nearer (0) than dx = 10 (100).
    put_chick(w, 1, 100 + 256, 100, Footing::tumbling);
    put_chick(w, 2, 100 - 10, 100, Footing::tumbling);
    i16 result = 0;
    EXPECT_EQ(mother_find_nearest_chick(w, result, 100, 100, Searcher::chick), true);
    EXPECT_EQ(result, 2);
}

TEST(FindNearestChick, AChickFarOffIsStillReported) {
    // A squared distance above two thousand million would never beat a 32-bit start value;
    // a found chick must still be named.
    World w = plain_world();
    put_chick(w, 8, -32000, -32000, Footing::tumbling);
    i16 result = -1;
    EXPECT_EQ(mother_find_nearest_chick(w, result, 30000, 30000, Searcher::mother), 1);
    EXPECT_EQ(result, 8);
}

// --- mother_next_chick ---------------------------------------------------------------------

TEST(NextChick, FirstNeedingHelpFromStart) {
    World w = plain_world();
    put_chick(w, 0, 0, 0, Footing::tumbling);
    put_chick(w, 4, 0, 0, Footing::steady);
    put_chick(w, 6, 0, 0, Footing::tumbling).bumped = 1;
    put_record(w, 7, BroodKind::egg, 1);
    put_chick(w, 10, 0, 0, Footing::tumbling);
    put_chick(w, 39, 0, 0, Footing::tumbling);
    struct Case {
        int exclude, start, want;
    };
    const Case cases[] = {
        {-1, -1, 0},  {0, -1, 10},  {0, 0, 10},   {-1, 1, 10},   {10, 5, 39},
        {-1, 11, 39}, {39, 11, -1}, {-1, 40, -1}, {-1, 200, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mother_next_chick(w, w16(c.exclude), w16(c.start)), c.want)
            << "exclude " << c.exclude << " start " << c.start;
}

// --- mother_overlap_chicks -----------------------------------------------------------------

// The mother at (100, 100): body box left 110, right 210, top 105, bottom 210; the column
// reaches down to screen_h (768).
TEST(OverlapChicks, StrictEdgesOfTheBodyAndColumn) {
    struct Case {
        const char* name;
        int cx, cy, box;
        i16 want;
    };
    const Case cases[] = {
        {"right-hand points on the left edge", 38, 120, -1, 0},
        {"right-hand points one inside the left edge", 39, 120, -1, 1},
        {"left-hand points on the right edge", 205, 120, -1, 0},
        {"left-hand points one inside the right edge", 204, 120, -1, 1},
        {"lower points on the top edge", 120, 38, -1, 0},
        {"lower points one below the top edge", 120, 39, -1, 1},
        {"upper points on the bottom edge", 120, 210, -1, 0},
        {"upper points one above the bottom edge", 120, 209, 1, 1},
        {"far below the body", 120, 600, -1, 0},
        {"far below, in the column", 120, 600, 2, 1},
        {"column ends at screen_h", 120, 768, 2, 0},
        {"column, one above screen_h", 120, 767, 2, 1},
        {"beside the column", 300, 600, 2, 0},
    };
    for (const Case& c : cases) {
        World w = plain_world();
        w.mother_x = 100;
        w.mother_y = 100;
        w.chick_count = 1;
        put_chick(w, 3, c.cx, c.cy);
        i16 start = 3;
        EXPECT_EQ(mother_overlap_chicks(w, start, static_cast<Overlap>(c.box)), c.want) << c.name;
        EXPECT_EQ(start, 3) << c.name;
        EXPECT_EQ(slot(w, 3).bumped, 0) << c.name << ": single mode never bumps";
    }
}

TEST(OverlapChicks, SingleModeTestsOneChickAndMovesStartToIt) {
    World w = plain_world();
    w.mother_x = 100;
    w.mother_y = 100;
    w.chick_count = 3;
    put_record(w, 4, BroodKind::egg, 1, 120, 120);       // inside, but an egg
    put_record(w, 5, BroodKind::hatching, 1, 120, 120);  // inside, but hatching
    put_chick(w, 6, 500, 500);                           // live, outside
    put_chick(w, 8, 120, 120);                           // live, inside
    put_record(w, 9, BroodKind::chick, 0, 120, 120);     // free
    struct Case {
        int start;
        i16 want, start_after;
    };
    const Case cases[] = {
        {4, 0, 6},   // from an egg on to the next live chick, which is outside
        {7, 1, 8},   // on to chick 8, inside
        {8, 1, 8},   // a chick testing itself keeps its index
        {9, 0, 40},  // none left: start ends one past brood_max
    };
    for (const Case& c : cases) {
        i16 start = w16(c.start);
        EXPECT_EQ(mother_overlap_chicks(w, start, Overlap::body), c.want) << "start " << c.start;
        EXPECT_EQ(start, c.start_after) << "start " << c.start;
    }
    EXPECT_EQ(slot(w, 8).bumped, 0);
}

TEST(OverlapChicks, ScanAllBumpsEveryChickInTheColumn) {
    World w = plain_world();
    w.mother_x = 100;
    w.mother_y = 100;
    w.chick_count = 4;
    put_chick(w, 2, 120, 700);  // at the bottom, in the column
    put_chick(w, 3, 120, 120);  // at her body
    put_chick(w, 7, 600, 700);  // off to the side
    put_chick(w, 9, 150, 300);  // below her, carried
    put_record(w, 11, BroodKind::egg, 1, 120, 700);
    w.rescuers[2] = 3;
    w.rescuers[3] = 0;
    w.rescuers[7] = 2;
    w.rescuers[9] = -1;
    w.rescuers[11] = 5;

    i16 start = -1;
    EXPECT_EQ(mother_overlap_chicks(w, start, Overlap::column), 1);
    EXPECT_EQ(start, 40);
    EXPECT_EQ(slot(w, 2).bumped, 1);
    EXPECT_EQ(slot(w, 3).bumped, 1);
    EXPECT_EQ(slot(w, 7).bumped, 0);
    EXPECT_EQ(slot(w, 9).bumped, 1);
    EXPECT_EQ(slot(w, 11).bumped, 0);
    EXPECT_EQ(w.rescuers[2], 0);
    EXPECT_EQ(w.rescuers[3], 0);
    EXPECT_EQ(w.rescuers[7], 2);   // not touched
    EXPECT_EQ(w.rescuers[9], -1);  // being carried: left alone
    EXPECT_EQ(w.rescuers[11], 5);  // eggs are never tested
}

TEST(OverlapChicks, ScanAllStopsAfterChickCountPlusOneChicks) {
    World w = plain_world();
    w.mother_x = 100;
    w.mother_y = 100;
    w.chick_count = 1;  // the count lags: three chicks are live
    put_chick(w, 1, 120, 300);
    put_chick(w, 2, 120, 400);
    put_chick(w, 3, 120, 500);
    i16 start = -1;
    EXPECT_EQ(mother_overlap_chicks(w, start, Overlap::column), 1);
    EXPECT_EQ(slot(w, 1).bumped, 1);
    EXPECT_EQ(slot(w, 2).bumped, 1);
    EXPECT_EQ(slot(w, 3).bumped, 0);
    EXPECT_EQ(start, 3);
}

TEST(OverlapChicks, OddStartsStayInsideTheTable) {
    World w = plain_world();
    w.mother_x = 100;
    w.mother_y = 100;
    w.chick_count = 1;
    put_chick(w, 0, 120, 120);
    for (int s : {-2, -300, 41, 32767}) {
        i16 start = w16(s);
        const i16 got = mother_overlap_chicks(w, start, Overlap::body);
        EXPECT_EQ(got, s < 0 ? 1 : 0) << s;
    }
    w.brood_max = 500;  // a dumped world may hold anything here
    i16 start = 1;
    EXPECT_EQ(mother_overlap_chicks(w, start, Overlap::body), 0);
    i16 result = 0;
    EXPECT_EQ(mother_find_nearest_chick(w, result, 0, 0, Searcher::mother), 0);
    EXPECT_EQ(mother_next_chick(w, -1, 1), -1);
}

}  // namespace
}  // namespace vorlip::test
