// The real vorlip on a private Xvfb display, driven with xdotool: the window over the desktop,
// the ways a show ends, the guard, the other switches, and that the desktop is always given back.
// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/pictures.hpp"
#include "scene/raster.hpp"
#include "shell/x11/layout.hpp"
#include "support/test_support.hpp"
#include "tools/png_io.hpp"
#include "tools/xharness/xharness.hpp"

namespace vorlip::e2e {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
const Rect kWholeScreen{0, 0, kWidth, kHeight};
// Limits on waits for states the saver reaches and keeps: only a fault runs into them.
const milliseconds kStartLimit(10000);
const milliseconds kEndLimit(10000);

// The picture the tests put on the root window before each start: every pixel different enough
// from its neighbours that a shifted or partial capture would show.
Pixel pattern(int x, int y) {
    return Pixel(((x * 255 / kWidth) << 16) | ((y * 255 / kHeight) << 8) | ((x ^ y) & 0xFF));
}

class SaverOnX : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<Xvfb>(kWidth, kHeight);
        if (!server_->running()) return;
        dpy_ = XOpenDisplay(server_->display().c_str());
        if (!dpy_) return;
        // The desktop picture, as the root window's background; this connection stays open for
        // the whole suite, so the picture does too.
        const Window root = DefaultRootWindow(dpy_);
        const Pixmap pm = XCreatePixmap(dpy_, root, kWidth, kHeight, 24);
        XImage* img = XCreateImage(dpy_, DefaultVisual(dpy_, 0), 24, ZPixmap, 0, nullptr, kWidth,
                                   kHeight, 32, 0);
        img->data = static_cast<char*>(std::calloc(std::size_t(img->bytes_per_line), kHeight));
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) XPutPixel(img, x, y, pattern(x, y));
        const GC gc = XCreateGC(dpy_, pm, 0, nullptr);
        XPutImage(dpy_, pm, gc, img, 0, 0, 0, 0, kWidth, kHeight);
        XFreeGC(dpy_, gc);
        XDestroyImage(img);
        XSetWindowBackgroundPixmap(dpy_, root, pm);
        XClearWindow(dpy_, root);
        XFreePixmap(dpy_, pm);
        XSelectInput(dpy_, root, SubstructureNotifyMask);
        XSync(dpy_, False);
        default_cursor_ = current_cursor(dpy_);
    }

    static void TearDownTestSuite() {
        if (dpy_) XCloseDisplay(dpy_);
        dpy_ = nullptr;
        server_.reset();
    }

    void SetUp() override {
        if (!on_path("Xvfb"))
            GTEST_SKIP() << "Xvfb is not installed: the X11 end-to-end tests are skipped";
        ASSERT_TRUE(server_ && server_->running()) << "Xvfb did not start";
        ASSERT_NE(dpy_, nullptr) << "cannot open " << server_->display();
        ASSERT_TRUE(on_path("xdotool")) << "xdotool is missing (make deps installs it)";
        // Every test starts with no saver, nothing grabbed and the pointer in the middle.
        ASSERT_TRUE(saver_windows().empty());
        XWarpPointer(dpy_, None, DefaultRootWindow(dpy_), 0, 0, 0, 0, kWidth / 2, kHeight / 2);
        XSync(dpy_, False);
        drain_events();
    }

    Child start(const std::vector<std::string>& args) {
        std::vector<std::string> all{VORLIP_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        return Child(all, server_->display());
    }

    // Starts the saver and waits until its window covers `screen` for good: shown over the
    // screen is the state it keeps until it ends, and by then it holds the keyboard and has
    // hidden the pointer.
    Child start_shown(const std::vector<std::string>& args = {"/s"},
                      const Rect& screen = kWholeScreen) {
        Child saver = start(args);
        EXPECT_TRUE(wait_until([&] { return shown_saver(screen) != 0; }, kStartLimit))
            << "no saver window over the screen: " << saver.error_text();
        return saver;
    }

    std::vector<Window> saver_windows() { return windows_titled(dpy_, "SAVER vorlip"); }

    Window parent_of(Window w) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(dpy_, w, &root, &parent, &children, &n)) return 0;
        if (children) XFree(children);
        return parent;
    }

    // Whether the saver's window is shown and no shown window is stacked above it.
    bool saver_on_top() {
        const Window saver = shown_saver();
        if (saver == 0) return false;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &n)) return false;
        bool above = false, seen = false;
        for (unsigned k = 0; k < n; ++k) {
            XWindowAttributes a;
            if (seen && XGetWindowAttributes(dpy_, children[k], &a) && a.map_state == IsViewable)
                above = true;
            seen = seen || children[k] == saver;
        }
        if (children) XFree(children);
        return seen && !above;
    }

    // Waits up to `limit` for an event of `type` on the root about a window other than those
    // of `skip`; whether one came.
    bool root_event_about_another(int type, const std::vector<Window>& skip, milliseconds limit) {
        return wait_until(
            [&] {
                while (XPending(dpy_)) {
                    XEvent e;
                    XNextEvent(dpy_, &e);
                    const Window w = e.type == MapNotify         ? e.xmap.window
                                     : e.type == ConfigureNotify ? e.xconfigure.window
                                                                 : 0;
                    if (e.type == type && w != 0 &&
                        std::find(skip.begin(), skip.end(), w) == skip.end())
                        return true;
                }
                return false;
            },
            limit);
    }

    Window shown_saver(const Rect& screen = kWholeScreen) {
        return window_shown_at(dpy_, "SAVER vorlip", screen);
    }

    // Of a picture of the whole screen: the pixels that are the desktop's, and the grey and
    // white ones of the mother where it differs.
    static SceneCount count_scene(const Surface& picture) {
        return e2e::count_scene(picture, 0, 0, pattern);
    }

    int mother_pixels() {
        XImage* img =
            XGetImage(dpy_, DefaultRootWindow(dpy_), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        if (!img) return 0;
        Surface picture(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                picture.set(x, y, Pixel(XGetPixel(img, x, y) & 0xFFFFFF));
        XDestroyImage(img);
        return count_scene(picture).mother;
    }

    void drain_events() {
        XSync(dpy_, False);
        while (XPending(dpy_)) {
            XEvent e;
            XNextEvent(dpy_, &e);
        }
    }

    // Whether any top-level window was created since the last drain.
    bool window_created() {
        XSync(dpy_, False);
        bool created = false;
        while (XPending(dpy_)) {
            XEvent e;
            XNextEvent(dpy_, &e);
            if (e.type == CreateNotify) created = true;
        }
        return created;
    }

    void xdotool(const std::vector<std::string>& args) {
        std::vector<std::string> all{"xdotool"};
        all.insert(all.end(), args.begin(), args.end());
        Child tool(all, server_->display());
        EXPECT_EQ(tool.wait(kEndLimit), 0) << "xdotool " << args[0];
    }

    // After a show: the process ended cleanly, and the desktop is as it was. A window manager
    // may have put a pointer image of its own on the root: `pointer` is that one then.
    void expect_desktop_given_back(Child& saver, const std::string& what,
                                   const CursorImage* pointer = nullptr) {
        EXPECT_EQ(saver.wait(kEndLimit), 0) << what << ": " << saver.error_text();
        EXPECT_TRUE(saver_windows().empty()) << what;
        EXPECT_FALSE(keyboard_grabbed_elsewhere(dpy_)) << what;
        EXPECT_FALSE(pointer_grabbed_elsewhere(dpy_)) << what;
        EXPECT_EQ(current_cursor(dpy_), pointer ? *pointer : default_cursor_)
            << what << ": pointer not the default";
    }

    static std::unique_ptr<Xvfb> server_;
    static Display* dpy_;
    static CursorImage default_cursor_;
};

std::unique_ptr<Xvfb> SaverOnX::server_;
Display* SaverOnX::dpy_ = nullptr;
CursorImage SaverOnX::default_cursor_;

TEST_F(SaverOnX, TheWindowCoversTheScreenWithTheDesktopTheMotherAndNoPointer) {
    ASSERT_FALSE(default_cursor_.invisible()) << "the server's own pointer should be visible";
    Child saver = start_shown();
    const Window w = shown_saver();
    ASSERT_NE(w, 0u);
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(dpy_, w, &a));
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(a.width, kWidth);
    EXPECT_EQ(a.height, kHeight);
    EXPECT_TRUE(a.override_redirect);
    EXPECT_TRUE(current_cursor(dpy_).invisible()) << "a pointer is visible over the saver";

    // The first frame goes up just after the window is shown: wait until the mother is on the
    // screen, then take a screenshot as a person would.
    EXPECT_TRUE(wait_until([&] { return mother_pixels() > 1000; }, kStartLimit))
        << "no grey and white mother on the screen";
    const std::string xwd = test::out_dir() + "/e2e_saver.xwd";
    const std::string png = test::out_dir() + "/e2e_saver.png";
    Child shot({"xwd", "-root", "-silent", "-out", xwd}, server_->display());
    ASSERT_EQ(shot.wait(milliseconds(5000)), 0);
    Child convert({"convert", "xwd:" + xwd, "png:" + png}, "");
    ASSERT_EQ(convert.wait(milliseconds(10000)), 0);
    Surface picture;
    std::string error;
    ASSERT_TRUE(read_picture(png, picture, error)) << error;
    ASSERT_EQ(picture.width(), kWidth);
    ASSERT_EQ(picture.height(), kHeight);

    // Mostly the desktop as it was, pixel for pixel; where it differs, the scene is drawn, and
    // the mother alone covers thousands of pixels.
    const SceneCount count = count_scene(picture);
    EXPECT_GT(count.same, kWidth * kHeight * 8 / 10)
        << "the desktop picture is not under the scene";
    EXPECT_GT(count.mother, 1000) << "no grey and white mother on the picture";

    xdotool({"mousemove_relative", "1", "0"});
    expect_desktop_given_back(saver, "after the screenshot");
}

