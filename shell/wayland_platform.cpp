#include "shell/wayland_platform.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/wayland_pixels.hpp"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace vorlip {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTick = std::chrono::milliseconds(20);
// The desktop when the compositor gives no picture of it.
constexpr Pixel kPlainDesktop = 0x2F4F6F;
constexpr const char* kNamespace = "vorlip";

// A signal handler reaches nothing but process-wide state: the flag, and the pipe that wakes
// the event loop's wait.
volatile std::sig_atomic_t g_end_signal = 0;
int g_wake_read = -1;
int g_wake_write = -1;

extern "C" void on_wayland_end_signal(int) {
    g_end_signal = 1;
    if (g_wake_write >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(g_wake_write, &byte, 1);
    }
}

[[noreturn]] void connection_lost() {
    throw PlatformError("lost the connection to the Wayland compositor");
}

struct ShmBuffer;
void on_buffer_release(void* data, wl_buffer*);
constexpr wl_buffer_listener kBufferListener{.release = on_buffer_release};

// A buffer of shared memory the compositor reads the picture from.
struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
    int width = 0, height = 0, stride = 0;
    bool busy = false;  // attached and not yet released by the compositor
    Damage stale;       // what changed in the window's image since this buffer was written

    bool make(wl_shm* shm, int w, int h, int row_bytes, std::uint32_t format) {
        drop();
        if (w <= 0 || h <= 0 || row_bytes < w * 4) return false;
        size = std::size_t(row_bytes) * std::size_t(h);
        const int fd = memfd_create("vorlip", MFD_CLOEXEC);
        if (fd < 0) return false;
        if (ftruncate(fd, off_t(size)) != 0) {
            close(fd);
            return false;
        }
        void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (p == MAP_FAILED) {
            close(fd);
            return false;
        }
        data = static_cast<std::uint8_t*>(p);
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int(size));
        buffer = wl_shm_pool_create_buffer(pool, 0, w, h, row_bytes, format);
        wl_shm_pool_destroy(pool);
        close(fd);
        width = w;
        height = h;
        stride = row_bytes;
        busy = false;
        stale.whole(w, h);
        wl_buffer_add_listener(buffer, &kBufferListener, this);
        return true;
    }

    void drop() {
        if (buffer) wl_buffer_destroy(buffer);
        if (data) munmap(data, size);
        buffer = nullptr;
        data = nullptr;
        size = 0;
        width = height = stride = 0;
        busy = false;
    }

    Surface view() {
        return Surface::view(reinterpret_cast<Pixel*>(data), width, height, stride / 4);
    }

    ~ShmBuffer() { drop(); }
};

// The compositor is done reading it: it may be written again.
void on_buffer_release(void* data, wl_buffer*) {
    static_cast<ShmBuffer*>(data)->busy = false;
}

}  // namespace

struct Output {
    wl_output* output = nullptr;
    int scale = 1;
    Surface picture;  // its screencopy, taken before anything of the saver shows on it
    bool captured = false;
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
    ShmBuffer buffers[2];

    int pixel_width() const { return width * output->scale; }
    int pixel_height() const { return height * output->scale; }

    void destroy() {
        for (ShmBuffer& b : buffers) b.drop();
        if (layer) zwlr_layer_surface_v1_destroy(layer);
        if (surface) wl_surface_destroy(surface);
        layer = nullptr;
        surface = nullptr;
        configured = mapped = false;
        applied_scale = 0;
    }
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

    Clock::time_point next_tick;

    void roundtrip() {
        if (wl_display_roundtrip(display) < 0) connection_lost();
    }
    WaylandView::Impl* saver_view() const;
    Layer* layer_of(wl_surface* surface) const;
    void hide_pointer_if_wanted();
    bool capture(Output& out);
    void seat_capabilities(std::uint32_t caps);
    void run();
};

