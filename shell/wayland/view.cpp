// The Platform calls of a show's window on Wayland: the background view, and the saver's view
// with its guard, its stills over the other outputs, its hidden pointer and its input.
#include "shell/wayland/view.hpp"

#include <wayland-client.h>

#include <algorithm>
#include <cstdio>

#include "shell/wayland/desktop_bus.hpp"
#include "shell/wayland/internal.hpp"

namespace vorlip {

WaylandView::WaylandView(WaylandConnection& connection, int output, std::string arguments)
    : WaylandView(connection, Role::background, output, std::move(arguments)) {}

WaylandView::WaylandView(WaylandConnection& connection, Role role, int output,
                         std::string arguments)
    : impl_(std::make_unique<Impl>(connection.impl(), role)), arguments_(std::move(arguments)) {
    Impl& v = *impl_;
    auto& outs = v.c.outputs;
    v.output = outs.at(std::size_t(std::clamp(output, 0, int(outs.size()) - 1))).get();
    v.c.views.push_back(&v);
}

WaylandView::~WaylandView() {
    unload_window();
    Impl& v = *impl_;
    v.main.destroy();
    auto& views = v.c.views;
    views.erase(std::remove(views.begin(), views.end(), &v), views.end());
}

ScreenMeasure WaylandView::screen_size() {
    const Impl& v = *impl_;
    const Output& out = *v.output;
    // The buffer a surface covering the output gets (Layer::pixel_size), before there is one.
    const PixelSize logical = out.logical_size();
    PixelSize size;
    if (v.c.viewporter) {
        size = out.covered_by(logical) ? seen_size(out.mode, out.transform)
                                       : fractional_buffer_size(logical, out.scale120());
    } else {
        const int k = integer_buffer_scale(out.scale120());
        size = {logical.width * k, logical.height * k};
    }
    return {double(size.width), double(size.height), 1, 1};
}

void WaylandView::create_window(const std::string&) {
    Impl& v = *impl_;
    // Asked to end already: the show never starts, and nothing of it is ever on the screen.
    if (WaylandConnection::Impl::ending()) return;
    v.make_layer(v.main, v.output, v.role == Role::saver);
    if (v.main.closed) throw PlatformError("the Wayland compositor gives the saver no surface");
    v.window = true;
    // The desktop pictures, before anything of the show is on the screen.
    v.c.capture_pictures(v);
    // The compositor may size the surface otherwise than the output's description said: the
    // show then starts again at its size at the loop's first turn.
    const ScreenMeasure said = screen_size();
    const PixelSize got = v.main.pixel_size();
    if (got.width != int(said.width) || got.height != int(said.height)) v.resize_due = true;
    v.c.tick.start();
}

void WaylandView::resize_window(int width, int height) {
    Impl& v = *impl_;
    if (width != v.size.width || height != v.size.height || !v.main.buffers.current().made())
        v.make_buffers(width, height);
    v.since_commit.whole(v.size.width, v.size.height);
}

void WaylandView::make_topmost() {
    // The layer is above (or below) every window and panel already: shown, with the first
    // frame.
    impl_->map();
}

WindowImage& WaylandView::window_image() {
    return *impl_;
}

void WaylandView::unload_window() {
    Impl& v = *impl_;
    if (!v.window) return;
    v.window = false;
    v.watching = false;
    v.stills.clear();
    v.main.destroy();
    v.picture = Surface();
    v.size = {};
    if (v.c.pointer_surface && !v.c.layer_of(v.c.pointer_surface)) v.c.pointer_surface = nullptr;
    wl_display_flush(v.c.display);
}

void WaylandView::capture_desktop(Surface& into, int, int) {
    Impl& v = *impl_;
    // The output's picture as its user saw it, fitted to the show: after a change of the
    // output, the old picture at the new size. A screencopy that needs no turning or fitting
    // goes straight into the show's picture, without a picture of the output's own.
    if (v.role == Role::saver && v.c.finish_capture_into(*v.output, into)) return;
    if (v.output->pending) v.c.finish_capture(*v.output);
    v.output->draw_picture(into);
    // The saver ends on any change of its outputs, so it never needs the picture again: the
    // show's own desktop picture holds it from now on.
    if (v.role == Role::saver) v.output->forget_picture();
}

void WaylandView::run_events(WindowEvents& events) {
    deliver_to(events);
    impl_->c.run();
}

void WaylandView::deliver_to(WindowEvents& events) {
    impl_->events = &events;
}

// --- the saver's view

WaylandSaverView::WaylandSaverView(WaylandConnection& connection, int output, std::string arguments)
    : WaylandView(connection, Role::saver, output, std::move(arguments)) {}

bool WaylandSaverView::saver_already_running() {
    return !impl().c.hold_lock(LockKind::saver);
}

void WaylandSaverView::create_window(const std::string& title) {
    Impl& v = impl();
    // Every other output is covered too, by a picture of itself.
    for (auto& out : v.c.outputs) {
        if (out.get() == v.output || out->gone || WaylandConnection::Impl::ending()) continue;
        auto still = std::make_unique<Layer>();
        v.make_layer(*still, out.get(), true);
        v.stills.push_back(std::move(still));
    }
    WaylandView::create_window(title);
}

void WaylandSaverView::set_pointer(PointerImage image) {
    Impl& v = impl();
    // The empty pointer is set on every enter; the default one is the compositor's own again
    // once the surfaces go.
    v.hide_pointer = image == PointerImage::custom_empty;
    v.c.hide_pointer_if_wanted();
}

void WaylandSaverView::watch_input() {
    Impl& v = impl();
    // Only what comes from now on counts.
    v.watching = true;
    v.c.moved = false;
    // GNOME's compositor tells of any input, wherever it went: a key or a move that reaches
    // another surface first ends the show too. It offers no layer shell; where there is one, the
    // saver's surfaces see all input and the bus is not needed.
    if (!v.c.idle_watch && !v.c.layer_shell)
        if (DesktopBus* b = v.c.desktop_bus(); b && b->has_owner("org.gnome.Mutter.IdleMonitor"))
            v.c.idle_watch = b->watch_user_active();
}

bool WaylandSaverView::input_changed() {
    Impl& v = impl();
    if (!v.watching) return false;
    const bool moved = v.c.moved;
    v.c.moved = false;
    return moved;
}

}  // namespace vorlip
