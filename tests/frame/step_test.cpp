#include "frame/step.hpp"

#include <gtest/gtest.h>

#include "scene/draw.hpp"
#include "sheets/geometry.hpp"
#include "support/test_support.hpp"
#include "tools/offscreen_window.hpp"

namespace vorlip {
namespace {

constexpr Pixel kDesk = 0x336699;

// A sheet whose every frame is one solid colour over its whole cell (mask all black), so any
// overlap shows who was drawn last.
Surface solid_sheet(int w, int h, int frames, Pixel colour) {
    Surface s(w * frames, h * 2, kBlack);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * frames; ++x) s.set(x, y, colour);
    return s;
}

struct StepFixture : ::testing::Test {
    World world = test::plain_world(300, 200);
    SeededRandom rnd{5};
    Stage stage;
    OffscreenWindow window{300, 200};
    void SetUp() override {
        stage.compose.resize(300, 200);
        stage.background.resize(300, 200, kDesk);
        for (int s = 0; s < 16; ++s) {
            const SheetGeometry& g = kSheetGeometry[s];
            stage.sheets[s] = solid_sheet(g.frame_w, g.frame_h, 6, 0x010101 * Pixel(s + 1));
        }
        stage.window = &window;
        world.mother_x = 100;
        world.mother_y = 40;
    }
    Pixel shown(int x, int y) { return window.image().at(x, y); }
};

TEST_F(StepFixture, FrameCounterWrapsToOne) {
    struct Case {
        i16 before, after;
    };
    // Slot 0 taken, so no egg laid into it can raise the counter during the frame.
    world.brood[0].anim = 1;
    world.brood[0].kind = BroodKind::chick;
    world.brood[0].state = Behaviour{9};
    for (const Case& c : {Case{1, 2}, Case{29999, 30000}, Case{30000, 1}, Case{30024, 1},
                          Case{0, 1}, Case{-5, -4}}) {
        world.frame_no = c.before;
        scene_step(world, rnd, stage);
        EXPECT_EQ(world.frame_no, c.after) << c.before;
    }
}

TEST_F(StepFixture, EmptyTablesShowTheBackgroundAndTheMother) {
    play_frame(world, rnd, stage);
    EXPECT_EQ(window.refreshes(), 1);
    EXPECT_EQ(shown(5, 5), kDesk);
    EXPECT_EQ(shown(160, 100), 0x020202u);  // sheet 1
    EXPECT_EQ(shown(99, 100), kDesk);
    EXPECT_EQ(shown(220, 100), kDesk);
}

TEST_F(StepFixture, StackingFollowsTheDrawingOrder) {
    // A flower under the mother, two chicks (with no behaviour of their own) over her, the
    // higher index on top.
    FlowerRec& f = world.flowers[0];
    f.live = 1;
    f.sheet = 10;
    f.life = 1000;
    f.phase = 40;
    f.draw_x = 90;
    f.draw_y = 30;
    f.draw_w = 40;
    f.draw_h = 40;
    f.box_x = 90;
    f.box_y = 30;
    for (int i : {4, 7}) {
        BroodRec& p = world.brood[i];
        p.anim = 1;
        p.kind = BroodKind::chick;
        p.state = Behaviour{9};  // outside 0..8: not updated, drawn as it is
        p.sheet = i == 4 ? 3 : 5;
        p.x = i == 4 ? 150 : 180;
        p.y = 60;
    }
    play_frame(world, rnd, stage);
    EXPECT_EQ(shown(92, 32), 0x0B0B0Bu);   // flower alone
    EXPECT_EQ(shown(110, 50), 0x020202u);  // mother over the flower
    EXPECT_EQ(shown(160, 70), 0x040404u);  // chick 4 over the mother
    EXPECT_EQ(shown(200, 70), 0x060606u);  // chick 7 over chick 4
}

TEST_F(StepFixture, FreeSlotStillHasItsSproutHandledAndStamped) {
    SproutRec& s = world.sprouts[12];
    s.live = 1;
    s.kind = SproutKind::bud;
    s.x = 50;
    s.y = 150;
    s.dx = 50;
    s.dy = 150;
    ASSERT_EQ(world.brood[12].anim, 0);
    scene_step(world, rnd, stage);
    // The stamp went into the background, wherever the bud's update put it this frame.
    bool stamped = false;
    for (int y = 0; y < 200 && !stamped; ++y)
        for (int x = 0; x < 300 && !stamped; ++x) stamped = stage.background.at(x, y) != kDesk;
    EXPECT_TRUE(stamped);
}

TEST_F(StepFixture, ChickWithoutBehaviourKeepsTheFrameOfTheLastUpdate) {
    // Give every chick frame its own colour so the drawn frame can be read back.
    Surface sheet(72 * 6, 144, kBlack);
    for (int f = 0; f < 6; ++f)
        for (int y = 0; y < 72; ++y)
            for (int x = 0; x < 72; ++x) sheet.set(f * 72 + x, y, Pixel(0x100000 * (f + 1)));
    stage.sheets[2] = sheet;
    BroodRec& p = world.brood[0];
    p.anim = 1;
    p.kind = BroodKind::chick;
    p.state = Behaviour{42};
    p.sheet = 2;
    p.x = 0;
    p.y = 0;
    play_frame(world, rnd, stage);
    EXPECT_EQ(shown(10, 10), 0x100000u);  // no update before it in this frame: frame 0
}

}  // namespace
}  // namespace vorlip
