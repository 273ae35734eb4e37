// The X11 saver's display-free arithmetic: the primary screen and the pixel layouts.
#include <gtest/gtest.h>

#include "shell/x11/layout.hpp"

namespace vorlip {
namespace {

TEST(PrimaryScreen, TheMarkedMonitorCutToTheRootElseTheRoot) {
    struct Case {
        const char* what;
        std::vector<MonitorInfo> monitors;
        Rect expected;
    };
    const Case cases[] = {
        {"no monitors", {}, {0, 0, 1920, 1080}},
        {"none marked",
         {{{0, 0, 960, 1080}, false}, {{960, 0, 960, 1080}, false}},
         {0, 0, 1920, 1080}},
        {"the second is primary",
         {{{0, 0, 960, 1080}, false}, {{960, 100, 960, 900}, true}},
         {960, 100, 960, 900}},
        {"primary reaching past the root", {{{1600, 800, 640, 480}, true}}, {1600, 800, 320, 280}},
        {"primary left of the root", {{{-100, -50, 640, 480}, true}}, {0, 0, 540, 430}},
        {"primary wholly outside", {{{3000, 0, 640, 480}, true}}, {0, 0, 1920, 1080}},
        {"primary of no size", {{{10, 10, 0, 0}, true}}, {0, 0, 1920, 1080}},
        {"huge values do not overflow",
         {{{2147483000, 0, 2147483000, 10}, true}},
         {0, 0, 1920, 1080}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(primary_screen(c.monitors, 1920, 1080), c.expected) << c.what;
}

TEST(PixelLayout, SceneLayoutOnlyFor32BitsInHostOrderWithTheUsualMasks) {
    EXPECT_TRUE(is_scene_layout({0xFF0000, 0xFF00, 0xFF}, 32, true));
    EXPECT_FALSE(is_scene_layout({0xFF0000, 0xFF00, 0xFF}, 24, true));
    EXPECT_FALSE(is_scene_layout({0xFF0000, 0xFF00, 0xFF}, 32, false));
    EXPECT_FALSE(is_scene_layout({0xFF, 0xFF00, 0xFF0000}, 32, true));
    EXPECT_FALSE(is_scene_layout({0xF800, 0x7E0, 0x1F}, 16, true));
}

TEST(PixelLayout, UnpackAndPackThroughEveryLayout) {
    const ChannelMasks rgb888{0xFF0000, 0xFF00, 0xFF};
    const ChannelMasks bgr888{0xFF, 0xFF00, 0xFF0000};
    const ChannelMasks rgb565{0xF800, 0x7E0, 0x1F};
    const ChannelMasks rgb101010{0x3FF00000, 0xFFC00, 0x3FF};
    struct Case {
        const char* what;
        ChannelMasks masks;
        unsigned long value;
        Pixel pixel;
    };
    const Case cases[] = {
        {"888 white", rgb888, 0xFFFFFF, 0xFFFFFF},
        {"888 colour", rgb888, 0x123456, 0x123456},
        {"888 ignores the top byte", rgb888, 0xAB123456, 0x123456},
        {"bgr colour", bgr888, 0x563412, 0x123456},
        {"565 white is full white", rgb565, 0xFFFF, 0xFFFFFF},
        {"565 black", rgb565, 0x0000, 0x000000},
        {"565 pure red", rgb565, 0xF800, 0xFF0000},
        {"565 pure green", rgb565, 0x07E0, 0x00FF00},
        {"10-bit white", rgb101010, 0x3FFFFFFF, 0xFFFFFF},
        {"10-bit red", rgb101010, 0x3FF00000, 0xFF0000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(unpack_pixel(c.value, c.masks), c.pixel) << c.what;
        // Packing the unpacked pixel gives back a value that unpacks to the same pixel.
        EXPECT_EQ(unpack_pixel(pack_pixel(c.pixel, c.masks), c.masks), c.pixel) << c.what;
    }
    EXPECT_EQ(pack_pixel(0x123456, rgb888), 0x123456ul);
    EXPECT_EQ(pack_pixel(0x123456, bgr888), 0x563412ul);
    EXPECT_EQ(pack_pixel(0xFFFFFF, rgb565), 0xFFFFul);
    EXPECT_EQ(pack_pixel(0xFFFFFF, rgb101010), 0x3FFFFFFFul);
    // A visual without a channel packs nothing into it and reads it as 0.
    EXPECT_EQ(unpack_pixel(0xFFFFFF, {0xFF0000, 0xFF00, 0}), 0xFFFF00u);
}

}  // namespace
}  // namespace vorlip
