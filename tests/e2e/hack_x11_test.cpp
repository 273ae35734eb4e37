// The real vorlip as a screen saver daemon's hack, on a private Xvfb display: in a window the
// test makes (with and without the daemon's screenshot, resized, destroyed), on the root, in a
// window of its own, and under the real daemon.
// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "e2e/pictures.hpp"
#include "support/test_support.hpp"
#include "tools/png_io.hpp"
#include "tools/xharness/xharness.hpp"

namespace vorlip::e2e {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// Limits on waits for states the show reaches and keeps: only a fault runs into them.
const milliseconds kStartLimit(10000);
const milliseconds kEndLimit(10000);

// The root window's picture, and the daemon's screenshot: different everywhere, and every
// pixel different enough from its neighbours that a shifted part would show.
Pixel desktop(int x, int y) {
    return Pixel(((x * 255 / kWidth) << 16) | ((y * 255 / kHeight) << 8) | ((x ^ y) & 0xFF));
}
Pixel screenshot(int x, int y) {
    return Pixel(((y * 255 / kHeight) << 16) | (((x + 2 * y) & 0xFF) << 8) | (x * 255 / kWidth));
}
// The background of the windows the tests make.
constexpr Pixel kWindowColour = 0x00C080;
Pixel window_colour(int, int) {
    return kWindowColour;
}

// A display with the desktop picture on its root, for one suite.
struct TestDisplay {
    std::unique_ptr<Xvfb> server;
    Display* dpy = nullptr;

    void open() {
        server = std::make_unique<Xvfb>(kWidth, kHeight);
        if (!server->running()) return;
        dpy = XOpenDisplay(server->display().c_str());
        if (!dpy) return;
        const Window root = DefaultRootWindow(dpy);
        const Pixmap pm = make_pixmap(dpy, kWidth, kHeight, desktop);
        XSetWindowBackgroundPixmap(dpy, root, pm);
        XClearWindow(dpy, root);
        XFreePixmap(dpy, pm);
        XSync(dpy, False);
    }
    void close() {
        if (dpy) XCloseDisplay(dpy);
        dpy = nullptr;
        server.reset();
    }
};

class HackOnX : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        display_.open();
        if (display_.dpy) {
            XSelectInput(display_.dpy, DefaultRootWindow(display_.dpy), SubstructureNotifyMask);
            default_cursor_ = current_cursor(display_.dpy);
        }
    }
    static void TearDownTestSuite() { display_.close(); }

    void SetUp() override {
        if (!on_path("Xvfb"))
            GTEST_SKIP() << "Xvfb is not installed: the X11 end-to-end tests are skipped";
        ASSERT_TRUE(display_.server && display_.server->running()) << "Xvfb did not start";
        ASSERT_NE(dpy(), nullptr) << "cannot open " << display_.server->display();
        drain_events();
    }

    static Display* dpy() { return display_.dpy; }

    // vorlip with `args`, and XSCREENSAVER_WINDOW set to `env` (unset when empty).
    Child start(const std::vector<std::string>& args, const std::string& env = "") {
        std::vector<std::string> all{"env", "-u", "XSCREENSAVER_WINDOW"};
        if (!env.empty()) all.push_back("XSCREENSAVER_WINDOW=" + env);
        all.push_back(VORLIP_PROGRAM);
        all.insert(all.end(), args.begin(), args.end());
        return Child(all, display_.server->display());
    }

    // A mapped window of the root at (x, y), optionally holding a screenshot of the whole
    // root as the daemon leaves one.
    Window make_window(int x, int y, int w, int h, bool with_screenshot) {
        const Window win = XCreateSimpleWindow(dpy(), DefaultRootWindow(dpy()), x, y, unsigned(w),
                                               unsigned(h), 0, 0, kWindowColour);
        if (with_screenshot) {
            const Pixmap shot = make_pixmap(dpy(), kWidth, kHeight, screenshot);
            XChangeProperty(dpy(), win, XInternAtom(dpy(), "_SCREENSAVER_SCREENSHOT", False),
                            XA_PIXMAP, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&shot), 1);
        }
        XMapWindow(dpy(), win);
        XSync(dpy(), False);
        return win;
    }

    // Waits until `win`, at (x, y) on the root, shows mostly `under` with the mother on it.
    bool shows_scene(Window win, int x, int y, const PictureFn& under, double share = 0.8,
                     int mother = 300) {
        return wait_until(
            [&] {
                const SceneCount c = count_scene(window_picture(dpy(), win), x, y, under);
                return c.total > 0 && c.same >= share * c.total && c.mother >= mother;
            },
            kStartLimit);
    }

    void drain_events() {
        XSync(dpy(), False);
        while (XPending(dpy())) {
            XEvent e;
            XNextEvent(dpy(), &e);
        }
    }

    bool window_created() {
        XSync(dpy(), False);
        bool created = false;
        while (XPending(dpy())) {
            XEvent e;
            XNextEvent(dpy(), &e);
            if (e.type == CreateNotify) created = true;
        }
        return created;
    }

    // A show in a given window ended by the daemon's signal: exit status 0 without a word.
    static void expect_quiet_end(Child& hack, const std::string& what) {
        hack.signal(SIGTERM);
        EXPECT_EQ(hack.wait(kEndLimit), 0) << what << ": " << hack.error_text();
        EXPECT_EQ(hack.error_text(), "") << what;
    }

    static std::string hex(Window w) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%lx", w);
        return text;
    }

    static TestDisplay display_;
    static CursorImage default_cursor_;
};

