// An output's capture turned back into the user's view, buffer sizes, and the display locks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>

#include "shell/wayland/display_lock.hpp"
#include "shell/wayland/output_picture.hpp"
#include "support/test_support.hpp"

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

TEST(DisplayLock, EverySpellingOfADisplayTakesItsLock) {
    using enum LockKind;
    const std::string want = "/run/user/7/vorlip-saver-_run_user_7_wayland-1.lock";
    for (const auto& [dir, display] : {std::pair{"/run/user/7", "wayland-1"},
                                       {"/run/user/7/", "/run/user/7/wayland-1"},
                                       {"/run/user/7", "/run/user/7//./wayland-1"},
                                       {"/run//user/7", "../7/wayland-1/"}})
        EXPECT_EQ(display_lock_path(saver, {dir, display}), want) << display;
    EXPECT_EQ(display_lock_path(background, {"/r", "w"}), "/r/vorlip-background-_r_w.lock");
    EXPECT_EQ(display_lock_path(idle, {"/r", "w"}), "/r/vorlip-idle-_r_w.lock");
    EXPECT_EQ(display_lock_path(saver, {"/r", ""}), "/r/vorlip-saver-_r_wayland-0.lock");
    // Paths that a plain slash-for-underscore would give one name.
    EXPECT_NE(display_lock_path(saver, {"/r", "a_b"}), display_lock_path(saver, {"/r", "a/b"}));
    // A handed-over socket goes by its peer; nothing to go by, or nowhere to lock, is no lock.
    EXPECT_EQ(display_lock_path(saver, {"/r", "w", true, 42}), "/r/vorlip-saver-peer-42.lock");
    for (const DisplayEnvironment& none :
         {DisplayEnvironment{"/r", "w", true}, {"", "/r/w"}, {"run", "w"}})
        EXPECT_EQ(display_lock_path(saver, none), "") << none.runtime_dir;
}

TEST(DisplayLock, ALinkToTheSocketTakesTheSocketsLock) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::absolute(test::out_dir()) / "display-lock";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "wayland-9").put('\0');
    fs::create_symlink("wayland-9", dir / "link");
    EXPECT_EQ(resolved_display_lock_path(LockKind::saver, {dir, "link"}),
              resolved_display_lock_path(LockKind::saver, {dir, "wayland-9"}));
}

}  // namespace
}  // namespace vorlip
