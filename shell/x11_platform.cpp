#include "shell/x11_platform.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "shell/arguments.hpp"

namespace vorlip {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTick = std::chrono::milliseconds(20);
// How long a keyboard or pointer held by another client is asked for before the user is told
// that it does not end the show for now. It is asked for again at every tick all the same:
// whenever the other client lets go, it ends the show again.
constexpr auto kGrabPatience = std::chrono::seconds(1);
// Rows of the desktop read at a time when the server cannot hand the picture over in shared
// memory: the whole screen never lies in a buffer of its own on the way to the background.
constexpr int kCaptureBand = 64;

// How long the display may take to answer the connection before the program gives up on it.
constexpr auto kConnectPatience = std::chrono::seconds(2);
// How long the event loop has to end the show after an end signal before the process ends
// without it (a display that stopped answering holds the loop in a request).
constexpr unsigned kEndPatienceSeconds = 2;

// A signal handler can reach nothing but process-wide state: this flag is the only such state
// of the shell, read while the display is being opened and by the event loop.
volatile std::sig_atomic_t g_end_signal = 0;
// The handler's write end and the event loop's read end of a pipe that wakes the loop's wait.
int g_wake_read = -1;
int g_wake_write = -1;

// Xlib's error handler has no user data either. Errors are expected and harmless (a window
// that vanished during the title search); only the shared-memory check looks at one.
int g_x_error = 0;

// The show ends at the event loop's next turn. Should a display that stopped answering hold
// the program in a request meanwhile, the process ends after the patience all the same, which
// gives the desktop back too: the server destroys a client's window and lets go of its grabs
// when its connection closes. The patience runs from the first end signal: later ones (an
// impatient user, a daemon that repeats itself) do not put the end off.
extern "C" void on_end_signal(int) {
    const bool first = g_end_signal == 0;
    g_end_signal = 1;
    if (g_wake_write >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(g_wake_write, &byte, 1);
    }
    if (first) alarm(kEndPatienceSeconds);
}

extern "C" void on_end_patience(int) {
    ::_exit(0);
}

extern "C" int on_x_error(Display*, XErrorEvent* e) {
    g_x_error = e->error_code;
    return 0;
}

// The connection is gone: nothing on the display can be restored any more (the server drops our
// window and grabs with the connection), so say so and end without touching Xlib again.
extern "C" int on_x_io_error(Display*) {
    static const char kMessage[] = "vorlip: lost the connection to the X display\n";
    [[maybe_unused]] const auto n = ::write(2, kMessage, sizeof kMessage - 1);
    ::_exit(1);
}

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};
// The widest screen whose every pixel a 16-bit coordinate reaches.
constexpr int kMaxScreenSide = 32767;

}  // namespace

struct X11Platform::Impl : WindowImage {
    Display* dpy = nullptr;
    Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    Rect primary;
    Atom net_wm_name = 0;
    Atom utf8_string = 0;

    Window win = 0;
    Window sink = 0;
    GC gc = nullptr;
    Cursor empty_cursor = 0;

    // The window's image: an XImage, in shared memory when the server offers it. When its
    // layout is the scene's, `view` is the XImage's own memory; otherwise `view` owns its
    // pixels and each present converts them.
    XImage* ximage = nullptr;
    XShmSegmentInfo shm{};
    bool shm_attached = false;
    bool direct = false;
    ChannelMasks masks;
    Surface view;

    bool server_held = false;
    Clock::time_point next_tick;

    // A grab the show asks for and keeps asking for while another client holds the device.
    struct Grab {
        bool wanted = false;
        bool had = false;
        bool told = false;
        Clock::time_point deadline;
        void want() {
            wanted = true;
            deadline = Clock::now() + kGrabPatience;
        }
    };
    Grab keyboard;
    Grab pointer;

    // Set once the window is up over the screen: from then on anything that comes over it
    // (a raised or newly mapped window, a pop-up) is answered by raising the window again.
    bool keep_on_top = false;
    bool maybe_covered = false;

    Damage exposed;  // parts of the window the server asked to be drawn again

    Surface& image() override { return view; }
    void refresh(const Damage& where) override { present(where); }

    bool window_exists() const { return win != 0; }

