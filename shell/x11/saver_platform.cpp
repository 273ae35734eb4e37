#include "shell/x11/saver_platform.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

#include "shell/arguments.hpp"
#include "shell/x11/display.hpp"
#include "shell/x11/event_loop.hpp"
#include "shell/x11/grabs.hpp"
#include "shell/x11/window_image.hpp"

namespace vorlip {

namespace {

// Rows of the desktop read at a time when the server cannot hand the picture over in shared
// memory: the whole screen never lies in a buffer of its own on the way to the background.
constexpr int kCaptureBand = 64;
// The empty pointer's picture: one pixel whose mask shows nothing.
constexpr char kEmptyBitmap[1] = {0};

}  // namespace

struct X11SaverPlatform::Impl : x11::LoopHooks {
    x11::Connection x;
    Window win = 0;
    Window sink = 0;
    Cursor empty_cursor = 0;
    x11::WindowPicture picture;
    x11::Grabs grabs;

    bool server_held = false;

    // Set once the window is up over the screen: from then on anything that comes over it
    // (a raised or newly mapped window, a pop-up) is answered by raising the window again.
    bool keep_on_top = false;
    bool maybe_covered = false;

    bool window_exists() const override { return win != 0; }

    // Whether the window is the top-most of the root's children, above every other window.
    bool on_top() {
        Window root_return = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(x.dpy, x.root, &root_return, &parent, &children, &n)) return true;
        const bool top = n > 0 && children[n - 1] == win;
        if (children) XFree(children);
        return top;
    }

    // Raised above whatever came over it, before the next frame is put up. Only when it is
    // not already on top: a window that stays top-most is never raised, so two windows that
    // both want the top cannot keep each other busy faster than the tick.
    void before_tick() override {
        grabs.ask_again();
        if (!keep_on_top || !maybe_covered) return;
        maybe_covered = false;
        if (!on_top()) XRaiseWindow(x.dpy, win);
    }

    void event(XEvent& e, WindowEvents& events) override {
        switch (e.type) {
            case ButtonPress:  // on the root window too, through the grab
                if (e.xbutton.window == win || e.xbutton.window == sink ||
                    e.xbutton.window == x.root)
                    events.click();
                break;
            case VisibilityNotify:
                if (e.xvisibility.window == win && e.xvisibility.state != VisibilityUnobscured)
                    maybe_covered = true;
                break;
            case MapNotify:
                if (e.xmap.event == x.root && e.xmap.window != win) maybe_covered = true;
                break;
            case ConfigureNotify:  // a restack among the root's children
                if (e.xconfigure.event == x.root && e.xconfigure.window != win)
                    maybe_covered = true;
                break;
            case KeyPress:  // reported on the root window, through the grab
                events.key_down();
                break;
            default:
                picture.window_event(e, events);
                break;
        }
    }
};

X11SaverPlatform::X11SaverPlatform(int argc, const char* const* argv)
    : impl_(std::make_unique<Impl>()), arguments_(join_arguments(argc, argv)) {
    impl_->grabs.set_root(impl_->x.dpy, impl_->x.root);
}

X11SaverPlatform::~X11SaverPlatform() {
    // Whatever went wrong before, the desktop is given back.
    if (impl_->x.dpy && impl_->window_exists()) {
        set_pointer(PointerImage::system_default);
        unload_window();
    }
}

bool X11SaverPlatform::saver_already_running() {
    Impl& s = *impl_;
    return saver_or_setting_window_exists([&s](const std::string& title) {
        if (!s.x.dpy) return false;
        // The look-ups and the creation of the saver window are one step: the server is held
        // from the first look-up until the window exists (or the program ends), so of two
        // copies started together the second always finds the first's window.
        if (!s.server_held) {
            XGrabServer(s.x.dpy);
            s.server_held = true;
        }
        return s.x.window_titled(title);
    });
}

ScreenMeasure X11SaverPlatform::screen_size() {
    const x11::Connection& x = impl_->x;
    x.check_usable();
    return {double(x.primary.w), double(x.primary.h), 1, 1};
}

