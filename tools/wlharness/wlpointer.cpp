// vorlip-wlpointer: a virtual pointer on a Wayland compositor's seat. A headless compositor's
// seat has no devices, so a client asking it for a pointer gets a protocol error; while this
// runs, the seat has one, and the compositor's own cursor commands move and click it.
//
// It also takes lines on descriptor 3, if that is open, and ends when it closes:
//   m DX DY         a relative move
//   a X Y W H       an absolute move to (X, Y) of a W x H layout
//   c               a left click (press, then release)
//
// usage: vorlip-wlpointer
#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/wlharness/command_loop.hpp"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void on_global(void* data, wl_registry* registry, uint32_t name, const char* interface,
               uint32_t version) {
    auto* g = static_cast<Globals*>(data);
    if (!g->seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        g->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_virtual_pointer_manager_v1_interface, version < 2 ? version : 2));
    }
}

void on_global_remove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistry{on_global, on_global_remove};

uint32_t now_ms() {
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

// Carries out one command line; false if it is not one.
bool obey(zwlr_virtual_pointer_v1* p, const std::string& line) {
    int a = 0, b = 0, w = 0, h = 0;
    if (std::sscanf(line.c_str(), "m %d %d", &a, &b) == 2) {
        zwlr_virtual_pointer_v1_motion(p, now_ms(), wl_fixed_from_int(a), wl_fixed_from_int(b));
    } else if (std::sscanf(line.c_str(), "a %d %d %d %d", &a, &b, &w, &h) == 4 && a >= 0 &&
               b >= 0 && w > 0 && h > 0) {
        zwlr_virtual_pointer_v1_motion_absolute(p, now_ms(), uint32_t(a), uint32_t(b), uint32_t(w),
                                                uint32_t(h));
    } else if (line == "c") {
        zwlr_virtual_pointer_v1_button(p, now_ms(), BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
        zwlr_virtual_pointer_v1_frame(p);
        zwlr_virtual_pointer_v1_button(p, now_ms(), BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
    } else {
        return false;
    }
    zwlr_virtual_pointer_v1_frame(p);
    return true;
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "vorlip-wlpointer: cannot connect to the Wayland display\n");
        return 1;
    }
    Globals g;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, &g);
    wl_display_roundtrip(display);
    if (!g.seat || !g.manager) {
        std::fprintf(stderr, "vorlip-wlpointer: the compositor has no %s\n",
                     g.seat ? "zwlr_virtual_pointer_manager_v1" : "seat");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.manager, g.seat);
    wl_display_roundtrip(display);

    return vorlip::wlharness::run_commands(
        display, "vorlip-wlpointer", [&](const std::string& line) { return obey(pointer, line); });
}
