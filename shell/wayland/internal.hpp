// What the rooms of the Wayland back end share: the connection's state, the outputs, the layer
// surfaces and a view's state. Only this folder's files include it.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/stage.hpp"
#include "shell/platform.hpp"
#include "shell/posix/tick_wait.hpp"
#include "shell/wayland/connection.hpp"
#include "shell/wayland/output_picture.hpp"
#include "shell/wayland/shm_buffer.hpp"
#include "shell/wayland/view.hpp"

struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zwlr_screencopy_manager_v1;
struct zwlr_screencopy_frame_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct xdg_wm_base;
struct xdg_surface;
struct xdg_toplevel;

namespace vorlip {

class DesktopBus;

// The desktop when the compositor gives no picture of it.
inline constexpr Pixel kPlainDesktop = 0x2F4F6F;

[[noreturn]] void wayland_connection_lost();

// A screencopy on its way: the buffer the compositor asked for and copies into, and how far the
// copy has come.
struct PendingCapture {
    zwlr_screencopy_frame_v1* frame = nullptr;
    ShmBuffer buffer;
    std::uint32_t format = 0;
    int width = 0, height = 0, stride = 0;
    bool have_buffer = false;
    bool buffer_done = false;
    bool y_invert = false;
    bool ready = false;
    bool failed = false;

    PendingCapture() = default;
    PendingCapture(const PendingCapture&) = delete;
    PendingCapture& operator=(const PendingCapture&) = delete;
    ~PendingCapture();
};

struct Output {
    wl_output* output = nullptr;
    zxdg_output_v1* xdg = nullptr;
    std::uint32_t name = 0;  // the registry's name for it, which its removal gives
    std::string connector;   // its own name (wl_output's, else xdg-output's): "DP-1"
    int x = 0, y = 0;        // its logical place on the desktop, as xdg-output gives it
    int scale = 1;           // wl_output's whole-number scale
    PixelSize mode;          // the current mode, in the framebuffer's pixels
    OutputTransform transform = OutputTransform::normal;
    PixelSize logical;  // as xdg-output gives it; 0 x 0 when unknown
    // What the output was when first described (its first done): a later done that differs is
    // the output changed, a person at the machine.
    bool described = false;
    bool changed = false;
    bool announced = false;  // the shows have heard of it (a new output gets its own show)
    struct Described {
        int scale = 1;
        PixelSize mode, logical;
        OutputTransform transform = OutputTransform::normal;
        bool operator==(const Described&) const = default;
    } first;

    // Its framebuffer as screencopy gave it, before anything of the saver showed on it, and the
    // transform it was taken at; empty once nothing needs it any more.
    Surface picture;
    OutputTransform picture_transform = OutputTransform::normal;
    bool captured = false;
    // A screencopy asked for and not yet taken in: the compositor copies while the show sets
    // itself up (screencopy.cpp).
    std::unique_ptr<PendingCapture> pending;
    bool gone = false;  // the compositor took it away; dropped at the loop's next turn

    Described now() const { return {scale, mode, logical, transform}; }
    // The logical size: xdg-output's, or the mode turned as the output is, over its scale.
    PixelSize logical_size() const;
    // The scale (/120) a surface on it is drawn at, until the surface is told its own.
    std::uint32_t scale120() const;
    // Whether a surface of this logical size covers the whole output.
    bool covered_by(PixelSize surface) const {
        return mode.width > 0 && mode.height > 0 && surface == logical_size();
    }
    // Puts the output's picture, as its user saw it, into all of `into`; the plain desktop
    // colour where there is none.
    void draw_picture(Surface& into) const;
    void forget_picture() {
        picture = Surface();
        captured = false;
    }
    void destroy();
};

// One surface of the saver's on one output: a layer-shell surface, or where the compositor
// offers no layer shell, a toplevel made fullscreen on the output.
struct Layer {
    WaylandView::Impl* view = nullptr;
    Output* output = nullptr;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    xdg_surface* xdg = nullptr;
    xdg_toplevel* toplevel = nullptr;
    int pending_width = 0, pending_height = 0;  // a toplevel's size, until its surface's configure
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractional = nullptr;
    std::uint32_t preferred120 = 0;  // the surface's own scale, once the compositor tells it
    int width = 0, height = 0;       // as configured, in the output's logical units
    bool configured = false;
    bool mapped = false;
    bool closed = false;
    PixelSize applied;  // the buffer size the viewport (or buffer scale) was last set for
    BufferPair<ShmBuffer> buffers;

    std::uint32_t scale120() const { return preferred120 ? preferred120 : output->scale120(); }
    // The buffer the surface is drawn in: its logical size at its scale, in the output's own
    // pixels where a viewport can say so, else at the whole-number scale above it.
    PixelSize pixel_size() const;
    // Tells the compositor how the buffer maps to the surface, when that changed.
    void apply_scale();

