#include "shell/x11/idle_source.hpp"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
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
        give_back_server_timer();
        if (info_) XFree(info_);
        XCloseDisplay(dpy_);
    }

    // The server's own screen-saver timer, set to the watcher's timeout, says when the user has
    // been idle: a program that suspends the server's saver (XScreenSaverSuspend, as a video
    // player does) stops that timer, and the server tells no other client of the suspension, so
    // the timer is the one way to honour it. In place of blanking, the server maps a window of
    // the watcher's (one pixel, input only, off the screen) and tells of it; the user's own
    // settings come back when the watcher ends. Where the user turned the saver off (xset s off)
    // the timer stays off, and no show starts.
    void take_server_timer() {
        XGetScreenSaver(dpy_, &saved_.timeout, &saved_.interval, &saved_.blanking,
                        &saved_.exposures);
        if (saved_.timeout == 0) return;
        const Window root = DefaultRootWindow(dpy_);
        XSetWindowAttributes none{};
        XScreenSaverSetAttributes(dpy_, root, -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, 0,
                                  &none);
        XScreenSaverSelectInput(dpy_, root, ScreenSaverNotifyMask);
        XSetScreenSaver(dpy_, timer_seconds(), 0, DontPreferBlanking, AllowExposures);
        XSync(dpy_, False);
        timer_taken_ = true;
    }

    const char* name() const override { return "MIT-SCREEN-SAVER"; }
    int fd() const override { return ConnectionNumber(dpy_); }

    std::optional<milliseconds> prepare() override {
        XFlush(dpy_);
        // Disabled (xset s off): no show, and looked at again after a timeout.
        const bool was_on = on_;
        if (!look()) return timeout_;
        // The server's saver came on since the loop last looked: its word on that may be in
        // Xlib's queue now rather than on the connection, so the loop looks again at once.
        if (on_ && !was_on) return milliseconds(0);
        const milliseconds wait = until_idle(server_idle_, since_restart(), timeout_);
        // Idle now: the show starts, or waits for the server's saver to come on (a program's
        // suspension ends, the server tells) or for the bus to say a program lets go.
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

    // Idle once the server's saver came on as well: not while a program suspends it.
    bool idle() override {
        return look() && on_ && until_idle(server_idle_, since_restart(), timeout_).count() == 0;
    }

    // The server's timer counts again from now too, and its saver goes off if it was on.
    void restart() override {
        restarted_ = Clock::now();
        XResetScreenSaver(dpy_);
        XFlush(dpy_);
    }

    Display* display() const { return dpy_; }

  private:
    // Reads the server's idle time and whether its saver is on; false when the saver is
    // disabled.
    bool look() {
        if (!info_ || !XScreenSaverQueryInfo(dpy_, DefaultRootWindow(dpy_), info_)) return false;
        server_idle_ = milliseconds(info_->idle);
        on_ = info_->state == ScreenSaverOn;
        return info_->state != ScreenSaverDisabled;
    }

    int timer_seconds() const {
        return int(
            std::max<std::int64_t>(1, std::chrono::ceil<std::chrono::seconds>(timeout_).count()));
    }

    // The user's settings again, unless they changed them meanwhile.
    void give_back_server_timer() {
        if (!timer_taken_) return;
        XScreenSaverUnsetAttributes(dpy_, DefaultRootWindow(dpy_));
        int timeout = 0, interval = 0, blanking = 0, exposures = 0;
        XGetScreenSaver(dpy_, &timeout, &interval, &blanking, &exposures);
        if (timeout == timer_seconds())
            XSetScreenSaver(dpy_, saved_.timeout, saved_.interval, saved_.blanking,
                            saved_.exposures);
        XSync(dpy_, False);
    }

    milliseconds since_restart() const {
        return std::chrono::duration_cast<milliseconds>(Clock::now() - restarted_);
    }

    Display* dpy_;
    XScreenSaverInfo* info_ = nullptr;
    milliseconds timeout_;
    milliseconds server_idle_{0};
    bool on_ = false;  // the server's saver is on
    Clock::time_point restarted_;
    struct {
        int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    } saved_;
    bool timer_taken_ = false;
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
    // Only the display's one watcher sets the server's timer.
    if (free) static_cast<ScreenSaverSource&>(source).take_server_timer();
    return free;
}

}  // namespace vorlip::x11
