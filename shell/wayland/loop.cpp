// The event loop of every show on the connection: the compositor's events, handed on to the
// shows outside its callbacks; the 20 ms tick; and an end signal ending them all.
#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>

#include "shell/posix/end_signals.hpp"
#include "shell/wayland/desktop_bus.hpp"
#include "shell/wayland/internal.hpp"

namespace vorlip {

bool WaylandConnection::Impl::ending() {
    return posix::end_signalled();
}

void WaylandConnection::Impl::follow_outputs() {
    std::vector<int> added;
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        Output& out = *outputs[k];
        if (out.gone || !out.described) continue;
        const bool is_new = !out.announced;
        if (!is_new && !out.changed) continue;
        out.announced = true;
        out.changed = false;
        out.first = out.now();
        for (WaylandView::Impl* v : views) {
            if (!v->window || !v->events) continue;
            if (v->role == WaylandView::Role::saver) {
                // A screen plugged in or set up anew is a person at the machine: the saver ends
                // as on input, whichever output it was.
                v->events->end_requested();
            } else if (v->output == &out) {
                // A background show starts again at the output's new size.
                v->resize_due = true;
            }
        }
        if (is_new) added.push_back(int(k));
    }
    // A background gets a show of its own on every new output.
    if (on_new_output)
        for (int k : added) on_new_output(k);
}

void WaylandConnection::Impl::drop_gone_outputs() {
    for (auto& out : outputs) {
        if (!out->gone) continue;
        for (WaylandView::Impl* v : views) {
            std::erase_if(v->stills, [&](const auto& still) { return still->output == out.get(); });
            // An output going is a person at the machine: the saver ends as on input, whichever
            // output it was. A background show on it ends alone, the others going on.
            const bool ends = v->role == WaylandView::Role::saver || v->output == out.get();
            if (ends && v->window && v->events) v->events->end_requested();
        }
    }
    for (auto& out : outputs)
        if (out->gone) out->destroy();
    // A view keeps pointing at its output until it goes; only outputs no view holds are freed.
    std::erase_if(outputs, [&](const auto& out) {
        return out->gone && std::none_of(views.begin(), views.end(), [&](WaylandView::Impl* v) {
                   return v->output == out.get();
               });
    });
}

void WaylandConnection::Impl::run() {
    auto any_window = [&] {
        return std::any_of(views.begin(), views.end(),
                           [](const WaylandView::Impl* v) { return v->window && v->events; });
    };
    while (any_window()) {
        if (posix::end_signalled()) {
            for (WaylandView::Impl* v : views)
                if (v->window && v->events) v->events->end_requested();
            break;
        }
        if (wl_display_dispatch_pending(display) < 0) wayland_connection_lost();

        // What the compositor said, handed on outside its callbacks: a window may go here.
        drop_gone_outputs();
        follow_outputs();
        for (WaylandView::Impl* v : views) {
            if (!v->window || !v->events) continue;
            // A still the compositor took back goes; the show goes on over the rest.
            std::erase_if(v->stills, [](const auto& still) { return still->closed; });
            // The compositor took the show's own surface back: the show ends.
            if (v->main.closed) {
                v->events->end_requested();
                continue;
            }
            if (v->resize_due) {
                v->resize_due = false;
                const PixelSize size = v->main.pixel_size();
                v->events->resized(size.width, size.height);
            }
        }
        if (WaylandView::Impl* v = saver_view(); v && v->events) {
            // Input the compositor's idle monitor saw counts as a move.
            if (idle_watch && v->watching && bus->user_became_active()) moved = true;
            if (clicks > 0) {
                clicks = 0;
                v->events->click();
            } else if (keys > 0) {
                keys = 0;
                v->events->key_down();
            } else if (moved && v->watching) {
                tick.due_now();
            }
        }
        if (!any_window()) break;

        if (tick.due()) {
            for (WaylandView::Impl* v : views)
                if (v->window && v->events) v->events->timer_tick();
            tick.ticked();
            continue;
        }

        if (wl_display_flush(display) < 0 && errno != EAGAIN) wayland_connection_lost();
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0) wayland_connection_lost();
        const short ready = tick.wait(wl_display_get_fd(display));
        if (ready & POLLIN) {
            if (wl_display_read_events(display) < 0) wayland_connection_lost();
        } else {
            wl_display_cancel_read(display);
            if (ready & (POLLERR | POLLHUP)) wayland_connection_lost();
        }
    }
    wl_display_flush(display);
}

}  // namespace vorlip
