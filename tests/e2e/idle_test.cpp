// vorlip --idle on a private Xvfb (MIT-SCREEN-SAVER) and a private headless sway
// (org_kde_kwin_idle), each with a private session bus, and on private headless GNOME Shell
// (Mutter's idle monitor) and KWin (ext-idle-notify) sessions: the show starts after an idle
// second, input ends it, it starts again, a program's inhibition holds it off, and the watcher ends
// with its session or on SIGTERM, taking the show with it. Then the options it refuses.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
// clang-format on
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.hpp"
#include "tools/png_io.hpp"
#include "tools/wlharness/wlharness.hpp"
#include "tools/xharness/xharness.hpp"

namespace vorlip::e2e {
namespace {

// Limits on waits for states the watcher reaches and keeps: only a fault runs into them.
const milliseconds kLimit(10000);
// How long a held inhibition must keep the show off.
const milliseconds kHeld(3000);

// Whether a pipe's read end has a line within `limit`.
bool line_within(int fd, milliseconds limit) {
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    return poll(&p, 1, int(limit.count())) == 1 && read(fd, &c, 1) == 1;
}

// A session bus of the test's own: nobody else answers on it.
struct PrivateBus {
    PrivateBus() {
        path = test::out_dir() + "/idle-bus-" + std::to_string(getpid());
        unlink(path.c_str());
        int ready[2];
        if (pipe(ready) != 0) return;
        daemon = Child({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + path,
                        "--print-address=3"},
                       ChildEnv{}, ready[1]);
        close(ready[1]);
        up = line_within(ready[0], kLimit);
        close(ready[0]);
    }
    ~PrivateBus() { unlink(path.c_str()); }
    std::string address() const { return "DBUS_SESSION_BUS_ADDRESS=unix:path=" + path; }
    std::string path;
    Child daemon;
    bool up = false;
};

// The processes whose parent is `pid`: the watcher's running show.
std::vector<pid_t> children_of(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    std::vector<pid_t> found;
    for (pid_t c = 0; in >> c;) found.push_back(c);
    return found;
}
bool showing(const Child& watcher) {
    return !children_of(watcher.pid()).empty();
}

// One session to watch: how to start a client on it and how to give it input.
struct Session {
    ChildEnv env;
    std::function<void()> input;
    std::function<bool()> show_seen;  // the show's own mark on the screen, beyond its process
};

// Gives input until the show ends: a show whose surface is not up yet misses it.
bool input_ends_show(const Session& s, const Child& watcher) {
    for (const auto give_up = std::chrono::steady_clock::now() + kLimit;
         std::chrono::steady_clock::now() < give_up;) {
        s.input();
        if (wait_until([&] { return !showing(watcher); }, milliseconds(2000))) return true;
    }
    return false;
}

// The grouped run every session goes through.
void watch_session(const Session& s, const std::string& source) {
    const ChildEnv& env = s.env;
    s.input();
    Child watcher({VORLIP_PROGRAM, "--idle", "1"}, env);
    // It starts about a second after the last input, and stays.
    ASSERT_TRUE(wait_until([&] { return showing(watcher) && s.show_seen(); }, kLimit))
        << watcher.error_text();
    EXPECT_NE(watcher.error_text().find("through " + source), std::string::npos)
        << watcher.error_text();
    // A second watcher on the display leaves at once.
    EXPECT_EQ(Child({VORLIP_PROGRAM, "--idle", "1"}, env).wait(kLimit), 0);
    // Input ends the show; another idle second starts it again.
    ASSERT_TRUE(input_ends_show(s, watcher));
    ASSERT_TRUE(wait_until([&] { return showing(watcher) && s.show_seen(); }, kLimit));

    // A program's inhibition holds it off until the program goes.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    Child inhibitor({VORLIP_INHIBITOR}, env, ready[1]);
    close(ready[1]);
    ASSERT_TRUE(line_within(ready[0], kLimit)) << inhibitor.error_text();
    close(ready[0]);
    ASSERT_TRUE(input_ends_show(s, watcher));
    EXPECT_FALSE(wait_until([&] { return showing(watcher); }, kHeld));
    inhibitor.signal(SIGKILL);
    inhibitor.wait(kLimit);
    ASSERT_TRUE(wait_until([&] { return showing(watcher); }, kLimit));

    // SIGTERM ends the show and then the watcher, both well.
    const std::vector<pid_t> show = children_of(watcher.pid());
    watcher.signal(SIGTERM);
    EXPECT_EQ(watcher.wait(kLimit), 0) << watcher.error_text();
    for (pid_t p : show) EXPECT_NE(kill(p, 0), 0) << "the show outlived its watcher";
}

TEST(IdleWatcher, OnXvfb) {
    if (!on_path("Xvfb") || !on_path("xdotool") || !on_path("dbus-daemon"))
        GTEST_SKIP() << "needs Xvfb, xdotool and dbus-daemon";
    PrivateBus bus;
    ASSERT_TRUE(bus.up);
    Xvfb server(320, 240);
    ASSERT_TRUE(server.running());
    Display* dpy = XOpenDisplay(server.display().c_str());
    ASSERT_TRUE(dpy);
    int x = 10;
    Session s;
    s.env = ChildEnv{{"DISPLAY=" + server.display(), bus.address()},
                     {"WAYLAND_DISPLAY", "WAYLAND_SOCKET"}};
    s.input = [&] {
        x = x == 10 ? 20 : 10;
        Child({"xdotool", "mousemove", std::to_string(x), "10"}, server.display()).wait(kLimit);
    };
    s.show_seen = [&] { return window_shown_at(dpy, "SAVER vorlip", {0, 0, 320, 240}) != 0; };
    int before[4], after[4];
    XGetScreenSaver(dpy, &before[0], &before[1], &before[2], &before[3]);
    watch_session(s, "MIT-SCREEN-SAVER");
    // The watcher set the server's screen-saver timer to its own; the user's settings are back.
    XGetScreenSaver(dpy, &after[0], &after[1], &after[2], &after[3]);
    EXPECT_TRUE(std::equal(before, before + 4, after));

    // A player that suspends the server's screen saver holds the show off until it lets go,
    // though the server tells nobody else of it.
    Display* player = XOpenDisplay(server.display().c_str());
    ASSERT_TRUE(player);
    XScreenSaverSuspend(player, True);
    XSync(player, False);
    s.input();
    Child watcher({VORLIP_PROGRAM, "--idle", "1"}, s.env);
    EXPECT_FALSE(wait_until([&] { return showing(watcher); }, kHeld));
    XScreenSaverSuspend(player, False);
    XSync(player, False);
    ASSERT_TRUE(wait_until([&] { return showing(watcher); }, kLimit));
    XCloseDisplay(player);

    // The display going ends the watcher well.
    XCloseDisplay(dpy);
    kill(server.pid(), SIGTERM);
    EXPECT_EQ(watcher.wait(kLimit), 0) << watcher.error_text();
}

TEST(IdleWatcher, OnSway) {
    if (!on_path("sway") || !on_path("dbus-daemon")) GTEST_SKIP() << "needs sway and dbus-daemon";
    PrivateBus bus;
    ASSERT_TRUE(bus.up);
    Sway sway({SwayOutput{320, 240, 0, 0, ""}});
    ASSERT_TRUE(sway.running()) << sway.error();
    VirtualPointer pointer(sway, VORLIP_WLPOINTER);
    ASSERT_TRUE(pointer.running()) << pointer.error();
    int dx = 1;
    Session s;
    s.env = sway.client_env();
    s.env.set.push_back(bus.address());
    s.input = [&] {
        dx = -dx;
        pointer.move(dx, 0);
    };
    // The scene over the desktop's picture: far more than the pointer's pixels changed.
    s.show_seen = [&] {
        const Surface shot = sway.screenshot(0);
        const Surface& wall = sway.wallpaper(0);
        if (shot.width() != wall.width() || shot.height() != wall.height()) return false;
        int apart = 0;
        for (int y = 0; y < wall.height(); ++y)
            for (int x = 0; x < wall.width(); ++x) apart += shot.at(x, y) != wall.at(x, y);
        return apart > 2 * 32 * 32;
    };
    watch_session(s, "org_kde_kwin_idle");

    // The compositor going ends the watcher well.
    Child watcher({VORLIP_PROGRAM, "--idle", "1"}, s.env);
    ASSERT_TRUE(wait_until([&] { return showing(watcher); }, kLimit));
    sway.kill();
    EXPECT_EQ(watcher.wait(kLimit), 0) << watcher.error_text();
}

// A private headless desktop session of tools/desktops, with its own buses; stopped with the
// test.
struct Desktop {
    Desktop(const std::string& kind, const std::string& options)
        : script(std::string(VORLIP_DESKTOPS) + "/" + kind + "-session.sh") {
        const std::string out = test::out_dir() + "/idle-" + kind + ".env";
        Child start({"bash", "-c", script + " start " + options + " >" + out}, ChildEnv{});
        if (start.wait(milliseconds(120000)) != 0) {
            why = start.error_text();
            return;
        }
        std::ifstream in(out);
        bool display = false;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("VORLIP_DESKTOP_DIR=", 0) == 0) {
                dir = line.substr(line.find('=') + 1);
            } else if (line.find('=') != std::string::npos) {
                env.set.push_back(line);
                display = display || line.rfind("DISPLAY=", 0) == 0;
            }
        }
        env.unset = {"WAYLAND_SOCKET"};
        if (!display) env.unset.push_back("DISPLAY");
    }
    ~Desktop() { stop(); }
    void stop() {
        if (!dir.empty()) Child({script, "stop", dir}, ChildEnv{}).wait(milliseconds(60000));
        dir.clear();
    }
    bool running() const { return !dir.empty(); }

