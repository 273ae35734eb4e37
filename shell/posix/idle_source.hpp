// Where the idle watcher learns how long the user has left the desktop alone: the compositor,
// the X server or the desktop's own idle monitor. The watcher's loop waits on its descriptor.
#pragma once

#include <chrono>
#include <optional>

namespace vorlip::posix {

class IdleSource {
  public:
    virtual ~IdleSource() = default;
    // What it goes by, as the start-up line names it ("ext-idle-notify").
    virtual const char* name() const = 0;
    // The descriptor to wait on.
    virtual int fd() const = 0;
    // Before each wait: sends what is queued; the longest the wait may last (nothing: until the
    // descriptor or another one wakes it).
    virtual std::optional<std::chrono::milliseconds> prepare() = 0;
    // After each wait, `readable` when its descriptor woke it: reads what came. False when the
    // session is over (the connection went).
    virtual bool dispatch(bool readable) = 0;
    // Whether the user has been idle for the timeout since the last input or restart().
    virtual bool idle() = 0;
    // Counts again from now: the show ended, or a program said the user is there.
    virtual void restart() = 0;
};

}  // namespace vorlip::posix
