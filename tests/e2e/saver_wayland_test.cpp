// The real vorlip on a private headless sway: the scene over the output's own wallpaper, the
// ways a show ends, the guard, a lost compositor, two outputs, the idle daemon, the background
// mode and a connection handed in. Input comes from a virtual pointer, sway's own cursor
// commands and wtype; pictures from grim.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/pictures.hpp"
#include "scene/raster.hpp"
#include "support/test_support.hpp"
#include "tools/png_io.hpp"
#include "tools/wlharness/wlharness.hpp"

namespace vorlip::e2e {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// Limits on waits for states the saver reaches and keeps: only a fault runs into them.
const milliseconds kStartLimit(10000);
const milliseconds kEndLimit(5000);
// The compositor draws its pointer into every picture of the output: one showing only its
// wallpaper still differs from it in up to this many pixels, a whole 32 x 32 arrow of whatever
// cursor theme is installed (the desktops' themes draw larger arrows than the fallback one).
// Between shows the pointer waits at the output's far corner, where only the tip of its arrow is
// drawn, clear of the scene.
constexpr int kPointerPixels = 32 * 32;

// Wallpapers whose every pixel differs from its neighbours, so a shifted, flipped or
// colour-swapped copy shows; the second output's differs from the first's.
Pixel first_wallpaper(int x, int y) {
    return Pixel(((x * 255 / kWidth) << 16) | ((y * 255 / kHeight) << 8) | ((x ^ y) & 0xFF));
}
Pixel second_wallpaper(int x, int y) {
    return Pixel(((y * 255 / kHeight) << 16) | (((x * y) & 0xFF) << 8) | (x * 255 / kWidth));
}

std::string wallpaper_file(const std::string& name, Pixel (*f)(int, int), int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.set(x, y, f(x, y));
    const std::string path = test::out_dir() + "/" + name;
    std::string error;
    EXPECT_TRUE(write_png(path, s, error)) << error;
    return path;
}

// How many pixels differ between two pictures of one size, those in `skip` aside.
int pixels_apart(const Surface& a, const Surface& b, const Rect& skip = {}) {
    if (a.width() != b.width() || a.height() != b.height()) return a.width() * a.height() + 1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.at(x, y) != b.at(x, y) &&
                 !(x >= skip.x && x < skip.x + skip.w && y >= skip.y && y < skip.y + skip.h);
    return n;
}

bool have_tools() {
    return on_path("sway") && on_path("grim");
}

// One headless sway with a virtual pointer and a virtual keyboard on its seat. The keyboard is
// a wtype that only waits: a keyboard that comes and goes with each typed key could be gone
// before a client that saw it come has asked for its keys.
struct Desk {
    explicit Desk(const std::vector<SwayOutput>& outputs, const std::string& extra = "")
        : sway(outputs, extra) {
        if (!sway.running()) return;
        plug();
        if (on_path("wtype")) {
            keyboard = sway.run({"wtype", "-s", "3600000"});
            keyboard_ready = wait_until(
                [&] { return keyboard.wait(milliseconds(0)) || sway.seat_has_keyboard(); },
                kStartLimit);
        }
    }
    Sway sway;
    std::optional<VirtualPointer> pointer_;
    Child keyboard;
    bool keyboard_ready = false;

    bool ready() const {
        return sway.running() && pointer_ && pointer_->running() &&
               (keyboard_ready || !on_path("wtype"));
    }
    VirtualPointer& pointer() { return *pointer_; }

    // The compositor draws its pointer only while the seat has one, where it last was.
    bool plug() {
        pointer_.emplace(sway, VORLIP_WLPOINTER);
        return pointer_->running();
    }
    void unplug() {
        pointer_.reset();
        EXPECT_TRUE(wait_until([&] { return !sway.seat_has_pointer(); }, kEndLimit));
    }

