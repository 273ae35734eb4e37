// The lock files that keep one of each kind of program per Wayland display.
//
// A display can be named many ways (`wayland-1`, `$XDG_RUNTIME_DIR/wayland-1`,
// `$XDG_RUNTIME_DIR//./wayland-1`, a link to the socket); the lock is named after the socket the
// name leads to, so every spelling of one display takes the same lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vorlip {

// Who holds the lock: the saver, a background show on the desktop (--root), or the idle watcher
// that starts the saver. Each is alone on its display, and none keeps out the others.
enum class LockKind { saver, background, idle };

// How the program reached its compositor, from the environment libwayland reads.
struct DisplayEnvironment {
    std::string runtime_dir;  // XDG_RUNTIME_DIR
    std::string display;      // WAYLAND_DISPLAY: a socket name in runtime_dir, or a path
    bool via_socket = false;  // WAYLAND_SOCKET handed over a connected socket: display unused
    // For that socket, who is at the other end (the compositor's pid, say), as its credentials
    // tell; nothing when they could not be read.
    std::optional<std::int64_t> peer = std::nullopt;
};

// The path of the socket WAYLAND_DISPLAY names, with `.`, `..` and repeated slashes taken out:
// a name is looked for in runtime_dir, an empty one is wayland-0. Empty when a name has no
// absolute runtime_dir to be in.
std::string display_socket_path(const std::string& runtime_dir, const std::string& display);

// The lock file of `kind` for the display, in runtime_dir, from the spelling alone. Empty when
// there is nothing to lock with: no absolute runtime_dir, or a handed-over socket whose peer is
// unknown.
std::string display_lock_path(LockKind kind, const DisplayEnvironment& env);

// The same with links followed through the file system as far as the socket's path exists, so
// that a display reached through a link takes the lock of the socket it leads to.
std::string resolved_display_lock_path(LockKind kind, const DisplayEnvironment& env);

// Takes the lock of `kind` for the display reached through `display_fd` (as the environment
// names it) for as long as the returned descriptor stays open; it is closed on exec. -1 when
// there is no lock: `held_elsewhere` then tells whether another program holds it, else there
// is nowhere to keep it and nothing is guarded.
int take_display_lock(LockKind kind, int display_fd, bool& held_elsewhere);

}  // namespace vorlip