    // Puts the given parts of the window's image on the window: one request for each.
    void present(const Damage& where) {
        if (!ximage) return;
        const Rect image_rect{0, 0, view.width(), view.height()};
        for (const Rect& part : where.rects()) {
            const Rect r = intersection(part, image_rect);
            if (r.empty()) continue;
            if (!direct) {
                for (int y = r.y; y < r.y + r.h; ++y)
                    for (int x = r.x; x < r.x + r.w; ++x)
                        XPutPixel(ximage, x, y, pack_pixel(view.at(x, y), masks));
            }
            if (shm_attached)
                XShmPutImage(dpy, win, gc, ximage, r.x, r.y, r.x, r.y, unsigned(r.w), unsigned(r.h),
                             False);
            else
                XPutImage(dpy, win, gc, ximage, r.x, r.y, r.x, r.y, unsigned(r.w), unsigned(r.h));
        }
        // Waiting for the server here means it has read the shared image before the next frame
        // writes it, and that the frame is on the screen when present returns.
        XSync(dpy, False);
    }

    void present_all() {
        Damage all;
        all.whole(view.width(), view.height());
        present(all);
    }

    void drop_image() {
        view = Surface();
        if (!ximage) return;
        if (shm_attached) {
            XShmDetach(dpy, &shm);
            XSync(dpy, False);
        }
        if (shm.shmaddr) {
            ximage->data = nullptr;  // not Xlib's to free
            shmdt(shm.shmaddr);
            shm = {};
        }
        XDestroyImage(ximage);
        ximage = nullptr;
        shm_attached = false;
    }

    // A shared image the server has attached, or nothing.
    XImage* try_shared_image(int w, int h) {
        if (!XShmQueryExtension(dpy)) return nullptr;
        shm = {};
        XImage* img = XShmCreateImage(dpy, visual, unsigned(depth), ZPixmap, nullptr, &shm,
                                      unsigned(w), unsigned(h));
        if (!img) return nullptr;
        const std::size_t bytes = std::size_t(img->bytes_per_line) * std::size_t(h);
        shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (shm.shmid < 0) {
            XDestroyImage(img);
            return nullptr;
        }
        void* addr = shmat(shm.shmid, nullptr, 0);
        if (addr == reinterpret_cast<void*>(-1)) {
            shmctl(shm.shmid, IPC_RMID, nullptr);
            XDestroyImage(img);
            shm = {};
            return nullptr;
        }
        shm.shmaddr = static_cast<char*>(addr);
        shm.readOnly = False;
        img->data = shm.shmaddr;
        g_x_error = 0;
        XShmAttach(dpy, &shm);
        XSync(dpy, False);
        // Marked for removal now: it goes away with the last detach, even if we are killed.
        shmctl(shm.shmid, IPC_RMID, nullptr);
        if (g_x_error != 0) {  // a server on another machine, for one
            img->data = nullptr;
            shmdt(shm.shmaddr);
            shm = {};
            XDestroyImage(img);
            return nullptr;
        }
        shm_attached = true;
        return img;
    }

    void make_image(int w, int h) {
        drop_image();
        if (w <= 0 || h <= 0) return;
        ximage = try_shared_image(w, h);
        if (!ximage) {
            ximage = XCreateImage(dpy, visual, unsigned(depth), ZPixmap, 0, nullptr, unsigned(w),
                                  unsigned(h), 32, 0);
            if (!ximage) return;
            ximage->data = static_cast<char*>(
                std::calloc(std::size_t(ximage->bytes_per_line), std::size_t(h)));
            if (!ximage->data) {
                XDestroyImage(ximage);
                ximage = nullptr;
                return;
            }
        }
        masks = {ximage->red_mask, ximage->green_mask, ximage->blue_mask};
        const bool host_lsb = std::endian::native == std::endian::little;
        direct = is_scene_layout(masks, ximage->bits_per_pixel,
                                 (ximage->byte_order == LSBFirst) == host_lsb);
        if (direct)
            view = Surface::view(reinterpret_cast<Pixel*>(ximage->data), w, h,
                                 ximage->bytes_per_line / 4);
        else
            view = Surface(w, h);
    }

    void try_grab_keyboard() {
        keyboard.had = XGrabKeyboard(dpy, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) ==
                       GrabSuccess;
    }

