// The connection to the compositor, the globals it offers and the outputs it announces, keeps
// and takes away.
#include <wayland-client.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "shell/platform.hpp"
#include "shell/wayland/internal.hpp"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace vorlip {

void wayland_connection_lost() {
    throw PlatformError("lost the connection to the Wayland compositor");
}

int Output::pixel_width() const {
    if (logical_width > 0) return logical_width * scale;
    return transform % 2 == 1 ? mode_height : mode_width;  // 90 and 270 turn it on its side
}

int Output::pixel_height() const {
    if (logical_height > 0) return logical_height * scale;
    return transform % 2 == 1 ? mode_width : mode_height;
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
    out_of(data).transform = int(transform);
}
void on_output_mode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height,
                    int32_t) {
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    out_of(data).mode_width = int(width);
    out_of(data).mode_height = int(height);
}
void on_output_done(void*, wl_output*) {}
void on_output_scale(void* data, wl_output*, int32_t factor) {
    out_of(data).scale = std::max(1, int(factor));
}
void on_output_name(void*, wl_output*, const char*) {}
void on_output_description(void*, wl_output*, const char*) {}
constexpr wl_output_listener kOutputListener{
    .geometry = on_output_geometry,
    .mode = on_output_mode,
    .done = on_output_done,
    .scale = on_output_scale,
    .name = on_output_name,
    .description = on_output_description,
};

void on_xdg_position(void*, zxdg_output_v1*, int32_t, int32_t) {}
void on_xdg_size(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    out_of(data).logical_width = int(width);
    out_of(data).logical_height = int(height);
}
void on_xdg_done(void*, zxdg_output_v1*) {}
void on_xdg_name(void*, zxdg_output_v1*, const char*) {}
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
    } else if (what == zwlr_screencopy_manager_v1_interface.name) {
        c.screencopy_version = std::min(version, 3u);
        c.screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            bind(&zwlr_screencopy_manager_v1_interface, 3));
    } else if (what == zxdg_output_manager_v1_interface.name) {
        c.xdg_outputs =
            static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
        for (auto& out : c.outputs) c.describe(*out);
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
        wl_registry_bind(reg, name, &wl_output_interface, std::min(version, 3u)));
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
    const char* socket = std::getenv("WAYLAND_SOCKET");
    const char* name = std::getenv("WAYLAND_DISPLAY");
    const std::string display_name =
        socket && *socket ? "socket" : (name && *name ? name : "wayland-0");
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    std::unique_ptr<WaylandConnection> w(new WaylandConnection());
    Impl& c = *w->impl_;
    c.display = display;
    c.display_name = display_name;
    c.registry = wl_display_get_registry(display);
    wl_registry_add_listener(c.registry, &kRegistryListener, &c);
    // The globals, then what the bound ones say about themselves (the outputs' modes and
    // scales, the seat's devices).
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) return nullptr;
    if (!c.layer_shell || !c.compositor || !c.shm || c.outputs.empty()) return nullptr;
    return w;
}

WaylandConnection::~WaylandConnection() = default;

WaylandConnection::Impl::~Impl() {
    if (pointer) wl_pointer_destroy(pointer);
    if (keyboard) wl_keyboard_destroy(keyboard);
    if (touch) wl_touch_destroy(touch);
    if (seat) wl_seat_destroy(seat);
    for (auto& o : outputs) o->destroy();
    if (xdg_outputs) zxdg_output_manager_v1_destroy(xdg_outputs);
    if (screencopy) zwlr_screencopy_manager_v1_destroy(screencopy);
    if (layer_shell) zwlr_layer_shell_v1_destroy(layer_shell);
    if (shm) wl_shm_destroy(shm);
    if (compositor) wl_compositor_destroy(compositor);
    if (registry) wl_registry_destroy(registry);
    if (display) {
        wl_display_flush(display);
        wl_display_disconnect(display);
    }
}

int WaylandConnection::output_count() const {
    return int(impl_->outputs.size());
}

void WaylandConnection::run() {
    impl_->run();
}

}  // namespace vorlip
