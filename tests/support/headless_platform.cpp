#include "support/headless_platform.hpp"

namespace vorlip {

namespace {
const char* control_name(Control c) {
    switch (c) {
        case Control::focus_sink:
            return "focus_sink";
        case Control::compose:
            return "compose";
        case Control::background:
            return "background";
    }
    return "?";
}
}  // namespace

void HeadlessPlatform::record(std::string call) {
    calls.push_back(call);
    if (on_call) on_call(call);
}

std::vector<std::string> HeadlessPlatform::calls_without_presents() const {
    std::vector<std::string> out;
    for (const std::string& c : calls)
        if (c != "present") out.push_back(c);
    return out;
}

bool HeadlessPlatform::saver_already_running() {
    return saver_or_setting_window_exists(
        [this](const std::string& title) { return find_window(title); });
}

bool HeadlessPlatform::find_window(const std::string& title) {
    record("find_window " + title);
    return windows.count(title) > 0;
}

std::string HeadlessPlatform::command_line() {
    record("command_line");
    return arguments;
}

ScreenMeasure HeadlessPlatform::screen_size() {
    record("screen_size");
    return screen;
}

void HeadlessPlatform::create_window(const std::string& title) {
    record("create_window " + title);
    title_ = title;
    window_exists = true;
    windows.insert(title);
    image_.owner = this;
}

void HeadlessPlatform::resize_window(int w, int h) {
    record("resize_window " + std::to_string(w) + " " + std::to_string(h));
    width = w;
    height = h;
    image_.surface.resize(w, h);
}

void HeadlessPlatform::move_window(int l, int t) {
    record("move_window " + std::to_string(l) + " " + std::to_string(t));
    left = l;
    top = t;
}

void HeadlessPlatform::place_control(Control control, int w, int h, int l, int t) {
    record(std::string("place_control ") + control_name(control) + " " + std::to_string(w) + " " +
           std::to_string(h) + " " + std::to_string(l) + " " + std::to_string(t));
}

void HeadlessPlatform::show_window() {
    record("show_window");
    window_shown = true;
}

void HeadlessPlatform::hide_window() {
    record("hide_window");
    window_shown = false;
}

void HeadlessPlatform::focus_sink() {
    record("focus_sink");
    has_focus = true;
}

void HeadlessPlatform::set_pointer(PointerImage image) {
    record(image == PointerImage::custom_empty ? "set_pointer empty" : "set_pointer default");
    pointer = image;
}

void HeadlessPlatform::make_topmost() {
    record("make_topmost");
    window_shown = true;
}

void HeadlessPlatform::unload_window() {
    record("unload_window");
    window_exists = false;
    window_shown = false;
    has_focus = false;
    windows.erase(title_);
}

void HeadlessPlatform::watch_input() {
    const PointI32 c = caret_pos();
    watch.start(c, cursor_pos());
}

bool HeadlessPlatform::input_changed() {
    const PointI32 c = caret_pos();
    return watch.changed(c, cursor_pos());
}

PointI32 HeadlessPlatform::caret_pos() {
    record("caret_pos");
    return caret;
}

PointI32 HeadlessPlatform::cursor_pos() {
    record("cursor_pos");
    return cursor;
}

void HeadlessPlatform::capture_desktop(Surface& into, int w, int h) {
    record("capture_desktop " + std::to_string(w) + " " + std::to_string(h));
    bit_blt(into, 0, 0, w, h, desktop, 0, 0, Rop::SrcCopy);
}

void HeadlessPlatform::Image::refresh(const Damage&) {
    ++owner->presents;
    owner->record("present");
}

void HeadlessPlatform::run_events(WindowEvents& handlers) {
    // A window that is gone delivers nothing more; what is left in the list stays there.
    while (window_exists && !events.empty()) {
        const HeadlessEvent e = events.front();
        events.pop_front();
        switch (e.kind) {
            case HeadlessEvent::timer:
                handlers.timer_tick();
                break;
            case HeadlessEvent::click:
                handlers.click();
                break;
            case HeadlessEvent::key:
                handlers.key_down();
                break;
            case HeadlessEvent::end_request:
                handlers.end_requested();
                break;
            case HeadlessEvent::move_cursor:
                cursor = {e.x, e.y};
                break;
            case HeadlessEvent::move_caret:
                caret = {e.x, e.y};
                break;
        }
    }
}

}  // namespace vorlip
