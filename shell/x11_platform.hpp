// The saver on an X11 display: Xlib, with MIT-SHM for presenting and RandR for the primary
// screen.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "shell/platform.hpp"
#include "shell/title_systems.hpp"
#include "shell/x11_layout.hpp"

// Xlib's own declarations of the types the protected part below names, so that this header
// needs no Xlib.
typedef struct _XDisplay Display;
typedef union _XEvent XEvent;
typedef struct _XImage XImage;

namespace vorlip {

// Copies a picture read from the display into `into` at (x, y), as far as both reach. A
// pixmap's picture carries no channel masks: `masks` stands in for them.
void copy_display_image(XImage& picture, Surface& into, int x, int y, const ChannelMasks& masks);

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

  protected:
    // For a show in a window other than the saver's own (x11_hack.cpp): the connection (none
    // without a display) and its root window.
    Display* display() const;
    unsigned long root_window() const;
    // From now on the show draws into `window`: the window's image follows its visual, the
    // timer starts, and its Expose and DestroyNotify events reach the show. Only an `own`
    // window is destroyed when the show lets go of it.
    void draw_into(unsigned long window, bool own);
    // Sizes the window's image, not the window.
    void size_image(int width, int height);
    // Puts the window's image on the screen now.
    void present_image();
    // Frees the image and the drawing context, and destroys the window if it is the show's
    // own; run_events then returns.
    void let_go_of_window();
    // Sees each event before the saver's own handling; true when it took care of it.
    virtual bool handle_event(XEvent& event, WindowEvents& events);

  private:
    // Whether a top-level window titled exactly `title` exists, hidden ones included.
    bool find_window(const std::string& title);
    PointI32 caret_pos();
    PointI32 cursor_pos();

    std::unique_ptr<Impl> impl_;
    PositionWatch watch_;
    std::string arguments_;
    bool window_is_own_ = true;
};

}  // namespace vorlip