struct WaylandView::Impl : WindowImage {
    WaylandConnection::Impl& c;
    Role role;
    Output* output = nullptr;
    Layer main;
    std::vector<std::unique_ptr<Layer>> stills;  // the other outputs, while the saver shows
    Surface picture;                             // the window's image
    Damage since_commit;                         // changed since the last buffer went up
    bool window = false;
    bool shown = false;
    bool on_output = true;
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
    void update_mapping();
    void configured(Layer& l);
};

WaylandView::Impl* WaylandConnection::Impl::saver_view() const {
    for (WaylandView::Impl* v : views)
        if (v->role == WaylandView::Role::saver && v->window) return v;
    return nullptr;
}

Layer* WaylandConnection::Impl::layer_of(wl_surface* surface) const {
    if (!surface) return nullptr;
    for (WaylandView::Impl* v : views) {
        if (v->main.surface == surface) return &v->main;
        for (const auto& s : v->stills)
            if (s->surface == surface) return s.get();
    }
    return nullptr;
}

void WaylandConnection::Impl::hide_pointer_if_wanted() {
    const Layer* l = layer_of(pointer_surface);
    if (pointer && l && l->view->hide_pointer)
        wl_pointer_set_cursor(pointer, enter_serial, nullptr, 0, 0);
}

// --- the connection's listeners

namespace {

void on_output_geometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                        const char*, int32_t) {}
void on_output_mode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
void on_output_done(void*, wl_output*) {}
void on_output_scale(void* data, wl_output*, int32_t factor) {
    static_cast<Output*>(data)->scale = std::max(1, int(factor));
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
    } else if (what == wl_seat_interface.name && !c.seat) {
        c.seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
        wl_seat_add_listener(c.seat, &kSeatListener, &c);
    } else if (what == wl_output_interface.name) {
        auto out = std::make_unique<Output>();
        out->output = static_cast<wl_output*>(bind(&wl_output_interface, 3));
        wl_output_add_listener(out->output, &kOutputListener, out.get());
        c.outputs.push_back(std::move(out));
    }
}
void on_global_remove(void*, wl_registry*, uint32_t) {
    // An output that goes closes the saver's surface on it, which ends the show.
}
constexpr wl_registry_listener kRegistryListener{.global = on_global,
                                                 .global_remove = on_global_remove};

// --- input

WaylandConnection::Impl& conn(void* data) {
    return *static_cast<WaylandConnection::Impl*>(data);
}

void on_pointer_enter(void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                      wl_fixed_t y) {
    auto& c = conn(data);
    // Entering is not moving: a surface that maps under a still pointer gets an enter.
    c.pointer_surface = surface;
    c.enter_serial = serial;
    c.pointer_x = x;
    c.pointer_y = y;
    c.hide_pointer_if_wanted();
}
void on_pointer_leave(void* data, wl_pointer*, uint32_t, wl_surface*) {
    conn(data).pointer_surface = nullptr;
}
void on_pointer_motion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    auto& c = conn(data);
    // Only a change of place counts, however small.
    if (x != c.pointer_x || y != c.pointer_y) c.moved = true;
    c.pointer_x = x;
    c.pointer_y = y;
}
void on_pointer_button(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) ++conn(data).clicks;
}
void on_pointer_axis(void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {
    // A wheel turns by pressing buttons on X: it ends the show here too.
    ++conn(data).clicks;
}
void on_pointer_frame(void*, wl_pointer*) {}
void on_pointer_axis_source(void*, wl_pointer*, uint32_t) {}
void on_pointer_axis_stop(void*, wl_pointer*, uint32_t, uint32_t) {}
void on_pointer_axis_discrete(void*, wl_pointer*, uint32_t, int32_t) {}
void on_pointer_axis_value120(void*, wl_pointer*, uint32_t, int32_t) {}
constexpr wl_pointer_listener kPointerListener{
    .enter = on_pointer_enter,
    .leave = on_pointer_leave,
    .motion = on_pointer_motion,
    .button = on_pointer_button,
    .axis = on_pointer_axis,
    .frame = on_pointer_frame,
    .axis_source = on_pointer_axis_source,
    .axis_stop = on_pointer_axis_stop,
    .axis_discrete = on_pointer_axis_discrete,
    .axis_value120 = on_pointer_axis_value120,
};

void on_keymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) {
    close(fd);  // which key it was does not matter
}
void on_keyboard_enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void on_keyboard_leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void on_key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    // Which key does not matter.
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) ++conn(data).keys;
}
void on_modifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void on_repeat_info(void*, wl_keyboard*, int32_t, int32_t) {}
constexpr wl_keyboard_listener kKeyboardListener{
    .keymap = on_keymap,
    .enter = on_keyboard_enter,
    .leave = on_keyboard_leave,
    .key = on_key,
    .modifiers = on_modifiers,
    .repeat_info = on_repeat_info,
};

