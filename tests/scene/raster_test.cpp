#include "scene/raster.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

namespace vorlip {
namespace {

TEST(Raster, FourOperationsOnEveryBit) {
    struct Case {
        Rop rop;
        Pixel s, d, want;
    };
    const Pixel S = 0xF0CC5A, D = 0x3C55A3;
    const Case cases[] = {
        {Rop::SrcCopy, S, D, S},
        {Rop::SrcAnd, S, D, S & D},
        {Rop::SrcErase, S, D, S & ~D & 0xFFFFFF},
        {Rop::SrcInvert, S, D, (S ^ D) & 0xFFFFFF},
        // Extremes: the top byte never gets set by NOT or XOR.
        {Rop::SrcErase, 0xFFFFFF, 0x000000, 0xFFFFFF},
        {Rop::SrcErase, 0x000000, 0x123456, 0x000000},
        {Rop::SrcInvert, 0xFFFFFF, 0xFFFFFF, 0x000000},
        {Rop::SrcAnd, 0xFFFFFF, 0x123456, 0x123456},
    };
    for (const Case& c : cases) {
        Surface src(1, 1, c.s), dst(1, 1, c.d);
        bit_blt(dst, 0, 0, 1, 1, src, 0, 0, c.rop);
        EXPECT_EQ(dst.at(0, 0), c.want) << int(c.rop);
    }
}

TEST(Raster, MaskEraseThenColourInvertComposes) {
    // Black mask: the sprite's own colour, white included. White mask and white colour: the
    // background untouched. Grey mask over white colour: the background lightened.
    struct Case {
        Pixel mask, colour, below, want;
    };
    const Case cases[] = {
        {0x000000, 0xFFFFFF, 0x204060, 0xFFFFFF},
        {0x000000, 0x30A050, 0x204060, 0x30A050},
        {0xFFFFFF, 0xFFFFFF, 0x204060, 0x204060},
        {0x808080, 0xFFFFFF, 0x204060, 0x7F7F7F | 0x204060},
    };
    for (const Case& c : cases) {
        Surface mask(1, 1, c.mask), colour(1, 1, c.colour), dst(1, 1, c.below);
        bit_blt(dst, 0, 0, 1, 1, mask, 0, 0, Rop::SrcErase);
        bit_blt(dst, 0, 0, 1, 1, colour, 0, 0, Rop::SrcInvert);
        EXPECT_EQ(dst.at(0, 0), c.want);
    }
}

// A surface with a guard band around it, to see that no transfer writes outside.
struct Guarded {
    static constexpr int kW = 40, kH = 30, kPad = 8;
    Surface whole{kW + 2 * kPad, kH + 2 * kPad, 0xABCDEF};
    Surface inner = Surface::view(whole.row(kPad) + kPad, kW, kH, whole.stride());
    bool guard_intact() const {
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x) {
                const bool inside = x >= kPad && x < kPad + kW && y >= kPad && y < kPad + kH;
                if (!inside && whole.at(x, y) != 0xABCDEF) return false;
            }
        return true;
    }
};

TEST(Raster, TransfersClipForAny16BitPositionAndSize) {
    Surface sprite(220, 220, 0x00FF00);
    const int edges[] = {-32768, -32767, -220, -219, -1, 0, 1, 25, 39, 40, 32766, 32767};
    const int sizes[] = {-32768, -220, -1, 0, 1, 72, 220, 32767};
    for (int x : edges)
        for (int y : edges) {
            Guarded g;
            // Every pixel a transfer changes lies in the rectangle it reports: a frame
            // restores and presents only there.
            const auto reported = [&](auto&& transfer) {
                const Surface before = g.inner;
                const Rect r = transfer();
                for (int py = 0; py < g.inner.height(); ++py)
                    for (int px = 0; px < g.inner.width(); ++px) {
                        if (g.inner.at(px, py) == before.at(px, py)) continue;
                        ASSERT_TRUE(px >= r.x && px < r.x + r.w && py >= r.y && py < r.y + r.h)
                            << x << "," << y << ": (" << px << ", " << py << ") not reported";
                    }
            };
            reported([&] { return bit_blt(g.inner, x, y, 220, 220, sprite, 0, 0, Rop::SrcCopy); });
            reported(
                [&] { return bit_blt(g.inner, x, y, 32767, 32767, sprite, 0, 0, Rop::SrcInvert); });
            for (int s : sizes) {
                reported([&] {
                    return stretch_blt(g.inner, x, y, s, s, sprite, 0, 0, 40, 40, Rop::SrcAnd);
                });
                reported([&] {
                    return stretch_blt(g.inner, x, y, s, -s, sprite, 0, 0, 40, 40, Rop::SrcErase);
                });
            }
            ASSERT_TRUE(g.guard_intact()) << x << "," << y;
        }
}

TEST(Raster, SourceRectanglePartlyOutsideTheSheetIsSkipped) {
    Surface sheet(10, 10, 0x111111), dst(20, 20, 0xFFFFFF);
    bit_blt(dst, 0, 0, 20, 20, sheet, 5, -5, Rop::SrcCopy);
    EXPECT_EQ(dst.at(0, 5), 0x111111u);   // sheet (5, 0)
    EXPECT_EQ(dst.at(4, 14), 0x111111u);  // sheet (9, 9)
    EXPECT_EQ(dst.at(0, 4), 0xFFFFFFu);   // above the sheet
    EXPECT_EQ(dst.at(5, 5), 0xFFFFFFu);   // right of it
}

// A 4 x 1 source with distinct columns shows which source pixel lands where.
Surface columns() {
    Surface s(4, 1);
    for (int x = 0; x < 4; ++x) s.set(x, 0, Pixel(x + 1));
    return s;
}

TEST(Raster, StretchMirrorsAroundTheDestinationPoint) {
    const Surface src = columns();
    Surface dst(12, 1, 0);
    stretch_blt(dst, 4, 0, 4, 1, src, 0, 0, 4, 1, Rop::SrcCopy);
    EXPECT_EQ((std::vector<Pixel>{dst.at(4, 0), dst.at(5, 0), dst.at(6, 0), dst.at(7, 0)}),
              (std::vector<Pixel>{1, 2, 3, 4}));
    dst.fill(0);
    // Negative width: the picture lies left of x = 8, mirrored.
    stretch_blt(dst, 8, 0, -4, 1, src, 0, 0, 4, 1, Rop::SrcCopy);
    EXPECT_EQ((std::vector<Pixel>{dst.at(4, 0), dst.at(5, 0), dst.at(6, 0), dst.at(7, 0)}),
              (std::vector<Pixel>{4, 3, 2, 1}));
    EXPECT_EQ(dst.at(8, 0), 0u);
    EXPECT_EQ(dst.at(3, 0), 0u);
}

TEST(Raster, StretchScalesNearestNeighbourAndZeroDrawsNothing) {
    const Surface src = columns();
    Surface dst(8, 1, 0);
    stretch_blt(dst, 0, 0, 8, 1, src, 0, 0, 4, 1, Rop::SrcCopy);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.at(x, 0), Pixel(x / 2 + 1));
    dst.fill(0);
    stretch_blt(dst, 0, 0, 2, 1, src, 0, 0, 4, 1, Rop::SrcCopy);
    EXPECT_EQ(dst.at(0, 0), 2u);  // centre sampling picks columns 1 and 3
    EXPECT_EQ(dst.at(1, 0), 4u);
    dst.fill(0);
    stretch_blt(dst, 3, 0, 0, 1, src, 0, 0, 4, 1, Rop::SrcCopy);
    stretch_blt(dst, 3, 0, 4, 0, src, 0, 0, 4, 1, Rop::SrcCopy);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.at(x, 0), 0u);
}

