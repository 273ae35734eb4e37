// The real vorlip on private headless KDE Plasma (KWin) and GNOME Shell sessions, started and
// stopped by tools/desktops: the scene over the real desktop where the desktop lets the saver
// take its picture, the plain colour and one line where it does not, and a move, a click and a
// key each ending the show. Input comes from KWin's fake input (vorlip-wldesk) and Mutter's
// remote desktop (helper.py remote-input); pictures from each desktop's own screenshots.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/pictures.hpp"
#include "scene/raster.hpp"
#include "support/test_support.hpp"
#include "tools/png_io.hpp"
#include "tools/xharness/xharness.hpp"

namespace vorlip::e2e {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
const milliseconds kStartLimit(15000);
const milliseconds kEndLimit(5000);
// The saver's desktop where it has no picture of the real one.
constexpr Pixel kPlain = 0x2F4F6F;

// The picture vorlip-wldesk shows over its window's size.
Pixel desk_pattern(int x, int y) {
    return Pixel(((x * 255 / kWidth) << 16) | ((y * 255 / kHeight) << 8) | ((x ^ y) & 0xFF));
}

Pixel plain_desktop(int, int) {
    return kPlain;
}

// Runs a shell command line; its standard output, or nothing when it failed.
std::optional<std::string> shell(const std::string& command) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return std::nullopt;
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    if (pclose(p) != 0) return std::nullopt;
    return out;
}

// A session of tools/desktops/KIND-session.sh, stopped with everything it started when it goes.
class Session {
  public:
    Session(const std::string& kind, const std::string& options)
        : script_(std::string(VORLIP_DESKTOPS) + "/" + kind + "-session.sh"),
          log_(test::out_dir() + "/desktops_" + kind + ".log") {
        const auto out = shell(script_ + " start " + options + " 2>" + log_);
        if (!out) return;
        std::istringstream lines(*out);
        for (std::string line; std::getline(lines, line);)
            if (const auto eq = line.find('='); eq != std::string::npos)
                env_[line.substr(0, eq)] = line.substr(eq + 1);
    }
    ~Session() {
        if (input_fd_ >= 0) close(input_fd_);
        input = Child();
        if (!dir().empty()) shell(script_ + " stop " + dir() + " 2>>" + log_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool running() const { return !dir().empty(); }
    std::string dir() const {
        return env_.count("VORLIP_DESKTOP_DIR") ? env_.at("VORLIP_DESKTOP_DIR") : "";
    }
    std::string log() const {
        std::ifstream in(log_);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // A client's environment: the session's, and no X display (the saver must not need one).
    ChildEnv client_env() const {
        ChildEnv env;
        for (const auto& [k, v] : env_) env.set.push_back(k + "=" + v);
        env.unset = {"DISPLAY", "WAYLAND_SOCKET"};
        return env;
    }
    // The script's command `what` on this session (screenshot, authorize, grant-screenshot).
    bool command(const std::string& what) const {
        return shell(script_ + " " + what + " 2>>" + log_).has_value();
    }
    // The program that gives the session its input, one for all the tests (a new one is input
    // itself on GNOME), taking its command lines on descriptor 3.
    void start_input(const std::vector<std::string>& args) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return;
        input = Child(args, client_env(), ends[0]);
        close(ends[0]);
        input_fd_ = ends[1];
    }
    bool send(const std::string& line) const {
        const std::string l = line + "\n";
        return write(input_fd_, l.data(), l.size()) == ssize_t(l.size());
    }
    Child input;

    Surface screenshot() const {
        const std::string file = dir() + "/test-shot.png";
        Surface s;
        std::string error;
        if (command("screenshot " + dir() + " " + file)) read_picture(file, s, error);
        return s;
    }

  private:
    std::string script_, log_;
    std::map<std::string, std::string> env_;
    int input_fd_ = -1;
};

// Waits until the saver's scene plays on the screen, the saver running on: the mother is there,
// over a picture that is mostly (85 % of the pixels) one of `desktops`.
bool plays_over(const Session& s, Child& saver, const std::vector<PictureFn>& desktops,
                const std::string& name) {
    Surface shot;
    const bool shown = wait_until(
        [&] {
            if (saver.wait(milliseconds(0))) return true;
            shot = s.screenshot();
            return shot.width() > 0 && std::any_of(desktops.begin(), desktops.end(), [&](auto& d) {
                       const SceneCount c = count_scene(shot, 0, 0, d);
                       return c.mother > 1000 && c.same >= shot.width() * shot.height() / 100 * 85;
                   });
        },
        kStartLimit);
    std::string error;
    if (shot.width() > 0) write_png(test::out_dir() + "/" + name + ".png", shot, error);
    return shown && !saver.wait(milliseconds(0));
}

// One grouped run per way a person ends the show: the first enter after mapping is none of
// them (the saver is still there a while after it showed), and each one ends it cleanly.
template <class Send>
void each_input_ends_it(const Session& s, const std::vector<PictureFn>& desktops, Send send) {
    for (const char* what : {"move", "click", "key"}) {
        SCOPED_TRACE(what);
        Child saver({VORLIP_PROGRAM, "/s"}, s.client_env());
        ASSERT_TRUE(plays_over(s, saver, desktops, std::string("desktops_input_") + what))
            << saver.error_text();
        EXPECT_FALSE(saver.wait(milliseconds(500))) << "ended by itself: " << saver.error_text();
        ASSERT_TRUE(send(what));
        EXPECT_EQ(saver.wait(kEndLimit), 0) << what << " did not end it: " << saver.error_text();
    }
}

// KWin, and the known desktop with its fake input (built where plasma-wayland-protocols is).
bool have_kwin() {
    return on_path("kwin_wayland") && on_path("kbuildsycoca5") && *VORLIP_WLDESK != '\0';
}

class SaverOnKWin : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!have_kwin()) return;
        session_ = std::make_unique<Session>(
            "kwin", "--size " + std::to_string(kWidth) + "x" + std::to_string(kHeight));
        // The known desktop, and the fake input.
        if (session_->running()) session_->start_input({VORLIP_WLDESK});
    }
    static void TearDownTestSuite() { session_.reset(); }
    void SetUp() override {
        if (!have_kwin())
            GTEST_SKIP() << "kwin-wayland is missing: the KDE Plasma tests are skipped";
        ASSERT_TRUE(session_->running()) << session_->log();
        ASSERT_TRUE(wait_until(
            [] {
                return count_scene(session_->screenshot(), 0, 0, desk_pattern).same ==
                       kWidth * kHeight;
            },
            kStartLimit))
            << "the known desktop is not shown: " << session_->input.error_text();
    }

    static std::unique_ptr<Session> session_;
};

