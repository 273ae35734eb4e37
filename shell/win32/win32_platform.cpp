#include "shell/win32/win32_platform.hpp"

#include <mmsystem.h>

#include <algorithm>
#include <array>

#include "shell/win32/win32_util.hpp"

namespace vorlip {

namespace {

constexpr const char* kFormClass = "vorlip saver";
constexpr const char* kFocusClass = "vorlip focus sink";
constexpr UINT_PTR kTickTimer = 1;
// The mutex that makes the single-instance guard and the window's creation one step. A copy
// that cannot have it in this long (one hung between the two) goes on without it.
constexpr const char* kStartLockName = "vorlip saver start";
constexpr DWORD kStartLockPatienceMs = 5000;
constexpr int kIconId = 100;  // the icon a screen saver carries, by the settings dialog's custom

// SetWindowPos flags for the last step of the set-up: on top of every other window, shown,
// neither moved nor sized nor activated (0x53).
constexpr UINT kTopmostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW;
// Rows of the desktop captured at a time.
constexpr int kCaptureBand = 64;
static_assert(kTopmostFlags == 0x53);

// Describes a top-down 32-bit bitmap of the given size, the layout of the window's image.
BITMAPINFO top_down_bitmap(int width, int height) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;  // negative: the first row is the top one
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

// A pointer with no visible pixel: every AND bit set keeps the screen, every XOR bit clear
// changes nothing.
HCURSOR make_empty_cursor(HINSTANCE instance) {
    constexpr int kSide = 32;
    std::array<BYTE, kSide * kSide / 8> and_plane;
    std::array<BYTE, kSide * kSide / 8> xor_plane;
    and_plane.fill(0xFF);
    xor_plane.fill(0x00);
    return CreateCursor(instance, 0, 0, kSide, kSide, and_plane.data(), xor_plane.data());
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance) : instance_(instance) {
    image_.owner = this;
}

Win32Platform::~Win32Platform() {
    release_start_lock();
    unload_window();
    if (empty_pointer_ != nullptr) DestroyCursor(empty_pointer_);
}

// --- start-up

bool Win32Platform::saver_already_running() {
    return saver_or_setting_window_exists(
        [this](const std::string& title) { return find_window(title); });
}

bool Win32Platform::find_window(const std::string& title) {
    // The look-ups and the creation of the saver window are one step: a named mutex is held
    // from the first look-up until the window exists (or the process ends), so of two copies
    // started together the second always finds the first's window.
    if (start_lock_ == nullptr) {
        start_lock_ = CreateMutexA(nullptr, FALSE, kStartLockName);
        if (start_lock_ != nullptr) WaitForSingleObject(start_lock_, kStartLockPatienceMs);
    }
    return FindWindowA(nullptr, title.c_str()) != nullptr;
}

void Win32Platform::release_start_lock() {
    if (start_lock_ == nullptr) return;
    ReleaseMutex(start_lock_);
    CloseHandle(start_lock_);
    start_lock_ = nullptr;
}

std::string Win32Platform::command_line() {
    const char* line = GetCommandLineA();
    return std::string(arguments_after_program(line != nullptr ? line : ""));
}

ScreenMeasure Win32Platform::screen_size() {
    // The process is per-monitor DPI aware (its manifest says so), so these are the primary
    // screen's physical pixels whatever scaling the user chose.
    ScreenMeasure m;
    m.width = GetSystemMetrics(SM_CXSCREEN);
    m.height = GetSystemMetrics(SM_CYSCREEN);
    m.units_per_pixel_x = 1;
    m.units_per_pixel_y = 1;
    return m;
}

// --- the saver window

void Win32Platform::create_window(const std::string& title) {
    // An even 20 ms cadence needs the system timer at its finest.
    if (!timer_period_) timer_period_ = timeBeginPeriod(1) == TIMERR_NOERROR;

    WNDCLASSEXA form{};
    form.cbSize = sizeof(form);
    form.lpfnWndProc = &Win32Platform::form_proc;
    form.hInstance = instance_;
    form.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(kIconId));
    form.hCursor = nullptr;        // WM_SETCURSOR picks the pointer
    form.hbrBackground = nullptr;  // nothing but the frames is ever painted
    form.lpszClassName = kFormClass;
    RegisterClassExA(&form);