TEST(Raster, MirroredStretchClippedAtTheLeftEdgeKeepsItsColumns) {
    // Only the part inside the surface is drawn, and it is the same part the unclipped
    // drawing would have put there.
    const Surface src = columns();
    Surface wide(20, 1, 0), narrow(20, 1, 0);
    stretch_blt(wide, 10, 0, -8, 1, src, 0, 0, 4, 1, Rop::SrcCopy);
    Surface clipped = Surface::view(narrow.row(0) + 5, 15, 1, narrow.stride());
    stretch_blt(clipped, 5, 0, -8, 1, src, 0, 0, 4, 1, Rop::SrcCopy);
    for (int x = 5; x < 20; ++x) EXPECT_EQ(narrow.at(x, 0), wide.at(x, 0)) << x;
    EXPECT_EQ(narrow.at(4, 0), 0u);
}

}  // namespace
}  // namespace vorlip

namespace vorlip {
namespace {

// Every pixel where `after` differs from `before` lies in r.
bool changes_within(const Surface& before, const Surface& after, const Rect& r) {
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.at(x, y) != after.at(x, y) && intersection({x, y, 1, 1}, r).empty())
                return false;
    return true;
}

TEST(Raster, OnePassMaskedTransferIsTheTwoTransfers) {
    // Random pixels on a white ground of random width at both ends of each row (some rows all
    // ground), every colour operation, positions past every edge of the screen and rows past
    // the sheet's bottom (where the mask and colour rows clip differently). The rectangles
    // reported may leave out the ground but never a changed pixel.
    std::uint32_t seed = 12345;
    const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    Surface sheet(30, 20);
    for (int y = 0; y < 20; ++y) {
        const int lo = int(next() % 16), hi = lo + int(next() % 16);
        for (int x = 0; x < 30; ++x)
            sheet.set(x, y, x >= lo && x < hi ? Pixel(next() >> 8) : kWhite);
    }
    for (Rop rop : {Rop::SrcCopy, Rop::SrcAnd, Rop::SrcErase, Rop::SrcInvert})
        for (int at : {-12, -1, 0, 5, 14, 25})
            for (int mask_y : {10, 12, 15}) {
                Surface one(24, 18), two(24, 18);
                for (int y = 0; y < 18; ++y)
                    for (int x = 0; x < 24; ++x) one.set(x, y, Pixel(next() >> 8));
                two = one;
                const Surface before = one;
                const Rect r = masked_blt(one, at, at / 2, 12, 10, sheet, 3, mask_y, 0, rop);
                const Rect a = bit_blt(two, at, at / 2, 12, 10, sheet, 3, mask_y, Rop::SrcErase);
                const Surface erased = two;
                const Rect b = bit_blt(two, at, at / 2, 12, 10, sheet, 3, 0, rop);
                EXPECT_TRUE(one.same_pixels(two)) << int(rop) << " at " << at << " mask " << mask_y;
                EXPECT_TRUE(changes_within(before, one, r)) << int(rop) << " at " << at;
                EXPECT_TRUE(changes_within(erased, two, b)) << int(rop) << " at " << at;
                EXPECT_EQ(intersection(r, bounding(a, b)), r);
                // Stretched and mirrored alike.
                for (const auto& [dw, dh] : {std::pair{17, 7}, {-17, 7}, {9, -13}}) {
                    two = one;
                    masked_stretch_blt(one, at, at / 2, dw, dh, sheet, 3, mask_y, 0, 12, 10, rop);
                    stretch_blt(two, at, at / 2, dw, dh, sheet, 3, mask_y, 12, 10, Rop::SrcErase);
                    stretch_blt(two, at, at / 2, dw, dh, sheet, 3, 0, 12, 10, rop);
                    EXPECT_TRUE(one.same_pixels(two)) << int(rop) << " at " << at << " " << dw;
                }
            }
}

}  // namespace
}  // namespace vorlip
