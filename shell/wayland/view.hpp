// The window of one show on one output of a Wayland compositor. A background show (--root) is a
// WaylandView on an output's background layer: no input, nothing to hide. The saver is a
// WaylandSaverView: the overlay layer over its output with the keyboard, the pointer hidden,
// every other output covered by a still picture of itself, and any input ending the show.
#pragma once

#include <memory>
#include <string>

#include "shell/platform.hpp"
#include "shell/wayland/connection.hpp"

namespace vorlip {

class WaylandView : public Platform {
  public:
    WaylandView(WaylandConnection& connection, int output, std::string arguments);
    ~WaylandView() override;
    WaylandView(const WaylandView&) = delete;
    WaylandView& operator=(const WaylandView&) = delete;

    std::string command_line() override { return arguments_; }
    // The output's size in its own pixels, as the compositor described the output.
    ScreenMeasure screen_size() override;
    void create_window(const std::string& title) override;
    void resize_window(int width, int height) override;
    // Shows the surface with the first frame: a layer surface is over (or under) everything it
    // is meant to be from its first picture on.
    void make_topmost() override;
    WindowImage& window_image() override;
    void unload_window() override;
    void capture_desktop(Surface& into, int width, int height) override;
    void run_events(WindowEvents& events) override;

    // For several views on one connection: where this view's events go once the connection
    // runs.
    void deliver_to(WindowEvents& events);

    struct Impl;
    enum class Role { saver, background };

  protected:
    WaylandView(WaylandConnection& connection, Role role, int output, std::string arguments);
    Impl& impl() { return *impl_; }

  private:
    std::unique_ptr<Impl> impl_;
    std::string arguments_;
};

class WaylandSaverView final : public WaylandView {
  public:
    WaylandSaverView(WaylandConnection& connection, int output, std::string arguments);

    // One saver per display: a lock on a file in $XDG_RUNTIME_DIR named after the display, held
    // until the process ends (the kernel drops it with a saver that dies).
    bool saver_already_running() override;
    void create_window(const std::string& title) override;
    void set_pointer(PointerImage image) override;
    void watch_input() override;
    bool input_changed() override;
};

}  // namespace vorlip
