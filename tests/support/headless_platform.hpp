// A saver platform without a screen. It records every call in order, answers lookups, sizes and
// positions from what it was given, and replays a list of window events. The tests drive the
// start-up, the set-up and the tick through it.
#pragma once

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "shell/platform.hpp"
#include "shell/title_systems.hpp"

namespace vorlip {

// One event of the headless window, or a change of the input that the next check will see.
struct HeadlessEvent {
    enum Kind { timer, click, key, end_request, move_cursor, move_caret };
    Kind kind = timer;
    std::int32_t x = 0;  // the new position, for the moves
    std::int32_t y = 0;
};

class HeadlessPlatform : public Platform {
  public:
    // --- what the system holds
    std::set<std::string> windows;  // titles of the windows that exist
    std::string arguments;
    ScreenMeasure screen{1024, 768, 1, 1};
    PointI32 caret;
    PointI32 cursor;
    Surface desktop{1024, 768};
    std::deque<HeadlessEvent> events;
    // Called after each call has been recorded, with its record; lets a test change the input
    // in the middle of a sequence.
    std::function<void(const std::string&)> on_call;

    // --- what the saver did
    std::vector<std::string> calls;
    bool window_exists = false;
    bool window_shown = false;
    bool has_focus = false;
    PointerImage pointer = PointerImage::system_default;
    int left = 0, top = 0, width = 0, height = 0;
    long long presents = 0;
    PositionWatch watch;  // the positions the input checks compare

    // The calls that are not presents, in order.
    std::vector<std::string> calls_without_presents() const;

    bool saver_already_running() override;
    std::string command_line() override;
    ScreenMeasure screen_size() override;
    void create_window(const std::string& title) override;
    void resize_window(int w, int h) override;
    void move_window(int l, int t) override;
    void place_control(Control control, int w, int h, int l, int t) override;
    void show_window() override;
    void hide_window() override;
    void focus_sink() override;
    void set_pointer(PointerImage image) override;
    void make_topmost() override;
    WindowImage& window_image() override { return image_; }
    void unload_window() override;
    void watch_input() override;
    bool input_changed() override;
    void capture_desktop(Surface& into, int w, int h) override;
    void run_events(WindowEvents& handlers) override;

    // The window's image as last presented.
    const Surface& shown_image() const { return image_.surface; }

  private:
    void record(std::string call);
    bool find_window(const std::string& title);
    PointI32 caret_pos();
    PointI32 cursor_pos();

    struct Image : WindowImage {
        HeadlessPlatform* owner = nullptr;
        Surface surface;
        Surface& image() override { return surface; }
        void refresh(const Damage& where) override;
    };
    Image image_;
    std::string title_;
};

}  // namespace vorlip
