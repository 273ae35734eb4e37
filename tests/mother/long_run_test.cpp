#include <gtest/gtest.h>

#include "frame/step.hpp"
#include "scene/stage.hpp"
#include "support/population.hpp"
#include "support/test_support.hpp"

namespace vorlip::test {
namespace {

// Over a long seeded show every egg, hatch and removal must be counted exactly once: the
// counters agree with the table after every frame, and the mother stays near the screen.
TEST(LongRun, CountersFollowTheTableForTwentyThousandFrames) {
    SeededRandom rnd(20240611);
    World w = started_world(1024, 768, rnd);
    Stage stage(1024, 768);
    int eggs_seen = 0, hatches_seen = 0, landings = 0;
    for (int k = 0; k < 20000; ++k) {
        scene_step(w, rnd, stage);
        ASSERT_TRUE(counters_match_table(w)) << "after frame " << k;
        ASSERT_GE(w.frame_no, 1);
        ASSERT_LE(w.frame_no, 30025);
        ASSERT_GE(w.mother_y, -300) << "after frame " << k;
        ASSERT_LE(w.mother_y, 768) << "after frame " << k;
        // Chasing a chick near an edge may carry her a little past it.
        ASSERT_GE(w.mother_x, -1024) << "after frame " << k;
        ASSERT_LE(w.mother_x, 2048) << "after frame " << k;
        for (const BroodRec& p : w.brood) {
            if (p.anim > 0 && p.kind == BroodKind::egg) ++eggs_seen;
            if (p.anim > 0 && p.kind == BroodKind::hatching) ++hatches_seen;
        }
        if (w.mother_takeoff == 1) ++landings;
    }
    EXPECT_GT(eggs_seen, 0);
    EXPECT_GT(hatches_seen, 0);
    EXPECT_GT(landings, 0);
}

}  // namespace
}  // namespace vorlip::test
