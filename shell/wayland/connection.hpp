// The saver on a Wayland compositor: libwayland-client, layer-shell surfaces (wlroots' and KDE
// Plasma's compositors) or fullscreen toplevels (GNOME's), wl_shm buffers, and for the desktop
// picture screencopy, KDE Plasma's screenshot service or the desktop portal.
//
// One connection serves one or more views (shell/wayland/view.hpp), each the window of one show
// on one output. The rooms of this folder: the connection with its registry and outputs
// (registry.cpp), the seat's input (seat.cpp), the desktop pictures (desktop_pictures.cpp, from
// screencopy.cpp or the session bus's services in desktop_bus.cpp; capture_pixels.cpp), the
// buffers (shm_buffer.cpp), the layer surfaces (layers.cpp) or toplevels (toplevels.cpp), the
// event loop (loop.cpp) and the views' Platform calls (view.cpp).
#pragma once

#include <functional>
#include <memory>

#include "shell/wayland/display_lock.hpp"

namespace vorlip {

class WaylandConnection {
  public:
    // Connects as libwayland does (WAYLAND_SOCKET, else WAYLAND_DISPLAY); nullptr when there is
    // no compositor to connect to or it offers neither the layer shell nor xdg-shell's
    // toplevels, so the saver runs on X11 instead.
    static std::unique_ptr<WaylandConnection> open();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // Whether the compositor offers the layer shell: without it the saver is a fullscreen
    // toplevel, and there is no background layer for --root.
    bool has_layer_shell() const;

    // The outputs, in the order the compositor announced them.
    int output_count() const;

    // One program of each kind per display, however its name is spelled: takes the kind's lock
    // (a file in $XDG_RUNTIME_DIR named after the display's socket), held until the process
    // ends; false when another process holds it. With nowhere to keep a lock, there is no guard.
    bool hold_lock(LockKind kind);

    // Called, outside the compositor's callbacks, with each output that appears while the
    // connection runs (after the saver has ended, for a saver: a new output is activity).
    void on_new_output(std::function<void(int output)> call);

    // Delivers the events of every view until none has a window left. Throws PlatformError when
    // the connection to the compositor is lost.
    void run();

    struct Impl;
    Impl& impl() { return *impl_; }

  private:
    WaylandConnection();
    std::unique_ptr<Impl> impl_;
};

}  // namespace vorlip