void on_touch_down(void* data, wl_touch*, uint32_t, uint32_t, wl_surface*, int32_t, wl_fixed_t,
                   wl_fixed_t) {
    ++conn(data).clicks;
}
void on_touch_up(void*, wl_touch*, uint32_t, uint32_t, int32_t) {}
void on_touch_motion(void*, wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t) {}
void on_touch_frame(void*, wl_touch*) {}
void on_touch_cancel(void*, wl_touch*) {}
void on_touch_shape(void*, wl_touch*, int32_t, wl_fixed_t, wl_fixed_t) {}
void on_touch_orientation(void*, wl_touch*, int32_t, wl_fixed_t) {}
constexpr wl_touch_listener kTouchListener{
    .down = on_touch_down,
    .up = on_touch_up,
    .motion = on_touch_motion,
    .frame = on_touch_frame,
    .cancel = on_touch_cancel,
    .shape = on_touch_shape,
    .orientation = on_touch_orientation,
};

}  // namespace

void WaylandConnection::Impl::seat_capabilities(std::uint32_t caps) {
    // Devices come and go (a virtual pointer made after the saver started, for one).
    const bool has_pointer = caps & WL_SEAT_CAPABILITY_POINTER;
    const bool has_keyboard = caps & WL_SEAT_CAPABILITY_KEYBOARD;
    const bool has_touch = caps & WL_SEAT_CAPABILITY_TOUCH;
    if (has_pointer && !pointer) {
        pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(pointer, &kPointerListener, this);
    } else if (!has_pointer && pointer) {
        wl_pointer_destroy(pointer);
        pointer = nullptr;
        pointer_surface = nullptr;
    }
    if (has_keyboard && !keyboard) {
        keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(keyboard, &kKeyboardListener, this);
    } else if (!has_keyboard && keyboard) {
        wl_keyboard_destroy(keyboard);
        keyboard = nullptr;
    }
    if (has_touch && !touch) {
        touch = wl_seat_get_touch(seat);
        wl_touch_add_listener(touch, &kTouchListener, this);
    } else if (!has_touch && touch) {
        wl_touch_destroy(touch);
        touch = nullptr;
    }
}

// --- the desktop picture

namespace {

struct Capture {
    std::uint32_t format = 0;
    int width = 0, height = 0, stride = 0;
    bool have_buffer = false;
    bool buffer_done = false;
    bool y_invert = false;
    bool ready = false;
    bool failed = false;
};

Capture& cap(void* data) {
    return *static_cast<Capture*>(data);
}

constexpr zwlr_screencopy_frame_v1_listener kFrameListener{
    .buffer =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t w, uint32_t h,
           uint32_t stride) {
            Capture& k = cap(data);
            k.format = format;
            k.width = int(w);
            k.height = int(h);
            k.stride = int(stride);
            k.have_buffer = true;
        },
    .flags =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
            cap(data).y_invert = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
        },
    .ready = [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t,
                uint32_t) { cap(data).ready = true; },
    .failed = [](void* data, zwlr_screencopy_frame_v1*) { cap(data).failed = true; },
    .damage = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .linux_dmabuf = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    .buffer_done = [](void* data, zwlr_screencopy_frame_v1*) { cap(data).buffer_done = true; },
};

}  // namespace

