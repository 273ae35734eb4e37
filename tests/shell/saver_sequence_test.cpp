// The start-up, the window set-up and the tick, driven through the headless platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "frame/step.hpp"
#include "shell/saver.hpp"
#include "support/headless_platform.hpp"

namespace vorlip {
namespace {

using Calls = std::vector<std::string>;

// A headless system with a small screen and a recognisable desktop, and a saver on it.
struct Rig {
    explicit Rig(std::string args = "/s", int w = 160, int h = 120) {
        platform.arguments = std::move(args);
        platform.screen = {double(w), double(h), 1, 1};
        platform.desktop = Surface(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) platform.desktop.set(x, y, Pixel(0x100 * x + y + 0x400000));
        saver = std::make_unique<Saver>(platform, rnd);
    }
    // Starts a show and forgets the calls of the start.
    void start() {
        saver_main(*saver);
        ASSERT_TRUE(platform.window_exists);
        platform.calls.clear();
        platform.presents = 0;
    }
    // Runs the given events through the window.
    void run(std::initializer_list<HeadlessEvent> events) {
        platform.events.assign(events);
        SaverEvents handlers(*saver);
        platform.run_events(handlers);
    }
    std::size_t index_of(const std::string& call) const {
        const auto it = std::find(platform.calls.begin(), platform.calls.end(), call);
        return std::size_t(it - platform.calls.begin());
    }

