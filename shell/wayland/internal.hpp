// What the rooms of the Wayland back end share: the connection's state, the outputs, the layer
// surfaces and a view's state. Only this folder's files include it.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/stage.hpp"
#include "shell/platform.hpp"
#include "shell/posix/tick_wait.hpp"
#include "shell/wayland/connection.hpp"
#include "shell/wayland/shm_buffer.hpp"
#include "shell/wayland/view.hpp"

struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zwlr_screencopy_manager_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace vorlip {

// The desktop when the compositor gives no picture of it.
inline constexpr Pixel kPlainDesktop = 0x2F4F6F;

[[noreturn]] void wayland_connection_lost();

struct Output {
    wl_output* output = nullptr;
    zxdg_output_v1* xdg = nullptr;
    std::uint32_t name = 0;  // the registry's name for it, which its removal gives
    int scale = 1;
    int mode_width = 0, mode_height = 0;        // the current mode, in the output's own pixels
    int transform = 0;                          // wl_output's transform of those pixels
    int logical_width = 0, logical_height = 0;  // as xdg-output gives them; 0 when unknown
    Surface picture;  // its screencopy, taken before anything of the saver shows on it
    bool captured = false;
    bool gone = false;  // the compositor took it away; dropped at the loop's next turn

    // The size of a surface covering the whole output, in the output's own pixels: the logical
    // size at the output's scale, or the current mode the way the output is turned.
    int pixel_width() const;
    int pixel_height() const;
    void destroy();
};

// One layer-shell surface on one output.
struct Layer {
    WaylandView::Impl* view = nullptr;
    Output* output = nullptr;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    int width = 0, height = 0;  // as configured, in the output's logical units
    bool configured = false;
    bool mapped = false;
    bool closed = false;
    int applied_scale = 0;  // the buffer scale the surface was last given
    BufferPair<ShmBuffer> buffers;

    int pixel_width() const { return width * output->scale; }
    int pixel_height() const { return height * output->scale; }

    void destroy();
    ~Layer() { destroy(); }
};

struct WaylandConnection::Impl {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layer_shell = nullptr;
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    std::uint32_t screencopy_version = 0;
    zxdg_output_manager_v1* xdg_outputs = nullptr;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_touch* touch = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;
    std::vector<WaylandView::Impl*> views;
    std::string display_name;  // what the saver's lock is named after

    // The pointer as the compositor last placed it on one of our surfaces.
    wl_surface* pointer_surface = nullptr;
    std::uint32_t enter_serial = 0;
    wl_fixed_t pointer_x = 0, pointer_y = 0;
    // Input seen and not yet handed on. A motion counts at the next check; a click or a key is
    // an event of its own.
    bool moved = false;
    int clicks = 0;
    int keys = 0;

    posix::TickWait tick;

    ~Impl();
    void add_output(wl_registry* registry, std::uint32_t name, std::uint32_t version);
    void describe(Output& out);
    void roundtrip() {
        if (wl_display_roundtrip(display) < 0) wayland_connection_lost();
    }
    WaylandView::Impl* saver_view() const;
    Layer* layer_of(wl_surface* surface) const;
    void hide_pointer_if_wanted();
    bool capture(Output& out);
    void seat_capabilities(std::uint32_t caps);
    // Outputs the compositor took away: the shows and stills on them go, then the outputs.
    void drop_gone_outputs();
    void run();
};

struct WaylandView::Impl : WindowImage {
    using Role = WaylandView::Role;
    WaylandConnection::Impl& c;
    Role role;
    Output* output = nullptr;
    Layer main;
    std::vector<std::unique_ptr<Layer>> stills;  // the other outputs, while the saver shows
    Surface picture;                             // the window's image
    Damage since_commit;                         // changed since the last buffer went up
    bool window = false;
    bool hide_pointer = false;
    bool watching = false;
    int lock_fd = -1;
    WindowEvents* events = nullptr;
    bool resize_due = false;  // the compositor gave the surface a new size

    Impl(WaylandConnection::Impl& conn, Role r) : c(conn), role(r) {}

    Surface& image() override { return picture; }
    void refresh(const Damage& where) override { present(where); }

    void make_layer(Layer& l, Output* out, bool overlay);
    void wait_configured(Layer& l);
    void present(const Damage& where);
    void present_all() {
        Damage all;
        all.whole(picture.width(), picture.height());
        present(all);
    }
    void draw_still(Layer& l);
    // Puts the show and the stills on the screen, the first frame with them.
    void map();
    void configured(Layer& l);
};

}  // namespace vorlip