TestDisplay HackOnX::display_;
CursorImage HackOnX::default_cursor_;

TEST_F(HackOnX, TheShowFillsTheGivenWindowOverTheDesktopUnderItAndLeavesInputAlone) {
    struct Case {
        const char* what;
        std::vector<std::string> args;  // WIN: the window's id in hex, DEC: in decimal
        bool env;                       // the window's id in XSCREENSAVER_WINDOW as well
        bool with_screenshot;
    };
    const Case cases[] = {
        {"--window-id in hex, with a screenshot", {"--window-id", "WIN"}, false, true},
        {"-window-id in decimal, without", {"-window-id", "DEC"}, false, false},
        {"the daemon's variable alone, with a screenshot", {}, true, true},
        {"--root and the daemon's variable, without", {"--root"}, true, false},
    };
    const int x = 100, y = 80, w = 320, h = 240;
    for (const Case& c : cases) {
        const Window win = make_window(x, y, w, h, c.with_screenshot);
        std::vector<std::string> args;
        for (const std::string& a : c.args)
            args.push_back(a == "WIN" ? hex(win) : a == "DEC" ? std::to_string(win) : a);
        XWarpPointer(dpy(), None, win, 0, 0, 0, 0, w / 2, h / 2);
        drain_events();

        Child hack = start(args, c.env ? hex(win) : "");
        // The screenshot's part under the window, else what the window showed before: its
        // background colour.
        EXPECT_TRUE(shows_scene(win, x, y, c.with_screenshot ? screenshot : window_colour))
            << c.what << ": " << hack.error_text();
        // No window of its own, no grab, the pointer as it was.
        EXPECT_FALSE(window_created()) << c.what;
        EXPECT_FALSE(keyboard_grabbed_elsewhere(dpy())) << c.what;
        EXPECT_FALSE(pointer_grabbed_elsewhere(dpy())) << c.what;
        EXPECT_EQ(current_cursor(dpy()), default_cursor_) << c.what;
        // Input does not end it: the daemon does.
        Child tool({"xdotool", "mousemove_relative", "5", "5", "key", "a", "click", "1"},
                   display_.server->display());
        EXPECT_EQ(tool.wait(kEndLimit), 0);
        EXPECT_FALSE(hack.wait(milliseconds(200))) << c.what << ": input ended the show";

        expect_quiet_end(hack, c.what);
        XWindowAttributes a;
        EXPECT_TRUE(XGetWindowAttributes(dpy(), win, &a)) << c.what << ": the window is gone";
        XDestroyWindow(dpy(), win);
    }
}

TEST_F(HackOnX, AResizedWindowStartsTheShowAgainAtItsNewSize) {
    const Window win = make_window(100, 80, 320, 240, true);
    Child hack = start({"--window-id", hex(win)});
    ASSERT_TRUE(shows_scene(win, 100, 80, screenshot)) << hack.error_text();
    // Each new size shows the screenshot's part under the window at its new place, which
    // none of the earlier frames held there; the small ones are the size of a settings
    // dialog's preview, the smallest smaller than the mother herself.
    struct Step {
        int x, y, w, h;
        double share;
    };
    for (const Step& s :
         {Step{20, 20, 480, 360, 0.8}, Step{40, 30, 150, 100, 0.4}, Step{10, 10, 300, 200, 0.6}}) {
        XMoveResizeWindow(dpy(), win, s.x, s.y, unsigned(s.w), unsigned(s.h));
        XSync(dpy(), False);
        EXPECT_TRUE(shows_scene(win, s.x, s.y, screenshot, s.share, 0))
            << s.w << "x" << s.h << ": " << hack.error_text();
    }
    expect_quiet_end(hack, "after the resizes");
    XDestroyWindow(dpy(), win);
}

