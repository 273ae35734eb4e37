#include "shell/win32/win32_util.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/saver.hpp"

namespace vorlip {
namespace {

struct LineCase {
    std::string line;
    std::string arguments;
    bool saver;  // whether the saver runs, once the mode switch has read the arguments
};

TEST(Win32CommandLine, ArgumentsFollowTheProgramName) {
    const std::vector<LineCase> cases = {
        {"vorlip.scr /s", "/s", true},
        {"C:\\WINDOWS\\vorlip.scr /S", "/S", true},
        {"\"C:\\Program Files\\vorlip\\vorlip.scr\" /s", "/s", true},
        {"\"C:\\Program Files\\vorlip\\vorlip.scr\"   /p 1234", "/p 1234", false},
        {"C:\\WINDOWS\\vorlip.scr /c:1234", "/c:1234", false},
        {"vorlip.scr /c", "/c", false},
        {"vorlip.scr\t/s", "/s", true},
        {"\"vorlip.scr\"/s", "/s", true},
        {"vorlip.scr /s 1234", "/s 1234", true},
        {"vorlip.scr /s:trailing  ", "/s:trailing", true},
        // As the X11 program's arguments: a tab or a run of blanks separates, a quoted tab or
        // other control character stays and so starts no saver, quotes group.
        {"vorlip.scr\t\t/s", "/s", true},
        {"vorlip.scr \"\t/s\"", "\t/s", false},
        {"vorlip.scr \x01/s", "\x01/s", false},
        {"vorlip.scr \"\" /s", " /s", true},
        {"vorlip.scr \"/s x\"  y", "/s x y", true},
        {"vorlip.scr a\\\"b \\\\\"c d\"", "a\"b \\c d", false},
        // A switch inside the program's own name or folder is not the argument.
        {"C:\\a/s\\vorlip.scr /c", "/c", false},
        {"\"C:\\my /s dir\\vorlip.scr\" /c", "/c", false},
        {"\"C:\\my /s dir\\vorlip.scr\"", "", false},
        {"C:\\a/s\\vorlip.scr", "", false},
        // No arguments at all, an unclosed quote, an empty line.
        {"vorlip.scr", "", false},
        {"vorlip.scr   ", "", false},
        {"\"C:\\x y\\vorlip.scr", "", false},
        {"", "", false},
        {"\"\"", "", false},
    };
    for (const LineCase& c : cases) {
        const std::string got(arguments_after_program(c.line));
        EXPECT_EQ(got, c.arguments) << "line: " << c.line;
        EXPECT_EQ(saver_switch(got), c.saver) << "line: " << c.line;
    }
}

TEST(Win32CommandLine, TheTextEndsAtANul) {
    const std::string line("vorlip.scr /c\0/s", 16);
    EXPECT_EQ(arguments_after_program(line), "/c");
    const std::string name_only("vorlip.scr\0 /s", 14);
    EXPECT_EQ(arguments_after_program(name_only), "");
}

TEST(Win32Pixels, ASceneSurfaceIsAlreadyInGdiByteOrder) {
    // The window's image goes to SetDIBitsToDevice straight from the surface's memory: blue,
    // green, red, then the unused byte.
    Surface s(1, 1);
    s.set(0, 0, 0x123456);
    unsigned char bytes[4];
    std::memcpy(bytes, s.row(0), 4);
    EXPECT_EQ(bytes[0], 0x56);
    EXPECT_EQ(bytes[1], 0x34);
    EXPECT_EQ(bytes[2], 0x12);
    EXPECT_EQ(bytes[3], 0x00);
}

struct CopyCase {
    const char* name;
    int surface_w, surface_h;
    int dib_w, dib_h;
    bool with_bits;
    int top = 0;  // the surface row the bitmap's first row goes to
};

TEST(Win32Pixels, ACapturedBitmapLandsAtTheTopLeftClipped) {
    const std::vector<CopyCase> cases = {
        {"same size", 3, 2, 3, 2, true},
        {"bitmap wider and taller", 2, 2, 4, 3, true},
        {"bitmap smaller", 4, 3, 2, 2, true},
        {"empty bitmap", 3, 2, 0, 0, true},
        {"negative size", 3, 2, -4, -3, true},
        {"no bits", 3, 2, 3, 2, false},
        {"empty surface", 0, 0, 3, 2, true},
        {"a band further down", 3, 4, 3, 2, true, 1},
        {"a band past the bottom", 3, 3, 3, 2, true, 2},
        {"a band above the top", 3, 2, 3, 2, true, -1},
    };
    constexpr Pixel kUntouched = 0xA5A5A5;
    for (const CopyCase& c : cases) {
        // Every word of the bitmap distinct, with its undefined top byte set.
        std::vector<std::uint32_t> bits(64);
        for (std::size_t k = 0; k < bits.size(); ++k)
            bits[k] = 0xFF000000u | static_cast<std::uint32_t>(0x010203 * (k + 1));
        Surface s(c.surface_w, c.surface_h, kUntouched);
        copy_dib_into(s, {c.with_bits ? bits.data() : nullptr, c.dib_w, c.dib_h}, c.top);
        for (int y = 0; y < c.surface_h; ++y) {
            for (int x = 0; x < c.surface_w; ++x) {
                const int row = y - c.top;
                const bool covered = c.with_bits && x < c.dib_w && row >= 0 && row < c.dib_h;
                const Pixel want = covered
                                       ? bits[static_cast<std::size_t>(row * c.dib_w + x)] & kWhite
                                       : kUntouched;
                EXPECT_EQ(s.at(x, y), want) << c.name << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace vorlip
