// The X11 program's own options ahead of the mode switch.
#include "shell/launch.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlip {
namespace {

TEST(WindowId, DecimalOrHexNeverZeroNeverSigned) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> id;
    };
    const Case cases[] = {
        {"4194312", 4194312u},        {"0x400008", 0x400008u},       {"0X400008", 0x400008u},
        {"0xffffffff", 0xffffffffu},  {"4294967295", 4294967295u},   {"", std::nullopt},
        {"0", std::nullopt},          {"0x0", std::nullopt},         {"0x", std::nullopt},
        {"-5", std::nullopt},         {"+5", std::nullopt},          {"0x-5", std::nullopt},
        {"4294967296", std::nullopt}, {"0x100000000", std::nullopt},  // beyond 32 bits
        {" 5", std::nullopt},         {"5 ", std::nullopt},          {"5x", std::nullopt},
        {"0x12g", std::nullopt},      {"x12", std::nullopt},         {"012", 12u},
    };
    for (const Case& c : cases) EXPECT_EQ(parse_window_id(c.text), c.id) << "\"" << c.text << "\"";
}

TEST(Launch, OursFirstElseTheModeSwitch) {
    using K = Launch::Kind;
    struct Case {
        std::vector<std::string> args;
        const char* env;  // XSCREENSAVER_WINDOW, null when unset
        K kind;
        std::uint32_t window = 0;
        const char* error = "";  // a part of the message
        int idle = 0;
    };
    const Case cases[] = {
        // Not ours: the mode switch decides, whatever the daemon's variable says.
        {{}, nullptr, K::mode_switch},
        {{}, "", K::mode_switch},
        {{"/s"}, nullptr, K::mode_switch},
        {{"/s"}, "0x400008", K::mode_switch},
        {{"/c"}, "0x400008", K::mode_switch},
        {{"", "--root"}, nullptr, K::mode_switch},
        {{" --root"}, nullptr, K::mode_switch},
        {{"-window"}, nullptr, K::mode_switch},
        {{"--roots"}, nullptr, K::mode_switch},
        {{"-help"}, nullptr, K::mode_switch},
        // The daemon's window, named by its variable alone or through --root.
        {{}, "0x400008", K::hack, 0x400008},
        {{"--root"}, "0x400008", K::hack, 0x400008},
        {{"-root"}, "4194312", K::hack, 4194312},
        {{}, "junk", K::bad, 0, "XSCREENSAVER_WINDOW is not a window id: junk"},
        {{"--root"}, "0", K::bad, 0, "XSCREENSAVER_WINDOW"},
        // --root without the variable is the real root window.
        {{"--root"}, nullptr, K::hack, 0},
        {{"--root", "-root"}, "", K::hack, 0},
        // A window by its id, the variable notwithstanding.
        {{"--window-id", "0x1234"}, "0x400008", K::hack, 0x1234},
        {{"-window-id", "77"}, nullptr, K::hack, 77},
        {{"--window-id"}, nullptr, K::bad, 0, "--window-id needs a window id"},
        {{"-window-id", "0x"}, nullptr, K::bad, 0, "-window-id wants a window id"},
        {{"--window-id", "0"}, nullptr, K::bad, 0, "wants a window id"},
        // A window of its own; help; mixes.
        {{"--window"}, "0x400008", K::window},
        {{"--help"}, nullptr, K::help},
        {{"--root", "--help"}, nullptr, K::help},
        // The settings dialog's preview: both, and the id counts.
        {{"--root", "--window-id", "0x200E22"}, "0x200E22", K::hack, 0x200E22},
        {{"-window-id", "5", "-root"}, nullptr, K::hack, 5},
        {{"--window", "--root"}, nullptr, K::bad, 0, "--window excludes --root and --window-id"},
        {{"--window-id", "5", "--window"}, nullptr, K::bad, 0, "--window excludes"},
        {{"--root", "/s"}, nullptr, K::bad, 0, "unknown option /s"},
        {{"--window", "--fps"}, nullptr, K::bad, 0, "unknown option --fps"},
        // The watcher: whole seconds from 1 to a day, alone.
        {{"--idle", "300"}, "0x400008", K::idle, 0, "", 300},
        {{"--idle", "1"}, nullptr, K::idle, 0, "", 1},
        {{"--idle", "86400"}, nullptr, K::idle, 0, "", 86400},
        {{"--idle"}, nullptr, K::bad, 0, "--idle needs a number of seconds"},
        {{"--idle", "0"}, nullptr, K::bad, 0, "--idle wants whole seconds from 1 to 86400: 0"},
        {{"--idle", "-1"}, nullptr, K::bad, 0, "--idle wants whole seconds"},
        {{"--idle", "+5"}, nullptr, K::bad, 0, "--idle wants whole seconds"},
        {{"--idle", "abc"}, nullptr, K::bad, 0, "--idle wants whole seconds"},
        {{"--idle", "86401"}, nullptr, K::bad, 0, "--idle wants whole seconds"},
        {{"--idle", "5s"}, nullptr, K::bad, 0, "--idle wants whole seconds"},
        {{"--idle", "99999999999"}, nullptr, K::bad, 0, "--idle wants whole seconds"},
        {{"--idle", "5", "--root"}, nullptr, K::bad, 0, "--idle takes no other option"},
        {{"--window", "--idle", "5"}, nullptr, K::bad, 0, "--idle takes no other option"},
        // Asking for the desktop picture's leave stands alone.
        {{"--allow-desktop-picture"}, "0x400008", K::allow_picture},
        {{"--allow-desktop-picture", "--root"}, nullptr, K::bad, 0, "takes no other option"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += "\"" + a + "\" ";
        shown += std::string("env ") + (c.env ? c.env : "(unset)");
        const Launch l = parse_launch(c.args, c.env);
        EXPECT_EQ(l.kind, c.kind) << shown;
        EXPECT_EQ(l.window_id, c.window) << shown;
        EXPECT_EQ(l.idle_seconds, c.idle) << shown;
        EXPECT_NE(l.error.find(c.error), std::string::npos) << shown << ": " << l.error;
        if (c.kind == K::bad) {
            EXPECT_EQ(l.error.find('\n'), std::string::npos) << shown;
        } else {
            EXPECT_TRUE(l.error.empty()) << shown;
        }
    }
}

}  // namespace
}  // namespace vorlip