    HeadlessPlatform platform;
    SeededRandom rnd{7};
    std::unique_ptr<Saver> saver;
};

HeadlessEvent tick() {
    return {HeadlessEvent::timer};
}
HeadlessEvent cursor_to(int x, int y) {
    return {HeadlessEvent::move_cursor, x, y};
}
HeadlessEvent caret_to(int x, int y) {
    return {HeadlessEvent::move_caret, x, y};
}

TEST(SaverStart, SaverModeSetsUpTheWindowInItsOrder) {
    Rig rig("/s", 160, 120);
    rig.platform.cursor = {70, 80};
    rig.platform.caret = {5, 6};
    saver_main(*rig.saver);

    const Calls expected = {
        "find_window SAVER vorlip",
        "find_window vorlip Saver Setting",
        "command_line",
        "screen_size",
        "create_window SAVER vorlip",
        "resize_window 160 120",
        "move_window 160 120",  // beyond the bottom-right corner
        "place_control focus_sink 30 30 -50 0",
        "show_window",
        "focus_sink",
        "hide_window",
        "move_window 0 0",
        "place_control compose 160 120 0 0",
        "place_control background 160 120 0 0",
        "set_pointer empty",
        "caret_pos",
        "cursor_pos",
        "capture_desktop 160 120",
        "present",  // the first frame, while the window is hidden
        "show_window",
        "make_topmost",
    };
    EXPECT_EQ(rig.platform.calls, expected);

    const ShellState& shell = rig.saver->shell;
    EXPECT_TRUE(shell.running);
    EXPECT_EQ(shell.window_left, 0);
    EXPECT_EQ(shell.window_top, 0);
    const PositionWatch& watch = rig.platform.watch;
    EXPECT_EQ(watch.last_caret_x, 5);
    EXPECT_EQ(watch.last_caret_y, 6);
    EXPECT_EQ(watch.last_cursor_x, 70);
    EXPECT_EQ(watch.last_cursor_y, 80);

    const World& world = rig.saver->world;
    EXPECT_EQ(world.screen_w, 160);
    EXPECT_EQ(world.screen_h, 120);
    EXPECT_EQ(world.frame_no, 2);  // started at 1, one frame made during the set-up
    EXPECT_EQ(world.brood_max, 39);

    // The window ends shown, at (0, 0), with the empty pointer and the keyboard.
    EXPECT_TRUE(rig.platform.window_shown);
    EXPECT_EQ(rig.platform.left, 0);
    EXPECT_EQ(rig.platform.top, 0);
    EXPECT_EQ(rig.platform.pointer, PointerImage::custom_empty);
    EXPECT_TRUE(rig.platform.has_focus);
    EXPECT_EQ(rig.saver->stage.compose.width(), 160);
    EXPECT_EQ(rig.saver->stage.background.height(), 120);
}

TEST(SaverStart, TheSnapshotIsTheDesktopAndTheFirstFrameShowsIt) {
    Rig rig("/s", 400, 300);
    saver_main(*rig.saver);
    const Stage& stage = rig.saver->stage;
    EXPECT_TRUE(stage.background.same_pixels(rig.platform.desktop));

    // The image the window shows first is the desktop with the scene on it: away from the
    // mother's box it is the desktop itself, inside it the mother has changed pixels.
    const Surface& shown = rig.platform.shown_image();
    ASSERT_EQ(shown.width(), 400);
    const World& world = rig.saver->world;
    int same = 0, changed_in_box = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            const bool in_box = x >= world.mother_x && x < world.mother_x + 120 &&
                                y >= world.mother_y && y < world.mother_y + 120;
            // The mother drawn by the first frame stands where world_start put her; her
            // update has moved her since, by a few pixels at most.
            const bool near_box = x >= world.mother_x - 40 && x < world.mother_x + 160 &&
                                  y >= world.mother_y - 40 && y < world.mother_y + 160;
            if (shown.at(x, y) == rig.platform.desktop.at(x, y))
                ++same;
            else if (!near_box)
                ADD_FAILURE() << "changed pixel far from the mother at " << x << "," << y;
            if (in_box && shown.at(x, y) != rig.platform.desktop.at(x, y)) ++changed_in_box;
        }
    EXPECT_GT(changed_in_box, 1000);
    EXPECT_GT(same, 400 * 300 - 160 * 160);
}

TEST(SaverStart, TheGuardLooksUpBothTitlesAndEndsIfEitherExists) {
    struct Case {
        std::vector<std::string> windows;
        const char* args;
        bool starts;
    };
    const Case cases[] = {
        {{}, "/s", true},
        {{"SAVER vorlip"}, "/s", false},
        {{"vorlip Saver Setting"}, "/s", false},
        {{"SAVER vorlip", "vorlip Saver Setting"}, "/S", false},
        {{"SAVER vorlip"}, "/c", false},
        {{"SAVER vorlipx", "vorlip saver setting", "SAVER  vorlip"}, "/s", true},  // exact titles
    };
    for (const Case& c : cases) {
        Rig rig(c.args);
        rig.platform.windows.insert(c.windows.begin(), c.windows.end());
        saver_main(*rig.saver);
        const Calls& calls = rig.platform.calls;
        ASSERT_GE(calls.size(), 2u);
        // Both lookups, always, before anything else.
        EXPECT_EQ(calls[0], "find_window SAVER vorlip");
        EXPECT_EQ(calls[1], "find_window vorlip Saver Setting");
        EXPECT_EQ(rig.platform.window_exists, c.starts) << c.args;
        if (!c.starts) {
            // A window found: nothing at all after the two lookups.
            EXPECT_EQ(calls.size(), 2u) << c.args;
            EXPECT_EQ(rig.saver->shell, ShellState{});
            EXPECT_EQ(rig.platform.watch, PositionWatch{});
            EXPECT_EQ(rig.saver->world.screen_w, 0);
        }
    }
}

TEST(SaverStart, EveryOtherSwitchEndsWithoutAWindow) {
    for (const char* args : {"", "s", "/", "/p 1234", "/c", "/C:99", "  /p", "x/s"}) {
        Rig rig(args);
        saver_main(*rig.saver);
        const Calls expected = {"find_window SAVER vorlip", "find_window vorlip Saver Setting",
                                "command_line"};
        EXPECT_EQ(rig.platform.calls, expected) << "arguments \"" << args << "\"";
        EXPECT_FALSE(rig.saver->shell.running);
        // No window, so the event loop has nothing to run.
        rig.run({tick()});
        EXPECT_EQ(rig.platform.events.size(), 1u);
    }
}

TEST(SaverStart, ASecondCopyEndsAtOnce) {
    Rig rig;
    rig.start();
    SeededRandom rnd2(3);
    Saver second(rig.platform, rnd2);
    saver_main(second);
    const Calls expected = {"find_window SAVER vorlip", "find_window vorlip Saver Setting"};
    EXPECT_EQ(rig.platform.calls, expected);
    EXPECT_FALSE(second.shell.running);
}

TEST(SaverStart, TheScreenIsMeasuredInPixels) {
    Rig rig;
    rig.platform.screen = {2400, 1800, 15, 15};  // 160 x 120 in fifteenths of a pixel
    saver_main(*rig.saver);
    EXPECT_EQ(rig.saver->world.screen_w, 160);
    EXPECT_EQ(rig.saver->world.screen_h, 120);
    EXPECT_EQ(rig.platform.width, 160);
}

TEST(SaverStart, AScreenTooWideForSixteenBitsRunsOnEmptyBuffers) {
    // 40000 pixels wrap to a negative width: the buffers are empty, nothing is drawn outside
    // them, and the show still starts and ends.
    Rig rig("/s", 40000, 20);
    rig.platform.desktop = Surface(8, 8);
    saver_main(*rig.saver);
    EXPECT_EQ(rig.saver->world.screen_w, -25536);
    EXPECT_EQ(rig.saver->stage.compose.width(), 0);
    rig.run({tick(), cursor_to(1, 1), tick()});
    EXPECT_FALSE(rig.platform.window_exists);
}

TEST(SaverStart, AMoveDuringTheSceneStartEndsTheShowAtTheFirstTick) {
    // The positions that the first tick compares with are those read before the scene starts.
    Rig rig;
    rig.platform.cursor = {10, 10};
    rig.platform.on_call = [&](const std::string& call) {
        if (call.rfind("capture_desktop", 0) == 0) rig.platform.cursor = {11, 10};
    };
    saver_main(*rig.saver);
    EXPECT_LT(rig.index_of("cursor_pos"), rig.index_of("capture_desktop 160 120"));
    EXPECT_EQ(rig.platform.watch.last_cursor_x, 10);
    rig.platform.presents = 0;
    rig.run({tick(), tick()});
    EXPECT_FALSE(rig.platform.window_exists);
    EXPECT_EQ(rig.platform.presents, 1);
}

TEST(SaverTick, EndConditions) {
    struct Case {
        const char* what;
        PointI32 start_cursor;
        std::vector<HeadlessEvent> events;
        int ticks_run;  // frames made before the show ended; -1: it did not end
    };
    const HeadlessEvent click{HeadlessEvent::click};
    const HeadlessEvent key{HeadlessEvent::key};
    const Case cases[] = {
        {"still", {100, 50}, {tick(), tick(), tick()}, -1},
        {"cursor x one pixel", {100, 50}, {tick(), cursor_to(101, 50), tick(), tick()}, 2},
        {"cursor y one pixel", {100, 50}, {tick(), cursor_to(100, 49), tick(), tick()}, 2},
        {"caret x", {100, 50}, {caret_to(1, 0), tick(), tick()}, 1},
        {"caret y", {100, 50}, {tick(), caret_to(0, -1), tick()}, 2},
        {"away and back between checks",
         {100, 50},
         {tick(), cursor_to(300, 300), cursor_to(100, 50), tick()},
         -1},
        {"click", {100, 50}, {tick(), click, tick()}, 2},
        {"key", {100, 50}, {key, tick()}, 1},
        {"a coordinate beyond 16 bits never matches", {40000, 50}, {tick(), tick()}, 1},
        {"below -32768 too", {100, -40000}, {tick(), tick()}, 1},
        {"the 16-bit extremes match", {-32768, 32767}, {tick(), tick()}, -1},
        {"equal low 16 bits, different position",
         {100, 50},
         {cursor_to(100 + 65536, 50), tick()},
         1},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.platform.cursor = c.start_cursor;
        rig.start();
        rig.platform.events.assign(c.events.begin(), c.events.end());
        SaverEvents handlers(*rig.saver);
        rig.platform.run_events(handlers);
        if (c.ticks_run < 0) {
            EXPECT_TRUE(rig.platform.window_exists) << c.what;
            EXPECT_TRUE(rig.saver->shell.running) << c.what;
        } else {
            EXPECT_FALSE(rig.platform.window_exists) << c.what;
            EXPECT_EQ(rig.platform.presents, c.ticks_run) << c.what;
            // Default pointer back first, then the window goes; nothing after that.
            ASSERT_GE(rig.platform.calls.size(), 2u) << c.what;
            const std::size_t n = rig.platform.calls.size();
            EXPECT_EQ(rig.platform.calls[n - 2], "set_pointer default") << c.what;
            EXPECT_EQ(rig.platform.calls[n - 1], "unload_window") << c.what;
            EXPECT_EQ(rig.platform.pointer, PointerImage::system_default) << c.what;
        }
    }
}

TEST(SaverTick, OneFrameThenTheChecksThenTheEnd) {
    Rig rig;
    rig.start();
    const i16 frame_before = rig.saver->world.frame_no;
    saver_tick(*rig.saver, true);
    const Calls expected = {"present", "caret_pos", "cursor_pos", "set_pointer default",
                            "unload_window"};
    EXPECT_EQ(rig.platform.calls, expected);
    EXPECT_EQ(rig.saver->world.frame_no, frame_before + 1);
}

TEST(SaverTick, TheSavedPositionsAreTheLow16BitsOfTheLastCheck) {
    struct Case {
        PointI32 cursor;
        i16 x, y;
    };
    const Case cases[] = {
        {{123, -45}, 123, -45},
        {{40000, 65536 + 7}, -25536, 7},
        {{-32769, 32768}, 32767, -32768},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.start();
        rig.platform.cursor = c.cursor;
        rig.platform.caret = c.cursor;
        saver_tick(*rig.saver, false);
        const PositionWatch& shell = rig.platform.watch;
        EXPECT_EQ(shell.cursor_pos, c.cursor);
        EXPECT_EQ(shell.last_cursor_x, c.x);
        EXPECT_EQ(shell.last_cursor_y, c.y);
        EXPECT_EQ(shell.last_caret_x, c.x);
        EXPECT_EQ(shell.last_caret_y, c.y);
    }
}

TEST(SaverTick, HandlersDoNothingUnlessTheSaverRuns) {
    Rig rig;
    rig.start();
    rig.saver->shell.running = false;
    on_tick(*rig.saver);
    on_click(*rig.saver);
    on_key(*rig.saver);
    EXPECT_TRUE(rig.platform.calls.empty());
}

TEST(SaverTick, AnEndRequestGivesTheDesktopBackWithoutAFrame) {
    Rig rig;
    rig.start();
    rig.run({tick(), {HeadlessEvent::end_request}, tick()});
    const Calls expected = {"present", "caret_pos", "cursor_pos", "set_pointer default",
                            "unload_window"};
    EXPECT_EQ(rig.platform.calls, expected);
    EXPECT_EQ(rig.platform.events.size(), 1u);  // the window is gone: no more ticks
}

TEST(SaverTick, TheSceneRunsOnFromTickToTick) {
    Rig rig("/s", 320, 240);
    rig.start();
    std::vector<HeadlessEvent> ticks(200, tick());
    rig.platform.events.assign(ticks.begin(), ticks.end());
    SaverEvents handlers(*rig.saver);
    rig.platform.run_events(handlers);
    EXPECT_TRUE(rig.platform.window_exists);
    EXPECT_EQ(rig.platform.presents, 200);
    EXPECT_EQ(rig.saver->world.frame_no, 202);
    // The window shows the compose buffer's last frame.
    EXPECT_TRUE(rig.platform.shown_image().same_pixels(rig.saver->stage.compose));
}

TEST(SaverRestart, AResizedWindowStartsAFreshShowAtItsSize) {
    // After a long show, resized to a size smaller than the mother and then to a larger one:
    // each time the world is exactly a fresh start at that size with its first frame, over the
    // desktop at that size, in the window's image.
    Rig rig("/s", 320, 240);
    rig.start();
    std::vector<HeadlessEvent> ticks(300, tick());
    rig.platform.events.assign(ticks.begin(), ticks.end());
    SaverEvents handlers(*rig.saver);
    rig.platform.run_events(handlers);
    for (const auto& [w, h] : {std::pair{90, 70}, std::pair{300, 200}}) {
        SeededRandom rnd = rig.rnd;  // the draws the restart will make
        World fresh;
        fresh.screen_w = i16(w);
        fresh.screen_h = i16(h);
        scene_start(fresh, rnd);
        Stage stage(w, h);
        bit_blt(stage.background, 0, 0, w, h, rig.platform.desktop, 0, 0, Rop::SrcCopy);
        play_frame(fresh, rnd, stage);

        rig.platform.calls.clear();
        handlers.resized(w, h);
        const std::string size = std::to_string(w) + " " + std::to_string(h);
        const Calls expected = {"resize_window " + size, "place_control compose " + size + " 0 0",
                                "place_control background " + size + " 0 0",
                                "capture_desktop " + size, "present"};
        EXPECT_EQ(rig.platform.calls, expected) << size;
        EXPECT_EQ(rig.saver->world, fresh) << size;
        EXPECT_TRUE(rig.saver->stage.background.same_pixels(stage.background)) << size;
        EXPECT_TRUE(rig.platform.shown_image().same_pixels(stage.compose)) << size;
        EXPECT_TRUE(rig.saver->shell.running);
    }
}

}  // namespace
}  // namespace vorlip
