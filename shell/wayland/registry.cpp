// The connection to the compositor, the globals it offers and the outputs it announces, keeps
// and takes away.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "fractional-scale-v1-client-protocol.h"
#include "shell/platform.hpp"
#include "shell/wayland/desktop_bus.hpp"
#include "shell/wayland/internal.hpp"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace vorlip {

void wayland_connection_lost() {
    throw PlatformError("lost the connection to the Wayland compositor");
}

PixelSize Output::logical_size() const {
    if (logical.width > 0 && logical.height > 0) return logical;
    const PixelSize seen = seen_size(mode, transform);
    return {seen.width / scale, seen.height / scale};
}

std::uint32_t Output::scale120() const {
    if (logical.width > 0 && logical.height > 0) return scale_from_mode(mode, logical, transform);
    return std::uint32_t(scale) * kScaleDenominator;
}

void Output::draw_picture(Surface& into) const {
    into.fill(kPlainDesktop);
    if (captured) picture_as_seen(picture, picture_transform, into);
}

void Output::destroy() {
    if (xdg) zxdg_output_v1_destroy(xdg);
    if (output) wl_output_destroy(output);
    xdg = nullptr;
    output = nullptr;
}

namespace {

Output& out_of(void* data) {
    return *static_cast<Output*>(data);
}

void on_output_geometry(void* data, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t,
                        const char*, const char*, int32_t transform) {
    out_of(data).transform = output_transform_from_code(transform);
}
void on_output_mode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height,
                    int32_t) {
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    out_of(data).mode = {int(width), int(height)};
}
// The output's description is whole (wl_output's done; xdg-output's own done before version 3):
// the first whole one is what the shows start from, a later one that differs is a change.
void description_done(Output& out) {
    if (out.xdg && (out.logical.width <= 0 || out.logical.height <= 0)) return;  // more to come
    if (!out.described) {
        out.described = true;
        out.first = out.now();
    } else if (out.now() != out.first) {
        out.changed = true;
    }
}
void on_output_done(void* data, wl_output*) {
    description_done(out_of(data));
}
void on_output_scale(void* data, wl_output*, int32_t factor) {
    out_of(data).scale = std::max(1, int(factor));
}
void on_output_name(void* data, wl_output*, const char* name) {
    out_of(data).connector = name;
}
void on_output_description(void*, wl_output*, const char*) {}
constexpr wl_output_listener kOutputListener{
    .geometry = on_output_geometry,
    .mode = on_output_mode,
    .done = on_output_done,
    .scale = on_output_scale,
    .name = on_output_name,
    .description = on_output_description,
};

void on_xdg_position(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    out_of(data).x = int(x);
    out_of(data).y = int(y);
}
void on_xdg_size(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    out_of(data).logical = {int(width), int(height)};
}
void on_xdg_done(void* data, zxdg_output_v1*) {
    description_done(out_of(data));
}
void on_xdg_name(void* data, zxdg_output_v1*, const char* name) {
    // wl_output's own name, where it gives one, is the same.
    if (out_of(data).connector.empty()) out_of(data).connector = name;
}
void on_xdg_description(void*, zxdg_output_v1*, const char*) {}
constexpr zxdg_output_v1_listener kXdgOutputListener{
    .logical_position = on_xdg_position,
    .logical_size = on_xdg_size,
    .done = on_xdg_done,
    .name = on_xdg_name,
    .description = on_xdg_description,
};

void on_seat_capabilities(void* data, wl_seat*, uint32_t caps) {
    static_cast<WaylandConnection::Impl*>(data)->seat_capabilities(caps);
}
void on_seat_name(void*, wl_seat*, const char*) {}
// The compositor asks now and then whether the saver still answers.
constexpr xdg_wm_base_listener kWmBaseListener{
    .ping = [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }};

constexpr wl_seat_listener kSeatListener{.capabilities = on_seat_capabilities,
                                         .name = on_seat_name};

void on_global(void* data, wl_registry* registry, uint32_t name, const char* interface,
               uint32_t version) {
    auto& c = *static_cast<WaylandConnection::Impl*>(data);
    const std::string_view what = interface;
    auto bind = [&](const wl_interface* i, uint32_t most) {
        return wl_registry_bind(registry, name, i, std::min(version, most));
    };
    if (what == wl_compositor_interface.name) {
        // damage_buffer came with version 4.
        if (version >= 4)
            c.compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (what == wl_shm_interface.name) {
        c.shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (what == zwlr_layer_shell_v1_interface.name) {
        c.layer_shell = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 4));
    } else if (what == xdg_wm_base_interface.name) {
        c.wm_base = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 5));
        xdg_wm_base_add_listener(c.wm_base, &kWmBaseListener, &c);
    } else if (what == zwlr_screencopy_manager_v1_interface.name) {
        c.screencopy_version = std::min(version, 3u);
        c.screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            bind(&zwlr_screencopy_manager_v1_interface, 3));
    } else if (what == zxdg_output_manager_v1_interface.name) {
        c.xdg_outputs =
            static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
        for (auto& out : c.outputs) c.describe(*out);
    } else if (what == wp_viewporter_interface.name) {
        c.viewporter = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    } else if (what == wp_fractional_scale_manager_v1_interface.name) {
        c.fractional_scales = static_cast<wp_fractional_scale_manager_v1*>(
            bind(&wp_fractional_scale_manager_v1_interface, 1));
    } else if (what == wl_seat_interface.name && !c.seat) {
        c.seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
        wl_seat_add_listener(c.seat, &kSeatListener, &c);
    } else if (what == wl_output_interface.name) {
        c.add_output(registry, name, version);
    }
}

