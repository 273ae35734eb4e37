// A long seeded show: after every frame the egg and chick counters match the table.
#include <gtest/gtest.h>

#include "frame/step.hpp"
#include "scene/stage.hpp"
#include "support/test_support.hpp"

namespace vorlip {
namespace {

struct Census {
    int eggs = 0, chicks = 0;
    int states_seen = 0;  // bit per chick state met
};

Census count(const World& w) {
    Census c;
    for (int i = 0; i <= w.brood_max && i < kBroodSlots; ++i) {
        const BroodRec& p = w.brood[static_cast<std::size_t>(i)];
        if (p.anim == 0) continue;
        if (p.kind == BroodKind::egg) ++c.eggs;
        if (p.kind == BroodKind::chick || p.kind == BroodKind::hatching) ++c.chicks;
        const int s = static_cast<int>(p.state);
        if (p.kind == BroodKind::chick && s >= 0 && s <= 8) c.states_seen |= 1 << s;
    }
    return c;
}

TEST(Population, CountersMatchTheTableAfterEveryFrame) {
    for (std::uint64_t seed : {5u, 11u}) {
        SeededRandom rnd(seed);
        World w = test::started_world(1024, 768, rnd);
        Stage stage;  // no pictures: only the world matters here
        int states_seen = 0, most_chicks = 0, flowers_seen = 0;
        for (int frame = 1; frame <= 50000; ++frame) {
            scene_step(w, rnd, stage);
            const Census c = count(w);
            ASSERT_EQ(w.egg_count, c.eggs) << "seed " << seed << " frame " << frame;
            ASSERT_EQ(w.chick_count, c.chicks) << "seed " << seed << " frame " << frame;
            states_seen |= c.states_seen;
            most_chicks = std::max(most_chicks, c.chicks);
            for (const FlowerRec& f : w.flowers) flowers_seen += f.live > 0;
        }
        // The show really ran: chicks of several behaviours came and flowers bloomed.
        EXPECT_GT(most_chicks, 3) << "seed " << seed;
        EXPECT_GT(__builtin_popcount(static_cast<unsigned>(states_seen)), 4) << "seed " << seed;
        EXPECT_GT(flowers_seen, 0) << "seed " << seed;
    }
}

}  // namespace
}  // namespace vorlip
