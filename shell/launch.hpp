// The Unix program's own options, ahead of the saver's mode switch: the ways a screen saver
// daemon starts a show in a window it made (and the same by hand), a show in a window of its
// own, and the help. Anything else goes to the mode switch unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlip {

struct Launch {
    enum class Kind {
        mode_switch,  // not ours: the saver's mode switch decides
        help,
        hack,           // the show in window_id
        window,         // the show in a window of its own
        idle,           // watch the session and start the saver after idle_seconds without input
        allow_picture,  // ask the desktop, once, to let the saver take its desktop picture
        bad,            // error says what is wrong
    };
    Kind kind = Kind::mode_switch;
    std::uint32_t window_id = 0;  // hack: the window to draw into; 0 is the real root window
    int idle_seconds = 0;         // idle: how long without input starts the saver
    std::string error;
};

// A window id as daemons and users write one: decimal, or hex after 0x or 0X; never 0.
std::optional<std::uint32_t> parse_window_id(std::string_view text);

// Reads the arguments after the program name. Ours are recognised only as the first argument
// (and then every argument must be ours); with no arguments at all, a non-empty
// `xscreensaver_window` (the daemon's variable, null when unset) names the window to draw into.
// --root means the virtual root: that variable's window when it is set, else the root window;
// with --window-id as well (a settings dialog's preview gives both), the id counts.
// --idle stands alone: with any other option it is bad.
Launch parse_launch(const std::vector<std::string>& args, const char* xscreensaver_window);

// The longest wait --idle takes: a day.
inline constexpr int kLongestIdleSeconds = 86400;

extern const char* const kUsage;

}  // namespace vorlip
