#include "shell/posix/idle_loop.hpp"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "shell/idle_watch.hpp"
#include "shell/posix/end_signals.hpp"

extern char** environ;

namespace vorlip::posix {

namespace {

// Without a descriptor for the show's end (kernels before 5.3), it is looked for this often.
constexpr int kChildLookMs = 250;

// The running show: its process, and a descriptor that becomes readable when it ends.
class Show {
  public:
    ~Show() { stop(); }
    bool running() const { return pid_ > 0; }
    int fd() const { return fd_; }

    bool start(const std::string& program) {
        char name[] = "vorlip";
        char saver[] = "/s";
        char* argv[] = {name, saver, nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
        pid_ = pid;
        fd_ = int(syscall(SYS_pidfd_open, pid, 0));
        return true;
    }

    // Whether it ended (and is reaped).
    bool ended() {
        if (pid_ <= 0) return false;
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == 0 || (r < 0 && errno == EINTR)) return false;
        forget();
        return true;
    }

    // Ends it the way a screen saver daemon does, and waits for it.
    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        forget();
    }

  private:
    void forget() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        pid_ = -1;
    }
    pid_t pid_ = -1;
    int fd_ = -1;
};

int wait_ms(std::optional<std::chrono::milliseconds> a, std::optional<std::chrono::milliseconds> b,
            bool look_for_child) {
    long long ms = -1;
    for (const auto& w : {a, b})
        if (w) ms = ms < 0 ? w->count() : std::min<long long>(ms, w->count());
    if (look_for_child) ms = ms < 0 ? kChildLookMs : std::min<long long>(ms, kChildLookMs);
    return int(std::min<long long>(ms, INT_MAX));
}

}  // namespace

std::string own_program(const char* argv0) {
    // The running program's own file, even once an upgrade has replaced it on disk (its path
    // then ends in " (deleted)"): the watcher and its shows stay one version.
    constexpr char kSelf[] = "/proc/self/exe";
    if (access(kSelf, X_OK) == 0) return kSelf;
    std::error_code failed;
    const auto found = std::filesystem::canonical(argv0, failed);
    return failed ? std::string(argv0) : found.string();
}

int run_idle_loop(IdleSource& source, SessionBus* bus, const std::string& program) {
    IdleWatch watch;
    Show show;
    while (!end_signalled()) {
        // A program that says the user is there counts as input: it ends a running show too.
        if (bus && bus->take_activity()) {
            source.restart();
            if (show.running()) {
                show.stop();
                watch.show_ended();
                bus->set_active(false);
            }
        }
        watch.set_idle(source.idle());
        watch.set_held(bus && bus->held());
        if (watch.due()) {
            // The desktop is asked only when the show is due: a question per timeout at most.
            if (bus && bus->desktop_holds()) {
                source.restart();  // asked again after another timeout
            } else if (show.start(program)) {
                watch.show_started();
                if (bus) bus->set_active(true);
            } else {
                std::fprintf(stderr, "vorlip: cannot start %s /s\n", program.c_str());
                source.restart();
            }
            continue;
        }

        pollfd fds[4] = {};
        int n = 0;
        fds[n++] = {source.fd(), POLLIN, 0};
        const int bus_at = bus ? n++ : -1;
        if (bus) fds[bus_at] = {bus->fd(), POLLIN, 0};
        const int wake_at = end_wake_fd() >= 0 ? n++ : -1;
        if (wake_at >= 0) fds[wake_at] = {end_wake_fd(), POLLIN, 0};
        const int show_at = show.fd() >= 0 ? n++ : -1;
        if (show_at >= 0) fds[show_at] = {show.fd(), POLLIN, 0};
        const int timeout = wait_ms(source.prepare(), bus ? bus->prepare() : std::nullopt,
                                    show.running() && show_at < 0);
        if (poll(fds, nfds_t(n), timeout) < 0 && errno != EINTR) break;

        if (wake_at >= 0 && (fds[wake_at].revents & POLLIN)) {
            char drain[16];
            while (read(end_wake_fd(), drain, sizeof drain) > 0) {
            }
        }
        if (show.running() && show.ended()) {
            watch.show_ended();
            source.restart();
            if (bus) bus->set_active(false);
        }
        if (!source.dispatch(fds[0].revents != 0)) break;  // the session is over
        if (bus && !bus->dispatch()) bus = nullptr;        // the bus went: no inhibitions now
    }
    show.stop();
    return 0;
}

}  // namespace vorlip::posix