TEST_F(SaverOnX, ThePrimaryMonitorIsTheSaversScreen) {
    // A primary monitor in the middle of the root: the saver covers it alone, and its snapshot
    // is that part of the desktop.
    const Rect mon{200, 100, 320, 240};
    const std::string geometry = std::to_string(mon.w) + "/100x" + std::to_string(mon.h) + "/75+" +
                                 std::to_string(mon.x) + "+" + std::to_string(mon.y);
    Child add({"xrandr", "--setmonitor", "*e2e-primary", geometry, "none"}, server_->display());
    ASSERT_EQ(add.wait(kEndLimit), 0) << add.error_text();
    struct Remove {
        const std::string& display;
        ~Remove() { Child({"xrandr", "--delmonitor", "e2e-primary"}, display).wait(kEndLimit); }
    } remove{server_->display()};

    const Rect on{mon.x, mon.y, mon.w, mon.h};
    Child saver = start_shown({"/s"}, on);
    ASSERT_NE(shown_saver(on), 0u) << "the saver does not cover the primary monitor alone";

    XImage* img = XGetImage(dpy_, DefaultRootWindow(dpy_), mon.x, mon.y, unsigned(mon.w),
                            unsigned(mon.h), AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    int same = 0;
    for (int y = 0; y < mon.h; ++y)
        for (int x = 0; x < mon.w; ++x)
            if ((XGetPixel(img, x, y) & 0xFFFFFF) == pattern(mon.x + x, mon.y + y)) ++same;
    XDestroyImage(img);
    EXPECT_GT(same, mon.w * mon.h / 2) << "the snapshot is not the primary monitor's part";

    xdotool({"mousemove_relative", "1", "0"});
    expect_desktop_given_back(saver, "on a primary monitor");
}

TEST_F(SaverOnX, AnyInputEndsTheShowAndGivesTheDesktopBack) {
    struct Case {
        const char* what;
        std::vector<std::string> input;
    };
    const Case cases[] = {
        {"a 1-pixel move", {"mousemove_relative", "1", "0"}},
        {"a 1-pixel move up", {"mousemove_relative", "--", "0", "-1"}},
        {"a key", {"key", "a"}},
        {"a click", {"click", "1"}},
        {"a right click", {"click", "3"}},
    };
    for (const Case& c : cases) {
        Child saver = start_shown();
        std::this_thread::sleep_for(milliseconds(100));
        ASSERT_FALSE(saver.wait(milliseconds(0))) << c.what << ": ended before any input";
        xdotool(c.input);
        expect_desktop_given_back(saver, c.what);
    }
}

TEST_F(SaverOnX, TheShowRunsOnWhileNothingHappens) {
    Child saver = start_shown();
    EXPECT_FALSE(saver.wait(milliseconds(400))) << saver.error_text();
    EXPECT_EQ(saver_windows().size(), 1u);
    xdotool({"mousemove_relative", "0", "1"});
    expect_desktop_given_back(saver, "after a quiet run");
}

TEST_F(SaverOnX, ASecondCopyEndsAtOnceWithoutAWindow) {
    Child first = start_shown();
    drain_events();
    for (const char* args : {"/s", "/c"}) {
        Child second = start({args});
        EXPECT_EQ(second.wait(kEndLimit), 0) << args;
        EXPECT_FALSE(window_created()) << args << ": the second copy made a window";
        EXPECT_EQ(saver_windows().size(), 1u);
    }
    EXPECT_FALSE(first.wait(milliseconds(0))) << "the first copy ended";
    xdotool({"mousemove_relative", "1", "1"});
    expect_desktop_given_back(first, "the first copy");
}

TEST_F(SaverOnX, ASettingWindowStopsTheStart) {
    struct Case {
        const char* what;
        bool nested;    // inside a frame, as a window manager keeps client windows
        bool net_name;  // titled through _NET_WM_NAME only
        bool mapped;
    };
    const Case cases[] = {
        {"hidden top-level", false, false, false},
        {"shown inside a frame", true, false, true},
        {"_NET_WM_NAME only", true, true, false},
    };
    const std::string title = "vorlip Saver Setting";
    for (const Case& c : cases) {
        const Window root = DefaultRootWindow(dpy_);
        const Window frame =
            c.nested ? XCreateSimpleWindow(dpy_, root, 10, 10, 200, 100, 0, 0, 0) : root;
        const Window w = XCreateSimpleWindow(dpy_, frame, 0, 0, 200, 100, 0, 0, 0);
        if (c.net_name) {
            XChangeProperty(dpy_, w, XInternAtom(dpy_, "_NET_WM_NAME", False),
                            XInternAtom(dpy_, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title.data()),
                            int(title.size()));
        } else {
            XStoreName(dpy_, w, title.c_str());
        }
        if (c.mapped) {
            XMapWindow(dpy_, w);
            XMapWindow(dpy_, frame);
        }
        drain_events();

        Child saver = start({"/s"});
        EXPECT_EQ(saver.wait(kEndLimit), 0) << c.what;
        EXPECT_FALSE(window_created()) << c.what << ": the saver made a window";

        XDestroyWindow(dpy_, c.nested ? frame : w);
        drain_events();
    }
}

TEST_F(SaverOnX, EveryOtherSwitchEndsAtOnceWithoutAWindow) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {""}, {"s"}, {"/"}, {"/p", "1234"}, {"/c"}, {"/C:99"}, {"/a"}, {"--help"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args) shown += "\"" + a + "\" ";
        Child saver = start(args);
        EXPECT_EQ(saver.wait(kEndLimit), 0) << shown;
        EXPECT_FALSE(window_created()) << shown << "made a window";
    }
}

