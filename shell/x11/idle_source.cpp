#include "shell/x11/idle_source.hpp"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "shell/idle_watch.hpp"

namespace vorlip::x11 {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The selection the display's watcher owns; the server gives it up with the owner's connection.
constexpr char kWatcherSelection[] = "_VORLIP_IDLE_WATCHER";

// The display went while Xlib was using it: the session is over, which ends the watcher as
// normally as the session's end does (the show, its child, loses the display too).
extern "C" int on_lost_display(Display*) {
    ::_exit(0);
}

extern "C" int ignore_x_error(Display*, XErrorEvent*) {
    return 0;
}

class ScreenSaverSource final : public posix::IdleSource {
  public:
    ScreenSaverSource(Display* dpy, milliseconds timeout)
        : dpy_(dpy), timeout_(timeout), restarted_(Clock::now()) {
        info_ = XScreenSaverAllocInfo();
    }
    ~ScreenSaverSource() override {
        if (info_) XFree(info_);
        XCloseDisplay(dpy_);
    }

    const char* name() const override { return "MIT-SCREEN-SAVER"; }
    int fd() const override { return ConnectionNumber(dpy_); }

    std::optional<milliseconds> prepare() override {
        XFlush(dpy_);
        // Disabled (xset s off): no show, and looked at again after a timeout. A program's
        // suspension leaves the state as it was in the server's answer, so it is not seen here.
        if (!look()) return timeout_;
        const milliseconds wait = until_idle(server_idle_, since_restart(), timeout_);
        // Idle now: the show starts, or a program holds it off and the bus says when it lets go.
        if (wait.count() == 0) return std::nullopt;
        return wait;
    }

    bool dispatch(bool readable) override {
        if (readable) {
            // A connection the server closed reads as its end: the session is over.
            char byte = 0;
            if (recv(fd(), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0) return false;
        }
        while (XPending(dpy_) > 0) {
            XEvent e;
            XNextEvent(dpy_, &e);
        }
        return true;
    }

    bool idle() override {
        return look() && until_idle(server_idle_, since_restart(), timeout_).count() == 0;
    }

    void restart() override { restarted_ = Clock::now(); }

    Display* display() const { return dpy_; }

  private:
    // Reads the server's idle time; false when its screen saver is disabled.
    bool look() {
        if (!info_ || !XScreenSaverQueryInfo(dpy_, DefaultRootWindow(dpy_), info_)) return false;
        server_idle_ = milliseconds(info_->idle);
        return info_->state != ScreenSaverDisabled;
    }

    milliseconds since_restart() const {
        return std::chrono::duration_cast<milliseconds>(Clock::now() - restarted_);
    }

    Display* dpy_;
    XScreenSaverInfo* info_ = nullptr;
    milliseconds timeout_;
    milliseconds server_idle_{0};
    Clock::time_point restarted_;
};

}  // namespace

std::unique_ptr<posix::IdleSource> open_idle_source(milliseconds timeout, std::string& why) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        why = "no X display (DISPLAY is unset)";
        return nullptr;
    }
    XSetIOErrorHandler(on_lost_display);
    XSetErrorHandler(ignore_x_error);
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        why = std::string("the X display ") + name + " does not answer";
        return nullptr;
    }
    int event_base = 0, error_base = 0;
    if (!XScreenSaverQueryExtension(dpy, &event_base, &error_base)) {
        XCloseDisplay(dpy);
        why = std::string("the X display ") + name + " lacks MIT-SCREEN-SAVER";
        return nullptr;
    }
    return std::make_unique<ScreenSaverSource>(dpy, timeout);
}

bool claim_idle_watcher(posix::IdleSource& source) {
    Display* dpy = static_cast<ScreenSaverSource&>(source).display();
    const Atom selection = XInternAtom(dpy, kWatcherSelection, False);
    XSetWindowAttributes attributes{};
    const Window w = XCreateWindow(dpy, DefaultRootWindow(dpy), -1, -1, 1, 1, 0, 0, InputOnly,
                                   CopyFromParent, 0, &attributes);
    // Looked at and taken with no other client in between.
    XGrabServer(dpy);
    const bool free = XGetSelectionOwner(dpy, selection) == None;
    if (free) XSetSelectionOwner(dpy, selection, w, CurrentTime);
    XUngrabServer(dpy);
    XSync(dpy, False);
    return free;
}

}  // namespace vorlip::x11
