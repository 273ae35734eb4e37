#include "shell/x11_hack.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>

namespace vorlip {

namespace {

// The desktop when neither the daemon's screenshot nor a capture of the root gives one.
constexpr Pixel kPlainDesktop = 0x2F4F6F;

}  // namespace

struct X11HackPlatform::State {
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
};

X11HackPlatform::X11HackPlatform(int argc, const char* const* argv, std::uint32_t window,
                                 bool own_window)
    : X11Platform(argc, argv), st_(std::make_unique<State>()) {
    State& st = *st_;
    st.own = own_window;
    Display* dpy = display();
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
        st.root = root_window();
        st.root_width = rw;
        st.root_height = rh;
        st.root_visual = DefaultVisual(dpy, screen);
        return;
    }

    st.target = window != 0 ? Window(window) : root_window();
    st.root = root_window();
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
    // Before the saver's own clean-up, which would destroy the window as its own.
    unload_window();
}

ScreenMeasure X11HackPlatform::screen_size() {
    State& st = *st_;
    if (!display()) return X11Platform::screen_size();  // throws: no display
    XWindowAttributes a{};
    if (!st.own && XGetWindowAttributes(display(), st.target, &a)) {
        st.width = a.width;
        st.height = a.height;
    }
    return {double(st.width), double(st.height), 1, 1};
}

void X11HackPlatform::create_window(const std::string&) {
    State& st = *st_;
    Display* dpy = display();
    if (st.own) {
        XSetWindowAttributes a{};
        a.background_pixel = BlackPixel(dpy, DefaultScreen(dpy));
        a.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask;
        st.target = XCreateWindow(dpy, root_window(), st.own_x, st.own_y, unsigned(st.width),
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
    draw_into(st.target, st.own);
}

void X11HackPlatform::resize_window(int width, int height) {
    // The window's size is its owner's (or its user's) to choose: only the image follows.
    st_->width = width;
    st_->height = height;
    size_image(width, height);
}

void X11HackPlatform::make_topmost() {
    // Nothing is raised over a given window: a window of the show's own is mapped, and the
    // first frame put up.
    if (st_->own) XMapWindow(display(), st_->target);
    present_image();
}

void X11HackPlatform::unload_window() {
    State& st = *st_;
    if (st.target == 0) return;
    let_go_of_window();
    // The root window shows its own background again; any other given window is its owner's.
    if (st.real_root) {
        XClearWindow(display(), st.target);
        XSync(display(), False);
    }
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
    copy_display_image(*img, into, x0 - x, y0 - y, {v->red_mask, v->green_mask, v->blue_mask});
    XDestroyImage(img);
    return true;
}

}  // namespace

void X11HackPlatform::capture_desktop(Surface& into, int, int) {
    State& st = *st_;
    Display* dpy = display();
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
            copy_display_image(*img, st.root_capture, 0, 0,
                               {img->red_mask, img->green_mask, img->blue_mask});
            XDestroyImage(img);
        }
    }
    bit_blt(into, 0, 0, into.width(), into.height(), st.root_capture, x, y, Rop::SrcCopy);
}

bool X11HackPlatform::handle_event(XEvent& e, WindowEvents& events) {
    State& st = *st_;
    switch (e.type) {
        case ConfigureNotify: {
            if (e.xconfigure.window != st.target) return false;
            // Only the last of a run of sizes matters.
            XEvent later;
            while (XCheckTypedWindowEvent(display(), st.target, ConfigureNotify, &later)) e = later;
            if (e.xconfigure.width != st.width || e.xconfigure.height != st.height)
                events.resized(e.xconfigure.width, e.xconfigure.height);
            return true;
        }
        case KeyPress: {
            // Only a window of the show's own takes keys, and only these end the show.
            const KeySym key = XLookupKeysym(&e.xkey, 0);
            if (st.own && (key == XK_Escape || key == XK_q)) events.end_requested();
            return true;
        }
        case ButtonPress:
            return true;  // no input ends a show in a given window
        case ClientMessage:
            if (st.own && e.xclient.message_type == st.wm_protocols &&
                Atom(e.xclient.data.l[0]) == st.wm_delete)
                events.end_requested();
            return true;
        default:
            return false;
    }
}

}  // namespace vorlip