    // Waits until the pointer at (x, y) of `output` is not drawn: the w x h box from a few
    // pixels above and left of it is the wallpaper's (a passing sprite only delays that).
    bool pointer_hidden(std::size_t output, int x, int y) const {
        constexpr int kBox = 32;
        const Surface& wall = sway.wallpaper(output);
        return wait_until(
            [&] {
                const Surface shot = sway.screenshot(output);
                if (shot.width() != wall.width() || shot.height() != wall.height()) return false;
                for (int by = std::max(0, y - 4); by < std::min(wall.height(), y + kBox); ++by)
                    for (int bx = std::max(0, x - 4); bx < std::min(wall.width(), x + kBox); ++bx)
                        if (shot.at(bx, by) != wall.at(bx, by)) return false;
                return true;
            },
            kStartLimit);
    }

    Child start(const std::vector<std::string>& args) const {
        std::vector<std::string> all{VORLIP_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        return sway.run(all);
    }

    // The grey and white pixels of the mother over the output's wallpaper.
    int mother_pixels(std::size_t output) const {
        const Surface& wall = sway.wallpaper(output);
        return count_scene(sway.screenshot(output), 0, 0,
                           [&](int x, int y) { return wall.at(x, y); })
            .mother;
    }

    // Waits until the scene plays on `output` (the mother is there) while `saver` runs on.
    bool shows_scene(Child& saver, std::size_t output, int mother = 1000) const {
        return wait_until(
                   [&] { return saver.wait(milliseconds(0)) || mother_pixels(output) > mother; },
                   kStartLimit) &&
               !saver.wait(milliseconds(0));
    }

    // Waits until the output's picture, `skip` aside, changes from one screenshot to the next,
    // the scene moving, while `saver` runs on.
    bool plays(Child& saver, std::size_t output, const Rect& skip = {}) const {
        Surface last = sway.screenshot(output);
        return wait_until(
                   [&] {
                       if (saver.wait(milliseconds(0))) return true;
                       Surface now = sway.screenshot(output);
                       const bool moved = pixels_apart(now, last, skip) > 0 &&
                                          pixels_apart(now, sway.wallpaper(output), skip) > 1000;
                       last = std::move(now);
                       return moved;
                   },
                   kStartLimit) &&
               !saver.wait(milliseconds(0));
    }

    // Whether the output shows its wallpaper, the pointer aside.
    bool shows_wallpaper(std::size_t output) const {
        return pixels_apart(sway.screenshot(output), sway.wallpaper(output)) <= kPointerPixels;
    }

    // Puts the pointer at (x, y) of the layout and waits until every output shows its
    // wallpaper: no saver, and nothing else drawn.
    void park_pointer(int x, int y) {
        ASSERT_TRUE(
            sway.command("seat seat0 cursor set " + std::to_string(x) + " " + std::to_string(y)));
        for (std::size_t k = 0; k < sway.outputs().size(); ++k)
            ASSERT_TRUE(wait_until([&] { return shows_wallpaper(k); }, kStartLimit))
                << Sway::output_name(k) << " does not show its wallpaper alone";
    }

    // Starts the saver and waits until the scene plays on `output`: the mother is there.
    Child start_shown(const std::vector<std::string>& args = {"/s"}, std::size_t output = 0) {
        Child saver = start(args);
        EXPECT_TRUE(shows_scene(saver, output))
            << "no scene on " << Sway::output_name(output) << ": " << saver.error_text();
        return saver;
    }

    // After a show: the process ended cleanly, and every output shows its wallpaper again.
    void expect_given_back(Child& saver, const std::string& what) const {
        EXPECT_EQ(saver.wait(kEndLimit), 0) << what << ": " << saver.error_text();
        for (std::size_t k = 0; k < sway.outputs().size(); ++k)
            EXPECT_TRUE(wait_until([&] { return shows_wallpaper(k); }, kEndLimit))
                << what << ": " << Sway::output_name(k) << " not given back";
    }
};

class SaverOnWayland : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!have_tools()) return;
        desk_ = std::make_unique<Desk>(std::vector<SwayOutput>{
            {kWidth, kHeight, 0, 0,
             wallpaper_file("wl_wallpaper_1.png", first_wallpaper, kWidth, kHeight)}});
    }
    static void TearDownTestSuite() { desk_.reset(); }

    void SetUp() override {
        if (!have_tools()) GTEST_SKIP() << "sway or grim is missing: the Wayland tests are skipped";
        ASSERT_TRUE(desk_->sway.running()) << desk_->sway.error();
        ASSERT_TRUE(desk_->ready()) << "no virtual pointer";
        desk_->park_pointer(kWidth - 1, kHeight - 1);
    }

    static std::unique_ptr<Desk> desk_;
};

