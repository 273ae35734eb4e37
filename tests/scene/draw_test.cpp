#include "scene/draw.hpp"

#include <gtest/gtest.h>

#include "scene/stage.hpp"
#include "sheets/geometry.hpp"
#include "support/test_support.hpp"

namespace vorlip {
namespace {

constexpr Pixel kBelow = 0x204060;

// A sheet of `frames` cells of w x h: frame f is a solid square of colour 0x10 * (f + 1) in the
// cell's middle half, white around it, with the matching black-inside mask below.
Surface test_sheet(int w, int h, int frames, Pixel base = 0x100000) {
    Surface s(w * frames, h * 2, kWhite);
    for (int f = 0; f < frames; ++f)
        for (int y = h / 4; y < h * 3 / 4; ++y)
            for (int x = w / 4; x < w * 3 / 4; ++x) {
                s.set(f * w + x, y, base * Pixel(f + 1));
                s.set(f * w + x, h + y, kBlack);
            }
    return s;
}

struct DrawFixture : ::testing::Test {
    World world = test::plain_world(200, 150);
    Stage stage;
    void SetUp() override {
        stage.compose.resize(200, 150, kBelow);
        stage.background.resize(200, 150, kBelow);
        stage.sheets[0] = test_sheet(48, 48, 4);
        stage.sheets[1] = test_sheet(120, 120, 6);
        for (int s = 2; s <= 7; ++s) stage.sheets[s] = test_sheet(72, 72, 6, 0x000100 * Pixel(s));
        stage.sheets[8] = test_sheet(5, 7, 1);
        stage.sheets[9] = test_sheet(20, 20, 1);
        for (int s = 10; s <= 15; ++s) stage.sheets[s] = test_sheet(40, 40, 1);
    }
};

TEST_F(DrawFixture, MotherAtHerPositionWithHerFrame) {
    world.mother_x = 10;
    world.mother_y = 5;
    scene_draw(world, stage, DrawMode::mother, 7, 1, 2, 120, 120);
    EXPECT_EQ(stage.compose.at(10 + 60, 5 + 60), 0x300000u);  // frame 2's colour, solid
    EXPECT_EQ(stage.compose.at(10 + 5, 5 + 5), kBelow);       // outside the sprite
    EXPECT_EQ(stage.compose.at(9, 65), kBelow);
}

TEST_F(DrawFixture, ChickMaskedOrTintedByState) {
    BroodRec& p = world.brood[3];
    p.x = 20;
    p.y = 30;
    p.state = Behaviour::flock;
    scene_draw(world, stage, DrawMode::brood, 3, 2, 1, 72, 72);
    EXPECT_EQ(stage.compose.at(20 + 36, 30 + 36), 0x000400u);  // 0x200 * 2: solid colour
    EXPECT_EQ(stage.compose.at(20 + 2, 30 + 2), kBelow);

    stage.compose.fill(kBelow);
    p.state = Behaviour::patrol;  // see-through: colour AND background
    scene_draw(world, stage, DrawMode::brood, 3, 2, 1, 72, 72);
    EXPECT_EQ(stage.compose.at(20 + 36, 30 + 36), 0x000400u & kBelow);
    EXPECT_EQ(stage.compose.at(20 + 2, 30 + 2), kBelow);
}

TEST_F(DrawFixture, ShootsAndBudsStampIntoTheBackgroundOnce) {
    SproutRec& s = world.sprouts[5];
    s.x = 50;
    s.y = 60;
    scene_stamp(world, stage, 5, 9, 20, 20);
    const Surface once = stage.background;
    scene_stamp(world, stage, 5, 9, 20, 20);
    EXPECT_TRUE(stage.background.same_pixels(once));  // AND twice = AND once
    EXPECT_EQ(stage.background.at(60, 70), 0x100000u & kBelow);
    EXPECT_EQ(stage.compose.at(60, 70), kBelow);  // the compose buffer is not touched
    scene_stamp(world, stage, 5, 8, 5, 7);
    EXPECT_EQ(stage.background.at(52, 63), 0x100000u & kBelow);
}

TEST_F(DrawFixture, HatchingAlwaysStretchesA72Cell) {
    BroodRec& p = world.brood[0];
    p.flap = 40;  // the stretched sprite's left and top
    p.tick = 50;
    scene_draw(world, stage, DrawMode::hatching, 0, 4, 3, 36, 36);
    // Mask-erase then colour-erase: the cell's middle half lands on 49..66.
    EXPECT_EQ(stage.compose.at(40 + 18, 50 + 18), 0x000400u * 4);
    EXPECT_EQ(stage.compose.at(40 + 2, 50 + 2), kBelow);
    EXPECT_EQ(stage.compose.at(40 + 36, 50 + 18), kBelow);  // only 36 wide
}

TEST_F(DrawFixture, FlowerStretchesAndMirrors) {
    FlowerRec& f = world.flowers[2];
    f.draw_x = 100;
    f.draw_y = 100;
    f.draw_w = 20;
    f.draw_h = 20;
    scene_draw(world, stage, DrawMode::flower, 2, 10, 1, 40, 40);
    EXPECT_EQ(stage.compose.at(110, 110), 0x100000u);
    EXPECT_EQ(stage.compose.at(101, 101), kBelow);

    stage.compose.fill(kBelow);
    f.draw_w = -20;  // upside down: the picture lies left of and above (100, 100)
    f.draw_h = -20;
    scene_draw(world, stage, DrawMode::flower, 2, 10, 1, 40, 40);
    EXPECT_EQ(stage.compose.at(90, 90), 0x100000u);
    EXPECT_EQ(stage.compose.at(110, 110), kBelow);

    stage.compose.fill(kBelow);
    const Surface before = stage.compose;
    f.draw_w = 0;
    f.draw_h = 0;
    scene_draw(world, stage, DrawMode::flower, 2, 10, 1, 40, 40);
    EXPECT_TRUE(stage.compose.same_pixels(before));
}

TEST_F(DrawFixture, OtherModesDrawNothing) {
    world.mother_x = 0;
    world.mother_y = 0;
    const Surface work = stage.compose, bkg = stage.background;
    for (i16 mode : {0, 3, 4, 6, 7, 8, 9, 11, -1, 32767}) {  // sprouts are stamped, never drawn
        scene_draw(world, stage, DrawMode{mode}, 0, 1, 0, 120, 120);
        ASSERT_TRUE(stage.compose.same_pixels(work)) << mode;
        ASSERT_TRUE(stage.background.same_pixels(bkg)) << mode;
    }
}

// Drawing only the indexed spans of a built-in cell leaves the same picture as drawing the
// whole cell, masked or as a patrol tint, also when the cell is cut by the screen's edges; and
// the rectangle it reports holds every pixel that changed.
TEST(SheetCellsTest, SpansDrawWhatTheWholeCellDraws) {
    Stage stage(1, 1);
    std::uint32_t seed = 99;
    Surface ground(150, 150);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 150; ++x)
            ground.set(x, y, Pixel(seed = seed * 1664525u + 1013904223u) >> 8);
    const auto changes_within = [&](const Surface& after, const Rect& r) {
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 150; ++x) {
                if (after.at(x, y) != ground.at(x, y) && intersection({x, y, 1, 1}, r).empty())
                    return false;
            }
        return true;
    };
    for (int s = 0; s < kSheetCount; ++s) {
        const SheetGeometry& g = kSheetGeometry[s];
        const Surface& sheet = stage.sheets[static_cast<std::size_t>(s)];
        for (int f = 0; f < g.frames; ++f) {
            const CellShape shape = stage.cells.shape(stage.sheets, s, f, g.frame_w, g.frame_h);
            const RowSpan* rows = shape.spans;
            ASSERT_NE(rows, nullptr) << s;
            const int sx = f * g.frame_w;
            for (int at : {-g.frame_w / 2, 7, 150 - g.frame_w / 2}) {
                Surface whole = ground, cut = ground;
                masked_blt(whole, at, at, g.frame_w, g.frame_h, sheet, sx, g.frame_h, 0,
                           Rop::SrcInvert);
                Rect r = masked_blt(cut, at, at, g.frame_w, g.frame_h, sheet, sx, g.frame_h, 0,
                                    Rop::SrcInvert, shape);
                EXPECT_TRUE(whole.same_pixels(cut)) << "sheet " << s << " frame " << f;
                EXPECT_TRUE(changes_within(cut, r)) << "sheet " << s << " frame " << f;
                whole = ground, cut = ground;
                bit_blt(whole, at, at, g.frame_w, g.frame_h, sheet, sx, 0, Rop::SrcAnd);
                r = bit_blt(cut, at, at, g.frame_w, g.frame_h, sheet, sx, 0, Rop::SrcAnd, rows);
                EXPECT_TRUE(whole.same_pixels(cut)) << "tint, sheet " << s << " frame " << f;
                EXPECT_TRUE(changes_within(cut, r)) << "tint, sheet " << s << " frame " << f;
            }
        }
    }
    // A sheet replaced by another surface, or a frame the sheet does not have, is drawn whole.
    stage.sheets[2] = Surface(stage.sheets[2]);
    EXPECT_EQ(stage.cells.rows(stage.sheets, 2, 0, kChickCell, kChickCell), nullptr);
    EXPECT_EQ(stage.cells.rows(stage.sheets, 3, 6, kChickCell, kChickCell), nullptr);
}

}  // namespace
}  // namespace vorlip
