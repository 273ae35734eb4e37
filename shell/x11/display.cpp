#include "shell/x11/display.hpp"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "shell/pixels.hpp"
#include "shell/platform.hpp"
#include "shell/posix/end_signals.hpp"

namespace vorlip::x11 {

namespace {

// How long the display may take to answer the connection before the program gives up on it.
constexpr auto kConnectPatience = std::chrono::seconds(2);
// The widest screen whose every pixel a 16-bit coordinate reaches.
constexpr int kMaxScreenSide = 32767;

// Xlib's error handler has no user data: the last error is process-wide.
int g_x_error = 0;

extern "C" int on_x_error(Display*, XErrorEvent* e) {
    g_x_error = e->error_code;
    return 0;
}

// The connection is gone: nothing on the display can be restored any more (the server drops our
// window and grabs with the connection), so say so and end without touching Xlib again.
constexpr char kLostDisplay[] = "vorlip: lost the connection to the X display\n";
extern "C" int on_x_io_error(Display*) {
    [[maybe_unused]] const auto n = ::write(2, kLostDisplay, sizeof kLostDisplay - 1);
    ::_exit(1);
}

// XOpenDisplay waits for as long as a server that took the connection stays silent. It waits
// on a thread of its own here, so that a display that does not answer ends the program in a
// moment instead; the thread is left behind, blocked, and goes with the process.
Display* open_display_or_give_up() {
    using Clock = std::chrono::steady_clock;
    auto opened = std::make_shared<std::promise<Display*>>();
    std::future<Display*> display = opened->get_future();
    std::thread([opened] { opened->set_value(XOpenDisplay(nullptr)); }).detach();
    const Clock::time_point give_up = Clock::now() + kConnectPatience;
    while (Clock::now() < give_up) {
        // Nothing exists yet that would need giving back: an end signal ends the program here.
        if (posix::end_signalled()) std::_Exit(0);
        if (display.wait_for(std::chrono::milliseconds(20)) == std::future_status::ready)
            return display.get();
    }
    const char* name = std::getenv("DISPLAY");
    throw PlatformError(std::string("the X display ") + (name ? name : "") + " does not answer");
}

bool title_is(Display* dpy, Window w, Atom property, const std::string& title) {
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

}  // namespace

void reset_error() {
    g_x_error = 0;
}

int last_error() {
    return g_x_error;
}

Connection::Connection() {
    XSetErrorHandler(on_x_error);
    XSetIOErrorHandler(on_x_io_error);
    dpy = open_display_or_give_up();
    if (!dpy) return;
    const int screen = DefaultScreen(dpy);
    root = RootWindow(dpy, screen);
    visual = DefaultVisual(dpy, screen);
    depth = DefaultDepth(dpy, screen);
    net_wm_name = XInternAtom(dpy, "_NET_WM_NAME", False);
    utf8_string = XInternAtom(dpy, "UTF8_STRING", False);

    // The primary screen: RandR's primary monitor when it names one.
    std::vector<MonitorInfo> monitors;
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (XRRQueryExtension(dpy, &event_base, &error_base) && XRRQueryVersion(dpy, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int n = 0;
        XRRMonitorInfo* m = XRRGetMonitors(dpy, root, True, &n);
        for (int k = 0; m && k < n; ++k)
            monitors.push_back({{m[k].x, m[k].y, m[k].width, m[k].height}, m[k].primary != 0});
        if (m) XRRFreeMonitors(m);
    }
    primary = primary_screen(monitors, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen));
}

Connection::~Connection() {
    if (dpy) XCloseDisplay(dpy);
}

void Connection::check_usable() const {
    if (!dpy) {
        const char* name = std::getenv("DISPLAY");
        throw PlatformError(std::string("cannot open the X display ") +
                            (name && *name ? name : "(DISPLAY is not set)"));
    }
    // Refused before anything is grabbed or hidden: the scene's pixels are colours, not palette
    // entries, and its coordinates are 16-bit.
    if (visual->c_class != TrueColor && visual->c_class != DirectColor)
        throw PlatformError("the screen has a " + std::to_string(depth) +
                            "-bit palette visual; vorlip needs a true-colour screen");
    if (primary.w > kMaxScreenSide || primary.h > kMaxScreenSide)
        throw PlatformError("the screen is " + std::to_string(primary.w) + "x" +
                            std::to_string(primary.h) + " pixels; vorlip covers at most " +
                            std::to_string(kMaxScreenSide) + " a side");
}

bool Connection::window_titled(const std::string& title) const {
    if (!dpy) return false;  // no display, no windows
    // The whole tree: a window manager puts client windows into frames of its own, and a
    // hidden window counts as well.
    std::vector<Window> todo{root};
    while (!todo.empty()) {
        const Window w = todo.back();
        todo.pop_back();
        if (w != root &&
            (title_is(dpy, w, XA_WM_NAME, title) || title_is(dpy, w, net_wm_name, title)))
            return true;
        Window root_return = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        // A window destroyed meanwhile fails here; it has no children to look at then.
        if (XQueryTree(dpy, w, &root_return, &parent, &children, &n) && children) {
            todo.insert(todo.end(), children, children + n);
            XFree(children);
        }
    }
    return false;
}

void copy_display_image(XImage& picture, Surface& into, int x, int y, const ChannelMasks& masks) {
    const ChannelMasks m =
        picture.red_mask || picture.green_mask || picture.blue_mask
            ? ChannelMasks{picture.red_mask, picture.green_mask, picture.blue_mask}
            : masks;
    XImage& img = picture;
    const bool host_lsb = std::endian::native == std::endian::little;
    // The scene's own layout on a little-endian host: blue-first 32-bit words.
    if (host_lsb && is_scene_layout(m, img.bits_per_pixel, img.byte_order == LSBFirst)) {
        import_rows({reinterpret_cast<const std::uint8_t*>(img.data), img.bytes_per_line, img.width,
                     img.height, ByteOrder32::bgrx},
                    into, x, y);
        return;
    }
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + picture.width, into.width());
    const int y1 = std::min(y + picture.height, into.height());
    for (int ty = y0; ty < y1; ++ty)
        for (int tx = x0; tx < x1; ++tx)
            into.set(tx, ty, unpack_pixel(XGetPixel(&img, tx - x, ty - y), m));
}

}  // namespace vorlip::x11
