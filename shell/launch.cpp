#include "shell/launch.hpp"

#include <charconv>

namespace vorlip {

const char* const kUsage =
    "usage: vorlip /s               run the saver: it covers the primary screen until the mouse\n"
    "                               moves or a key or mouse button is pressed\n"
    "       vorlip --root           play the show in the virtual root window, as a screen saver\n"
    "                               daemon runs it: $XSCREENSAVER_WINDOW if set, else the root\n"
    "       vorlip --window-id ID   play the show in window ID (decimal, or hex after 0x)\n"
    "       vorlip --window         play the show in a window of its own; Escape, q or closing\n"
    "                               the window ends it\n"
    "       vorlip --idle SECONDS   watch the session for the whole of it: after SECONDS (1 to\n"
    "                               86400) without input, run vorlip /s; count again when it\n"
    "                               ends. One per display; a second ends at once\n"
    "       vorlip --allow-desktop-picture\n"
    "                               on GNOME: ask, once, for the user's leave to show the\n"
    "                               desktop under the show; GNOME asks in a dialog of its own\n"
    "       vorlip --help           print this text\n"
    "-root and -window-id are --root and --window-id; given both, the id counts. With no\n"
    "arguments and $XSCREENSAVER_WINDOW set, the show plays in that window. In a given window\n"
    "the show takes no input and ends on SIGTERM or when the window goes. Any other argument\n"
    "ends at once without a window.\n"
    "Which system: a Wayland compositor when WAYLAND_DISPLAY or WAYLAND_SOCKET names one, even\n"
    "with DISPLAY set; there /s covers every output. With the layer shell (wlroots compositors,\n"
    "KDE Plasma) --root plays on every output's background; without it (GNOME) /s is a\n"
    "fullscreen window and --root fails. Otherwise X11 ($DISPLAY).\n"
    "--idle learns of input from the compositor (ext-idle-notify or org_kde_kwin_idle), GNOME's\n"
    "idle monitor or the X server (MIT-SCREEN-SAVER), and holds the show off while a program\n"
    "inhibits org.freedesktop.ScreenSaver on the session bus (a video playing).\n"
    "Exit status: 0 ended normally, 1 no display, a lost connection or no such window (--idle:\n"
    "no way to learn of idleness), 2 bad options.\n";

namespace {

bool is_ours(const std::string& a) {
    return a == "--root" || a == "-root" || a == "--window-id" || a == "-window-id" ||
           a == "--window" || a == "--help" || a == "--idle" || a == "--allow-desktop-picture";
}

Launch bad(std::string error) {
    Launch l;
    l.kind = Launch::Kind::bad;
    l.error = std::move(error);
    return l;
}

// Whole seconds, 1 to kLongestIdleSeconds, decimal without a sign.
std::optional<int> parse_idle_seconds(std::string_view text) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
    int seconds = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, seconds);
    if (ec != std::errc() || p != end || seconds < 1 || seconds > kLongestIdleSeconds)
        return std::nullopt;
    return seconds;
}

}  // namespace

std::optional<std::uint32_t> parse_window_id(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    // from_chars would take a sign; a window id has none.
    if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
    std::uint32_t id = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, id, base);
    if (ec != std::errc() || p != end || id == 0) return std::nullopt;
    return id;
}

Launch parse_launch(const std::vector<std::string>& args, const char* xscreensaver_window) {
    const bool daemon_window = xscreensaver_window != nullptr && *xscreensaver_window != '\0';
    // The daemon's window, when the daemon (or a user) names one.
    auto virtual_root = [&]() -> Launch {
        Launch l;
        l.kind = Launch::Kind::hack;
        if (!daemon_window) return l;  // the real root window
        const auto id = parse_window_id(xscreensaver_window);
        if (!id)
            return bad(std::string("XSCREENSAVER_WINDOW is not a window id: ") +
                       xscreensaver_window);
        l.window_id = *id;
        return l;
    };

    if (args.empty()) return daemon_window ? virtual_root() : Launch{};
    if (!is_ours(args[0])) return Launch{};

    bool root = false, own_window = false, help = false, allow = false;
    std::optional<std::uint32_t> window_id;
    std::optional<int> idle_seconds;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if (a == "--help") {
            help = true;
        } else if (a == "--root" || a == "-root") {
            root = true;
        } else if (a == "--window") {
            own_window = true;
        } else if (a == "--allow-desktop-picture") {
            allow = true;
        } else if (a == "--window-id" || a == "-window-id") {
            if (k + 1 == args.size()) return bad(a + " needs a window id");
            const std::string& v = args[++k];
            window_id = parse_window_id(v);
            if (!window_id) return bad(a + " wants a window id, decimal or hex after 0x: " + v);
        } else if (a == "--idle") {
            if (k + 1 == args.size()) return bad("--idle needs a number of seconds");
            const std::string& v = args[++k];
            idle_seconds = parse_idle_seconds(v);
            if (!idle_seconds)
                return bad("--idle wants whole seconds from 1 to " +
                           std::to_string(kLongestIdleSeconds) + ": " + v);
        } else {
            return bad("unknown option " + a);
        }
    }
    if (help) {
        Launch l;
        l.kind = Launch::Kind::help;
        return l;
    }
    if (idle_seconds) {
        if (args.size() != 2) return bad("--idle takes no other option");
        Launch l;
        l.kind = Launch::Kind::idle;
        l.idle_seconds = *idle_seconds;
        return l;
    }
    if (allow) {
        if (args.size() > 1) return bad("--allow-desktop-picture takes no other option");
        Launch l;
        l.kind = Launch::Kind::allow_picture;
        return l;
    }
    // The daemon's settings dialog asks for its preview with both --root and --window-id:
    // the id names the window, and the two are that one window.
    if (own_window && (root || window_id)) return bad("--window excludes --root and --window-id");
    if (root && !window_id) return virtual_root();
    if (own_window) {
        Launch l;
        l.kind = Launch::Kind::window;
        return l;
    }
    Launch l;
    l.kind = Launch::Kind::hack;
    l.window_id = *window_id;
    return l;
}

}  // namespace vorlip
