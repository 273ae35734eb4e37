// What can break when someone edits the art: the geometry the engine relies on, and the mask
// rules that keep sprites free of fringes and holes when they are composed over a desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "scene/draw.hpp"
#include "scene/stage.hpp"
#include "sheets/geometry.hpp"
#include "support/test_support.hpp"

namespace vorlip {
namespace {

const std::array<Surface, 16>& sheets() {
    static const std::array<Surface, 16> built = [] {
        std::array<Surface, 16> p;
        load_sheets(p);
        return p;
    }();
    return built;
}

const Surface& sheet(int n) {
    return sheets()[static_cast<std::size_t>(n)];
}

Pixel mask_at(int n, int f, int x, int y) {
    const SheetGeometry& g = kSheetGeometry[n];
    return sheet(n).at(f * g.frame_w + x, g.frame_h + y);
}

Pixel colour_at(int n, int f, int x, int y) {
    return sheet(n).at(f * kSheetGeometry[n].frame_w + x, y);
}

bool solid(int n, int f, int x, int y) {
    return mask_at(n, f, x, y) == kBlack;
}

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    void add(int x, int y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    void add(const Box& b) {
        if (b.empty()) return;
        add(b.left, b.top);
        add(b.right, b.bottom);
    }
};

// The box around every pixel of the frame that is not fully see-through.
Box silhouette(int n, int f) {
    Box b;
    const SheetGeometry& g = kSheetGeometry[n];
    for (int y = 0; y < g.frame_h; ++y)
        for (int x = 0; x < g.frame_w; ++x)
            if (mask_at(n, f, x, y) != kWhite) b.add(x, y);
    return b;
}

bool is_grey(Pixel p) {
    const Pixel r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
    return r == g && g == b && p != kBlack && p != kWhite;
}

int luma(Pixel p) {
    return (299 * int(p >> 16 & 0xFF) + 587 * int(p >> 8 & 0xFF) + 114 * int(p & 0xFF)) / 1000;
}

TEST(Sheets, EverySheetHasItsSizeAndAPictureInEveryFrame) {
    for (int n = 0; n < 16; ++n) {
        SCOPED_TRACE("sheet " + std::to_string(n));
        const SheetGeometry& g = kSheetGeometry[n];
        EXPECT_EQ(sheet(n).width(), g.frame_w * g.frames);
        EXPECT_EQ(sheet(n).height(), 2 * g.frame_h);
        for (int f = 0; f < g.frames; ++f) EXPECT_FALSE(silhouette(n, f).empty()) << "frame " << f;
    }
}

// A soft mask edge turns into a coloured fringe under mask-erase and colour-invert; only the
// see-through parts of the two last flowers may be grey, and there the colour must be white,
// or the desktop under them would be tinted instead of lightened.
TEST(Sheets, MasksAreHardExceptTheSeeThroughFlowers) {
    for (int n = 0; n < 16; ++n) {
        SCOPED_TRACE("sheet " + std::to_string(n));
        const SheetGeometry& g = kSheetGeometry[n];
        int grey = 0, other = 0, tinted = 0;
        for (int f = 0; f < g.frames; ++f)
            for (int y = 0; y < g.frame_h; ++y)
                for (int x = 0; x < g.frame_w; ++x) {
                    const Pixel m = mask_at(n, f, x, y);
                    if (m == kBlack || m == kWhite) continue;
                    if (!is_grey(m)) {
                        ++other;
                    } else {
                        ++grey;
                        if (colour_at(n, f, x, y) != kWhite) ++tinted;
                    }
                }
        EXPECT_EQ(other, 0) << "mask pixels that are neither black, white nor grey";
        EXPECT_EQ(tinted, 0) << "grey mask pixels under a colour other than white";
        if (n == 14 || n == 15)
            EXPECT_GT(grey, 0) << "this flower is meant to be partly see-through";
        else
            EXPECT_EQ(grey, 0);
    }
}

TEST(Sheets, ColourIsWhiteWhereverTheMaskIsWhite) {
    for (int n = 0; n < 16; ++n) {
        const SheetGeometry& g = kSheetGeometry[n];
        int wrong = 0;
        for (int f = 0; f < g.frames; ++f)
            for (int y = 0; y < g.frame_h; ++y)
                for (int x = 0; x < g.frame_w; ++x)
                    if (mask_at(n, f, x, y) == kWhite && colour_at(n, f, x, y) != kWhite) ++wrong;
        EXPECT_EQ(wrong, 0) << "sheet " << n;
    }
}

// The six chick colours share one drawing; only frame 1 of the cream chick may differ.
TEST(Sheets, ChickMasksAreTheSameInEveryColour) {
    for (int n = 3; n <= 7; ++n)
        for (int f = 0; f < 6; ++f) {
            if (n == 7 && f == 1) continue;
            int differ = 0;
            for (int y = 0; y < 72; ++y)
                for (int x = 0; x < 72; ++x)
                    if (mask_at(n, f, x, y) != mask_at(2, f, x, y)) ++differ;
            EXPECT_EQ(differ, 0) << "sheet " << n << " frame " << f;
        }
}

TEST(Sheets, EveryChickFrameFillsTheSame68By60Box) {
    for (int n = 2; n <= 7; ++n) {
        SCOPED_TRACE("sheet " + std::to_string(n));
        Box all;
        std::array<Box, 6> frames;
        for (int f = 0; f < 6; ++f) {
            frames[static_cast<std::size_t>(f)] = silhouette(n, f);
            all.add(frames[static_cast<std::size_t>(f)]);
        }
        EXPECT_EQ(all.width(), 68);
        EXPECT_EQ(all.height(), 60);
        // Each frame on its own spans most of the box, so none sits small in a corner.
        for (int f = 0; f < 6; ++f) {
            const Box& b = frames[static_cast<std::size_t>(f)];
            EXPECT_GE(b.width(), 60) << "frame " << f;
            EXPECT_GE(b.height(), 55) << "frame " << f;
        }
    }
}

// A patrol chick is its colour frame ANDed onto the desktop, with no mask: its edge must be
// dark in the colour half, or the chick would dissolve into a light desktop.
TEST(Sheets, ChicksHaveADarkOutlineInTheColourHalf) {
    for (int n = 2; n <= 7; ++n)
        for (int f = 0; f < 6; ++f) {
            int edge = 0, light = 0;
            for (int y = 0; y < 72; ++y)
                for (int x = 0; x < 72; ++x) {
                    if (!solid(n, f, x, y)) continue;
                    const bool outside = x == 0 || y == 0 || x == 71 || y == 71 ||
                                         !solid(n, f, x - 1, y) || !solid(n, f, x + 1, y) ||
                                         !solid(n, f, x, y - 1) || !solid(n, f, x, y + 1);
                    if (!outside) continue;
                    ++edge;
                    if (luma(colour_at(n, f, x, y)) > 110) ++light;
                }
            EXPECT_GT(edge, 0);
            EXPECT_EQ(light, 0) << "sheet " << n << " frame " << f << ": light edge pixels";
        }
}

// The figure bobs as the wings beat: higher in the cell while the wings are down.
TEST(Sheets, MotherFeetEndOnTheirRowInEveryFrame) {
    struct Case {
        int frame, lowest_min, lowest_max;
    };
    const Case cases[] = {{0, 93, 93},   {1, 93, 93},   {2, 104, 104},
                          {3, 114, 116}, {4, 114, 116}, {5, 114, 116}};
    for (const Case& c : cases) {
        const Box b = silhouette(1, c.frame);
        EXPECT_GE(b.bottom, c.lowest_min) << "frame " << c.frame;
        EXPECT_LE(b.bottom, c.lowest_max) << "frame " << c.frame;
    }
}

TEST(Sheets, EggSilhouettesHaveTheirSizes) {
    struct Case {
        int frame, width, height;
    };
    const Case cases[] = {{0, 29, 40}, {1, 36, 29}, {2, 36, 35}, {3, 36, 40}};
    int bottom = -1;
    for (const Case& c : cases) {
        const Box b = silhouette(0, c.frame);
        EXPECT_EQ(b.width(), c.width) << "frame " << c.frame;
        EXPECT_EQ(b.height(), c.height) << "frame " << c.frame;
        // A wobbling egg keeps standing on the same row.
        if (bottom < 0) bottom = b.bottom;
        EXPECT_EQ(b.bottom, bottom) << "frame " << c.frame;
    }
}

// A solid sprite has no pin-holes: a see-through pixel inside the silhouette lets the desktop
// show through as a speck once the sprite moves over a busy picture. (The line-star flower is
// open between its lines on purpose.)
TEST(Sheets, SolidSpritesHaveNoHoles) {
    for (int n = 0; n < 15; ++n) {
        const SheetGeometry& g = kSheetGeometry[n];
        for (int f = 0; f < g.frames; ++f) {
            // Flood the see-through area from the cell's border; what it can't reach is a hole.
            std::vector<char> seen(static_cast<std::size_t>(g.frame_w * g.frame_h), 0);
            std::vector<std::pair<int, int>> todo;
            auto push = [&](int x, int y) {
                if (x < 0 || y < 0 || x >= g.frame_w || y >= g.frame_h) return;
                char& s = seen[static_cast<std::size_t>(y * g.frame_w + x)];
                if (s || mask_at(n, f, x, y) != kWhite) return;
                s = 1;
                todo.emplace_back(x, y);
            };
            for (int x = 0; x < g.frame_w; ++x) push(x, 0), push(x, g.frame_h - 1);
            for (int y = 0; y < g.frame_h; ++y) push(0, y), push(g.frame_w - 1, y);
            while (!todo.empty()) {
                auto [x, y] = todo.back();
                todo.pop_back();
                push(x + 1, y), push(x - 1, y), push(x, y + 1), push(x, y - 1);
            }
            int holes = 0;
            for (int y = 0; y < g.frame_h; ++y)
                for (int x = 0; x < g.frame_w; ++x)
                    if (mask_at(n, f, x, y) == kWhite &&
                        !seen[static_cast<std::size_t>(y * g.frame_w + x)])
                        ++holes;
            EXPECT_EQ(holes, 0) << "sheet " << n << " frame " << f;
        }
    }
}

// Drawn over a desktop, a sprite shows its colour exactly where its mask is black (white parts
// such as the mother's belly included) and leaves the rest of the desktop untouched.
TEST(Sheets, ComposedSpritesShowTheirColourOnlyWhereSolid) {
    World world = test::plain_world(400, 300);
    Stage stage;
    stage.sheets = sheets();
    Surface desktop(400, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) desktop.set(x, y, Pixel(x * 613 + y * 1237) * 2654435761u);
    struct Case {
        DrawMode mode;
        i16 sheet, frame, w, h;
    };
    const Case cases[] = {{DrawMode::mother, 1, 5, 120, 120},
                          {DrawMode::brood, 0, 2, 48, 48},
                          {DrawMode::brood, 4, 3, 72, 72}};
    for (const Case& c : cases) {
        stage.compose = desktop;
        world.mother_x = 30;
        world.mother_y = 40;
        world.brood[0].x = 30;
        world.brood[0].y = 40;
        world.brood[0].state = Behaviour::surge;
        scene_draw(world, stage, c.mode, 0, c.sheet, c.frame, c.w, c.h);
        int wrong = 0;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const Pixel want = solid(c.sheet, c.frame, x, y) ? colour_at(c.sheet, c.frame, x, y)
                                                                 : desktop.at(30 + x, 40 + y);
                if (stage.compose.at(30 + x, 40 + y) != want) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << "sheet " << c.sheet;
    }
}

}  // namespace
}  // namespace vorlip