    std::string script, dir, why;
    ChildEnv env;
};

TEST(IdleWatcher, OnGnomeShell) {
    if (!on_path("gnome-shell") || access("/usr/bin/python3", X_OK) != 0)
        GTEST_SKIP() << "needs gnome-shell and python3";
    Desktop gnome("gnome", "--size 640x480 --no-animations");
    // The session's own start is the desktops' harness's matter, not the watcher's.
    if (!gnome.running()) GTEST_SKIP() << "no session: " << gnome.why;
    // Input through Mutter's remote desktop session, one helper for the whole test.
    int commands[2];
    ASSERT_EQ(pipe(commands), 0);
    const std::string said = test::out_dir() + "/idle-gnome-input.txt";
    Child helper({"bash", "-c",
                  "exec /usr/bin/python3 " + std::string(VORLIP_DESKTOPS) +
                      "/helper.py remote-input <&3 >" + said},
                 gnome.env, commands[0]);
    close(commands[0]);
    ASSERT_TRUE(wait_until(
        [&] {
            std::ifstream in(said);
            std::string first;
            return std::getline(in, first) && first == "ready";
        },
        kLimit))
        << helper.error_text();
    int dx = 5;
    Session s;
    s.env = gnome.env;
    s.input = [&] {
        dx = -dx;
        const std::string move = "move " + std::to_string(dx) + " 0\n";
        ASSERT_EQ(write(commands[1], move.data(), move.size()), ssize_t(move.size()));
    };
    // The show is a fullscreen window of the shell's own there, over the plain desktop colour
    // (nobody allowed it the desktop's picture): the shell's screenshot is mostly that colour.
    const std::string shot = test::out_dir() + "/idle-gnome-shot.png";
    s.show_seen = [&] {
        if (Child({gnome.script, "screenshot", gnome.dir, shot}, ChildEnv{}).wait(kLimit) != 0)
            return false;
        Surface picture;
        std::string error;
        if (!read_picture(shot, picture, error)) return false;
        int plain = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) plain += picture.at(x, y) == 0x2F4F6F;
        return plain > picture.width() * picture.height() / 2;
    };
    watch_session(s, "org.gnome.Mutter.IdleMonitor");
    close(commands[1]);
    helper.wait(kLimit);

    // The session going ends the watcher well.
    Child watcher({VORLIP_PROGRAM, "--idle", "1"}, gnome.env);
    ASSERT_TRUE(wait_until([&] { return showing(watcher); }, kLimit));
    gnome.stop();
    EXPECT_EQ(watcher.wait(kLimit), 0) << watcher.error_text();
}