    // Held on the root for the same reason as the keyboard. Every button press anywhere comes
    // to the show, whatever window is under the pointer; the pointer is not confined and shows
    // the empty image wherever it goes.
    void try_grab_pointer() {
        pointer.had = XGrabPointer(dpy, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                                   None, empty_cursor, CurrentTime) == GrabSuccess;
    }

    // Asks again for a device another client held at the last tick; says so once when that
    // goes on past the patience.
    void ask_again(Grab& grab, void (Impl::*try_grab)(), Clock::time_point now, const char* line) {
        if (!grab.wanted || grab.had) return;
        (this->*try_grab)();
        if (!grab.had && !grab.told && now >= grab.deadline) {
            grab.told = true;
            std::fputs(line, stderr);
        }
    }

    // Whether the window is the top-most of the root's children, above every other window.
    bool on_top() {
        Window root_return = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(dpy, root, &root_return, &parent, &children, &n)) return true;
        const bool top = n > 0 && children[n - 1] == win;
        if (children) XFree(children);
        return top;
    }

    // Raised above whatever came over it, before the next frame is put up. Only when it is
    // not already on top: a window that stays top-most is never raised, so two windows that
    // both want the top cannot keep each other busy faster than the tick.
    void raise_if_covered() {
        if (!keep_on_top || !maybe_covered) return;
        maybe_covered = false;
        if (!on_top()) XRaiseWindow(dpy, win);
    }

    bool title_is(Window w, Atom property, const std::string& title) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const long longs = long(title.size() / 4 + 2);  // enough to see a longer title
        if (XGetWindowProperty(dpy, w, property, 0, longs, False, AnyPropertyType, &type, &format,
                               &count, &after, &data) != Success)
            return false;
        const bool same = data && format == 8 && after == 0 && count == title.size() &&
                          std::memcmp(data, title.data(), count) == 0;
        if (data) XFree(data);
        return same;
    }
};

namespace {

// XOpenDisplay waits for as long as a server that took the connection stays silent. It waits
// on a thread of its own here, so that a display that does not answer ends the program in a
// moment instead; the thread is left behind, blocked, and goes with the process.
Display* open_display_or_give_up() {
    auto opened = std::make_shared<std::promise<Display*>>();
    std::future<Display*> display = opened->get_future();
    std::thread([opened] { opened->set_value(XOpenDisplay(nullptr)); }).detach();
    const Clock::time_point give_up = Clock::now() + kConnectPatience;
    while (Clock::now() < give_up) {
        // Nothing exists yet that would need giving back: an end signal ends the program here.
        if (g_end_signal) std::_Exit(0);
        if (display.wait_for(std::chrono::milliseconds(20)) == std::future_status::ready)
            return display.get();
    }
    const char* name = std::getenv("DISPLAY");
    throw PlatformError(std::string("the X display ") + (name ? name : "") + " does not answer");
}

}  // namespace

X11Platform::X11Platform(int argc, const char* const* argv)
    : impl_(std::make_unique<Impl>()), arguments_(join_arguments(argc, argv)) {
    XSetErrorHandler(on_x_error);
    XSetIOErrorHandler(on_x_io_error);
    Impl& x = *impl_;
    x.dpy = open_display_or_give_up();
    if (!x.dpy) return;
    const int screen = DefaultScreen(x.dpy);
    x.root = RootWindow(x.dpy, screen);
    x.visual = DefaultVisual(x.dpy, screen);
    x.depth = DefaultDepth(x.dpy, screen);
    x.net_wm_name = XInternAtom(x.dpy, "_NET_WM_NAME", False);
    x.utf8_string = XInternAtom(x.dpy, "UTF8_STRING", False);

    // The primary screen: RandR's primary monitor when it names one.
    std::vector<MonitorInfo> monitors;
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (XRRQueryExtension(x.dpy, &event_base, &error_base) &&
        XRRQueryVersion(x.dpy, &major, &minor) && (major > 1 || (major == 1 && minor >= 5))) {
        int n = 0;
        XRRMonitorInfo* m = XRRGetMonitors(x.dpy, x.root, True, &n);
        for (int k = 0; m && k < n; ++k)
            monitors.push_back({{m[k].x, m[k].y, m[k].width, m[k].height}, m[k].primary != 0});
        if (m) XRRFreeMonitors(m);
    }
    x.primary = primary_screen(monitors, DisplayWidth(x.dpy, screen), DisplayHeight(x.dpy, screen));
}