std::unique_ptr<Session> SaverOnKWin::session_;

TEST_F(SaverOnKWin, ThePictureNeedsTheDesktopEntry) {
    Session& s = *session_;
    // Not named in any entry: KWin refuses, and the line says what to install.
    Child plain({VORLIP_PROGRAM, "/s"}, s.client_env());
    EXPECT_TRUE(plays_over(s, plain, {plain_desktop}, "desktops_kwin_refused"))
        << plain.error_text();
    plain.signal(SIGTERM);
    EXPECT_EQ(plain.wait(kEndLimit), 0);
    const std::string said = plain.error_text();
    EXPECT_NE(said.find("vorlip.desktop"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    // Named: the scene over the desktop as it was, pixel for pixel, and nothing said.
    ASSERT_TRUE(s.command("authorize " + s.dir() + " " + VORLIP_PROGRAM));
    Child saver({VORLIP_PROGRAM, "/s"}, s.client_env());
    EXPECT_TRUE(plays_over(s, saver, {desk_pattern}, "desktops_kwin_saver")) << saver.error_text();
    saver.signal(SIGTERM);
    EXPECT_EQ(saver.wait(kEndLimit), 0);
    EXPECT_EQ(saver.error_text(), "");
}

TEST_F(SaverOnKWin, AMoveAClickAndAKeyEachEndIt) {
    // Over the known desktop once the saver may take its picture, else over the plain colour.
    each_input_ends_it(*session_, {desk_pattern, plain_desktop}, [](const std::string& what) {
        return session_->send(what == "move" ? "m 20 0" : what == "click" ? "c" : "k 30");
    });
}

class SaverOnGnome : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!on_path("gnome-shell")) return;
        session_ = std::make_unique<Session>(
            "gnome", "--size " + std::to_string(kWidth) + "x" + std::to_string(kHeight));
        if (!session_->running()) return;
        // Mutter's remote desktop.
        ready_file_ = session_->dir() + "/remote-input.out";
        session_->start_input({"sh", "-c",
                               "exec " + std::string(VORLIP_DESKTOPS) +
                                   "/helper.py remote-input <&3 >" + ready_file_});
    }
    static void TearDownTestSuite() { session_.reset(); }
    void SetUp() override {
        if (!on_path("gnome-shell"))
            GTEST_SKIP() << "gnome-shell is missing: the GNOME tests are skipped";
        // A shell that does not come up at all (on a machine too busy for its start-up limit) is
        // the desktops' harness's matter, not the saver's: said, and skipped.
        if (!session_->running()) GTEST_SKIP() << "no GNOME session: " << session_->log();
        ASSERT_TRUE(wait_until(
            [] {
                std::ifstream in(ready_file_);
                std::string first;
                return std::getline(in, first) && first == "ready";
            },
            kStartLimit))
            << "no remote input: " << session_->input.error_text();
        // The pointer starts by the top bar's Activities button, where a click that ends the
        // saver could open the overview over the next one: it waits in the middle instead.
        if (!parked_) parked_ = session_->send("move 380 280");
        desktop_ = session_->screenshot();
        ASSERT_EQ(desktop_.width(), kWidth);
    }
    static std::unique_ptr<Session> session_;
    static std::string ready_file_;
    static bool parked_;
    Surface desktop_;
};

