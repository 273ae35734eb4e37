// The mode switch, the argument string and the screen measure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/arguments.hpp"
#include "shell/saver.hpp"

namespace vorlip {
namespace {

TEST(SaverSwitch, OnlySlashSStartsTheSaver) {
    struct Case {
        const char* args;
        bool saver;
    };
    const Case cases[] = {
        {"/S", true},
        {"/s", true},
        {"   /s", true},    // leading spaces are skipped
        {"/s 1234", true},  // whatever follows the two characters is ignored
        {"/S:99", true},
        {"/sx", true},
        {" /Sfoo bar", true},
        {"", false},
        {"     ", false},
        {"s", false},
        {"/", false},
        {" /", false},
        {"/p 1234", false},  // the host's preview request
        {"/P", false},
        {"/c", false},  // no settings dialog: ends like any other switch
        {"/C", false},
        {"/C:99", false},
        {"/a", false},
        {"-s", false},
        {"\\s", false},
        {"/ s", false},
        {"\t/s", false},  // only the space character counts
                          // as leading blank
        {"S", false},
        {"--help", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(saver_switch(c.args), c.saver) << "arguments \"" << c.args << "\"";
}

TEST(JoinArguments, TheTextAfterTheProgramNameJoinedWithSingleSpaces) {
    struct Case {
        std::vector<const char*> argv;
        std::string joined;
    };
    const Case cases[] = {
        {{"vorlip"}, ""},
        {{"vorlip", "/s"}, "/s"},
        {{"vorlip", "/p", "1234"}, "/p 1234"},
        {{"vorlip", "", "/s"}, " /s"},  // an empty first argument leaves a leading space
        {{"vorlip", "  /s"}, "  /s"},
        {{"vorlip", "/c", "", "x"}, "/c  x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(join_arguments(int(c.argv.size()), c.argv.data()), c.joined);
    // Leading blanks from an empty first argument still reach the saver switch.
    const char* argv[] = {"vorlip", "", "/s"};
    EXPECT_TRUE(saver_switch(join_arguments(3, argv)));
}

TEST(ScreenPixels, UnitsToWholePixelsHalvesToEven) {
    struct Case {
        double units, per_pixel;
        i16 pixels;
    };
    const Case cases[] = {
        {1024, 1, 1024},    {15360, 15, 1024},  // a system that counts in fifteenths of a pixel
        {11520, 15, 768},   {25, 10, 2},        // 2.5: halves go to even
        {35, 10, 4},                            // 3.5
        {36, 10, 4},        {1366.4, 1, 1366},
        {0, 1, 0},          {1024, 0, 0},  // no measure at all gives no screen, not a crash
        {40000, 1, -25536},                // a 16-bit value, as every screen global
    };
    for (const Case& c : cases)
        EXPECT_EQ(screen_pixels(c.units, c.per_pixel), c.pixels) << c.units << " / " << c.per_pixel;
}

}  // namespace
}  // namespace vorlip
