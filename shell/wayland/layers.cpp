// The layer-shell surfaces: the show's own (the overlay over its output, or the output's
// background), and the stills that cover every other output while the saver shows; how each is
// made, configured, and given its pictures.
#include <wayland-client.h>

#include <algorithm>
#include <climits>

#include "fractional-scale-v1-client-protocol.h"
#include "shell/wayland/internal.hpp"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace vorlip {

namespace {

constexpr const char* kNamespace = "vorlip";

void on_layer_configure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t w,
                        uint32_t h) {
    Layer& l = *static_cast<Layer*>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    const bool changed = l.configured && (int(w) != l.width || int(h) != l.height);
    l.width = int(w);
    l.height = int(h);
    l.configured = true;
    if (changed) l.view->configured(l);
}
void on_layer_closed(void* data, zwlr_layer_surface_v1*) {
    static_cast<Layer*>(data)->closed = true;
}
constexpr zwlr_layer_surface_v1_listener kLayerListener{.configure = on_layer_configure,
                                                        .closed = on_layer_closed};

void on_preferred_scale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
    Layer& l = *static_cast<Layer*>(data);
    const PixelSize before = l.pixel_size();
    l.preferred120 = scale;
    // A surface told its scale after it was sized is sized again, at its own pixels.
    if (l.configured && l.pixel_size() != before) l.view->configured(l);
}
constexpr wp_fractional_scale_v1_listener kFractionalListener{.preferred_scale =
                                                                  on_preferred_scale};

}  // namespace

PixelSize Layer::pixel_size() const {
    const std::uint32_t s = scale120();
    // A surface that covers its output is the output's own pixels, whatever the scale rounds to.
    if (viewport && !preferred120 && output->covered_by({width, height}))
        return seen_size(output->mode, output->transform);
    if (viewport) return fractional_buffer_size({width, height}, s);
    const int k = integer_buffer_scale(s);
    return {width * k, height * k};
}

void Layer::apply_scale() {
    const PixelSize size = pixel_size();
    if (size == applied) return;
    applied = size;
    // The buffer covers the surface's logical size whatever its pixels: every pixel of it is one
    // of the output's own. Without a viewport the compositor scales by a whole number.
    if (viewport)
        wp_viewport_set_destination(viewport, width, height);
    else
        wl_surface_set_buffer_scale(surface, integer_buffer_scale(scale120()));
}

void Layer::destroy() {
    buffers.drop();
    if (fractional) wp_fractional_scale_v1_destroy(fractional);
    if (viewport) wp_viewport_destroy(viewport);
    if (layer) zwlr_layer_surface_v1_destroy(layer);
    if (toplevel) xdg_toplevel_destroy(toplevel);
    if (xdg) xdg_surface_destroy(xdg);
    if (surface) wl_surface_destroy(surface);
    fractional = nullptr;
    viewport = nullptr;
    layer = nullptr;
    toplevel = nullptr;
    xdg = nullptr;
    surface = nullptr;
    configured = mapped = false;
    applied = {};
}

void WaylandView::Impl::configured(Layer& l) {
    // The compositor changed its mind about the size: the show starts again at the new one; a
    // still picture is put up again at it.
    if (&l == &main) {
        if (window) resize_due = true;
    } else if (l.mapped) {
        draw_still(l);
    }
}

