// The saver's 20 ms timer on a POSIX system, where the event loop waits for its display's
// connection and the timer in one poll.
#pragma once

#include <chrono>

namespace vorlip::posix {

class TickWait {
  public:
    using Clock = std::chrono::steady_clock;

    // The first tick falls due one tick from now.
    void start();
    // Whether the tick is due now.
    bool due() const { return Clock::now() >= next_; }
    // Brings the next tick forward to now (a move ends the show at the next check: made now
    // rather than up to a tick later).
    void due_now();
    // The tick was made: the next one is one tick after it. Ticks that fell due while the frame
    // was made are not made up.
    void ticked();

    // Waits until the tick falls due, `fd` has something to read or an end signal comes;
    // returns the poll's events for `fd` (0 when it has none).
    short wait(int fd) const;

  private:
    Clock::time_point next_{};
};

}  // namespace vorlip::posix
