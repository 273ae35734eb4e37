#include "shell/x11/hack_platform.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>

#include "shell/arguments.hpp"
#include "shell/x11/display.hpp"
#include "shell/x11/event_loop.hpp"
#include "shell/x11/window_image.hpp"

namespace vorlip {

namespace {

// The desktop when neither the daemon's screenshot nor a capture of the root gives one.
constexpr Pixel kPlainDesktop = 0x2F4F6F;

}  // namespace

struct X11HackPlatform::State : x11::LoopHooks {
    x11::Connection x;
    x11::WindowPicture picture;
    Damage exposed;          // parts of the window the server asked to be drawn again
    bool own = false;        // a window of the show's own, made by create_window
    bool real_root = false;  // the root window itself, whose background is put back at the end
    Window target = 0;       // the window drawn into; 0 once let go
    // The root of the screen the window is on, which need not be the display's default one:
    // its desktop is the show's picture.
    Window root = 0;
    int root_width = 0, root_height = 0;
    Visual* root_visual = nullptr;
    // The image's size: a window that reports another size starts the show again.
    int width = 0, height = 0;
    // Where a window of the show's own first goes, on the root.
    int own_x = 0, own_y = 0;
    Atom screenshot = 0;
    Atom wm_protocols = 0, wm_delete = 0;
    // The root window as it was before the first frame, kept for restarts: by then the show
    // itself is on the screen.
    Surface root_capture;
    bool root_captured = false;

    bool window_exists() const override { return target != 0; }
    void event(XEvent& e, WindowEvents& events) override;
};

X11HackPlatform::X11HackPlatform(int argc, const char* const* argv, std::uint32_t window,
                                 bool own_window)
    : st_(std::make_unique<State>()), arguments_(join_arguments(argc, argv)) {
    State& st = *st_;
    st.own = own_window;
    Display* dpy = st.x.dpy;
    if (!dpy) return;  // measuring the screen says so
    st.screenshot = XInternAtom(dpy, "_SCREENSAVER_SCREENSHOT", False);
    st.wm_protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    st.wm_delete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);

    if (st.own) {
        // Two thirds of the root each way, in the middle: room for the scene, with the
        // desktop still around it.
        const int screen = DefaultScreen(dpy);
        const int rw = DisplayWidth(dpy, screen), rh = DisplayHeight(dpy, screen);
        st.width = std::max(1, rw * 2 / 3);
        st.height = std::max(1, rh * 2 / 3);
        st.own_x = (rw - st.width) / 2;
        st.own_y = (rh - st.height) / 2;
        st.root = st.x.root;
        st.root_width = rw;
        st.root_height = rh;
        st.root_visual = DefaultVisual(dpy, screen);
        return;
    }

    st.target = window != 0 ? Window(window) : st.x.root;
    st.root = st.x.root;
    // Watched before it is looked at: if it goes after the look, its DestroyNotify says so.
    XSelectInput(dpy, st.target, StructureNotifyMask | ExposureMask);
    XWindowAttributes a{};
    if (!XGetWindowAttributes(dpy, st.target, &a)) {
        char text[96];
        std::snprintf(text, sizeof text, "there is no window 0x%lx on display %s", st.target,
                      DisplayString(dpy));
        st.target = 0;
        throw PlatformError(text);
    }
    st.width = a.width;
    st.height = a.height;
    st.root = a.root;
    st.root_width = WidthOfScreen(a.screen);
    st.root_height = HeightOfScreen(a.screen);
    st.root_visual = DefaultVisualOfScreen(a.screen);
    st.real_root = st.target == st.root;
}

X11HackPlatform::~X11HackPlatform() {
    unload_window();
}

ScreenMeasure X11HackPlatform::screen_size() {
    State& st = *st_;
    st.x.check_usable();
    XWindowAttributes a{};
    if (!st.own && XGetWindowAttributes(st.x.dpy, st.target, &a)) {
        st.width = a.width;
        st.height = a.height;
    }
    return {double(st.width), double(st.height), 1, 1};
}

void X11HackPlatform::create_window(const std::string&) {
    State& st = *st_;
    Display* dpy = st.x.dpy;
    if (st.own) {
        XSetWindowAttributes a{};
        a.background_pixel = BlackPixel(dpy, DefaultScreen(dpy));
        a.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask;
        st.target = XCreateWindow(dpy, st.x.root, st.own_x, st.own_y, unsigned(st.width),
                                  unsigned(st.height), 0, CopyFromParent, InputOutput,
                                  CopyFromParent, CWBackPixel | CWEventMask, &a);
        XStoreName(dpy, st.target, kOwnTitle);
        XClassHint hint{const_cast<char*>("vorlip"), const_cast<char*>("Vorlip")};
        XSetClassHint(dpy, st.target, &hint);
        XSizeHints* size = XAllocSizeHints();
        if (size) {
            size->flags = PPosition | PSize;
            size->x = st.own_x;
            size->y = st.own_y;
            size->width = st.width;
            size->height = st.height;
            XSetWMNormalHints(dpy, st.target, size);
            XFree(size);
        }
        XSetWMProtocols(dpy, st.target, &st.wm_delete, 1);
    }
    // The picture follows the window's own visual, which need not be the screen's default.
    XWindowAttributes a{};
    Visual* visual = st.x.visual;
    int depth = st.x.depth;
    if (XGetWindowAttributes(dpy, st.target, &a)) {
        visual = a.visual;
        depth = a.depth;
    }
    st.picture.attach(dpy, st.target, visual, depth);
}

