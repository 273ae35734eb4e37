// The loop of the Wayland test clients that take commands: the compositor's events, and lines on
// descriptor 3 (when it is open) handed to `obey` one at a time, until either ends.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <string>

namespace vorlip::wlharness {

// Runs until descriptor 3 closes (0) or the connection is lost (1); `obey` returns false for a
// line that is no command, which `program` then names on stderr.
template <class Obey>
int run_commands(wl_display* display, const char* program, Obey obey) {
    const bool commands = fcntl(3, F_GETFD) != -1;
    std::string pending;
    for (;;) {
        if (wl_display_flush(display) < 0) break;
        pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {3, POLLIN, 0}};
        if (poll(fds, commands ? 2 : 1, -1) < 0) continue;
        if (fds[0].revents && wl_display_dispatch(display) < 0) break;
        if (commands && fds[1].revents) {
            char buf[256];
            const ssize_t n = read(3, buf, sizeof buf);
            if (n <= 0) {
                wl_display_flush(display);
                wl_display_disconnect(display);
                return 0;
            }
            pending.append(buf, std::size_t(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!obey(line))
                    std::fprintf(stderr, "%s: not a command: %s\n", program, line.c_str());
            }
        }
    }
    std::fprintf(stderr, "%s: lost the connection to the Wayland display\n", program);
    return 1;
}

}  // namespace vorlip::wlharness