X11Platform::~X11Platform() {
    Impl& x = *impl_;
    if (!x.dpy) return;
    // Whatever went wrong before, the desktop is given back.
    if (x.window_exists()) {
        set_pointer(PointerImage::system_default);
        unload_window();
    }
    XCloseDisplay(x.dpy);
}

void X11Platform::install_signal_handlers() {
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
        g_wake_read = wake[0];
        g_wake_write = wake[1];
    }
    struct sigaction sa {};
    sa.sa_handler = on_end_signal;
    sigemptyset(&sa.sa_mask);
    // One end signal at a time: a second one waits until the first has been noted.
    for (int sig : kEndSignals) sigaddset(&sa.sa_mask, sig);
    sa.sa_flags = 0;  // no restart: a wait in the event loop returns at once
    for (int sig : kEndSignals) sigaction(sig, &sa, nullptr);
    sa.sa_handler = on_end_patience;
    sigaction(SIGALRM, &sa, nullptr);
    // A write to a dead connection then fails and reaches the I/O error handler, instead of
    // ending the process without a word.
    signal(SIGPIPE, SIG_IGN);
}

bool X11Platform::saver_already_running() {
    return saver_or_setting_window_exists(
        [this](const std::string& title) { return find_window(title); });
}

bool X11Platform::find_window(const std::string& title) {
    Impl& x = *impl_;
    if (!x.dpy) return false;  // no display, no windows
    // The look-ups and the creation of the saver window are one step: the server is held from
    // the first look-up until the window exists (or the program ends), so of two copies started
    // together the second always finds the first's window.
    if (!x.server_held) {
        XGrabServer(x.dpy);
        x.server_held = true;
    }
    // The whole tree: a window manager puts client windows into frames of its own, and a
    // hidden window counts as well.
    std::vector<Window> todo{x.root};
    while (!todo.empty()) {
        const Window w = todo.back();
        todo.pop_back();
        if (w != x.root &&
            (x.title_is(w, XA_WM_NAME, title) || x.title_is(w, x.net_wm_name, title)))
            return true;
        Window root_return = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        // A window destroyed meanwhile fails here; it has no children to look at then.
        if (XQueryTree(x.dpy, w, &root_return, &parent, &children, &n) && children) {
            todo.insert(todo.end(), children, children + n);
            XFree(children);
        }
    }
    return false;
}

ScreenMeasure X11Platform::screen_size() {
    Impl& x = *impl_;
    if (!x.dpy) {
        const char* name = std::getenv("DISPLAY");
        throw PlatformError(std::string("cannot open the X display ") +
                            (name && *name ? name : "(DISPLAY is not set)"));
    }
    // Refused here, before anything is grabbed or hidden: the scene's pixels are colours, not
    // palette entries, and its coordinates are 16-bit.
    if (x.visual->c_class != TrueColor && x.visual->c_class != DirectColor)
        throw PlatformError("the screen has a " + std::to_string(x.depth) +
                            "-bit palette visual; vorlip needs a true-colour screen");
    if (x.primary.w > kMaxScreenSide || x.primary.h > kMaxScreenSide)
        throw PlatformError("the screen is " + std::to_string(x.primary.w) + "x" +
                            std::to_string(x.primary.h) + " pixels; vorlip covers at most " +
                            std::to_string(kMaxScreenSide) + " a side");
    return {double(x.primary.w), double(x.primary.h), 1, 1};
}

