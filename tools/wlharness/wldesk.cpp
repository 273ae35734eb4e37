// vorlip-wldesk: a known desktop and a person at it, on a compositor without wlroots' test
// protocols (KDE Plasma's). It shows a fullscreen window whose every pixel differs from its
// neighbours, the picture the saver must show under its scene, and when the compositor offers
// KWin's fake input, takes lines on descriptor 3, if that is open, ending when it closes:
//   m DX DY         a relative pointer move
//   c               a left click (press, then release)
//   k CODE          a key (press, then release), by its evdev code
// It prints "shown" on stdout once the window has its first picture on the screen.
//
// usage: vorlip-wldesk
#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "kde-fake-input-client-protocol.h"
#include "tools/wlharness/command_loop.hpp"
#include "xdg-shell-client-protocol.h"

namespace {

struct Desk {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wm_base = nullptr;
    org_kde_kwin_fake_input* input = nullptr;
    int width = 0, height = 0;
    bool configured = false;
    bool drawn = false;
};

void on_global(void* data, wl_registry* registry, uint32_t name, const char* interface,
               uint32_t version) {
    Desk& d = *static_cast<Desk*>(data);
    auto is = [&](const wl_interface& i) { return std::strcmp(interface, i.name) == 0; };
    if (is(wl_compositor_interface)) {
        d.compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (is(wl_shm_interface)) {
        d.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (is(xdg_wm_base_interface)) {
        d.wm_base =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    } else if (is(org_kde_kwin_fake_input_interface) && version >= 4) {
        d.input = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    }
}
void on_global_remove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry{on_global, on_global_remove};

const xdg_wm_base_listener kWmBase{
    [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }};

void on_toplevel_configure(void* data, xdg_toplevel*, int32_t w, int32_t h, wl_array*) {
    Desk& d = *static_cast<Desk*>(data);
    if (w > 0 && h > 0) {
        d.width = w;
        d.height = h;
    }
}
void on_toplevel_close(void*, xdg_toplevel*) {}
void on_toplevel_bounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void on_toplevel_caps(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener kToplevel{on_toplevel_configure, on_toplevel_close, on_toplevel_bounds,
                                      on_toplevel_caps};

const xdg_surface_listener kSurface{[](void* data, xdg_surface* s, uint32_t serial) {
    xdg_surface_ack_configure(s, serial);
    static_cast<Desk*>(data)->configured = true;
}};

// The picture: red across, green down, blue their exclusive or, as the tests compute it.
std::uint32_t pattern(int x, int y, int w, int h) {
    return std::uint32_t(((x * 255 / w) << 16) | ((y * 255 / h) << 8) | ((x ^ y) & 0xFF));
}

wl_buffer* draw(Desk& d) {
    const int stride = d.width * 4, size = stride * d.height;
    const int fd = memfd_create("vorlip-wldesk", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0) return nullptr;
    void* p = mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    auto* px = static_cast<std::uint32_t*>(p);
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) px[y * d.width + x] = pattern(x, y, d.width, d.height);
    munmap(p, size_t(size));
    wl_shm_pool* pool = wl_shm_create_pool(d.shm, fd, size);
    wl_buffer* b =
        wl_shm_pool_create_buffer(pool, 0, d.width, d.height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return b;
}

// Carries out one command line; false if it is not one.
bool obey(org_kde_kwin_fake_input* in, const std::string& line) {
    int a = 0, b = 0;
    if (std::sscanf(line.c_str(), "m %d %d", &a, &b) == 2) {
        org_kde_kwin_fake_input_pointer_motion(in, wl_fixed_from_int(a), wl_fixed_from_int(b));
    } else if (line == "c") {
        org_kde_kwin_fake_input_button(in, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
        org_kde_kwin_fake_input_button(in, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (std::sscanf(line.c_str(), "k %d", &a) == 1 && a > 0) {
        org_kde_kwin_fake_input_keyboard_key(in, uint32_t(a), WL_KEYBOARD_KEY_STATE_PRESSED);
        org_kde_kwin_fake_input_keyboard_key(in, uint32_t(a), WL_KEYBOARD_KEY_STATE_RELEASED);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "vorlip-wldesk: cannot connect to the Wayland display\n");
        return 1;
    }
    Desk d;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, &d);
    wl_display_roundtrip(display);
    if (!d.compositor || !d.shm || !d.wm_base) {
        std::fprintf(stderr, "vorlip-wldesk: the compositor offers no xdg-shell toplevels\n");
        return 1;
    }
    xdg_wm_base_add_listener(d.wm_base, &kWmBase, nullptr);
    if (d.input)
        org_kde_kwin_fake_input_authenticate(d.input, "vorlip-wldesk", "the saver's tests");

    wl_surface* surface = wl_compositor_create_surface(d.compositor);
    xdg_surface* xs = xdg_wm_base_get_xdg_surface(d.wm_base, surface);
    xdg_surface_add_listener(xs, &kSurface, &d);
    xdg_toplevel* top = xdg_surface_get_toplevel(xs);
    xdg_toplevel_add_listener(top, &kToplevel, &d);
    xdg_toplevel_set_title(top, "vorlip-wldesk");
    xdg_toplevel_set_fullscreen(top, nullptr);
    wl_surface_commit(surface);
    while (!d.configured || d.width <= 0)
        if (wl_display_dispatch(display) < 0) return 1;
    wl_buffer* buffer = draw(d);
    if (!buffer) return 1;
    wl_surface_attach(surface, buffer, 0, 0);
    wl_surface_damage_buffer(surface, 0, 0, d.width, d.height);
    wl_surface_commit(surface);
    wl_display_roundtrip(display);
    std::printf("shown %dx%d\n", d.width, d.height);
    std::fflush(stdout);

    // Without fake input it only shows its window, every line being no command.
    return vorlip::wlharness::run_commands(display, "vorlip-wldesk", [&](const std::string& line) {
        return d.input && obey(d.input, line);
    });
}
