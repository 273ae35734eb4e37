#include "shell/posix/tick_wait.hpp"

#include <poll.h>

#include <algorithm>

#include "shell/posix/end_signals.hpp"
#include "shell/saver.hpp"

namespace vorlip::posix {

void TickWait::start() {
    next_ = Clock::now() + kTick;
}

void TickWait::due_now() {
    next_ = std::min(next_, Clock::now());
}

void TickWait::ticked() {
    const Clock::time_point after = Clock::now();
    next_ += kTick;
    while (next_ <= after) next_ += kTick;
}

short TickWait::wait(int fd) const {
    const auto left = std::max(next_ - Clock::now(), Clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    timespec ts{};
    ts.tv_sec = time_t(ns / 1000000000);
    ts.tv_nsec = long(ns % 1000000000);
    // An end signal that comes just before the wait still ends it at once: its handler has
    // written to the wake pipe.
    const int wake = end_wake_fd();
    pollfd pfd[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
    if (ppoll(pfd, wake >= 0 ? 2 : 1, &ts, nullptr) <= 0) return 0;
    return pfd[0].revents;
}

}  // namespace vorlip::posix