TEST_F(SaverOnX, LeadingSpacesAndTrailingTextStillStartTheSaver) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"  /s"}, {"/S", "1234"}, {"", "/s"}}) {
        Child saver = start_shown(args);
        xdotool({"mousemove_relative", "1", "0"});
        expect_desktop_given_back(saver, "started with \"" + args[0] + "\"");
    }
}

TEST_F(SaverOnX, EndSignalsEndTheShowCleanly) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        Child saver = start_shown();
        saver.signal(sig);
        expect_desktop_given_back(saver, std::string("signal ") + strsignal(sig));
    }
}

TEST_F(SaverOnX, ALostConnectionEndsWithAMessageAndAnError) {
    Child saver = start_shown();
    XKillClient(dpy_, shown_saver());
    XSync(dpy_, False);
    const auto status = saver.wait(kEndLimit);
    ASSERT_TRUE(status.has_value()) << "the saver hangs without its display";
    EXPECT_NE(*status, 0);
    EXPECT_LT(*status, 128) << "killed by a signal instead of ending";
    const std::string err = saver.error_text();
    EXPECT_NE(err.find("lost the connection to the X display"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    // The server let go of what the saver held.
    EXPECT_TRUE(saver_windows().empty());
    EXPECT_FALSE(keyboard_grabbed_elsewhere(dpy_));
}

TEST_F(SaverOnX, AKeyboardOrPointerHeldByAnotherClientIsAskedForUntilItIsLetGo) {
    // Held at the start: the saver says so and runs the show on without that device; once it
    // is let go the saver takes it, and a key or a click ends the show.
    const Window root = DefaultRootWindow(dpy_);
    struct Case {
        const char* device;
        std::function<bool()> hold;
        std::function<void()> let_go;
        std::function<bool()> held_elsewhere;
        std::vector<std::string> input;
    };
    const Case cases[] = {
        {"keyboard",
         [&] {
             return XGrabKeyboard(dpy_, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) ==
                    GrabSuccess;
         },
         [&] { XUngrabKeyboard(dpy_, CurrentTime); },
         [&] { return keyboard_grabbed_elsewhere(dpy_); },
         {"key", "b"}},
        {"pointer",
         [&] {
             return XGrabPointer(dpy_, root, False, 0, GrabModeAsync, GrabModeAsync, None, None,
                                 CurrentTime) == GrabSuccess;
         },
         [&] { XUngrabPointer(dpy_, CurrentTime); },
         [&] { return pointer_grabbed_elsewhere(dpy_); },
         {"click", "1"}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.hold()) << c.device;
        XSync(dpy_, False);
        Child saver = start_shown();
        EXPECT_TRUE(wait_until([&] { return !saver.error_text().empty(); }, kStartLimit))
            << "no word about the " << c.device;
        const std::string err = saver.error_text();
        EXPECT_NE(err.find(c.device), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(saver.wait(milliseconds(0))) << c.device << ": the show did not go on";
        c.let_go();
        XSync(dpy_, False);
        EXPECT_TRUE(wait_until(c.held_elsewhere, kStartLimit))
            << "the saver did not take the " << c.device << " once it was free";
        xdotool(c.input);
        expect_desktop_given_back(saver,
                                  std::string("input after the ") + c.device + " was let go");
    }
}

// Under a real window manager, on a display of its own: a manager leaves its pointer image on
// the root for good.
class SaverUnderAWindowManager : public SaverOnX {};

TEST_F(SaverUnderAWindowManager, WhatComesOverTheShowGoesBelowItAndAClickWhereItWasEndsIt) {
    // Under each window manager: a managed window raised, a managed window newly mapped and an
    // override-redirect pop-up each come over the saver; the saver is the top-most window
    // again at its next tick, and a click over where the pop-up is ends the show.
    const Window root = DefaultRootWindow(dpy_);
    const Rect popup_at{kWidth / 2 - 100, kHeight / 2 - 50, 200, 100};  // under the pointer
    for (const char* wm : {"twm", "openbox"}) {
        ASSERT_TRUE(on_path(wm)) << wm << " is missing (make deps installs it)";
        // Placed where its hints say, so that no manager asks the user to place it.
        const auto managed_window = [&](int x, int y) {
            const Window w = XCreateSimpleWindow(dpy_, root, x, y, 200, 150, 0, 0, 0x808000);
            XSizeHints hints{};
            hints.flags = USPosition | USSize;
            hints.x = x;
            hints.y = y;
            hints.width = 200;
            hints.height = 150;
            XSetWMNormalHints(dpy_, w, &hints);
            XStoreName(dpy_, w, "e2e client");
            return w;
        };
        const Window client = managed_window(40, 40);
        XMapWindow(dpy_, client);
        XSync(dpy_, False);
        Child manager({wm}, server_->display());
        ASSERT_TRUE(wait_until([&] { return parent_of(client) != root; }, kStartLimit))
            << wm << " did not take the window in: " << manager.error_text();

        const CursorImage managers_pointer = current_cursor(dpy_);
        Child saver = start_shown();
        ASSERT_TRUE(wait_until([&] { return saver_on_top(); }, kStartLimit)) << wm;

        const Window newcomer = managed_window(300, 60);
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.background_pixel = 0xFFFF00;
        const Window popup = XCreateWindow(dpy_, root, popup_at.x, popup_at.y, unsigned(popup_at.w),
                                           unsigned(popup_at.h), 0, CopyFromParent, InputOutput,
                                           CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
        struct Step {
            const char* what;
            std::function<void()> act;
            int seen;  // the root's event that tells the step has happened
        };
        const Step steps[] = {
            {"a raised window",
             [&] {
                 xdotool({"windowraise", std::to_string(client)});
             },
             ConfigureNotify},
            {"a newly mapped window", [&] { XMapWindow(dpy_, newcomer); }, MapNotify},
            {"an override-redirect pop-up", [&] { XMapRaised(dpy_, popup); }, MapNotify},
        };
        for (const Step& step : steps) {
            drain_events();
            step.act();
            XSync(dpy_, False);
            // A manager that leaves the stack as it is sends nothing; the saver is on top then.
            root_event_about_another(step.seen, saver_windows(), milliseconds(2000));
            EXPECT_TRUE(wait_until([&] { return saver_on_top(); }, kStartLimit))
                << wm << ", " << step.what << ": something stays over the saver";
            EXPECT_FALSE(saver.wait(milliseconds(0))) << wm << ", " << step.what;
        }
        xdotool({"click", "1"});
        expect_desktop_given_back(saver, std::string(wm) + ": a click over the pop-up",
                                  &managers_pointer);

        XDestroyWindow(dpy_, popup);
        XDestroyWindow(dpy_, newcomer);
        XDestroyWindow(dpy_, client);
        XSync(dpy_, False);
        manager.signal(SIGTERM);
        EXPECT_TRUE(manager.wait(kEndLimit).has_value()) << wm << " does not end";
    }
}

TEST_F(SaverOnX, TwoSaversStartedTogetherLeaveOneWindow) {
    for (int round = 0; round < 10; ++round) {
        Child a = start({"/s"});
        Child b = start({"/s"});
        // One of the two ends at once without a window; the other keeps its window up.
        EXPECT_TRUE(wait_until(
            [&] {
                return shown_saver() != 0 && (a.wait(milliseconds(0)) || b.wait(milliseconds(0)));
            },
            kStartLimit))
            << "round " << round;
        EXPECT_EQ(saver_windows().size(), 1u) << "round " << round;
        Child& ended = a.wait(milliseconds(0)) ? a : b;
        Child& running = a.wait(milliseconds(0)) ? b : a;
        EXPECT_EQ(ended.wait(milliseconds(0)), 0) << "round " << round;
        xdotool({"mousemove_relative", "1", "0"});
        expect_desktop_given_back(running, "round " + std::to_string(round));
    }
}

// Screens the scene cannot be drawn on are refused in one line, before anything is grabbed or
// hidden.
TEST(SaverOnOddScreens, AreRefusedBeforeAnythingIsTaken) {
    if (!on_path("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    struct Case {
        int width, height, depth;
        const char* said;
    };
    const Case cases[] = {
        {1024, 768, 8, "true-colour"},
        {40000, 8, 24, "32767"},
    };
    for (const Case& c : cases) {
        const Xvfb server(c.width, c.height, c.depth);
        ASSERT_TRUE(server.running()) << c.said;
        Display* dpy = XOpenDisplay(server.display().c_str());
        ASSERT_NE(dpy, nullptr);
        XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
        XSync(dpy, False);
        Child saver({VORLIP_PROGRAM, "/s"}, server.display());
        EXPECT_EQ(saver.wait(kEndLimit), 1) << c.said;
        const std::string err = saver.error_text();
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        bool created = false;
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            created = created || e.type == CreateNotify;
        }
        EXPECT_FALSE(created) << c.said << ": a window was made";
        EXPECT_FALSE(keyboard_grabbed_elsewhere(dpy)) << c.said;
        XCloseDisplay(dpy);
    }
}

// A display that takes the connection and never answers: a listener on a loopback port.
class SilentDisplay {
  public:
    SilentDisplay() {
        for (int number = 90; number < 120 && listener_ < 0; ++number) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in at{};
            at.sin_family = AF_INET;
            at.sin_port = htons(std::uint16_t(6000 + number));
            at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && listen(fd, 8) == 0) {
                listener_ = fd;
                name_ = "127.0.0.1:" + std::to_string(number);
            } else {
                close(fd);
            }
        }
    }
    ~SilentDisplay() {
        for (int fd : accepted_) close(fd);
        if (listener_ >= 0) close(listener_);
    }
    const std::string& name() const { return name_; }
    // Whether a client has connected (and is now waiting for an answer that never comes).
    bool connected() {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 0) > 0) accepted_.push_back(accept(listener_, nullptr, nullptr));
        return !accepted_.empty();
    }

  private:
    int listener_ = -1;
    std::string name_;
    std::vector<int> accepted_;
};

