// The saver on an X11 display: Xlib, with MIT-SHM for presenting and RandR for the primary
// screen.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "shell/platform.hpp"
#include "shell/x11_layout.hpp"

namespace vorlip {

class X11Platform : public Platform {
  public:
    // Opens the display named by $DISPLAY. Without one the lookups find nothing, so every mode
    // but the saver's still ends normally; measuring the screen then throws PlatformError.
    X11Platform(int argc, const char* const* argv);
    ~X11Platform() override;
    X11Platform(const X11Platform&) = delete;
    X11Platform& operator=(const X11Platform&) = delete;

    // Makes SIGTERM, SIGINT and SIGHUP end the show through end_requested instead of killing the
    // process with the pointer hidden and the keyboard grabbed.
    static void install_signal_handlers();

    bool find_window(const std::string& title) override;
    std::string command_line() override { return arguments_; }
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
    PointI32 caret_pos() override;
    PointI32 cursor_pos() override;
    void capture_desktop(Surface& into, int width, int height) override;
    void run_events(WindowEvents& events) override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
    std::string arguments_;
};

}  // namespace vorlip
