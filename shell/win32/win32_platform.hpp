// The saver on Windows: user32 and gdi32 behind the shell's platform interface.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "shell/platform.hpp"
#include "shell/title_systems.hpp"

namespace vorlip {

class Win32Platform : public Platform {
  public:
    explicit Win32Platform(HINSTANCE instance);
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    bool saver_already_running() override;
    std::string command_line() override;
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
    WindowImage& window_image() override { return image_; }
    void unload_window() override;
    void watch_input() override;
    bool input_changed() override;
    void capture_desktop(Surface& into, int width, int height) override;
    void run_events(WindowEvents& events) override;

  private:
    bool find_window(const std::string& title);
    PointI32 caret_pos();
    PointI32 cursor_pos();
    void release_start_lock();
    // The window's persistent image: a plain buffer laid out as GDI's 32-bit top-down bitmap,
    // put on the window with SetDIBitsToDevice at each refresh and at each WM_PAINT.
    struct Image : WindowImage {
        Win32Platform* owner = nullptr;
        Surface surface;
        Surface& image() override { return surface; }
        void refresh(const Damage& where) override;
    };

    static LRESULT CALLBACK form_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK focus_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT on_form_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT on_focus_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void present(HDC dc, const Rect& part);
    HCURSOR current_cursor() const;

    HINSTANCE instance_;
    HANDLE start_lock_ = nullptr;  // held from the guard's look-up until the saver window exists
    HWND form_ = nullptr;          // the saver window
    HWND focus_sink_ = nullptr;    // the focus sink
    HCURSOR empty_pointer_ = nullptr;  // the custom pointer: an image with no visible pixel
    PointerImage pointer_ = PointerImage::system_default;
    bool focus_given_ = false;   // the focus sink took the focus once: it keeps it on activation
    bool timer_period_ = false;  // timeBeginPeriod(1) is in force
    // Where the window's events go; none until the event loop runs, so nothing reaches the
    // handlers during the set-up.
    WindowEvents* events_ = nullptr;
    Image image_;
    PositionWatch watch_;
};

}  // namespace vorlip
