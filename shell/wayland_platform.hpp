// The saver on a Wayland compositor that offers the layer shell (wlroots' and others'):
// libwayland-client, layer-shell surfaces, wl_shm buffers, and screencopy for the desktop picture.
//
// One connection (WaylandConnection) serves one or more views (WaylandView), each the saver
// window of one show on one output. The saver's own show plays on one output, the first the
// compositor announces; every other output gets a still overlay of its own picture, so the whole
// desktop is covered and input anywhere ends the show. A background show (--root) plays one show
// on every output's background layer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shell/platform.hpp"

namespace vorlip {

class WaylandView;

class WaylandConnection {
  public:
    // Connects as libwayland does (WAYLAND_SOCKET, else WAYLAND_DISPLAY); nullptr when there is
    // no compositor to connect to or it offers no layer shell, so the saver runs on X11 instead.
    static std::unique_ptr<WaylandConnection> open();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // Makes SIGTERM, SIGINT and SIGHUP end the shows as input does.
    static void install_signal_handlers();

    // The outputs, in the order the compositor announced them.
    int output_count() const;

    // Delivers the events of every view until none has a window left. Throws PlatformError when
    // the connection to the compositor is lost.
    void run();

    struct Impl;

  private:
    friend class WaylandView;
    WaylandConnection();
    std::unique_ptr<Impl> impl_;
};

class WaylandView : public Platform {
  public:
    enum class Role {
        saver,       // the overlay layer over the whole desktop, input ends the show
        background,  // the background layer of one output, no input
    };
    WaylandView(WaylandConnection& connection, Role role, int output, std::string arguments);
    ~WaylandView() override;
    WaylandView(const WaylandView&) = delete;
    WaylandView& operator=(const WaylandView&) = delete;

    // One saver per display: a lock on a file in $XDG_RUNTIME_DIR named after the display, held
    // until the process ends (the kernel drops it with a saver that dies).
    bool saver_already_running() override;
    std::string command_line() override { return arguments_; }
    // The size the compositor gives the surface on the output, in the output's own pixels.
    ScreenMeasure screen_size() override;
    void create_window(const std::string& title) override;
    void resize_window(int width, int height) override;
    void move_window(int left, int top) override;
    void place_control(Control control, int width, int height, int left, int top) override;
    void show_window() override;
    void hide_window() override;
    void focus_sink() override;
    void set_pointer(PointerImage image) override;
    void make_topmost() override;
    WindowImage& window_image() override;
    void unload_window() override;
    void watch_input() override;
    bool input_changed() override;
    void capture_desktop(Surface& into, int width, int height) override;
    void run_events(WindowEvents& events) override;

    // For several views on one connection: where this view's events go once run() runs.
    void deliver_to(WindowEvents& events);

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
    std::string arguments_;
};

}  // namespace vorlip