bool WaylandConnection::Impl::capture(Output& out) {
    if (!screencopy || !shm) return false;
    Capture k;
    // Without the cursor: the saver hides it.
    zwlr_screencopy_frame_v1* frame =
        zwlr_screencopy_manager_v1_capture_output(screencopy, 0, out.output);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &k);
    while (!k.failed && !(k.have_buffer && (k.buffer_done || screencopy_version < 3))) roundtrip();
    ShmBuffer buffer;
    bool ok = false;
    if (!k.failed && readable_capture_format(k.format) &&
        buffer.make(shm, k.width, k.height, k.stride, k.format)) {
        zwlr_screencopy_frame_v1_copy(frame, buffer.buffer);
        while (!k.ready && !k.failed)
            if (wl_display_dispatch(display) < 0) connection_lost();
        if (k.ready) {
            out.picture.resize(k.width, k.height);
            ok = copy_captured_picture(buffer.data, k.width, k.height, k.stride, k.format,
                                       k.y_invert, out.picture);
        }
    }
    zwlr_screencopy_frame_v1_destroy(frame);
    out.captured = ok;
    return ok;
}

// --- the connection

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
    // The globals, then what the bound ones say about themselves (the outputs' scales, the
    // seat's devices).
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) return nullptr;
    if (!c.layer_shell || !c.compositor || !c.shm || c.outputs.empty()) return nullptr;
    return w;
}

WaylandConnection::~WaylandConnection() {
    Impl& c = *impl_;
    if (c.pointer) wl_pointer_destroy(c.pointer);
    if (c.keyboard) wl_keyboard_destroy(c.keyboard);
    if (c.touch) wl_touch_destroy(c.touch);
    if (c.seat) wl_seat_destroy(c.seat);
    for (auto& o : c.outputs) wl_output_destroy(o->output);
    if (c.screencopy) zwlr_screencopy_manager_v1_destroy(c.screencopy);
    if (c.layer_shell) zwlr_layer_shell_v1_destroy(c.layer_shell);
    if (c.shm) wl_shm_destroy(c.shm);
    if (c.compositor) wl_compositor_destroy(c.compositor);
    if (c.registry) wl_registry_destroy(c.registry);
    if (c.display) {
        wl_display_flush(c.display);
        wl_display_disconnect(c.display);
    }
}

void WaylandConnection::install_signal_handlers() {
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
        g_wake_read = wake[0];
        g_wake_write = wake[1];
    }
    struct sigaction sa {};
    sa.sa_handler = on_wayland_end_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
    // A write to a compositor that went away fails and is reported, instead of ending the
    // process without a word.
    signal(SIGPIPE, SIG_IGN);
}

int WaylandConnection::output_count() const {
    return int(impl_->outputs.size());
}

void WaylandConnection::run() {
    impl_->run();
}

