#include "e2e/pictures.hpp"

#include <X11/Xutil.h>

#include <cstdlib>

namespace vorlip::e2e {

Pixmap make_pixmap(Display* dpy, int w, int h, const PictureFn& f, int screen) {
    if (screen < 0) screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    const int depth = DefaultDepth(dpy, screen);
    const Pixmap pm = XCreatePixmap(dpy, root, unsigned(w), unsigned(h), unsigned(depth));
    XImage* img = XCreateImage(dpy, DefaultVisual(dpy, screen), unsigned(depth), ZPixmap, 0,
                               nullptr, unsigned(w), unsigned(h), 32, 0);
    img->data = static_cast<char*>(std::calloc(std::size_t(img->bytes_per_line), std::size_t(h)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) XPutPixel(img, x, y, f(x, y));
    const GC gc = XCreateGC(dpy, pm, 0, nullptr);
    XPutImage(dpy, pm, gc, img, 0, 0, 0, 0, unsigned(w), unsigned(h));
    XFreeGC(dpy, gc);
    XDestroyImage(img);
    return pm;
}

Surface window_picture(Display* dpy, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy, w, &a)) return {};
    XImage* img =
        XGetImage(dpy, w, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    if (!img) return {};
    Surface picture(a.width, a.height);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) picture.set(x, y, Pixel(XGetPixel(img, x, y)));
    XDestroyImage(img);
    return picture;
}

SceneCount count_scene(const Surface& picture, int x0, int y0, const PictureFn& desktop) {
    SceneCount c;
    c.total = picture.width() * picture.height();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const Pixel p = picture.at(x, y);
            if (p == desktop(x0 + x, y0 + y)) {
                ++c.same;
                continue;
            }
            const int r = int(p >> 16), g = int((p >> 8) & 0xFF), b = int(p & 0xFF);
            const bool white = r > 230 && g > 230 && b > 230;
            const bool grey = std::abs(r - g) < 12 && std::abs(g - b) < 12 && r > 60 && r < 200;
            if (white || grey) ++c.mother;
        }
    return c;
}

}  // namespace vorlip::e2e
