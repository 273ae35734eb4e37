#include <gtest/gtest.h>

#include "scene/step.hpp"
#include "support/test_support.hpp"

namespace vorlip {
namespace {

// Seeded shows: the population counters match the tables after every frame, and the patrol
// gets to carry chicks up and to sow.
TEST(PatrolRun, CountsMatchTheTablesAfterEveryFrame) {
    const struct { int seed, w, h; } shows[] = {{11, 640, 480}, {3, 1024, 768}};
    for (const auto& show : shows) {
        SeededRandom rnd(static_cast<std::uint64_t>(show.seed));
        World w = test::started_world(show.w, show.h, rnd);
        Stage stage;  // no pixels: only the tables matter here, and the run stays quick
        bool carried = false, sown = false;
        for (int f = 0; f < 10000; ++f) {
            scene_step(w, rnd, stage);
            int eggs = 0, chicks = 0;
            for (int i = 0; i <= 39; ++i) {
                const PlayerRec& p = w.players[static_cast<std::size_t>(i)];
                if (p.anim == 0) continue;
                eggs += p.kind == kEgg;
                chicks += p.kind == kChick || p.kind == kHatching;
                carried = carried || (p.kind == kChick && p.state == kPatrol && p.aux2 == -1);
            }
            for (const SproutRec& s : w.sprouts) sown = sown || s.live > 0;
            ASSERT_EQ(w.egg_count, eggs) << "seed " << show.seed << " frame " << f;
            ASSERT_EQ(w.chick_count, chicks) << "seed " << show.seed << " frame " << f;
        }
        EXPECT_TRUE(carried) << show.seed;
        EXPECT_TRUE(sown) << show.seed;
    }
}

}  // namespace
}  // namespace vorlip