std::unique_ptr<Desk> SaverOnWayland::desk_;

TEST_F(SaverOnWayland, TheScenePlaysOverTheOutputsOwnWallpaper) {
    Desk& d = *desk_;
    // With an X display named as well (as XWayland sessions do): the compositor still wins.
    ChildEnv env = d.sway.client_env();
    std::erase(env.unset, std::string("DISPLAY"));
    env.set.push_back("DISPLAY=:97");
    Child saver({VORLIP_PROGRAM, "/s"}, env);
    ASSERT_TRUE(d.shows_scene(saver, 0)) << "no scene with DISPLAY set: " << saver.error_text();
    const Surface shot = d.sway.screenshot(0);
    std::string error;
    EXPECT_TRUE(write_png(test::out_dir() + "/e2e_wayland_saver.png", shot, error)) << error;
    // Mostly the wallpaper as it was, pixel for pixel: the desktop picture is the output's own,
    // upright and in its colours; where it differs, the scene is drawn.
    const SceneCount count =
        count_scene(shot, 0, 0, [&](int x, int y) { return d.sway.wallpaper(0).at(x, y); });
    EXPECT_GT(count.same, kWidth * kHeight * 8 / 10) << "the wallpaper is not under the scene";
    EXPECT_GT(count.mother, 1000) << "no grey and white mother on the picture";
    // The enter it got when its surface mapped under the pointer is no input.
    EXPECT_FALSE(saver.wait(milliseconds(400))) << saver.error_text();
    ASSERT_TRUE(d.pointer().move(-1, 0));
    d.expect_given_back(saver, "after the screenshot");
}

TEST_F(SaverOnWayland, ThePointerIsHiddenOverTheScene) {
    Desk& d = *desk_;
    // Unplugged while the saver starts, so its desktop picture shows no pointer: one drawn once
    // a pointer is plugged in is the compositor's. A move then ends the show.
    constexpr int kX = kWidth / 2, kY = kHeight / 2;
    d.unplug();
    d.park_pointer(kX, kY);
    Child saver = d.start_shown();
    ASSERT_TRUE(d.plug());
    EXPECT_TRUE(d.pointer_hidden(0, kX, kY)) << "a pointer is drawn over the scene";
    EXPECT_FALSE(saver.wait(milliseconds(0))) << "a pointer plugged in ended the show";
    ASSERT_TRUE(d.pointer().move(-1, 0));
    d.expect_given_back(saver, "a move of a pointer plugged in during the show");
}

TEST_F(SaverOnWayland, AMoveAClickAndAKeyEachEndTheShowEveryTime) {
    Desk& d = *desk_;
    struct Case {
        const char* what;
        std::function<bool()> input;
    };
    const Case cases[] = {
        {"a 1-pixel move", [&] { return d.pointer().move(-1, 0); }},
        {"sway's 1-pixel move", [&] { return d.sway.command("seat seat0 cursor move -1 0"); }},
        {"a click", [&] { return d.pointer().click(); }},
        {"sway's click",
         [&] {
             return d.sway.command("seat seat0 cursor press button1") &&
                    d.sway.command("seat seat0 cursor release button1");
         }},
        {"a key",
         [&] {
             return d.sway.run({"wtype", "a"}).wait(kEndLimit) == 0;
         }},
    };
    ASSERT_TRUE(on_path("wtype")) << "wtype is missing (make deps installs it)";
    for (int run = 0; run < 3; ++run) {
        for (const Case& c : cases) {
            const std::string what = std::string(c.what) + ", run " + std::to_string(run + 1);
            d.park_pointer(kWidth - 1, kHeight - 1);
            Child saver = d.start_shown();
            ASSERT_FALSE(saver.wait(milliseconds(0))) << what << ": ended before any input";
            ASSERT_TRUE(c.input()) << what << ": the input was not sent";
            d.expect_given_back(saver, what);
        }
    }
}

