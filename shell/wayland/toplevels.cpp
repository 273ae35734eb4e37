// The saver's surfaces where the compositor offers no layer shell (GNOME's): a toplevel made
// fullscreen on its output, above every panel of it, with the keyboard once the compositor
// focuses it. Only the saver has them: a background needs the layer shell's background layer.
#include <wayland-client.h>

#include "shell/wayland/internal.hpp"
#include "xdg-shell-client-protocol.h"

namespace vorlip {

namespace {

void on_toplevel_configure(void* data, xdg_toplevel*, int32_t w, int32_t h, wl_array*) {
    Layer& l = *static_cast<Layer*>(data);
    // 0 x 0 leaves the size to the client: the output's whole.
    l.pending_width = w > 0 ? int(w) : l.output->logical_size().width;
    l.pending_height = h > 0 ? int(h) : l.output->logical_size().height;
}
void on_toplevel_close(void* data, xdg_toplevel*) {
    static_cast<Layer*>(data)->closed = true;
}
void on_toplevel_bounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void on_toplevel_capabilities(void*, xdg_toplevel*, wl_array*) {}
constexpr xdg_toplevel_listener kToplevelListener{
    .configure = on_toplevel_configure,
    .close = on_toplevel_close,
    .configure_bounds = on_toplevel_bounds,
    .wm_capabilities = on_toplevel_capabilities,
};

void on_surface_configure(void* data, xdg_surface* surface, uint32_t serial) {
    Layer& l = *static_cast<Layer*>(data);
    xdg_surface_ack_configure(surface, serial);
    // The size comes whole with the surface's configure, as a layer surface's does.
    const int w = l.pending_width, h = l.pending_height;
    const bool changed = l.configured && (w != l.width || h != l.height);
    l.width = w;
    l.height = h;
    l.configured = true;
    if (changed) l.view->configured(l);
}
constexpr xdg_surface_listener kSurfaceListener{.configure = on_surface_configure};

}  // namespace

void WaylandView::Impl::make_toplevel(Layer& l, Output* out) {
    l.xdg = xdg_wm_base_get_xdg_surface(c.wm_base, l.surface);
    xdg_surface_add_listener(l.xdg, &kSurfaceListener, &l);
    l.toplevel = xdg_surface_get_toplevel(l.xdg);
    xdg_toplevel_add_listener(l.toplevel, &kToplevelListener, &l);
    xdg_toplevel_set_title(l.toplevel, "SAVER vorlip");
    xdg_toplevel_set_app_id(l.toplevel, "vorlip");
    xdg_toplevel_set_fullscreen(l.toplevel, out->output);
}

}  // namespace vorlip