void WaylandConnection::Impl::run() {
    Impl& c = *this;
    auto any_window = [&] {
        return std::any_of(c.views.begin(), c.views.end(),
                           [](const WaylandView::Impl* v) { return v->window && v->events; });
    };
    while (any_window()) {
        if (g_end_signal) {
            for (WaylandView::Impl* v : c.views)
                if (v->window && v->events) v->events->end_requested();
            break;
        }
        if (wl_display_dispatch_pending(c.display) < 0) connection_lost();

        // What the compositor said, handed on outside its callbacks: a window may go here.
        for (WaylandView::Impl* v : c.views) {
            if (!v->window || !v->events) continue;
            // An output went away (or the compositor took a surface back): the show ends.
            const bool closed =
                v->main.closed || std::any_of(v->stills.begin(), v->stills.end(),
                                              [](const auto& still) { return still->closed; });
            if (closed) {
                v->events->end_requested();
                continue;
            }
            if (v->resize_due) {
                v->resize_due = false;
                v->events->resized(v->main.pixel_width(), v->main.pixel_height());
            }
        }
        if (WaylandView::Impl* v = c.saver_view(); v && v->events) {
            if (c.clicks > 0) {
                c.clicks = 0;
                v->events->click();
            } else if (c.keys > 0) {
                c.keys = 0;
                v->events->key_down();
            } else if (c.moved && v->watching) {
                // A move ends the show at the next check: made now rather than up to a tick
                // later.
                c.next_tick = std::min(c.next_tick, Clock::now());
            }
        }
        if (!any_window()) break;

        const Clock::time_point now = Clock::now();
        if (now >= c.next_tick) {
            for (WaylandView::Impl* v : c.views)
                if (v->window && v->events) v->events->timer_tick();
            // Ticks that fell due while the frame was made are not made up.
            const Clock::time_point after = Clock::now();
            c.next_tick += kTick;
            while (c.next_tick <= after) c.next_tick += kTick;
            continue;
        }

        if (wl_display_flush(c.display) < 0 && errno != EAGAIN) connection_lost();
        while (wl_display_prepare_read(c.display) != 0)
            if (wl_display_dispatch_pending(c.display) < 0) connection_lost();
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(c.next_tick - now);
        timespec ts{};
        ts.tv_sec = time_t(wait.count() / 1000000000);
        ts.tv_nsec = long(wait.count() % 1000000000);
        pollfd pfd[2] = {{wl_display_get_fd(c.display), POLLIN, 0}, {g_wake_read, POLLIN, 0}};
        ppoll(pfd, g_wake_read >= 0 ? 2 : 1, &ts, nullptr);
        if (pfd[0].revents & POLLIN) {
            if (wl_display_read_events(c.display) < 0) connection_lost();
        } else {
            wl_display_cancel_read(c.display);
            if (pfd[0].revents & (POLLERR | POLLHUP)) connection_lost();
        }
    }
    wl_display_flush(c.display);
}

// --- a view: one show's window