TEST(SaverOnASilentDisplay, EndsWithOneLineAndOnEndSignals) {
    SilentDisplay silent;
    ASSERT_FALSE(silent.name().empty()) << "no free loopback port";
    for (const char* sw : {"/c", "/s"}) {
        Child saver({VORLIP_PROGRAM, sw}, silent.name());
        EXPECT_EQ(saver.wait(kEndLimit), 1) << sw;
        const std::string err = saver.error_text();
        EXPECT_NE(err.find("does not answer"), std::string::npos) << sw << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    // An end signal while it waits for the display ends it then, without the message. A
    // listener of its own, so that the connections above are not taken for this one.
    SilentDisplay fresh;
    ASSERT_FALSE(fresh.name().empty()) << "no free loopback port";
    Child saver({VORLIP_PROGRAM, "/s"}, fresh.name());
    ASSERT_TRUE(wait_until([&] { return fresh.connected(); }, kStartLimit));
    saver.signal(SIGTERM);
    EXPECT_EQ(saver.wait(kEndLimit), 0);
    EXPECT_EQ(saver.error_text(), "");
}

// A display that stopped answering holds the saver in a request as it ends: it goes 2 s after
// the first end signal, however many follow.
TEST(SaverOnAHungDisplay, EndsAfterThePatienceFromTheFirstEndSignal) {
    if (!on_path("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    Xvfb server(320, 240);
    ASSERT_TRUE(server.running());
    Display* dpy = XOpenDisplay(server.display().c_str());
    ASSERT_NE(dpy, nullptr);
    Child saver({VORLIP_PROGRAM, "/s"}, server.display());
    EXPECT_TRUE(wait_until(
        [&] {
            return window_shown_at(dpy, "SAVER vorlip", {0, 0, 320, 240}) != 0;
        },
        kStartLimit))
        << saver.error_text();
    XCloseDisplay(dpy);
    kill(server.pid(), SIGSTOP);
    // An impatient user: another end signal every 300 ms, for longer than the patience.
    std::optional<int> status;
    for (int k = 0; k < 30 && !status; ++k) {
        saver.signal(SIGINT);
        status = saver.wait(milliseconds(300));
    }
    kill(server.pid(), SIGCONT);
    ASSERT_TRUE(status.has_value()) << "the later signals put the end off";
    EXPECT_EQ(*status, 0);
}

// Needs no display at all, so it runs with or without Xvfb.
TEST(SaverWithoutDisplay, TheSaverSaysSoInOneLineAndFails) {
    Child saver({VORLIP_PROGRAM, "/s"}, "");
    EXPECT_EQ(saver.wait(kEndLimit), 1);
    const std::string err = saver.error_text();
    EXPECT_NE(err.find("cannot open the X display"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    // Any other switch needs no display: it ends as always.
    Child other({VORLIP_PROGRAM, "/c"}, "");
    EXPECT_EQ(other.wait(kEndLimit), 0);
}

}  // namespace
}  // namespace vorlip::e2e
