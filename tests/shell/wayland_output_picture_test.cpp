// An output's capture turned back into the user's view, and buffer sizes.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "shell/wayland/output_picture.hpp"

namespace vorlip {
namespace {

// A picture written as its rows of letters, one letter a pixel.
Surface letters(int width, const std::string& rows) {
    Surface s(width, static_cast<int>(rows.size()) / width);
    for (std::size_t i = 0; i < rows.size(); ++i) s.set(int(i) % width, int(i) / width, rows[i]);
    return s;
}

std::string letters_of(const Surface& s) {
    std::string rows;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) rows += static_cast<char>(s.at(x, y));
    return rows;
}

TEST(PictureAsSeen, EachTransformTurnedBackAndFitted) {
    using enum OutputTransform;
    // The framebuffer holds what the user sees with the transform applied: a quarter turn
    // counter-clockwise for 90, a mirror left to right before the turn for the flipped ones. The
    // user sees "abc" over "def" in every case of the first eight. The last three stretch to
    // twice the size, turned or not, and shrink to the pixels under the centres.
    const struct {
        OutputTransform t;
        int width, into_w, into_h;
        std::string framebuffer, seen;
    } cases[] = {
        {normal, 3, 3, 2, "abcdef", "abcdef"},      {turn_90, 2, 3, 2, "cfbead", "abcdef"},
        {turn_180, 3, 3, 2, "fedcba", "abcdef"},    {turn_270, 2, 3, 2, "daebfc", "abcdef"},
        {flipped, 3, 3, 2, "cbafed", "abcdef"},     {flipped_90, 2, 3, 2, "adbecf", "abcdef"},
        {flipped_180, 3, 3, 2, "defabc", "abcdef"}, {flipped_270, 2, 3, 2, "fcebda", "abcdef"},
        {normal, 2, 4, 2, "ab", "aabbaabb"},        {turn_90, 1, 4, 2, "ba", "aabbaabb"},
        {normal, 4, 2, 1, "abcdefgh", "fh"}};
    for (const auto& c : cases) {
        Surface into(c.into_w, c.into_h);
        picture_as_seen(letters(c.width, c.framebuffer), c.t, into);
        EXPECT_EQ(letters_of(into), c.seen) << int(c.t) << " " << c.framebuffer;
    }
    // Into the captured picture itself; and nothing drawn from or into an empty picture.
    Surface same = letters(3, "fedcba"), nowhere;
    picture_as_seen(same, turn_180, same);
    EXPECT_EQ(letters_of(same), "abcdef");
    picture_as_seen(Surface(0, 5), turn_90, same);
    picture_as_seen(same, turn_90, nowhere);
    EXPECT_EQ(letters_of(same), "abcdef");
}

TEST(BufferSize, ScalesAndRounding) {
    EXPECT_EQ(seen_size({1920, 1080}, OutputTransform::flipped_270), (PixelSize{1080, 1920}));
    // Halves away from zero; no scale is 1; a negative side is none.
    for (const auto& [logical, scale, buffer] :
         {std::tuple{PixelSize{1920, 1200}, 180u, PixelSize{2880, 1800}},
          {{1001, 3}, 180u, {1502, 5}},
          {{7, 1}, 150u, {9, 1}},
          {{5, 5}, 0u, {5, 5}},
          {{-4, 2}, 240u, {0, 4}}})
        EXPECT_EQ(fractional_buffer_size(logical, scale), buffer) << logical.width;
    for (const auto& [scale, whole] : {std::pair{120u, 1}, {121u, 2}, {180u, 2}, {0u, 1}})
        EXPECT_EQ(integer_buffer_scale(scale), whole) << scale;
    EXPECT_EQ(scale_from_mode({3840, 2160}, {1440, 2560}, OutputTransform::turn_90), 180u);
    EXPECT_EQ(scale_from_mode({2560, 1600}, {1707, 1067}, OutputTransform::normal), 180u);
    EXPECT_EQ(scale_from_mode({2560, 1600}, {0, 0}, OutputTransform::normal), 120u);
}

}  // namespace
}  // namespace vorlip