TEST_F(HackOnX, ADestroyedWindowEndsTheShowQuietly) {
    const Window win = make_window(100, 80, 320, 240, false);
    Child hack = start({"--window-id", hex(win)});
    ASSERT_TRUE(shows_scene(win, 100, 80, window_colour)) << hack.error_text();
    XDestroyWindow(dpy(), win);
    XSync(dpy(), False);
    EXPECT_EQ(hack.wait(kEndLimit), 0) << hack.error_text();
    EXPECT_EQ(hack.error_text(), "");
}

TEST_F(HackOnX, TheRootWindowItselfShowsItsOwnBackgroundAgainAfterwards) {
    const Window root = DefaultRootWindow(dpy());
    Child hack = start({"--root"});
    EXPECT_TRUE(shows_scene(root, 0, 0, desktop, 0.8, 1000)) << hack.error_text();
    expect_quiet_end(hack, "on the root");
    const SceneCount c = count_scene(window_picture(dpy(), root), 0, 0, desktop);
    EXPECT_EQ(c.same, c.total) << "the scene is left on the root window";
}

TEST_F(HackOnX, AWindowOfItsOwnEndsOnEscapeQOrClosingOnly) {
    // Two thirds of the screen in the middle, over the desktop that was there.
    const Rect where{kWidth / 6 + 1, kHeight / 6, kWidth * 2 / 3, kHeight * 2 / 3};
    for (const char* end : {"Escape", "q", "close"}) {
        Child show = start({"--window"});
        Window win = 0;
        ASSERT_TRUE(wait_until([&] { return (win = window_shown_at(dpy(), "vorlip", where)); },
                               kStartLimit))
            << show.error_text();
        EXPECT_TRUE(shows_scene(win, where.x, where.y, desktop)) << end;
        EXPECT_FALSE(keyboard_grabbed_elsewhere(dpy())) << end;
        XSetInputFocus(dpy(), win, RevertToPointerRoot, CurrentTime);
        XSync(dpy(), False);
        if (std::string(end) == "Escape") {
            // Any other key leaves it running.
            Child other({"xdotool", "key", "a", "space"}, display_.server->display());
            EXPECT_EQ(other.wait(kEndLimit), 0);
            EXPECT_FALSE(show.wait(milliseconds(200))) << "another key ended it";
        }
        if (std::string(end) == "close") {
            XEvent e{};
            e.xclient.type = ClientMessage;
            e.xclient.window = win;
            e.xclient.message_type = XInternAtom(dpy(), "WM_PROTOCOLS", False);
            e.xclient.format = 32;
            e.xclient.data.l[0] = long(XInternAtom(dpy(), "WM_DELETE_WINDOW", False));
            XSendEvent(dpy(), win, False, NoEventMask, &e);
            XSync(dpy(), False);
        } else {
            Child key({"xdotool", "key", end}, display_.server->display());
            EXPECT_EQ(key.wait(kEndLimit), 0);
        }
        EXPECT_EQ(show.wait(kEndLimit), 0) << end << ": " << show.error_text();
        EXPECT_TRUE(windows_titled(dpy(), "vorlip").empty()) << end;
    }
}

TEST_F(HackOnX, BadOptionsAndMissingWindowsAreOneLineErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string env;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"--window-id", "0x7ffff0"}, "", 1, "there is no window 0x7ffff0"},
        {{"--window-id", "zz"}, "", 2, "--window-id wants a window id"},
        {{"--root"}, "junk", 2, "XSCREENSAVER_WINDOW is not a window id: junk"},
    };
    for (const Case& c : cases) {
        drain_events();
        Child hack = start(c.args, c.env);
        EXPECT_EQ(hack.wait(kEndLimit), c.status) << c.message;
        const std::string err = hack.error_text();
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(window_created()) << c.message;
    }
}

// --- under the real daemon