    WNDCLASSEXA sink{};
    sink.cbSize = sizeof(sink);
    sink.lpfnWndProc = &Win32Platform::focus_proc;
    sink.hInstance = instance_;
    sink.lpszClassName = kFocusClass;
    RegisterClassExA(&sink);

    empty_pointer_ = make_empty_cursor(instance_);

    // Borderless, without a title bar, and hidden.
    form_ = CreateWindowExA(0, kFormClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            instance_, this);
    focus_sink_ = CreateWindowExA(0, kFocusClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, form_,
                                  nullptr, instance_, this);
    // The tick timer runs from now on; its ticks are handled only once the event loop runs.
    SetTimer(form_, kTickTimer, UINT(kTick.count()), nullptr);
    // The window exists: a second copy, held until now, finds it.
    release_start_lock();
}

void Win32Platform::resize_window(int width, int height) {
    image_.surface.resize(width, height);
    SetWindowPos(form_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Platform::move_window(int left, int top) {
    SetWindowPos(form_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Platform::place_control(Control control, int width, int height, int left, int top) {
    // The buffers live in memory, not on the window: only the focus sink is a real child.
    if (control == Control::focus_sink) MoveWindow(focus_sink_, left, top, width, height, FALSE);
}

void Win32Platform::show_window() {
    // Shown and active, in front, so that the keyboard comes to the focus sink.
    ShowWindow(form_, SW_SHOW);
    SetForegroundWindow(form_);
    // Paint the image the window already holds at once, before anything else is seen of it.
    UpdateWindow(form_);
    // The window is now under the pointer; its pointer applies without waiting for a move.
    if (IsWindowVisible(form_)) SetCursor(current_cursor());
}

void Win32Platform::hide_window() {
    ShowWindow(form_, SW_HIDE);
}

void Win32Platform::focus_sink() {
    SetFocus(focus_sink_);
    focus_given_ = true;
}

void Win32Platform::set_pointer(PointerImage image) {
    pointer_ = image;
    SetCursor(current_cursor());
}

HCURSOR Win32Platform::current_cursor() const {
    if (pointer_ == PointerImage::custom_empty) return empty_pointer_;
    return LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
}

void Win32Platform::make_topmost() {
    SetWindowPos(form_, HWND_TOPMOST, 0, 0, 0, 0, kTopmostFlags);
}

void Win32Platform::unload_window() {
    if (form_ != nullptr) {
        HWND form = form_;
        form_ = nullptr;
        focus_sink_ = nullptr;
        // Takes the focus sink and the tick timer with it; WM_DESTROY ends the event loop.
        DestroyWindow(form);
    }
    if (timer_period_) {
        timeEndPeriod(1);
        timer_period_ = false;
    }
}

void Win32Platform::Image::refresh(const Damage& where) {
    if (owner == nullptr || owner->form_ == nullptr) return;
    HDC dc = GetDC(owner->form_);
    for (const Rect& r : where.rects()) owner->present(dc, r);
    ReleaseDC(owner->form_, dc);
    GdiFlush();
}

void Win32Platform::present(HDC dc, const Rect& part) {
    Surface& s = image_.surface;
    const Rect r = intersection(part, Rect{0, 0, s.width(), s.height()});
    if (dc == nullptr || r.empty()) return;
    // The rows of r are handed over as a bitmap of their own, exactly as tall as r: then the
    // source's vertical origin is 0 whichever corner a top-down bitmap counts it from.
    const BITMAPINFO bmi = top_down_bitmap(s.stride(), r.h);
    SetDIBitsToDevice(dc, r.x, r.y, static_cast<DWORD>(r.w), static_cast<DWORD>(r.h), r.x, 0, 0,
                      static_cast<UINT>(r.h), s.row(r.y), &bmi, DIB_RGB_COLORS);
}

// --- input

void Win32Platform::watch_input() {
    const PointI32 caret = caret_pos();
    watch_.start(caret, cursor_pos());
}

bool Win32Platform::input_changed() {
    const PointI32 caret = caret_pos();
    return watch_.changed(caret, cursor_pos());
}

PointI32 Win32Platform::caret_pos() {
    POINT p{};
    GetCaretPos(&p);
    return {static_cast<std::int32_t>(p.x), static_cast<std::int32_t>(p.y)};
}

PointI32 Win32Platform::cursor_pos() {
    POINT p{};
    GetCursorPos(&p);
    return {static_cast<std::int32_t>(p.x), static_cast<std::int32_t>(p.y)};
}

// --- the desktop

void Win32Platform::capture_desktop(Surface& into, int width, int height) {
    const int w = std::min(width, into.width());
    const int h = std::min(height, into.height());
    if (w <= 0 || h <= 0) return;

    // A band of rows at a time through a bitmap of that size: the whole screen never lies in a
    // buffer of its own on the way to the background.
    const int band = std::min(h, kCaptureBand);
    HWND desktop = GetDesktopWindow();
    HDC desktop_dc = GetDC(desktop);
    HDC memory = CreateCompatibleDC(desktop_dc);
    const BITMAPINFO bmi = top_down_bitmap(w, band);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(desktop_dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory != nullptr && dib != nullptr && bits != nullptr) {
        HGDIOBJ before = SelectObject(memory, dib);
        for (int y = 0; y < h; y += band) {
            const int rows = std::min(band, h - y);
            // A band that failed leaves that part of the background as it was.
            const bool copied = BitBlt(memory, 0, 0, w, rows, desktop_dc, 0, y, SRCCOPY) != FALSE;
            GdiFlush();
            if (copied) copy_dib_into(into, {static_cast<const std::uint32_t*>(bits), w, rows}, y);
        }
        SelectObject(memory, before);
    }
    ReleaseDC(desktop, desktop_dc);
    if (dib != nullptr) DeleteObject(dib);
    if (memory != nullptr) DeleteDC(memory);
}

// --- events

void Win32Platform::run_events(WindowEvents& events) {
    if (form_ == nullptr) return;
    events_ = &events;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    events_ = nullptr;
}

LRESULT CALLBACK Win32Platform::form_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(hwnd, msg, wp, lp);
    return self->on_form_message(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32Platform::focus_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(hwnd, msg, wp, lp);
    return self->on_focus_message(hwnd, msg, wp, lp);
}

LRESULT Win32Platform::on_form_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            if (wp == kTickTimer && events_ != nullptr) events_->timer_tick();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (events_ != nullptr) events_->click();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT) {
                SetCursor(current_cursor());
                return TRUE;
            }
            break;
        case WM_ERASEBKGND:
            return 1;  // the frame covers everything; erasing would only flash
        case WM_PAINT: {
            // The window keeps its image: a repaint shows the last frame again.
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            const RECT& p = ps.rcPaint;
            present(dc, Rect{p.left, p.top, p.right - p.left, p.bottom - p.top});
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SETFOCUS:
            // Once the focus sink had the focus, it gets it back whenever the window does, so
            // key presses keep reaching it after the window was hidden and shown again.
            if (focus_given_ && focus_sink_ != nullptr) {
                SetFocus(focus_sink_);
                return 0;
            }
            break;
        case WM_CLOSE:
            // Closed from outside: end the show the way an input does.
            if (events_ != nullptr) events_->end_requested();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT Win32Platform::on_focus_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Alt and F10 arrive as system keys; they are key presses all the same.
            if (events_ != nullptr) events_->key_down();
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace vorlip
