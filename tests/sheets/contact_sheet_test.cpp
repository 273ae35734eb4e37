// The contact sheet tool: its pixel font, its reading of a folder of sheets, and that what it
// shows is the sheets themselves.
#include "tools/sheetgen/contact_sheet.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scene/stage.hpp"
#include "support/test_support.hpp"
#include "tools/png_io.hpp"

namespace vorlip {
namespace {

int count(const Surface& s, Pixel p) {
    int n = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) n += s.at(x, y) == p;
    return n;
}

TEST(ContactSheetFont, DrawsGlyphsAtTheirSize) {
    struct Case {
        std::string text;
        int scale, width, lit;  // lit: font pixels set
    };
    const Case cases[] = {
        {"1", 1, 3, 8},   {"1", 3, 9, 72}, {"-", 2, 6, 12}, {"10", 1, 7, 8 + 12},
        {"  ", 4, 28, 0}, {"", 2, 0, 0},   {"I", 1, 3, 9},
    };
    for (const Case& c : cases) {
        Surface s(64, 32, kWhite);
        EXPECT_EQ(draw_text(s, 1, 1, c.text, c.scale, kBlack), c.width) << c.text;
        EXPECT_EQ(text_width(c.text, c.scale), c.width) << c.text;
        EXPECT_EQ(count(s, kBlack), c.lit) << "'" << c.text << "' at " << c.scale;
    }
}

TEST(ContactSheetFont, LowerCaseIsUpperCaseAndUnknownIsABox) {
    Surface a(16, 8, kWhite), b(16, 8, kWhite), box(16, 8, kWhite);
    draw_text(a, 0, 0, "a", 1, kBlack);
    draw_text(b, 0, 0, "A", 1, kBlack);
    EXPECT_TRUE(a.same_pixels(b));
    draw_text(box, 0, 0, "#", 1, kBlack);
    EXPECT_EQ(count(box, kBlack), 12);  // the outline of a 3 x 5 box
}

TEST(ContactSheetFont, TextRunningOffTheSurfaceIsClipped) {
    Surface s(10, 6, kWhite);
    for (int x : {-20, -2, 8, 40})
        for (int y : {-9, -3, 4, 30}) draw_text(s, x, y, "VORLIP 0123", 2, kBlack);
    EXPECT_GT(count(s, kBlack), 0);
}

class SheetFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = test::out_dir() + "/sheet-folder";
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        load_sheets(built_in_);
        for (int n = 0; n < 16; ++n) write(n, built_in_[static_cast<std::size_t>(n)]);
    }
    std::string path(int n) const {
        return dir_ + (n < 10 ? "/sheet0" : "/sheet") + std::to_string(n) + ".bmp";
    }
    void write(int n, const Surface& s) const {
        const std::vector<unsigned char> bytes = encode_bmp(s);
        std::ofstream(path(n), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::string dir_;
    std::array<Surface, 16> built_in_;
};

TEST_F(SheetFolder, ReadsTheSixteenSheets) {
    std::array<Surface, 16> sheets;
    std::string error;
    ASSERT_TRUE(read_sheet_folder(dir_, sheets, error)) << error;
    for (int n = 0; n < 16; ++n)
        EXPECT_TRUE(sheets[static_cast<std::size_t>(n)].same_pixels(
            built_in_[static_cast<std::size_t>(n)]));
}

TEST_F(SheetFolder, NamesTheSheetThatIsMissingOrMisshapen) {
    struct Case {
        int sheet;
        bool remove;
        int w, h;
    };
    const Case cases[] = {
        {0, true, 0, 0}, {15, true, 0, 0}, {1, false, 720, 239}, {9, false, 40, 40}};
    for (const Case& c : cases) {
        if (c.remove)
            std::filesystem::remove(path(c.sheet));
        else
            write(c.sheet, Surface(c.w, c.h, kWhite));
        std::array<Surface, 16> sheets;
        std::string error;
        EXPECT_FALSE(read_sheet_folder(dir_, sheets, error));
        EXPECT_NE(error.find(path(c.sheet)), std::string::npos) << error;
        write(c.sheet, built_in_[static_cast<std::size_t>(c.sheet)]);
    }
}

// The 3x view of a frame is the frame itself: wherever its mask is black, each 3 x 3 block
// holds the frame's colour pixel.
TEST(ContactSheet, ShowsEachFrameEnlargedThreeTimes) {
    std::array<Surface, 16> sheets;
    load_sheets(sheets);
    // Recolour the mother's frame 0 so it can be found: solid pixels a colour no other sheet
    // and no patch uses.
    constexpr Pixel kMark = 0x12F0E1;
    Surface& mother = sheets[1];
    int solid = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x)
            if (mother.at(x, 120 + y) == kBlack) {
                mother.set(x, y, kMark);
                ++solid;
            }
    const Surface sheet = make_contact_sheet(sheets);
    // Frame 0 shows 3 x 3 times at 3x, plus once at 1:1 over each of the two patches.
    EXPECT_EQ(count(sheet, kMark), solid * 9 + solid * 2);
}

}  // namespace
}  // namespace vorlip