void on_global_remove(void* data, wl_registry*, uint32_t name) {
    // An output unplugged: what shows on it goes at the loop's next turn, outside this callback.
    for (auto& out : static_cast<WaylandConnection::Impl*>(data)->outputs)
        if (out->name == name) out->gone = true;
}

constexpr wl_registry_listener kRegistryListener{.global = on_global,
                                                 .global_remove = on_global_remove};

}  // namespace

void WaylandConnection::Impl::add_output(wl_registry* reg, std::uint32_t name,
                                         std::uint32_t version) {
    auto out = std::make_unique<Output>();
    out->name = name;
    out->output = static_cast<wl_output*>(
        wl_registry_bind(reg, name, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(out->output, &kOutputListener, out.get());
    describe(*out);
    outputs.push_back(std::move(out));
}

void WaylandConnection::Impl::describe(Output& out) {
    if (!xdg_outputs || out.xdg) return;
    out.xdg = zxdg_output_manager_v1_get_xdg_output(xdg_outputs, out.output);
    zxdg_output_v1_add_listener(out.xdg, &kXdgOutputListener, &out);
}

WaylandConnection::WaylandConnection() : impl_(std::make_unique<Impl>()) {}

std::unique_ptr<WaylandConnection> WaylandConnection::open() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    std::unique_ptr<WaylandConnection> w(new WaylandConnection());
    Impl& c = *w->impl_;
    c.display = display;
    c.registry = wl_display_get_registry(display);
    wl_registry_add_listener(c.registry, &kRegistryListener, &c);
    // The globals, then what the bound ones say about themselves (the outputs' modes and
    // scales, the seat's devices).
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) return nullptr;
    // Without the layer shell, the saver is a fullscreen toplevel (GNOME's compositor).
    if (!(c.layer_shell || c.wm_base) || !c.compositor || !c.shm || c.outputs.empty())
        return nullptr;
    // The outputs there now are the ones the shows start on; any later one is new.
    for (auto& out : c.outputs) out->announced = true;
    return w;
}

WaylandConnection::~WaylandConnection() = default;

WaylandConnection::Impl::~Impl() {
    for (int fd : lock_fds) close(fd);
    if (pointer) wl_pointer_destroy(pointer);
    if (keyboard) wl_keyboard_destroy(keyboard);
    if (touch) wl_touch_destroy(touch);
    if (seat) wl_seat_destroy(seat);
    for (auto& o : outputs) o->destroy();
    if (xdg_outputs) zxdg_output_manager_v1_destroy(xdg_outputs);
    if (viewporter) wp_viewporter_destroy(viewporter);
    if (fractional_scales) wp_fractional_scale_manager_v1_destroy(fractional_scales);
    if (screencopy) zwlr_screencopy_manager_v1_destroy(screencopy);
    if (layer_shell) zwlr_layer_shell_v1_destroy(layer_shell);
    if (wm_base) xdg_wm_base_destroy(wm_base);
    if (shm) wl_shm_destroy(shm);
    if (compositor) wl_compositor_destroy(compositor);
    if (registry) wl_registry_destroy(registry);
    if (display) {
        wl_display_flush(display);
        wl_display_disconnect(display);
    }
}

bool WaylandConnection::hold_lock(LockKind kind) {
    return impl_->hold_lock(kind);
}

bool WaylandConnection::Impl::hold_lock(LockKind kind) {
    bool held = false;
    const int fd = take_display_lock(kind, wl_display_get_fd(display), held);
    if (fd >= 0) lock_fds.push_back(fd);
    return !held;
}

void WaylandConnection::on_new_output(std::function<void(int output)> call) {
    impl_->on_new_output = std::move(call);
}

bool WaylandConnection::has_layer_shell() const {
    return impl_->layer_shell != nullptr;
}

DesktopBus* WaylandConnection::Impl::desktop_bus() {
    if (!bus_tried) {
        bus_tried = true;
        std::string why;  // no bus: the saver goes on as on a compositor without the services
        bus = open_desktop_bus(why);
    }
    return bus.get();
}

int WaylandConnection::output_count() const {
    return int(impl_->outputs.size());
}

void WaylandConnection::run() {
    impl_->run();
}

}  // namespace vorlip