std::unique_ptr<Session> SaverOnGnome::session_;
bool SaverOnGnome::parked_ = false;
std::string SaverOnGnome::ready_file_;

TEST_F(SaverOnGnome, NativeOverTheTopBarInPlainColourWithoutLeave) {
    Session& s = *session_;
    Child saver({VORLIP_PROGRAM, "/s"}, s.client_env());
    ASSERT_TRUE(plays_over(s, saver, {plain_desktop}, "desktops_gnome_plain"))
        << saver.error_text();
    // The top bar's rows are the saver's colour too: nothing of the shell shows.
    const Surface shot = s.screenshot();
    int bar = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < kWidth; ++x) bar += shot.at(x, y) == kPlain;
    EXPECT_GT(bar, kWidth * 24 * 9 / 10) << "the top bar shows";
    saver.signal(SIGTERM);
    EXPECT_EQ(saver.wait(kEndLimit), 0);
    EXPECT_NE(saver.error_text().find("vorlip --allow-desktop-picture"), std::string::npos)
        << saver.error_text();
}

TEST_F(SaverOnGnome, AMoveAClickAndAKeyEachEndIt) {
    each_input_ends_it(*session_, {plain_desktop}, [](const std::string& what) {
        return session_->send(what == "move" ? "move 20 0" : what == "click" ? "click" : "tap 30");
    });
}

TEST_F(SaverOnGnome, TheDesktopOnceTheUserAllowedIt) {
    Session& s = *session_;
    // The user answers GNOME's own dialog: Allow is the button after the focused Deny.
    Child allow({VORLIP_PROGRAM, "--allow-desktop-picture"}, s.client_env());
    ASSERT_TRUE(wait_until(
        [&] {
            const SceneCount c =
                count_scene(s.screenshot(), 0, 0, [&](int x, int y) { return desktop_.at(x, y); });
            return allow.wait(milliseconds(0)) || c.same < kWidth * kHeight / 2;
        },
        kStartLimit))
        << "no dialog: " << allow.error_text();
    ASSERT_TRUE(s.send("tap 15") && s.send("tap 28"));
    EXPECT_EQ(allow.wait(kStartLimit), 0) << allow.error_text();
    // Asked again, it shows no dialog: it says so and ends.
    Child again({VORLIP_PROGRAM, "--allow-desktop-picture"}, s.client_env());
    EXPECT_EQ(again.wait(kEndLimit), 0) << again.error_text();
    Child saver({VORLIP_PROGRAM, "/s"}, s.client_env());
    const Surface& before = desktop_;
    EXPECT_TRUE(plays_over(s, saver, {[&](int x, int y) { return before.at(x, y); }},
                           "desktops_gnome_saver"))
        << saver.error_text();
    saver.signal(SIGTERM);
    EXPECT_EQ(saver.wait(kEndLimit), 0);
    EXPECT_EQ(saver.error_text(), "");
}

}  // namespace
}  // namespace vorlip::e2e