TEST(IdleWatcher, OnKWin) {
    if (!on_path("kwin_wayland")) GTEST_SKIP() << "needs kwin_wayland";
    Desktop kwin("kwin", "--size 640x480");
    // The session's own start is the desktops' harness's matter, not the watcher's.
    if (!kwin.running()) GTEST_SKIP() << "no session: " << kwin.why;
    int dx = 5;
    Session s;
    s.env = kwin.env;
    s.input = [&] {
        dx = -dx;
        Child({VORLIP_KWINMOVE, std::to_string(dx), "0"}, kwin.env).wait(kLimit);
    };
    // No picture of KWin's screen to be had while the show is up (its screenshot waits): the
    // show's process alone, and input until it ends.
    s.show_seen = [] { return true; };
    watch_session(s, "ext-idle-notify");

    // The compositor going ends the watcher well.
    Child watcher({VORLIP_PROGRAM, "--idle", "1"}, kwin.env);
    ASSERT_TRUE(wait_until([&] { return showing(watcher); }, kLimit));
    kwin.stop();
    EXPECT_EQ(watcher.wait(kLimit), 0) << watcher.error_text();
}

TEST(IdleWatcher, RefusesBadTimesAndSaysWhatIsMissing) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        // Every refused time is the launch unit test's; here, that the program says it once.
        {{"--idle"}, 2, "--idle needs a number of seconds"},
        {{"--idle", "86401"}, 2, "--idle wants whole seconds from 1 to 86400: 86401"},
        {{"--idle", "5"}, 1, "no way to learn of idleness"},  // neither display nor compositor
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{VORLIP_PROGRAM};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Child run(args, ChildEnv{{}, {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET"}});
        EXPECT_EQ(run.wait(kLimit), c.status) << c.args.back();
        const std::string said = run.error_text();
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

}  // namespace
}  // namespace vorlip::e2e