void X11HackPlatform::resize_window(int width, int height) {
    // The window's size is its owner's (or its user's) to choose: only the image follows.
    st_->width = width;
    st_->height = height;
    st_->picture.make(width, height);
}

void X11HackPlatform::make_topmost() {
    // Nothing is raised over a given window: a window of the show's own is mapped, and the
    // first frame put up.
    if (st_->own) XMapWindow(st_->x.dpy, st_->target);
    st_->picture.present_all();
}

void X11HackPlatform::unload_window() {
    State& st = *st_;
    if (st.target == 0) return;
    st.picture.drop();
    // Only a window of the show's own is destroyed. The root window shows its own background
    // again; any other given window is its owner's.
    if (st.own) XDestroyWindow(st.x.dpy, st.target);
    if (st.real_root) XClearWindow(st.x.dpy, st.target);
    XSync(st.x.dpy, False);
    st.target = 0;
}

namespace {

// The part of the daemon's screenshot (a picture of the whole root) under the window at
// (x, y) on the root, copied into `into`; false when there is none.
bool read_screenshot(Display* dpy, Window window, Atom property, int x, int y, const Visual* v,
                     Surface& into) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, window, property, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                           &after, &data) != Success)
        return false;
    Pixmap pixmap = 0;
    // Xlib hands format-32 items over as longs.
    if (data && type == XA_PIXMAP && format == 32 && count == 1)
        pixmap = Pixmap(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    if (pixmap == 0) return false;

    Window root = 0;
    int px = 0, py = 0;
    unsigned pw = 0, ph = 0, border = 0, depth = 0;
    if (!XGetGeometry(dpy, pixmap, &root, &px, &py, &pw, &ph, &border, &depth)) return false;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + into.width(), int(pw)), y1 = std::min(y + into.height(), int(ph));
    if (x0 >= x1 || y0 >= y1) return false;
    XImage* img =
        XGetImage(dpy, pixmap, x0, y0, unsigned(x1 - x0), unsigned(y1 - y0), AllPlanes, ZPixmap);
    if (!img) return false;
    x11::copy_display_image(*img, into, x0 - x, y0 - y, {v->red_mask, v->green_mask, v->blue_mask});
    XDestroyImage(img);
    return true;
}

}  // namespace

void X11HackPlatform::capture_desktop(Surface& into, int, int) {
    State& st = *st_;
    Display* dpy = st.x.dpy;
    into.fill(kPlainDesktop);
    if (!dpy || st.target == 0) return;
    // The window's place on the root: the desktop under it is its picture.
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(dpy, st.target, st.root, 0, 0, &x, &y, &child);

    if (!st.own && read_screenshot(dpy, st.target, st.screenshot, x, y, st.root_visual, into))
        return;

    if (!st.root_captured) {
        st.root_captured = true;
        const int rw = st.root_width, rh = st.root_height;
        XImage* img = XGetImage(dpy, st.root, 0, 0, unsigned(rw), unsigned(rh), AllPlanes, ZPixmap);
        if (img) {
            st.root_capture.resize(rw, rh);
            x11::copy_display_image(*img, st.root_capture, 0, 0,
                                    {img->red_mask, img->green_mask, img->blue_mask});
            XDestroyImage(img);
        }
    }
    bit_blt(into, 0, 0, into.width(), into.height(), st.root_capture, x, y, Rop::SrcCopy);
}

WindowImage& X11HackPlatform::window_image() {
    return st_->picture;
}

void X11HackPlatform::run_events(WindowEvents& events) {
    x11::run_loop(st_->x.dpy, *st_, events);
}

void X11HackPlatform::State::event(XEvent& e, WindowEvents& events) {
    switch (e.type) {
        case ConfigureNotify: {
            if (e.xconfigure.window != target) return;
            // Only the last of a run of sizes matters.
            XEvent later;
            while (XCheckTypedWindowEvent(x.dpy, target, ConfigureNotify, &later)) e = later;
            if (e.xconfigure.width != width || e.xconfigure.height != height)
                events.resized(e.xconfigure.width, e.xconfigure.height);
            return;
        }
        case KeyPress: {
            // Only a window of the show's own takes keys, and only these end the show; no other
            // input ends a show in a given window.
            const KeySym key = XLookupKeysym(&e.xkey, 0);
            if (own && (key == XK_Escape || key == XK_q)) events.end_requested();
            return;
        }
        case ClientMessage:
            if (own && e.xclient.message_type == wm_protocols &&
                Atom(e.xclient.data.l[0]) == wm_delete)
                events.end_requested();
            return;
        default:
            picture.window_event(e, events);
            return;
    }
}

}  // namespace vorlip
