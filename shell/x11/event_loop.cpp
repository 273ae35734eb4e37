#include "shell/x11/event_loop.hpp"

#include "shell/posix/end_signals.hpp"
#include "shell/posix/tick_wait.hpp"

namespace vorlip::x11 {

void run_loop(Display* dpy, LoopHooks& hooks, WindowEvents& events) {
    if (!dpy || !hooks.window_exists()) return;
    posix::TickWait tick;
    tick.start();
    const int fd = ConnectionNumber(dpy);
    while (hooks.window_exists()) {
        if (posix::end_signalled()) {
            events.end_requested();
            break;
        }
        while (hooks.window_exists() && XPending(dpy) > 0) {
            XEvent e;
            XNextEvent(dpy, &e);
            hooks.event(e, events);
        }
        if (!hooks.window_exists()) break;
        if (tick.due()) {
            hooks.before_tick();
            events.timer_tick();
            tick.ticked();
            continue;
        }
        tick.wait(fd);
    }
}

}  // namespace vorlip::x11
