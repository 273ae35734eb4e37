// A captured output's picture in the scene's layout, and the saver's lock file name.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "shell/wayland/capture_pixels.hpp"

namespace vorlip {
namespace {

TEST(CapturedPicture, EachFormatAndRowOrderGivesTheSamePicture) {
    // A 3 x 2 picture with a different colour in every pixel, and rows padded past their
    // pixels, as a compositor may hand them over.
    constexpr int kW = 3, kH = 2, kStride = kW * 4 + 8;
    const Pixel want[kH][kW] = {{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0x010203}};
    struct Case {
        std::uint32_t format;
        bool y_invert;
        bool red_first;  // red in the word's lowest byte
    };
    const Case cases[] = {
        {kShmXrgb8888, false, false}, {kShmArgb8888, false, false}, {kShmXbgr8888, false, true},
        {kShmAbgr8888, true, true},   {kShmXrgb8888, true, false},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> data(std::size_t(kStride) * kH, 0xEE);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const Pixel p = want[y][x];
                const std::uint8_t r = std::uint8_t(p >> 16), g = std::uint8_t(p >> 8),
                                   b = std::uint8_t(p);
                std::uint8_t* at =
                    data.data() + std::size_t((c.y_invert ? kH - 1 - y : y) * kStride + x * 4);
                at[0] = c.red_first ? r : b;
                at[1] = g;
                at[2] = c.red_first ? b : r;
                at[3] = 0xFF;  // alpha or padding: never part of the picture
            }
        Surface into(kW + 1, kH + 1, 0x555555);
        ASSERT_TRUE(copy_captured_picture(data.data(), kW, kH, kStride, c.format, c.y_invert, into))
            << c.format;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                EXPECT_EQ(into.at(x, y), want[y][x]) << c.format << " " << c.y_invert;
        // Beyond the picture the surface keeps what it held.
        EXPECT_EQ(into.at(kW, 0), 0x555555u);
        EXPECT_EQ(into.at(0, kH), 0x555555u);
    }
}

TEST(CapturedPicture, AnUnreadFormatLeavesTheSurfaceAlone) {
    const std::vector<std::uint8_t> data(16, 0xAB);
    Surface into(2, 2, 0x123456);
    // RGB565, a 16-bit format.
    EXPECT_FALSE(copy_captured_picture(data.data(), 2, 2, 8, 0x36314752, false, into));
    EXPECT_EQ(into.at(1, 1), 0x123456u);
}

}  // namespace
}  // namespace vorlip