void X11Platform::create_window(const std::string& title) {
    Impl& x = *impl_;
    XSetWindowAttributes a{};
    // Override-redirect: no window manager frames, moves or hides it. No background: until the
    // first frame is put, a newly shown window leaves the screen as it was.
    a.override_redirect = True;
    a.background_pixmap = None;
    a.border_pixel = 0;
    a.event_mask =
        ExposureMask | ButtonPressMask | KeyPressMask | StructureNotifyMask | VisibilityChangeMask;
    x.win = XCreateWindow(x.dpy, x.root, x.primary.x, x.primary.y, 1, 1, 0, CopyFromParent,
                          InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWBackPixmap | CWBorderPixel | CWEventMask, &a);
    XStoreName(x.dpy, x.win, title.c_str());
    XChangeProperty(x.dpy, x.win, x.net_wm_name, x.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
    XClassHint hint{const_cast<char*>("vorlip"), const_cast<char*>("Vorlip")};
    XSetClassHint(x.dpy, x.win, &hint);
    x.gc = XCreateGC(x.dpy, x.win, 0, nullptr);

    // The focus sink: a child outside the client area, shown with its parent.
    XSetWindowAttributes sa{};
    sa.background_pixmap = None;
    x.sink = XCreateWindow(x.dpy, x.win, -50, 0, 30, 30, 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWBackPixmap, &sa);
    XMapWindow(x.dpy, x.sink);

    // The pointer image made from an empty picture: a 1 x 1 cursor whose mask shows nothing.
    static const char kEmpty[1] = {0};
    const Pixmap blank = XCreateBitmapFromData(x.dpy, x.win, kEmpty, 1, 1);
    XColor black{};
    x.empty_cursor = XCreatePixmapCursor(x.dpy, blank, blank, &black, &black, 0, 0);
    XFreePixmap(x.dpy, blank);

    // Every window that is mapped or restacked on the root: one of them may come over the show.
    XSelectInput(x.dpy, x.root, SubstructureNotifyMask);

    // The window exists on the server before we go on: a second copy, held until now, finds it.
    XSync(x.dpy, False);
    if (x.server_held) {
        XUngrabServer(x.dpy);
        XFlush(x.dpy);
        x.server_held = false;
    }
    x.next_tick = Clock::now() + kTick;
}

void X11Platform::resize_window(int width, int height) {
    Impl& x = *impl_;
    XResizeWindow(x.dpy, x.win, unsigned(std::max(width, 1)), unsigned(std::max(height, 1)));
    x.make_image(width, height);
}

void X11Platform::move_window(int left, int top) {
    Impl& x = *impl_;
    XMoveWindow(x.dpy, x.win, x.primary.x + left, x.primary.y + top);
}

void X11Platform::place_control(Control control, int width, int height, int left, int top) {
    Impl& x = *impl_;
    // The buffers live in memory, in the stage; only the focus sink is a window here.
    if (control != Control::focus_sink) return;
    XMoveResizeWindow(x.dpy, x.sink, left, top, unsigned(std::max(width, 1)),
                      unsigned(std::max(height, 1)));
}

void X11Platform::show_window() {
    Impl& x = *impl_;
    XMapRaised(x.dpy, x.win);
    XFlush(x.dpy);
}

void X11Platform::hide_window() {
    Impl& x = *impl_;
    XUnmapWindow(x.dpy, x.win);
    XFlush(x.dpy);
}

void X11Platform::focus_sink() {
    Impl& x = *impl_;
    // X's equivalent of the focus on the sink is a keyboard grab. It is held on the root window,
    // which stays viewable while the saver window is hidden and shown again; a grab on the
    // saver window itself would end when the window is hidden. Another client may hold the
    // keyboard for a moment: the event loop asks again for a while.
    x.keyboard.want();
    x.try_grab_keyboard();
}

void X11Platform::set_pointer(PointerImage image) {
    Impl& x = *impl_;
    // The empty image is also the pointer grab's: with the pointer held, every click ends the
    // show, whatever is mapped where it lands. The default image comes back with the grab let go.
    if (image == PointerImage::custom_empty) {
        XDefineCursor(x.dpy, x.win, x.empty_cursor);
        x.pointer.want();
        x.try_grab_pointer();
    } else {
        if (x.pointer.had) XUngrabPointer(x.dpy, CurrentTime);
        x.pointer = {};
        XUndefineCursor(x.dpy, x.win);
    }
    XFlush(x.dpy);
}

void X11Platform::make_topmost() {
    Impl& x = *impl_;
    XMapRaised(x.dpy, x.win);
    XRaiseWindow(x.dpy, x.win);
    x.keep_on_top = true;
    // The first frame is already in the image: put it up now rather than at the first Expose.
    x.present_all();
}

WindowImage& X11Platform::window_image() {
    return *impl_;
}

void X11Platform::unload_window() {
    Impl& x = *impl_;
    if (!x.window_exists()) return;
    XUngrabKeyboard(x.dpy, CurrentTime);
    XUngrabPointer(x.dpy, CurrentTime);
    x.keyboard = {};
    x.pointer = {};
    x.keep_on_top = x.maybe_covered = false;
    x.drop_image();
    if (x.gc) XFreeGC(x.dpy, x.gc);
    x.gc = nullptr;
    XDestroyWindow(x.dpy, x.win);  // the sink goes with it
    XFreeCursor(x.dpy, x.empty_cursor);
    x.win = x.sink = 0;
    x.empty_cursor = 0;
    XSync(x.dpy, False);
}

void X11Platform::watch_input() {
    const PointI32 caret = caret_pos();
    watch_.start(caret, cursor_pos());
}

bool X11Platform::input_changed() {
    const PointI32 caret = caret_pos();
    return watch_.changed(caret, cursor_pos());
}

PointI32 X11Platform::caret_pos() {
    // X has no caret that a program could read: the caret position is a constant (0, 0), so
    // it never ends the show.
    return {0, 0};
}

PointI32 X11Platform::cursor_pos() {
    Impl& x = *impl_;
    Window root_return = 0, child = 0;
    int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
    unsigned int mask = 0;
    XQueryPointer(x.dpy, x.root, &root_return, &child, &root_x, &root_y, &win_x, &win_y, &mask);
    // Relative to the primary screen, whose top-left corner is the saver's (0, 0).
    return {root_x - x.primary.x, root_y - x.primary.y};
}

void X11Platform::capture_desktop(Surface& into, int width, int height) {
    Impl& x = *impl_;
    const int w = std::min({width, x.primary.w, into.width()});
    const int h = std::min({height, x.primary.h, into.height()});
    if (w <= 0 || h <= 0) return;
    // The root window's image is what is on the screen, every window on it included. If the
    // server refuses, the buffer keeps what it held.
    //
    // The window's shared image holds nothing yet (the first frame is made after the capture),
    // so the server puts the picture there and it goes on into the background from there.
    if (x.shm_attached && x.ximage && x.ximage->width == w && x.ximage->height == h &&
        x.depth == DefaultDepth(x.dpy, DefaultScreen(x.dpy)) &&
        XShmGetImage(x.dpy, x.root, x.ximage, x.primary.x, x.primary.y, AllPlanes)) {
        copy_display_image(*x.ximage, into, 0, 0, x.masks);
        return;
    }
    // Otherwise a band of rows at a time.
    for (int y = 0; y < h; y += kCaptureBand) {
        const int rows = std::min(kCaptureBand, h - y);
        XImage* img = XGetImage(x.dpy, x.root, x.primary.x, x.primary.y + y, unsigned(w),
                                unsigned(rows), AllPlanes, ZPixmap);
        if (!img) return;
        copy_display_image(*img, into, 0, y, {img->red_mask, img->green_mask, img->blue_mask});
        XDestroyImage(img);
    }
}

void X11Platform::run_events(WindowEvents& events) {
    Impl& x = *impl_;
    if (!x.dpy || !x.window_exists()) return;

    const int fd = ConnectionNumber(x.dpy);
    while (x.window_exists()) {
        if (g_end_signal) {
            events.end_requested();
            break;
        }
        while (x.window_exists() && XPending(x.dpy) > 0) {
            XEvent e;
            XNextEvent(x.dpy, &e);
            if (handle_event(e, events)) continue;
            switch (e.type) {
                case Expose:
                    if (e.xexpose.window != x.win) break;
                    x.exposed.add({e.xexpose.x, e.xexpose.y, e.xexpose.width, e.xexpose.height});
                    if (e.xexpose.count == 0) {
                        x.present(x.exposed);
                        x.exposed.clear();
                    }
                    break;
                case ButtonPress:  // on the root window too, through the grab
                    if (e.xbutton.window == x.win || e.xbutton.window == x.sink ||
                        e.xbutton.window == x.root)
                        events.click();
                    break;
                case VisibilityNotify:
                    if (e.xvisibility.window == x.win &&
                        e.xvisibility.state != VisibilityUnobscured)
                        x.maybe_covered = true;
                    break;
                case MapNotify:
                    if (e.xmap.event == x.root && e.xmap.window != x.win) x.maybe_covered = true;
                    break;
                case ConfigureNotify:  // a restack among the root's children
                    if (e.xconfigure.event == x.root && e.xconfigure.window != x.win)
                        x.maybe_covered = true;
                    break;
                case KeyPress:  // reported on the root window, through the grab
                    events.key_down();
                    break;
                case DestroyNotify:
                    // Destroyed from outside: what is left of the show is ended as usual.
                    if (e.xdestroywindow.window == x.win) events.end_requested();
                    break;
                default:
                    break;
            }
        }
        if (!x.window_exists()) break;

        const Clock::time_point now = Clock::now();
        if (now >= x.next_tick) {
            x.ask_again(x.keyboard, &Impl::try_grab_keyboard, now,
                        "vorlip: another program holds the keyboard; key presses end the show "
                        "only once it lets go\n");
            x.ask_again(x.pointer, &Impl::try_grab_pointer, now,
                        "vorlip: another program holds the pointer; clicks end the show only "
                        "once it lets go\n");
            x.raise_if_covered();
            events.timer_tick();
            // Ticks that fell due while the frame was made are not made up.
            const Clock::time_point after = Clock::now();
            x.next_tick += kTick;
            while (x.next_tick <= after) x.next_tick += kTick;
            continue;
        }

        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(x.next_tick - now);
        timespec ts{};
        ts.tv_sec = time_t(wait.count() / 1000000000);
        ts.tv_nsec = long(wait.count() % 1000000000);
        // An end signal that comes just before the wait still ends it at once: its handler has
        // written to the wake pipe.
        pollfd pfd[2] = {{fd, POLLIN, 0}, {g_wake_read, POLLIN, 0}};
        ppoll(pfd, g_wake_read >= 0 ? 2 : 1, &ts, nullptr);
    }
}

void copy_display_image(XImage& picture, Surface& into, int x, int y, const ChannelMasks& masks) {
    const ChannelMasks m =
        picture.red_mask || picture.green_mask || picture.blue_mask
            ? ChannelMasks{picture.red_mask, picture.green_mask, picture.blue_mask}
            : masks;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + picture.width, into.width());
    const int y1 = std::min(y + picture.height, into.height());
    if (x0 >= x1 || y0 >= y1) return;
    XImage& img = picture;
    const bool host_lsb = std::endian::native == std::endian::little;
    if (is_scene_layout(m, img.bits_per_pixel, (img.byte_order == LSBFirst) == host_lsb)) {
        for (int ty = y0; ty < y1; ++ty) {
            const auto* src = reinterpret_cast<const std::uint32_t*>(
                img.data + std::ptrdiff_t(ty - y) * img.bytes_per_line);
            Pixel* dst = into.row(ty);
            for (int tx = x0; tx < x1; ++tx) dst[tx] = src[tx - x] & kWhite;
        }
    } else {
        for (int ty = y0; ty < y1; ++ty)
            for (int tx = x0; tx < x1; ++tx)
                into.set(tx, ty, unpack_pixel(XGetPixel(&img, tx - x, ty - y), m));
    }
}

// --- for a show in a window other than the saver's own

Display* X11Platform::display() const {
    return impl_->dpy;
}

unsigned long X11Platform::root_window() const {
    return impl_->root;
}

void X11Platform::draw_into(unsigned long window, bool own) {
    Impl& x = *impl_;
    XWindowAttributes a{};
    if (XGetWindowAttributes(x.dpy, window, &a)) {
        x.visual = a.visual;
        x.depth = a.depth;
    }
    x.win = window;
    window_is_own_ = own;
    x.gc = XCreateGC(x.dpy, x.win, 0, nullptr);
    x.next_tick = Clock::now() + kTick;
}

void X11Platform::size_image(int width, int height) {
    impl_->make_image(width, height);
}

void X11Platform::present_image() {
    impl_->present_all();
}

void X11Platform::let_go_of_window() {
    Impl& x = *impl_;
    if (!x.window_exists()) return;
    x.drop_image();
    if (x.gc) XFreeGC(x.dpy, x.gc);
    x.gc = nullptr;
    if (window_is_own_) XDestroyWindow(x.dpy, x.win);
    x.win = 0;
    XSync(x.dpy, False);
}

bool X11Platform::handle_event(XEvent&, WindowEvents&) {
    return false;
}

}  // namespace vorlip
