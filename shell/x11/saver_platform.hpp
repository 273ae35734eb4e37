// The saver on an X11 display: its own override-redirect window over the primary screen (RandR's
// primary monitor), the keyboard and pointer held, kept on top of whatever maps over it, its
// picture put up through MIT-SHM.
#pragma once

#include <memory>
#include <string>

#include "shell/platform.hpp"
#include "shell/title_systems.hpp"

namespace vorlip {

class X11SaverPlatform : public Platform {
  public:
    // Opens the display named by $DISPLAY. Without one the lookups find nothing, so every mode
    // but the saver's still ends normally; measuring the screen then throws PlatformError.
    X11SaverPlatform(int argc, const char* const* argv);
    ~X11SaverPlatform() override;
    X11SaverPlatform(const X11SaverPlatform&) = delete;
    X11SaverPlatform& operator=(const X11SaverPlatform&) = delete;

    bool saver_already_running() override;
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
    void watch_input() override;
    bool input_changed() override;
    void capture_desktop(Surface& into, int width, int height) override;
    void run_events(WindowEvents& events) override;

    struct Impl;

  private:
    PointI32 cursor_pos();

    std::unique_ptr<Impl> impl_;
    PositionWatch watch_;
    std::string arguments_;
};

}  // namespace vorlip
