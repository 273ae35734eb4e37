#include <gtest/gtest.h>

#include "frame/step.hpp"
#include "support/population.hpp"
#include "support/test_support.hpp"

namespace vorlip {
namespace {

// Seeded shows: the population counters match the tables after every frame, and the patrol
// gets to carry chicks up and to sow. The long one is a whole afternoon of the saver.
TEST(PatrolRun, CountsMatchTheTablesAfterEveryFrame) {
    const struct {
        int seed, w, h, frames;
    } shows[] = {{11, 640, 480, 10000}, {3, 1024, 768, 10000}, {11, 1024, 768, 200000}};
    for (const auto& show : shows) {
        SeededRandom rnd(static_cast<std::uint64_t>(show.seed));
        World w = test::started_world(show.w, show.h, rnd);
        Stage stage;  // no pixels: only the tables matter here, and the run stays quick
        bool carried = false, sown = false;
        for (int f = 0; f < show.frames; ++f) {
            scene_step(w, rnd, stage);
            ASSERT_TRUE(test::counters_match_table(w)) << "seed " << show.seed << " frame " << f;
            for (const BroodRec& p : w.brood)
                carried = carried || (p.anim > 0 && p.kind == BroodKind::chick &&
                                      p.state == Behaviour::patrol && p.aux2 == -1);
            for (const SproutRec& s : w.sprouts) sown = sown || s.live > 0;
        }
        EXPECT_TRUE(carried) << show.seed;
        EXPECT_TRUE(sown) << show.seed;
    }
}

}  // namespace
}  // namespace vorlip
