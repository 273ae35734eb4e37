#include "shell/posix/end_signals.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>

namespace vorlip::posix {

namespace {

// A signal handler reaches nothing but process-wide state: the flag, and the pipe that wakes the
// event loop's wait.
volatile std::sig_atomic_t g_end_signal = 0;
int g_wake_read = -1;
int g_wake_write = -1;

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void on_end_signal(int) {
    const bool first = g_end_signal == 0;
    g_end_signal = 1;
    if (g_wake_write >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(g_wake_write, &byte, 1);
    }
    if (first) alarm(kEndPatienceSeconds);
}

extern "C" void on_end_patience(int) {
    ::_exit(0);
}

}  // namespace

void install_end_signals() {
    if (g_wake_read < 0) {
        int wake[2];
        if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
            g_wake_read = wake[0];
            g_wake_write = wake[1];
        }
    }
    struct sigaction sa {};
    sa.sa_handler = on_end_signal;
    sigemptyset(&sa.sa_mask);
    // One end signal at a time: a second one waits until the first has been noted.
    for (int sig : kEndSignals) sigaddset(&sa.sa_mask, sig);
    sa.sa_flags = 0;  // no restart: a wait in the event loop returns at once
    for (int sig : kEndSignals) sigaction(sig, &sa, nullptr);
    sa.sa_handler = on_end_patience;
    sigaction(SIGALRM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

bool end_signalled() {
    return g_end_signal != 0;
}

int end_wake_fd() {
    return g_wake_read;
}

}  // namespace vorlip::posix
