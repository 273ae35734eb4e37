// Taking a display's lock: the file system's part of the locks, for the programs that run on a
// compositor (the lock paths themselves are plain code, in display_lock.cpp).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "shell/wayland/display_lock.hpp"

namespace vorlip {

int take_display_lock(LockKind kind, int display_fd, bool& held_elsewhere) {
    held_elsewhere = false;
    DisplayEnvironment env;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* named = std::getenv("WAYLAND_DISPLAY");
    const char* socket = std::getenv("WAYLAND_SOCKET");
    env.runtime_dir = runtime ? runtime : "";
    env.display = named ? named : "";
    env.via_socket = socket && *socket;
    if (env.via_socket) {
        // A connection handed over: the compositor at its other end names the display.
        ucred peer{};
        socklen_t len = sizeof peer;
        if (getsockopt(display_fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) == 0) env.peer = peer.pid;
    }
    const std::string path = resolved_display_lock_path(kind, env);
    if (path.empty()) return -1;  // nowhere to keep the lock: no guard
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    held_elsewhere = errno == EWOULDBLOCK;
    close(fd);
    return -1;
}

}  // namespace vorlip