void X11SaverPlatform::create_window(const std::string& title) {
    Impl& s = *impl_;
    x11::Connection& x = s.x;
    XSetWindowAttributes a{};
    // Override-redirect: no window manager frames, moves or hides it. No background: until the
    // first frame is put, a newly shown window leaves the screen as it was.
    a.override_redirect = True;
    a.background_pixmap = None;
    a.border_pixel = 0;
    a.event_mask =
        ExposureMask | ButtonPressMask | KeyPressMask | StructureNotifyMask | VisibilityChangeMask;
    s.win = XCreateWindow(x.dpy, x.root, x.primary.x, x.primary.y, 1, 1, 0, CopyFromParent,
                          InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWBackPixmap | CWBorderPixel | CWEventMask, &a);
    XStoreName(x.dpy, s.win, title.c_str());
    XChangeProperty(x.dpy, s.win, x.net_wm_name, x.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
    XClassHint hint{const_cast<char*>("vorlip"), const_cast<char*>("Vorlip")};
    XSetClassHint(x.dpy, s.win, &hint);
    s.picture.attach(x.dpy, s.win, x.visual, x.depth);

    // The focus sink: a child outside the client area, shown with its parent.
    XSetWindowAttributes sa{};
    sa.background_pixmap = None;
    s.sink = XCreateWindow(x.dpy, s.win, -50, 0, 30, 30, 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWBackPixmap, &sa);
    XMapWindow(x.dpy, s.sink);

    // The pointer image made from an empty picture: a 1 x 1 cursor whose mask shows nothing.
    const Pixmap blank = XCreateBitmapFromData(x.dpy, s.win, kEmptyBitmap, 1, 1);
    XColor black{};
    s.empty_cursor = XCreatePixmapCursor(x.dpy, blank, blank, &black, &black, 0, 0);
    XFreePixmap(x.dpy, blank);

    // Every window that is mapped or restacked on the root: one of them may come over the show.
    XSelectInput(x.dpy, x.root, SubstructureNotifyMask);

    // The window exists on the server before we go on: a second copy, held until now, finds it.
    XSync(x.dpy, False);
    if (s.server_held) {
        XUngrabServer(x.dpy);
        XFlush(x.dpy);
        s.server_held = false;
    }
}

void X11SaverPlatform::resize_window(int width, int height) {
    Impl& s = *impl_;
    XResizeWindow(s.x.dpy, s.win, unsigned(std::max(width, 1)), unsigned(std::max(height, 1)));
    s.picture.make(width, height);
}

void X11SaverPlatform::move_window(int left, int top) {
    Impl& s = *impl_;
    XMoveWindow(s.x.dpy, s.win, s.x.primary.x + left, s.x.primary.y + top);
}

void X11SaverPlatform::place_control(Control control, int width, int height, int left, int top) {
    Impl& s = *impl_;
    // The buffers live in memory, in the stage; only the focus sink is a window here.
    if (control != Control::focus_sink) return;
    XMoveResizeWindow(s.x.dpy, s.sink, left, top, unsigned(std::max(width, 1)),
                      unsigned(std::max(height, 1)));
}

void X11SaverPlatform::show_window() {
    Impl& s = *impl_;
    XMapRaised(s.x.dpy, s.win);
    XFlush(s.x.dpy);
}

void X11SaverPlatform::hide_window() {
    Impl& s = *impl_;
    XUnmapWindow(s.x.dpy, s.win);
    XFlush(s.x.dpy);
}

void X11SaverPlatform::focus_sink() {
    // X's equivalent of the focus on the sink is a keyboard grab. It is held on the root window,
    // which stays viewable while the saver window is hidden and shown again; a grab on the
    // saver window itself would end when the window is hidden. Another client may hold the
    // keyboard for a moment: the event loop asks again for a while.
    impl_->grabs.want_keyboard();
}

void X11SaverPlatform::set_pointer(PointerImage image) {
    Impl& s = *impl_;
    // The empty image is also the pointer grab's: with the pointer held, every click ends the
    // show, whatever is mapped where it lands. The default image comes back with the grab let go.
    if (image == PointerImage::custom_empty) {
        XDefineCursor(s.x.dpy, s.win, s.empty_cursor);
        s.grabs.want_pointer(s.empty_cursor);
    } else {
        s.grabs.release_pointer();
        XUndefineCursor(s.x.dpy, s.win);
    }
    XFlush(s.x.dpy);
}

void X11SaverPlatform::make_topmost() {
    Impl& s = *impl_;
    XMapRaised(s.x.dpy, s.win);
    XRaiseWindow(s.x.dpy, s.win);
    s.keep_on_top = true;
    // The first frame is already in the image: put it up now rather than at the first Expose.
    s.picture.present_all();
}

WindowImage& X11SaverPlatform::window_image() {
    return impl_->picture;
}

void X11SaverPlatform::unload_window() {
    Impl& s = *impl_;
    if (!s.window_exists()) return;
    s.grabs.release();
    s.keep_on_top = s.maybe_covered = false;
    s.picture.drop();
    XDestroyWindow(s.x.dpy, s.win);  // the sink goes with it
    XFreeCursor(s.x.dpy, s.empty_cursor);
    s.win = s.sink = 0;
    s.empty_cursor = 0;
    XSync(s.x.dpy, False);
}

void X11SaverPlatform::watch_input() {
    // X has no caret that a program could read: the caret position is a constant (0, 0), so it
    // never ends the show.
    watch_.start({0, 0}, cursor_pos());
}

bool X11SaverPlatform::input_changed() {
    return watch_.changed({0, 0}, cursor_pos());
}

PointI32 X11SaverPlatform::cursor_pos() {
    const x11::Connection& x = impl_->x;
    Window root_return = 0, child = 0;
    int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
    unsigned int mask = 0;
    XQueryPointer(x.dpy, x.root, &root_return, &child, &root_x, &root_y, &win_x, &win_y, &mask);
    // Relative to the primary screen, whose top-left corner is the saver's (0, 0).
    return {root_x - x.primary.x, root_y - x.primary.y};
}

void X11SaverPlatform::capture_desktop(Surface& into, int width, int height) {
    Impl& s = *impl_;
    const x11::Connection& x = s.x;
    const int w = std::min({width, x.primary.w, into.width()});
    const int h = std::min({height, x.primary.h, into.height()});
    if (w <= 0 || h <= 0) return;
    // The root window's image is what is on the screen, every window on it included. If the
    // server refuses, the buffer keeps what it held.
    if (s.picture.capture_through(x.root, {x.primary.x, x.primary.y, w, h},
                                  DefaultDepth(x.dpy, DefaultScreen(x.dpy)), into))
        return;
    // Otherwise a band of rows at a time.
    for (int y = 0; y < h; y += kCaptureBand) {
        const int rows = std::min(kCaptureBand, h - y);
        XImage* img = XGetImage(x.dpy, x.root, x.primary.x, x.primary.y + y, unsigned(w),
                                unsigned(rows), AllPlanes, ZPixmap);
        if (!img) return;
        x11::copy_display_image(*img, into, 0, y, {img->red_mask, img->green_mask, img->blue_mask});
        XDestroyImage(img);
    }
}

void X11SaverPlatform::run_events(WindowEvents& events) {
    x11::run_loop(impl_->x.dpy, *impl_, events);
}

}  // namespace vorlip
