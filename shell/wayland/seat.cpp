// The seat's input: every move, button, wheel turn, key and touch on the saver's surfaces, kept
// until the event loop hands it on.
#include <unistd.h>
#include <wayland-client.h>

#include "shell/wayland/internal.hpp"

namespace vorlip {

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

namespace {

WaylandConnection::Impl& conn(void* data) {
    return *static_cast<WaylandConnection::Impl*>(data);
}

void on_pointer_enter(void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                      wl_fixed_t y) {
    auto& c = conn(data);
    // The first enter on the saver's surfaces is not a move: a surface that maps under a still
    // pointer gets one. Any later one is the pointer crossing from one output's surface to
    // another's: a move, wherever it lands.
    const Layer* l = c.layer_of(surface);
    if (l && l->view->role == WaylandView::Role::saver && l->view->watching) {
        if (c.entered) c.moved = true;
        c.entered = true;
    }
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

}  // namespace vorlip
