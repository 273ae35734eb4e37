// The idle watcher on the session bus: it answers for org.freedesktop.ScreenSaver where nobody
// else does, so that a video player's inhibition holds the show off; where the desktop answers
// for it, the desktop is asked before each show instead.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace vorlip::posix {

class SessionBus {
  public:
    virtual ~SessionBus() = default;

    // One line on what it does: whether it keeps the inhibitions itself, or only asks the
    // desktop.
    virtual std::string role() const = 0;
    virtual int fd() const = 0;
    virtual std::optional<std::chrono::milliseconds> prepare() = 0;
    // False when the bus went.
    virtual bool dispatch() = 0;
    // Whether a program holds the show off through the inhibitions kept here.
    virtual bool held() = 0;
    // Whether the desktop's session or power manager says a program holds the idle off: asked
    // when the show is due, since it tells nobody when that changes.
    virtual bool desktop_holds() = 0;
    // Whether a program said the user is there (SimulateUserActivity) since the last call.
    virtual bool take_activity() = 0;
    // Tells the bus whether the show is on (GetActive, ActiveChanged).
    virtual void set_active(bool active) = 0;
};

// The session bus, or nothing (with `why` set) when there is none to reach, or no bus module
// (shell/bus_module.hpp) to reach it with.
std::unique_ptr<SessionBus> open_session_bus(std::string& why);
// The same inside the bus module; the caller owns what it gives.
SessionBus* connect_session_bus(std::string& why);

}  // namespace vorlip::posix