// The processes whose program is `path` (zombies have no command line and do not count).
int processes_of(const std::string& path) {
    int n = 0;
    DIR* proc = opendir("/proc");
    if (!proc) return 0;
    while (const dirent* d = readdir(proc)) {
        if (d->d_name[0] < '0' || d->d_name[0] > '9') continue;
        std::ifstream in(std::string("/proc/") + d->d_name + "/cmdline");
        std::string argv0;
        if (std::getline(in, argv0, '\0') && argv0 == path) ++n;
    }
    closedir(proc);
    return n;
}

class DaemonOnX : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { display_.open(); }
    static void TearDownTestSuite() { display_.close(); }

    void SetUp() override {
        for (const char* p : {"Xvfb", "xscreensaver", "xscreensaver-command"})
            if (!on_path(p)) GTEST_SKIP() << p << " is not installed: the daemon test is skipped";
        ASSERT_NE(display_.dpy, nullptr) << "no display";
    }

    // xscreensaver-command with one option; the daemon answers any client of its display.
    static int command(const std::string& option) {
        Child c({"xscreensaver-command", option}, display_.server->display());
        return c.wait(kEndLimit).value_or(-1);
    }

    static TestDisplay display_;
};

TestDisplay DaemonOnX::display_;

TEST_F(DaemonOnX, ActivateDrawsOnTheDaemonsWindowAndDeactivateEndsIt) {
    // The daemon runs no hack as root: as root, it runs as nobody, from a home of its own that
    // holds its settings and a copy of vorlip that nobody can run.
    const bool root = geteuid() == 0;
    char dir_template[] = "/tmp/vorlip-daemon-XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    const std::string home = dir_template;
    struct Remove {
        std::string dir;
        ~Remove() { std::filesystem::remove_all(dir); }
    } remove{home};
    const std::string hack = home + "/vorlip";
    std::filesystem::copy_file(VORLIP_PROGRAM, hack);
    {
        // Only vorlip, on the daemon's command, with nothing between the command and the show.
        std::ofstream cfg(home + "/.xscreensaver");
        cfg << "timeout: 0:30:00\ncycle: 0:00:00\nlock: False\nfade: False\nunfade: False\n"
               "splash: False\ndpmsEnabled: False\nmode: one\nselected: 0\n"
               "programs: \"vorlip\" "
            << hack << " --root \\n\n";
    }
    chmod(home.c_str(), 0755);
    chmod(hack.c_str(), 0755);
    std::vector<std::string> run{"env", "HOME=" + home, "xscreensaver", "--no-splash"};
    if (root) {
        for (const auto& p : std::filesystem::recursive_directory_iterator(home))
            ASSERT_EQ(chown(p.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(home.c_str(), 65534, 65534), 0);
        run.insert(run.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    Child daemon(run, display_.server->display());
    struct Stop {
        Child& daemon;
        ~Stop() {
            command("-exit");
            daemon.wait(kEndLimit);
        }
    } stop{daemon};
    ASSERT_TRUE(wait_until([] { return command("-version") == 0; }, kStartLimit))
        << "the daemon did not start: " << daemon.error_text();

    ASSERT_EQ(command("-activate"), 0);
    // The screen: the desktop as it was (the daemon's screenshot, under vorlip's scene) with the
    // mother on it.
    Display* dpy = display_.dpy;
    const Window root_window = DefaultRootWindow(dpy);
    Surface screen;
    EXPECT_TRUE(wait_until(
        [&] {
            if (processes_of(hack) != 1) return false;
            screen = window_picture(dpy, root_window);
            const SceneCount c = count_scene(screen, 0, 0, desktop);
            return c.same > c.total * 8 / 10 && c.mother > 1000;
        },
        kStartLimit))
        << "vorlip does not draw on the daemon's window: " << daemon.error_text();
    std::string error;
    write_png(test::out_dir() + "/e2e_daemon.png", screen, error);

    ASSERT_EQ(command("-deactivate"), 0);
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_TRUE(wait_until([&] { return processes_of(hack) == 0; }, kEndLimit))
        << "vorlip is still running after -deactivate";
    std::printf("vorlip gone %lld ms after -deactivate\n",
                static_cast<long long>(std::chrono::duration_cast<milliseconds>(
                                           std::chrono::steady_clock::now() - asked)
                                           .count()));
}

}  // namespace
}  // namespace vorlip::e2e