TEST_F(SaverOnWayland, ASecondSaverEndsAtOnceAndEndSignalsEndTheFirst) {
    Desk& d = *desk_;
    for (int sig : {SIGTERM, SIGINT}) {
        Child first = d.start_shown();
        Child second = d.start({"/s"});
        EXPECT_EQ(second.wait(kEndLimit), 0) << second.error_text();
        EXPECT_FALSE(first.wait(milliseconds(0))) << "the first saver ended";
        first.signal(sig);
        d.expect_given_back(first, std::string("signal ") + strsignal(sig));
    }
}

TEST(SaverOnALostWayland, EndsWithOneLineAndStatusOne) {
    if (!have_tools()) GTEST_SKIP() << "sway or grim is missing";
    Desk d({{kWidth, kHeight, 0, 0,
             wallpaper_file("wl_wallpaper_1.png", first_wallpaper, kWidth, kHeight)}});
    ASSERT_TRUE(d.ready()) << d.sway.error();
    d.park_pointer(kWidth - 1, kHeight - 1);
    Child saver = d.start_shown();
    d.sway.kill();
    const auto status = saver.wait(kEndLimit);
    ASSERT_TRUE(status.has_value()) << "the saver hangs without its compositor";
    EXPECT_EQ(*status, 1) << saver.error_text();
    const std::string err = saver.error_text();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST(SaverOnTwoOutputs, EachShowsItsOwnPictureAndInputOnTheSecondEndsIt) {
    if (!have_tools()) GTEST_SKIP() << "sway or grim is missing";
    constexpr int kSecondWidth = 320, kSecondHeight = 240;
    Desk d({{kWidth, kHeight, 0, 0,
             wallpaper_file("wl_wallpaper_1.png", first_wallpaper, kWidth, kHeight)},
            {kSecondWidth, kSecondHeight, kWidth, 0,
             wallpaper_file("wl_wallpaper_2.png", second_wallpaper, kSecondWidth, kSecondHeight)}});
    ASSERT_TRUE(d.ready()) << d.sway.error();
    struct Case {
        const char* what;
        bool plugged_late;  // the pointer plugged in during the show, in the second's middle
        std::function<bool()> input;
    };
    const Case cases[] = {
        {"a click on the second", true, [&] { return d.pointer().click(); }},
        {"a move on the second", false, [&] { return d.pointer().move(-1, -1); }},
    };
    constexpr int kX = kSecondWidth / 2, kY = kSecondHeight / 2;
    for (const Case& c : cases) {
        if (c.plugged_late) {
            d.unplug();
            d.park_pointer(kWidth + kX, kY);
        } else {
            d.park_pointer(kWidth + kSecondWidth - 1, kSecondHeight - 1);
        }
        Child saver = d.start({"/s"});
        // The scene plays on one output; the other shows its own picture, as it was.
        std::size_t scene = 0;
        EXPECT_TRUE(wait_until(
                        [&] {
                            if (saver.wait(milliseconds(0))) return true;
                            for (scene = 0; scene < 2; ++scene)
                                if (d.mother_pixels(scene) > 500) return true;
                            return false;
                        },
                        kStartLimit) &&
                    !saver.wait(milliseconds(0)))
            << c.what << ": no scene on either output: " << saver.error_text();
        const std::size_t other = 1 - std::min<std::size_t>(scene, 1);
        EXPECT_TRUE(d.shows_wallpaper(other)) << c.what << ": the other output changed";
        if (c.plugged_late) {
            ASSERT_TRUE(d.plug());
            EXPECT_TRUE(d.pointer_hidden(1, kX, kY)) << "a pointer is drawn on the second output";
        }
        EXPECT_FALSE(saver.wait(milliseconds(200))) << c.what << ": ended before any input";
        ASSERT_TRUE(c.input());
        d.expect_given_back(saver, c.what);
    }
}

// An output unplugged mid-show is a person at the machine: the saver ends with status 0 as on
// input, whether the output showed the scene or a still; a background show drops only that
// output's show. sway 1.7 cannot disable a headless output (its commit fails), so the outputs
// are windows of a nested sway on a headless one, unplugged by closing the window.
TEST(SaverOnUnpluggedOutputs, EndTheSaverAndOneOfTheBackgrounds) {
    if (!have_tools()) GTEST_SKIP() << "sway or grim is missing";
    constexpr int kW = 320, kH = 240;
    Sway host({{kWidth, kHeight, 0, 0, ""}});
    ASSERT_TRUE(host.running()) << host.error();
    struct Case {
        const char* what;
        const char* mode;
        bool unplug_scene;  // the output the scene plays on, or another
        bool ends;
    };
    const Case cases[] = {
        {"the still's output under the saver", "/s", false, true},
        {"the scene's output under the saver", "/s", true, true},
        {"one of two backgrounds", "--root", true, false},
    };
    for (const Case& c : cases) {
        Sway nested(host, {{kW, kH, 0, 0, ""}, {kW, kH, kW, 0, ""}});
        ASSERT_TRUE(nested.running()) << c.what << ": " << nested.error();
        const auto mother = [&](std::size_t k) {
            const Surface& wall = nested.wallpaper(k);
            return count_scene(nested.screenshot(k), 0, 0,
                               [&](int x, int y) { return wall.at(x, y); })
                .mother;
        };
        Child saver = nested.run({VORLIP_PROGRAM, c.mode});
        std::size_t scene = 0;
        ASSERT_TRUE(wait_until(
                        [&] {
                            for (scene = 0; scene < 2; ++scene)
                                if (mother(scene) > 300) return true;
                            return saver.wait(milliseconds(0)).has_value();
                        },
                        kStartLimit) &&
                    !saver.wait(milliseconds(0)))
            << c.what << ": no scene: " << saver.error_text();
        const std::size_t gone = c.unplug_scene ? scene : 1 - scene;
        ASSERT_TRUE(nested.unplug(gone)) << c.what;
        if (c.ends) {
            EXPECT_EQ(saver.wait(kEndLimit), 0) << c.what << ": " << saver.error_text();
            continue;
        }
        // The other output's show plays on.
        const std::size_t left = 1 - gone;
        EXPECT_TRUE(wait_until([&] { return mother(left) > 300; }, kStartLimit) &&
                    !saver.wait(milliseconds(300)))
            << c.what << ": the show did not go on: " << saver.error_text();
        saver.signal(SIGTERM);
        EXPECT_EQ(saver.wait(kEndLimit), 0) << c.what << ": " << saver.error_text();
    }
}

// A compositor that stopped answering holds the saver in a round trip as it starts: an end
// signal still ends it, 2 s after the first one, with status 0.
TEST_F(SaverOnWayland, AnEndSignalEndsASaverHeldByACompositorThatStoppedAnswering) {
    Desk& d = *desk_;
    kill(d.sway.pid(), SIGSTOP);
    Child saver = d.start({"/s"});
    // Connected and waiting for the compositor's answer by now.
    EXPECT_FALSE(saver.wait(milliseconds(300))) << saver.error_text();
    const auto started = std::chrono::steady_clock::now();
    // An impatient user: another end signal every 300 ms, for longer than the patience.
    std::optional<int> status;
    for (int k = 0; k < 12 && !status; ++k) {
        saver.signal(k % 2 ? SIGINT : SIGTERM);
        status = saver.wait(milliseconds(300));
    }
    if (!status) status = saver.wait(kEndLimit);
    const auto took = std::chrono::steady_clock::now() - started;
    kill(d.sway.pid(), SIGCONT);
    ASSERT_TRUE(status.has_value()) << "the saver hangs with its compositor stopped";
    EXPECT_EQ(*status, 0) << saver.error_text();
    EXPECT_GE(took, milliseconds(1500)) << "it ended before the patience: was it held at all?";
}

// The output as its user sees it now: two screenshots in a row alike (sway redraws the
// wallpaper after a change of the output).
Surface settled_screenshot(const Sway& sway, std::size_t output) {
    Surface last;
    Surface now;
    wait_until(
        [&] {
            now = sway.screenshot(output);
            const bool same = now.width() > 0 && now.same_pixels(last);
            last = now;
            return same;
        },
        kStartLimit);
    return now;
}

// On a turned or scaled output the desktop under the scene is the one the user saw: a
// screenshot of the show differs from the one before it only where sprites are (a picture
// turned the wrong way, squeezed into a corner or shifted differs nearly everywhere, the
// wallpaper's every pixel being unlike its neighbours).
TEST(SaverOnTurnedOutputs, TheDesktopUnderTheSceneIsTheOneTheUserSaw) {
    if (!have_tools()) GTEST_SKIP() << "sway or grim is missing";
    Desk d({{kWidth, kHeight, 0, 0,
             wallpaper_file("wl_wallpaper_1.png", first_wallpaper, kWidth, kHeight)}});
    ASSERT_TRUE(d.ready()) << d.sway.error();
    for (const char* setting :
         {"transform 90", "transform 180", "scale 2", "scale 1.25", "transform flipped"}) {
        ASSERT_TRUE(d.sway.command(std::string("output HEADLESS-1 ") + setting)) << setting;
        ASSERT_TRUE(d.sway.command("seat seat0 cursor set 0 0"));
        const Surface before = settled_screenshot(d.sway, 0);
        Child saver = d.start({"/s"});
        Surface shot;
        const auto sprites = [&] {
            shot = d.sway.screenshot(0);
            if (shot.width() != before.width() || shot.height() != before.height()) return 0;
            return count_scene(shot, 0, 0, [&](int x, int y) { return before.at(x, y); }).mother;
        };
        EXPECT_TRUE(wait_until([&] { return saver.wait(milliseconds(0)) || sprites() > 500; },
                               kStartLimit) &&
                    !saver.wait(milliseconds(0)))
            << setting << ": no scene: " << saver.error_text();
        const int apart = pixels_apart(shot, before);
        EXPECT_LT(apart, shot.width() * shot.height() / 10)
            << setting << ": " << apart << " pixels differ from the desktop before the show";
        saver.signal(SIGTERM);
        EXPECT_EQ(saver.wait(kEndLimit), 0) << setting << ": " << saver.error_text();
        ASSERT_TRUE(d.sway.command("output HEADLESS-1 transform normal scale 1"));
    }
}

// A screen set up anew, a screen plugged in, or the pointer crossing from one output to the
// next, even by one pixel, is a person at the machine: the saver ends with status 0.
TEST(SaverOnChangingOutputs, AModeANewOutputAndACrossingEachEndTheSaver) {
    if (!have_tools()) GTEST_SKIP() << "sway or grim is missing";
    struct Case {
        const char* what;
        std::function<bool(Desk&)> change;
    };
    const Case cases[] = {
        {"a new mode", [](Desk& d) { return d.sway.command("output HEADLESS-1 mode 800x600"); }},
        {"a new output", [](Desk& d) { return d.sway.command("create_output"); }},
        {"a 1-pixel move onto the second output", [](Desk& d) { return d.pointer().move(1, 0); }},
    };
    for (const Case& c : cases) {
        Desk d({{kWidth, kHeight, 0, 0, ""}, {kWidth, kHeight, kWidth, 0, ""}});
        ASSERT_TRUE(d.ready()) << d.sway.error();
        d.park_pointer(kWidth - 1, kHeight / 2);
        Child saver = d.start({"/s"});
        ASSERT_TRUE(
            wait_until([&] { return d.mother_pixels(0) + d.mother_pixels(1) > 500; }, kStartLimit))
            << c.what << ": no scene: " << saver.error_text();
        EXPECT_FALSE(saver.wait(milliseconds(200))) << c.what << ": ended before the change";
        ASSERT_TRUE(c.change(d)) << c.what;
        EXPECT_EQ(saver.wait(kEndLimit), 0) << c.what << ": " << saver.error_text();
    }
}

// A background show follows its output: after a new mode it plays at the new size, and an output
// plugged in gets a show of its own.
TEST(BackgroundOnChangingOutputs, FollowsANewModeAndPlaysOnANewOutput) {
    if (!have_tools()) GTEST_SKIP() << "sway or grim is missing";
    Desk d({{kWidth, kHeight, 0, 0, ""}});
    ASSERT_TRUE(d.ready()) << d.sway.error();
    d.park_pointer(kWidth - 1, kHeight - 1);
    Child root = d.start({"--root"});
    ASSERT_TRUE(d.plays(root, 0)) << "no scene on the background: " << root.error_text();
    // Plays: the picture changes from one screenshot to the next, and not only in a corner.
    const auto plays_at = [&](std::size_t output, int w, int h) {
        Surface last;
        return wait_until(
                   [&] {
                       Surface now = d.sway.screenshot(output);
                       const bool moving = now.width() == w && now.height() == h &&
                                           last.width() == w && pixels_apart(now, last) > 0 &&
                                           count_scene(now, 0, 0, [&](int, int) {
                                               return now.at(w - 1, 0);
                                           }).mother > 300;
                       last = std::move(now);
                       return moving || root.wait(milliseconds(0)).has_value();
                   },
                   kStartLimit) &&
               !root.wait(milliseconds(0));
    };
    ASSERT_TRUE(d.sway.command("output HEADLESS-1 mode 800x600"));
    EXPECT_TRUE(plays_at(0, 800, 600)) << "not at the new size: " << root.error_text();
    ASSERT_TRUE(d.sway.command("create_output"));
    EXPECT_TRUE(plays_at(1, 1920, 1080)) << "no show on the new output: " << root.error_text();
    root.signal(SIGTERM);
    EXPECT_EQ(root.wait(kEndLimit), 0) << root.error_text();
}

// One saver per display however its name is spelled, and one background show: the second of
// each ends at once with status 0 while the first plays on.
TEST(SaverOnOneDisplay, TwoSpellingsOfOneDisplayAndTwoBackgroundsGiveOneShowEach) {
    if (!have_tools()) GTEST_SKIP() << "sway or grim is missing";
    // No wallpaper: sway stacks a later background surface under an earlier one.
    Desk d({{kWidth, kHeight, 0, 0, ""}});
    ASSERT_TRUE(d.ready()) << d.sway.error();
    d.park_pointer(kWidth - 1, kHeight - 1);
    ChildEnv by_path = d.sway.client_env();
    for (std::string& e : by_path.set)
        if (e.rfind("WAYLAND_DISPLAY=", 0) == 0)
            e = "WAYLAND_DISPLAY=" + d.sway.runtime_dir() + "//./" + d.sway.socket();
    for (const char* mode : {"/s", "--root"}) {
        Child first = d.start({mode});
        ASSERT_TRUE(d.plays(first, 0)) << mode << ": no show: " << first.error_text();
        Child second({VORLIP_PROGRAM, mode}, by_path);
        EXPECT_EQ(second.wait(kEndLimit), 0) << mode << ": " << second.error_text();
        EXPECT_FALSE(first.wait(milliseconds(0))) << mode << ": the first ended";
        first.signal(SIGTERM);
        d.expect_given_back(first, mode);
    }
}

// An end asked for while the saver starts: nothing of it is ever committed. The compositor is
// stopped while the saver connects, so the signal surely comes before its first surface.
TEST_F(SaverOnWayland, ASignalDuringStartUpShowsNothing) {
    Desk& d = *desk_;
    ChildEnv debug = d.sway.client_env();
    debug.set.push_back("WAYLAND_DEBUG=1");
    kill(d.sway.pid(), SIGSTOP);
    Child saver({VORLIP_PROGRAM, "/s"}, debug);
    EXPECT_FALSE(saver.wait(milliseconds(300))) << saver.error_text();
    saver.signal(SIGTERM);
    kill(d.sway.pid(), SIGCONT);
    EXPECT_EQ(saver.wait(kEndLimit), 0) << saver.error_text();
    const std::string log = saver.error_text();
    EXPECT_EQ(log.find(".commit("), std::string::npos) << "a surface was committed";
    EXPECT_EQ(log.find(".attach("), std::string::npos) << "a picture was attached";
}

TEST_F(SaverOnWayland, TheIdleDaemonStartsItAndAMoveEndsIt) {
    if (!on_path("swayidle")) GTEST_SKIP() << "swayidle is missing";
    Desk& d = *desk_;
    // swayidle waits for the saver (-w); its status is written where the test can read it.
    const std::string status_file = test::out_dir() + "/wl_swayidle_status";
    std::remove(status_file.c_str());
    Child idle = d.sway.run({"swayidle", "-w", "timeout", "1",
                             std::string(VORLIP_PROGRAM) + " /s; echo $? >" + status_file});
    EXPECT_TRUE(wait_until([&] { return d.mother_pixels(0) > 1000; }, kStartLimit))
        << "no scene after a second of idleness: " << idle.error_text();
    // swayidle goes first, so that no second saver follows a second after the first ends; the
    // saver and the shell that writes its status run on without it.
    idle = Child();
    ASSERT_TRUE(d.pointer().move(-1, 0));
    std::string status;
    EXPECT_TRUE(wait_until(
        [&] {
            std::ifstream in(status_file);
            return static_cast<bool>(std::getline(in, status));
        },
        kEndLimit))
        << "the saver did not end on the move";
    EXPECT_EQ(status, "0");
}

// The background mode stands in for a wallpaper client (`exec vorlip --root` in sway's config),
// so these sways have none: sway stacks a later background surface under an earlier one.
TEST(BackgroundOnWayland, PlaysUnderAWindowTakesNoInputAndEndsOnSigterm) {
    if (!have_tools()) GTEST_SKIP() << "sway or grim is missing";
    Desk d({{kWidth, kHeight, 0, 0, ""}});
    ASSERT_TRUE(d.ready()) << d.sway.error();
    d.park_pointer(kWidth - 1, kHeight - 1);
    // A window above it, if a terminal is at hand.
    constexpr int kWin = 200;
    const auto window_area = [&] {
        const Surface shot = d.sway.screenshot(0);
        Surface area(kWin, kWin);
        if (shot.width() >= kWin && shot.height() >= kWin)
            for (int y = 0; y < kWin; ++y)
                for (int x = 0; x < kWin; ++x) area.set(x, y, shot.at(x, y));
        return area;
    };
    Child window;
    Surface before;
    if (on_path("foot")) {
        ASSERT_TRUE(
            d.sway.command("for_window [app_id=\"vorlip-e2e\"] 'floating enable, resize "
                           "set 200 200, move position 0 0'"));
        window = d.sway.run({"foot", "--app-id=vorlip-e2e", "sleep", "600"});
        // Drawn, and drawn alike twice in a row.
        ASSERT_TRUE(wait_until(
            [&] {
                Surface now = window_area();
                const bool settled =
                    now.same_pixels(before) &&
                    now.at(kWin / 2, kWin / 2) != d.sway.wallpaper(0).at(kWin / 2, kWin / 2);
                before = std::move(now);
                return settled;
            },
            kStartLimit))
            << "the terminal did not show: " << window.error_text();
    }
    Child root = d.start({"--root"});
    EXPECT_TRUE(d.plays(root, 0, Rect{0, 0, kWin, kWin}))
        << "no scene on the background: " << root.error_text();
    if (window.started()) {
        EXPECT_LT(pixels_apart(window_area(), before), kWin * kWin / 100)
            << "the window is not above the background";
    }
    ASSERT_TRUE(d.pointer().move(-1, 0));
    ASSERT_TRUE(d.pointer().click());
    EXPECT_FALSE(root.wait(milliseconds(300))) << "input ended the background";
    window = Child();
    root.signal(SIGTERM);
    d.expect_given_back(root, "the background after SIGTERM");
}

TEST(BackgroundOnWayland, PlaysOverAConnectionHandedInThroughWaylandSocket) {
    if (!have_tools()) GTEST_SKIP() << "sway or grim is missing";
    Desk d({{kWidth, kHeight, 0, 0, ""}});
    ASSERT_TRUE(d.ready()) << d.sway.error();
    d.park_pointer(kWidth - 1, kHeight - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = d.sway.runtime_dir() + "/" + d.sway.socket();
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    ASSERT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0) << path;
    // Only the connection: no socket name to open another one with.
    ChildEnv env = d.sway.client_env();
    std::erase_if(env.set,
                  [](const std::string& e) { return e.rfind("WAYLAND_DISPLAY=", 0) == 0; });
    env.set.push_back("WAYLAND_SOCKET=3");
    env.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
    Child root({VORLIP_PROGRAM, "--root"}, env, fd);
    close(fd);
    EXPECT_TRUE(d.plays(root, 0)) << "no scene through the handed-in connection: "
                                  << root.error_text();
    root.signal(SIGTERM);
    d.expect_given_back(root, "the background after SIGTERM");
}

}  // namespace
}  // namespace vorlip::e2e