void WaylandView::Impl::make_layer(Layer& l, Output* out, bool overlay) {
    l.view = this;
    l.output = out;
    l.surface = wl_compositor_create_surface(c.compositor);
    if (c.layer_shell) {
        l.layer = zwlr_layer_shell_v1_get_layer_surface(
            c.layer_shell, l.surface, out->output,
            overlay ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
            kNamespace);
        zwlr_layer_surface_v1_add_listener(l.layer, &kLayerListener, &l);
    } else {
        make_toplevel(l, out);
    }
    if (c.viewporter) l.viewport = wp_viewporter_get_viewport(c.viewporter, l.surface);
    if (c.fractional_scales) {
        l.fractional =
            wp_fractional_scale_manager_v1_get_fractional_scale(c.fractional_scales, l.surface);
        wp_fractional_scale_v1_add_listener(l.fractional, &kFractionalListener, &l);
    }
    if (l.layer) {
        zwlr_layer_surface_v1_set_anchor(
            l.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                         ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // Over (or under) every panel, none of which moves aside for it.
        zwlr_layer_surface_v1_set_exclusive_zone(l.layer, -1);
        zwlr_layer_surface_v1_set_size(l.layer, 0, 0);
    }
    // Every buffer is XRGB: nothing under the surface ever shows through it.
    wl_region* whole = wl_compositor_create_region(c.compositor);
    wl_region_add(whole, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_set_opaque_region(l.surface, whole);
    wl_region_destroy(whole);
    if (role == Role::saver) {
        // The saver takes the whole keyboard while it shows, on its own surface.
        if (&l == &main && l.layer) zwlr_layer_surface_v1_set_keyboard_interactivity(l.layer, 1);
    } else {
        // A background takes no input: every event goes to what is under it.
        wl_region* none = wl_compositor_create_region(c.compositor);
        wl_surface_set_input_region(l.surface, none);
        wl_region_destroy(none);
    }
    wl_surface_commit(l.surface);
    wait_configured(l);
}

void WaylandView::Impl::wait_configured(Layer& l) {
    while (!l.configured && !l.closed && !WaylandConnection::Impl::ending()) c.roundtrip();
}

Surface& WaylandView::Impl::image() {
    ShmBuffer* b = main.buffers.next(
        [&](ShmBuffer& fresh) {
            return fresh.make(c.shm, size.width, size.height, size.width * 4,
                              WL_SHM_FORMAT_XRGB8888);
        },
        [&](ShmBuffer& to, ShmBuffer& from) {
            Surface into = to.view();
            copy_rects(into, from.view(), to.stale, Rect{0, 0, size.width, size.height});
        });
    if (!b) {
        picture = Surface();
    } else if (!picture.same_memory(b->view())) {
        picture = b->view();
    }
    return picture;
}

void WaylandView::Impl::make_buffers(int width, int height) {
    main.buffers.drop();
    picture = Surface();
    size = {std::max(width, 0), std::max(height, 0)};
    since_commit.whole(size.width, size.height);
    if (size.width > 0 && size.height > 0) image();
}

void WaylandView::Impl::present(const Damage& where) {
    Layer& l = main;
    since_commit.add(where);
    ShmBuffer& b = l.buffers.current();
    if (!l.mapped || !b.made()) return;
    l.buffers.drawn(where);
    // The scale is sent when it changes, not with every frame.
    l.apply_scale();
    wl_surface_attach(l.surface, b.buffer, 0, 0);
    for (const Rect& r : since_commit.rects())
        wl_surface_damage_buffer(l.surface, r.x, r.y, r.w, r.h);
    wl_surface_commit(l.surface);
    b.busy = true;
    since_commit.clear();
    wl_display_flush(c.display);
}

void WaylandView::Impl::draw_still(Layer& l) {
    // The output's own picture, as it was before the saver showed: nothing there seems to
    // change.
    const PixelSize size = l.pixel_size();
    const int w = size.width, h = size.height;
    ShmBuffer& b = l.buffers[0];
    if (!b.make(c.shm, w, h, w * 4, WL_SHM_FORMAT_XRGB8888)) return;
    Surface into = b.view();
    l.output->draw_picture(into);
    l.apply_scale();
    wl_surface_attach(l.surface, b.buffer, 0, 0);
    wl_surface_damage_buffer(l.surface, 0, 0, w, h);
    wl_surface_commit(l.surface);
    l.mapped = true;
}

void WaylandView::Impl::map() {
    // An end asked for during the start-up: nothing of the show ever shows.
    if (!window || main.mapped || main.closed || WaylandConnection::Impl::ending()) return;
    main.mapped = true;
    since_commit.whole(size.width, size.height);
    present_all();
    for (auto& s : stills)
        if (!s->mapped && s->configured) draw_still(*s);
    c.entered = false;
    if (role == Role::saver) {
        // The stills' pictures are on the screen now: a saver that ends on any change never
        // draws them again, so they go.
        for (auto& s : stills) s->output->forget_picture();
    }
}

}  // namespace vorlip
