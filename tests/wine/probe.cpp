// vorlip-probe: a small Windows console program the Wine suite runs beside the saver, to see the
// saver the way other Windows programs see it.
//
//   vorlip-probe find TITLE            exit 0 and print "found" if FindWindowA finds a top-level
//                                      window titled exactly TITLE, else exit 1 and print "none"
//   vorlip-probe info TITLE            print the window's state as key=value lines (exit 1 if none)
//   vorlip-probe hold TITLE MS [show]  make a top-level window titled TITLE (hidden unless "show"),
//                                      print "ready" and keep it for MS milliseconds
//   vorlip-probe screen [unaware]      print the primary screen's size in pixels (or in the
//                                      units a program unaware of display scaling is given)
//                                      and the scaling in dots per inch
//
// Unless told otherwise the probe is DPI aware, so what it prints is in physical pixels.
#define WIN32_LEAN_AND_MEAN
#define _WIN32_WINNT 0x0A00  // the per-window DPI awareness queries
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int find(const char* title) {
    const bool found = FindWindowA(nullptr, title) != nullptr;
    std::printf("%s\n", found ? "found" : "none");
    return found ? 0 : 1;
}

struct ChildInfo {
    int count = 0;
    HWND first = nullptr;
};

BOOL CALLBACK count_child(HWND child, LPARAM lp) {
    auto* info = reinterpret_cast<ChildInfo*>(lp);
    if (info->count++ == 0) info->first = child;
    return TRUE;
}

int info(const char* title) {
    HWND w = FindWindowA(nullptr, title);
    if (w == nullptr) {
        std::printf("none\n");
        return 1;
    }
    RECT r{};
    GetWindowRect(w, &r);
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    const LONG exstyle = GetWindowLongA(w, GWL_EXSTYLE);
    std::printf("visible=%d\n", IsWindowVisible(w) ? 1 : 0);
    std::printf("rect=%ld,%ld,%ld,%ld\n", r.left, r.top, r.right, r.bottom);
    std::printf("popup=%d\n", (style & WS_POPUP) ? 1 : 0);
    std::printf("caption=%d\n", (style & WS_CAPTION) != 0 ? 1 : 0);
    std::printf("border=%d\n", (style & (WS_BORDER | WS_THICKFRAME)) != 0 ? 1 : 0);
    std::printf("topmost=%d\n", (exstyle & WS_EX_TOPMOST) ? 1 : 0);
    // 0 unaware, 1 system aware, 2 per-monitor aware: what the window's program declared.
    std::printf(
        "dpi_awareness=%d\n",
        static_cast<int>(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(w))));

    ChildInfo children;
    EnumChildWindows(w, count_child, reinterpret_cast<LPARAM>(&children));
    std::printf("children=%d\n", children.count);
    if (children.first != nullptr) {
        RECT c{};
        GetWindowRect(children.first, &c);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&c), 2);
        std::printf("child_rect=%ld,%ld,%ld,%ld\n", c.left, c.top, c.right - c.left,
                    c.bottom - c.top);
    }

    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    const DWORD thread = GetWindowThreadProcessId(w, nullptr);
    if (GetGUIThreadInfo(thread, &gui)) {
        const char* focus = gui.hwndFocus == nullptr                            ? "none"
                            : gui.hwndFocus == w                                ? "window"
                            : gui.hwndFocus == children.first && children.first ? "child"
                                                                                : "other";
        std::printf("focus=%s\n", focus);
        std::printf("active=%d\n", gui.hwndActive == w ? 1 : 0);
    }
    return 0;
}

LRESULT CALLBACK hold_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int hold(const char* title, DWORD ms, bool show) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = hold_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "vorlip probe";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                             nullptr, nullptr, wc.hInstance, nullptr);
    if (w == nullptr) return 2;
    if (show) ShowWindow(w, SW_SHOWNOACTIVATE);
    std::printf("ready\n");
    std::fflush(stdout);
    const DWORD until = GetTickCount() + ms;
    for (;;) {
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(until - now) <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, until - now, QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }
    DestroyWindow(w);
    return 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: vorlip-probe find|info TITLE | hold TITLE MS [show] | screen [unaware]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string cmd = argv[1];
    const bool unaware = cmd == "screen" && argc == 3 && std::strcmp(argv[2], "unaware") == 0;
    if (!unaware) SetProcessDPIAware();
    if (cmd == "find" && argc == 3) return find(argv[2]);
    if (cmd == "info" && argc == 3) return info(argv[2]);
    if (cmd == "hold" && (argc == 4 || argc == 5))
        return hold(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)),
                    argc == 5 && std::strcmp(argv[4], "show") == 0);
    if (cmd == "screen" && (argc == 2 || unaware)) {
        HDC dc = GetDC(nullptr);
        std::printf("%d %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                    GetDeviceCaps(dc, LOGPIXELSX));
        ReleaseDC(nullptr, dc);
        return 0;
    }
    return usage();
}