    void destroy();
    ~Layer() { destroy(); }
};

struct WaylandConnection::Impl {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layer_shell = nullptr;
    xdg_wm_base* wm_base = nullptr;  // the saver's toplevels where there is no layer shell
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    std::uint32_t screencopy_version = 0;
    zxdg_output_manager_v1* xdg_outputs = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractional_scales = nullptr;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_touch* touch = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;
    std::vector<WaylandView::Impl*> views;
    // A show's window starts when an output appears: --root gives it a show of its own.
    std::function<void(int output)> on_new_output;
    std::vector<int> lock_fds;  // the locks held, until the process ends

    // The pointer as the compositor last placed it on one of our surfaces.
    wl_surface* pointer_surface = nullptr;
    std::uint32_t enter_serial = 0;
    wl_fixed_t pointer_x = 0, pointer_y = 0;
    // Input seen and not yet handed on. A motion counts at the next check; a click or a key is
    // an event of its own.
    bool moved = false;
    int clicks = 0;
    int keys = 0;
    // Whether the pointer has entered a saver surface since the saver mapped: the first enter is
    // the pointer being where it was, any later one the pointer crossing from one output's
    // surface to another's, which is a move.
    bool entered = false;

    posix::TickWait tick;
    // The session bus, once a desktop picture or the idle monitor needed it (nullptr before, or
    // where there is none); `idle_watch` when the idle monitor tells of input too.
    std::unique_ptr<DesktopBus> bus;
    bool bus_tried = false;
    bool idle_watch = false;
    DesktopBus* desktop_bus();

    ~Impl();
    void add_output(wl_registry* registry, std::uint32_t name, std::uint32_t version);
    void describe(Output& out);
    void roundtrip() {
        if (wl_display_roundtrip(display) < 0) wayland_connection_lost();
    }
    WaylandView::Impl* saver_view() const;
    Layer* layer_of(wl_surface* surface) const;
    void hide_pointer_if_wanted();
    // The output's screencopy, in two steps so that the compositor copies while the show sets
    // itself up: asked for (false when the compositor offers none or refused it), then taken in
    // once copied, into the output's picture.
    bool begin_capture(Output& out);
    bool finish_capture(Output& out);
    // The same straight into `into`, a show's desktop picture, where it needs no turning or
    // fitting (true then); else as finish_capture.
    bool finish_capture_into(Output& out, Surface& into);
    // The pending capture once the compositor has copied it; nullptr if it failed or an end
    // signal came first.
    std::unique_ptr<PendingCapture> copied(Output& out);
    // The desktop pictures of the view's outputs from whichever source the desktop has, before
    // anything of the show is on the screen; one line on stderr when there is none.
    void capture_pictures(WaylandView::Impl& v);
    // Where there is no screencopy: KDE Plasma's screenshot service, and GNOME's portal.
    bool capture_by_kwin(Output& out, std::string& why);
    bool capture_by_portal(const std::vector<Output*>& outs, std::string& why);
    void seat_capabilities(std::uint32_t caps);
    // Outputs the compositor took away: the shows and stills on them go, then the outputs.
    void drop_gone_outputs();
    // Outputs changed or added: the saver ends, a background show starts again or anew.
    void follow_outputs();
    bool hold_lock(LockKind kind);
    // Whether start-up should stop where it is: an end signal came.
    static bool ending();
    void run();
};

struct WaylandView::Impl : WindowImage {
    using Role = WaylandView::Role;
    WaylandConnection::Impl& c;
    Role role;
    Output* output = nullptr;
    Layer main;
    std::vector<std::unique_ptr<Layer>> stills;  // the other outputs, while the saver shows
    Surface picture;      // the window's image: a view of the buffer the next frame goes into
    PixelSize size;       // the show's size, in the buffers' pixels
    Damage since_commit;  // changed since the last buffer went up
    bool window = false;
    bool hide_pointer = false;
    bool watching = false;
    WindowEvents* events = nullptr;
    bool resize_due = false;  // the surface's size or its output changed: start again

    Impl(WaylandConnection::Impl& conn, Role r) : c(conn), role(r) {}

    // The buffer the next frame is drawn into, brought up to the last frame (BufferPair).
    Surface& image() override;
    void refresh(const Damage& where) override { present(where); }
    bool moves_with_last_frame() const override { return true; }
    // Makes the first buffer at the show's size: the show draws straight into it.
    void make_buffers(int width, int height);

    void make_layer(Layer& l, Output* out, bool overlay);
    void make_toplevel(Layer& l, Output* out);
    void wait_configured(Layer& l);
    void present(const Damage& where);
    void present_all() {
        Damage all;
        all.whole(size.width, size.height);
        present(all);
    }
    void draw_still(Layer& l);
    // Puts the show and the stills on the screen, the first frame with them.
    void map();
    void configured(Layer& l);
};

}  // namespace vorlip
