// vorlip-kwinmove DX DY: one relative pointer move on KWin through its fake input protocol,
// which a KWin started without permission checks offers every client (tools/desktops). The
// tests give KWin's seat input this way. Exit status 0 once KWin has the move, 1 otherwise.
#include <wayland-client.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "kde-fake-input-client-protocol.h"

namespace {

struct Globals {
    org_kde_kwin_fake_input* fake = nullptr;
};

void on_global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
               std::uint32_t) {
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        static_cast<Globals*>(data)->fake = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 1));
}
void on_global_remove(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener kListener{.global = on_global, .global_remove = on_global_remove};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vorlip-kwinmove DX DY\n");
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "vorlip-kwinmove: no compositor\n");
        return 1;
    }
    Globals g;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kListener, &g);
    wl_display_roundtrip(display);
    if (!g.fake) {
        std::fprintf(stderr, "vorlip-kwinmove: the compositor offers no fake input\n");
        wl_display_disconnect(display);
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(g.fake, "vorlip tests", "pointer moves for the tests");
    // KWin gives its seat a pointer with this client's device, and clients ask for it only once
    // they hear of it: a move at once could reach nobody. So the move is made, and after a
    // moment made again, there and back.
    const int dx = std::atoi(argv[1]), dy = std::atoi(argv[2]);
    bool done = true;
    for (const int sign : {1, -1}) {
        org_kde_kwin_fake_input_pointer_motion(g.fake, wl_fixed_from_int(sign * dx),
                                               wl_fixed_from_int(sign * dy));
        done = done && wl_display_roundtrip(display) >= 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    org_kde_kwin_fake_input_destroy(g.fake);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return done ? 0 : 1;
}