namespace {

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

}  // namespace

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
    l.layer = zwlr_layer_shell_v1_get_layer_surface(
        c.layer_shell, l.surface, out->output,
        overlay ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
        kNamespace);
    zwlr_layer_surface_v1_add_listener(l.layer, &kLayerListener, &l);
    zwlr_layer_surface_v1_set_anchor(
        l.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                     ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // Over (or under) every panel, none of which moves aside for it.
    zwlr_layer_surface_v1_set_exclusive_zone(l.layer, -1);
    zwlr_layer_surface_v1_set_size(l.layer, 0, 0);
    // Every buffer is XRGB: nothing under the surface ever shows through it.
    wl_region* whole = wl_compositor_create_region(c.compositor);
    wl_region_add(whole, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_set_opaque_region(l.surface, whole);
    wl_region_destroy(whole);
    if (role == Role::background) {
        // A background takes no input: every event goes to what is under it.
        wl_region* none = wl_compositor_create_region(c.compositor);
        wl_surface_set_input_region(l.surface, none);
        wl_region_destroy(none);
    }
    wl_surface_commit(l.surface);
    wait_configured(l);
}

void WaylandView::Impl::wait_configured(Layer& l) {
    while (!l.configured && !l.closed) c.roundtrip();
}

void WaylandView::Impl::present(const Damage& where) {
    Layer& l = main;
    if (!l.mapped || picture.width() <= 0 || picture.height() <= 0) return;
    since_commit.add(where);
    for (ShmBuffer& b : l.buffers)
        if (b.buffer) b.stale.add(where);
    // A buffer the compositor is done with; a second one only while it still holds the first.
    ShmBuffer* free = nullptr;
    for (ShmBuffer& b : l.buffers)
        if (b.buffer && !b.busy) {
            free = &b;
            break;
        }
    if (!free)
        for (ShmBuffer& b : l.buffers)
            if (!b.buffer) {
                if (b.make(c.shm, picture.width(), picture.height(), picture.width() * 4,
                           WL_SHM_FORMAT_XRGB8888))
                    free = &b;
                break;
            }
    // Both held: this frame waits in the image, and goes up with the next.
    if (!free) return;
    Surface into = free->view();
    copy_rects(into, picture, free->stale, Rect{0, 0, picture.width(), picture.height()});
    free->stale.clear();
    // The scale is sent when it changes, not with every frame.
    if (l.applied_scale != l.output->scale) {
        wl_surface_set_buffer_scale(l.surface, l.output->scale);
        l.applied_scale = l.output->scale;
    }
    wl_surface_attach(l.surface, free->buffer, 0, 0);
    for (const Rect& r : since_commit.rects())
        wl_surface_damage_buffer(l.surface, r.x, r.y, r.w, r.h);
    wl_surface_commit(l.surface);
    free->busy = true;
    since_commit.clear();
    wl_display_flush(c.display);
}

void WaylandView::Impl::draw_still(Layer& l) {
    // The output's own picture, as it was before the saver showed: nothing there seems to
    // change.
    const int w = l.pixel_width(), h = l.pixel_height();
    ShmBuffer& b = l.buffers[0];
    if (!b.make(c.shm, w, h, w * 4, WL_SHM_FORMAT_XRGB8888)) return;
    Surface into = b.view();
    into.fill(kPlainDesktop);
    if (l.output->captured) bit_blt(into, 0, 0, w, h, l.output->picture, 0, 0, Rop::SrcCopy);
    wl_surface_set_buffer_scale(l.surface, l.output->scale);
    wl_surface_attach(l.surface, b.buffer, 0, 0);
    wl_surface_damage_buffer(l.surface, 0, 0, w, h);
    wl_surface_commit(l.surface);
    l.mapped = true;
}

void WaylandView::Impl::update_mapping() {
    // A surface has no place of its own on Wayland: shown beyond the output's edge is not on
    // the screen at all, like the X window beyond the screen's corner.
    const bool want = window && shown && on_output;
    if (want && !main.mapped && !main.closed) {
        if (!main.configured) {
            wl_surface_commit(main.surface);
            wait_configured(main);
        }
        main.mapped = true;
        since_commit.whole(picture.width(), picture.height());
        for (ShmBuffer& b : main.buffers) b.stale.whole(picture.width(), picture.height());
        present_all();
        for (auto& s : stills) {
            if (!s->configured && !s->closed) {
                wl_surface_commit(s->surface);
                wait_configured(*s);
            }
            if (!s->mapped && s->configured) draw_still(*s);
        }
    } else if (!want && main.mapped) {
        // Unmapped, a layer surface starts over: the next map waits for a new configure.
        auto unmap = [](Layer& l) {
            wl_surface_attach(l.surface, nullptr, 0, 0);
            wl_surface_commit(l.surface);
            l.mapped = false;
            l.configured = false;
        };
        unmap(main);
        for (auto& s : stills) unmap(*s);
        wl_display_flush(c.display);
    }
}

WaylandView::WaylandView(WaylandConnection& connection, Role role, int output,
                         std::string arguments)
    : impl_(std::make_unique<Impl>(*connection.impl_, role)), arguments_(std::move(arguments)) {
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
    if (v.lock_fd >= 0) close(v.lock_fd);
}

bool WaylandView::saver_already_running() {
    Impl& v = *impl_;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return false;  // nowhere to keep the lock: no guard
    const std::string path = saver_lock_path(runtime, v.c.display_name);
    v.lock_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (v.lock_fd < 0) return false;
    if (flock(v.lock_fd, LOCK_EX | LOCK_NB) == 0) return false;
    close(v.lock_fd);
    v.lock_fd = -1;
    return errno == EWOULDBLOCK;
}

ScreenMeasure WaylandView::screen_size() {
    Impl& v = *impl_;
    // What the compositor gives a surface anchored to every edge of the output is the screen:
    // the surface is made now, and shows nothing until it has a picture.
    if (!v.main.surface) v.make_layer(v.main, v.output, v.role == Role::saver);
    if (v.main.closed) throw PlatformError("the Wayland compositor gives the saver no surface");
    return {double(v.main.pixel_width()), double(v.main.pixel_height()), 1, 1};
}

void WaylandView::create_window(const std::string&) {
    Impl& v = *impl_;
    if (!v.main.surface) screen_size();
    v.window = true;
    if (v.role == Role::saver) {
        // Every other output is covered too, by a picture of itself.
        for (auto& out : v.c.outputs) {
            if (out.get() == v.output) continue;
            auto still = std::make_unique<Layer>();
            v.make_layer(*still, out.get(), true);
            v.stills.push_back(std::move(still));
        }
    }
    // The desktop pictures, before anything of the saver is on the screen.
    if (!v.c.screencopy) {
        if (v.role == Role::saver)
            std::fputs(
                "vorlip: the compositor offers no screen capture (wlr-screencopy); the show "
                "plays over a plain colour\n",
                stderr);
    } else {
        bool all = v.output->captured || v.c.capture(*v.output);
        for (auto& s : v.stills) all = (s->output->captured || v.c.capture(*s->output)) && all;
        if (!all)
            std::fputs(
                "vorlip: the compositor did not capture the screen; the show plays over a "
                "plain colour\n",
                stderr);
    }
    v.c.next_tick = Clock::now() + kTick;
}

void WaylandView::resize_window(int width, int height) {
    Impl& v = *impl_;
    if (width != v.picture.width() || height != v.picture.height()) {
        v.picture.resize(std::max(width, 0), std::max(height, 0));
        for (ShmBuffer& b : v.main.buffers) b.drop();
    }
    v.since_commit.whole(v.picture.width(), v.picture.height());
}

void WaylandView::move_window(int left, int top) {
    Impl& v = *impl_;
    v.on_output = left < v.picture.width() && top < v.picture.height() &&
                  left + v.picture.width() > 0 && top + v.picture.height() > 0;
    v.update_mapping();
}

void WaylandView::place_control(Control, int, int, int, int) {
    // The buffers live in the stage, and the focus sink is the surface itself: its keyboard
    // comes from the layer shell (focus_sink).
}

void WaylandView::show_window() {
    impl_->shown = true;
    impl_->update_mapping();
}

void WaylandView::hide_window() {
    impl_->shown = false;
    impl_->update_mapping();
}

void WaylandView::focus_sink() {
    Impl& v = *impl_;
    // The saver takes the whole keyboard while it shows; a background takes none.
    if (v.role == Role::saver && v.main.layer)
        zwlr_layer_surface_v1_set_keyboard_interactivity(v.main.layer, 1);
}

void WaylandView::set_pointer(PointerImage image) {
    Impl& v = *impl_;
    // The empty pointer is set on every enter; the default one is the compositor's own again
    // once the surfaces go.
    v.hide_pointer = v.role == Role::saver && image == PointerImage::custom_empty;
    v.c.hide_pointer_if_wanted();
}

void WaylandView::make_topmost() {
    Impl& v = *impl_;
    // The overlay layer is above every window and panel already: shown, with the first frame.
    v.shown = true;
    v.on_output = true;
    v.update_mapping();
    v.present_all();
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
    if (v.c.pointer_surface && !v.c.layer_of(v.c.pointer_surface)) v.c.pointer_surface = nullptr;
    wl_display_flush(v.c.display);
}

void WaylandView::watch_input() {
    Impl& v = *impl_;
    // Only what comes from now on counts.
    v.watching = v.role == Role::saver;
    v.c.moved = false;
}

bool WaylandView::input_changed() {
    Impl& v = *impl_;
    if (!v.watching) return false;
    const bool moved = v.c.moved;
    v.c.moved = false;
    return moved;
}

void WaylandView::capture_desktop(Surface& into, int width, int height) {
    Impl& v = *impl_;
    into.fill(kPlainDesktop);
    if (v.output->captured)
        bit_blt(into, 0, 0, width, height, v.output->picture, 0, 0, Rop::SrcCopy);
}

void WaylandView::run_events(WindowEvents& events) {
    deliver_to(events);
    impl_->c.run();
}

void WaylandView::deliver_to(WindowEvents& events) {
    impl_->events = &events;
}

}  // namespace vorlip
