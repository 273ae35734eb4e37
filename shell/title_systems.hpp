// What the systems that have window titles anyone can look up and a pointer and caret anyone can
// read (X11, Win32, the tests' headless system) share: the single-instance guard by title and
// the input check by position. A system without either (Wayland) answers the same questions in
// its own way.
#pragma once

#include "scene/rules.hpp"
#include "shell/platform.hpp"

namespace vorlip {

// The saver window's title, and the title of the settings window whose presence also stops a
// start. The guard looks for both.
inline constexpr const char* kSaverTitle = "SAVER vorlip";
inline constexpr const char* kSettingTitle = "vorlip Saver Setting";

// The guard: a saver is running when a window with either title exists. Both look-ups are
// always made, the saver's first.
template <class FindWindow>
bool saver_or_setting_window_exists(FindWindow&& find_window) {
    const bool saver_open = find_window(kSaverTitle);
    const bool setting_open = find_window(kSettingTitle);
    return saver_open || setting_open;
}

// The input check by position: the positions of each check are compared with the low 16 bits of
// those of the check before, so any change, however small, counts.
struct PositionWatch {
    // The low 16 bits of the positions seen at the previous check.
    i16 last_caret_x = 0;
    i16 last_caret_y = 0;
    i16 last_cursor_x = 0;
    i16 last_cursor_y = 0;
    // The positions as the system last reported them.
    PointI32 caret_pos;
    PointI32 cursor_pos;

    // The first check: only remembers.
    void start(PointI32 caret, PointI32 cursor) {
        caret_pos = caret;
        cursor_pos = cursor;
        remember();
    }

    // A later check: whether either position differs from the one remembered, which it then
    // replaces. The saved values are widened with their sign, so a coordinate outside the
    // 16-bit range never matches.
    bool changed(PointI32 caret, PointI32 cursor) {
        caret_pos = caret;
        cursor_pos = cursor;
        const bool moved = i32{last_caret_x} != caret.x || i32{last_caret_y} != caret.y ||
                           i32{last_cursor_x} != cursor.x || i32{last_cursor_y} != cursor.y;
        remember();
        return moved;
    }

    bool operator==(const PositionWatch&) const = default;

  private:
    void remember() {
        last_caret_x = w16(caret_pos.x);
        last_caret_y = w16(caret_pos.y);
        last_cursor_x = w16(cursor_pos.x);
        last_cursor_y = w16(cursor_pos.y);
    }
};

}  // namespace vorlip
