#include "shell/x11/window_image.hpp"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <cstdlib>

#include "shell/x11/display.hpp"

namespace vorlip::x11 {

void WindowPicture::attach(Display* dpy, Window window, Visual* visual, int depth) {
    drop();
    dpy_ = dpy;
    window_ = window;
    visual_ = visual;
    depth_ = depth;
    gc_ = XCreateGC(dpy_, window_, 0, nullptr);
}

void WindowPicture::present(const Damage& where) {
    if (!ximage_) return;
    const Rect image_rect{0, 0, view_.width(), view_.height()};
    for (const Rect& part : where.rects()) {
        const Rect r = intersection(part, image_rect);
        if (r.empty()) continue;
        if (!direct_) {
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x)
                    XPutPixel(ximage_, x, y, pack_pixel(view_.at(x, y), masks_));
        }
        if (shm_attached_)
            XShmPutImage(dpy_, window_, gc_, ximage_, r.x, r.y, r.x, r.y, unsigned(r.w),
                         unsigned(r.h), False);
        else
            XPutImage(dpy_, window_, gc_, ximage_, r.x, r.y, r.x, r.y, unsigned(r.w),
                      unsigned(r.h));
    }
    // Waiting for the server here means it has read the shared image before the next frame
    // writes it, and that the frame is on the screen when present returns.
    XSync(dpy_, False);
}

void WindowPicture::present_all() {
    Damage all;
    all.whole(view_.width(), view_.height());
    present(all);
}

void WindowPicture::drop() {
    view_ = Surface();
    if (ximage_) {
        if (shm_attached_) {
            XShmDetach(dpy_, &shm_);
            XSync(dpy_, False);
        }
        if (shm_.shmaddr) {
            ximage_->data = nullptr;  // not Xlib's to free
            shmdt(shm_.shmaddr);
            shm_ = {};
        }
        XDestroyImage(ximage_);
        ximage_ = nullptr;
        shm_attached_ = false;
    }
    if (gc_) XFreeGC(dpy_, gc_);
    gc_ = nullptr;
}

XImage* WindowPicture::try_shared_image(int w, int h) {
    if (!XShmQueryExtension(dpy_)) return nullptr;
    shm_ = {};
    XImage* img = XShmCreateImage(dpy_, visual_, unsigned(depth_), ZPixmap, nullptr, &shm_,
                                  unsigned(w), unsigned(h));
    if (!img) return nullptr;
    const std::size_t bytes = std::size_t(img->bytes_per_line) * std::size_t(h);
    shm_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shm_.shmid < 0) {
        XDestroyImage(img);
        return nullptr;
    }
    void* addr = shmat(shm_.shmid, nullptr, 0);
    if (addr == reinterpret_cast<void*>(-1)) {
        shmctl(shm_.shmid, IPC_RMID, nullptr);
        XDestroyImage(img);
        shm_ = {};
        return nullptr;
    }
    shm_.shmaddr = static_cast<char*>(addr);
    shm_.readOnly = False;
    img->data = shm_.shmaddr;
    reset_error();
    XShmAttach(dpy_, &shm_);
    XSync(dpy_, False);
    // Marked for removal now: it goes away with the last detach, even if we are killed.
    shmctl(shm_.shmid, IPC_RMID, nullptr);
    if (last_error() != 0) {  // a server on another machine, for one
        img->data = nullptr;
        shmdt(shm_.shmaddr);
        shm_ = {};
        XDestroyImage(img);
        return nullptr;
    }
    shm_attached_ = true;
    return img;
}

void WindowPicture::make(int w, int h) {
    // The drawing context stays: only the picture is new.
    GC keep = gc_;
    gc_ = nullptr;
    drop();
    gc_ = keep;
    if (w <= 0 || h <= 0) return;
    ximage_ = try_shared_image(w, h);
    if (!ximage_) {
        ximage_ = XCreateImage(dpy_, visual_, unsigned(depth_), ZPixmap, 0, nullptr, unsigned(w),
                               unsigned(h), 32, 0);
        if (!ximage_) return;
        ximage_->data =
            static_cast<char*>(std::calloc(std::size_t(ximage_->bytes_per_line), std::size_t(h)));
        if (!ximage_->data) {
            XDestroyImage(ximage_);
            ximage_ = nullptr;
            return;
        }
    }
    masks_ = {ximage_->red_mask, ximage_->green_mask, ximage_->blue_mask};
    const bool host_lsb = std::endian::native == std::endian::little;
    direct_ = is_scene_layout(masks_, ximage_->bits_per_pixel,
                              (ximage_->byte_order == LSBFirst) == host_lsb);
    if (direct_)
        view_ = Surface::view(reinterpret_cast<Pixel*>(ximage_->data), w, h,
                              ximage_->bytes_per_line / 4);
    else
        view_ = Surface(w, h);
}

void WindowPicture::window_event(const XEvent& e, WindowEvents& events) {
    if (e.type == Expose && e.xexpose.window == window_) {
        exposed_.add({e.xexpose.x, e.xexpose.y, e.xexpose.width, e.xexpose.height});
        if (e.xexpose.count == 0) {
            present(exposed_);
            exposed_.clear();
        }
    } else if (e.type == DestroyNotify && e.xdestroywindow.window == window_) {
        // Destroyed from outside: what is left of the show is ended as usual.
        events.end_requested();
    }
}

bool WindowPicture::capture_through(Window root, const Rect& r, int root_depth, Surface& into) {
    // The picture holds nothing yet (the first frame is made after the capture), so the server
    // puts the desktop there and it goes on into the background from there.
    if (!shm_attached_ || !ximage_ || ximage_->width != r.w || ximage_->height != r.h ||
        depth_ != root_depth)
        return false;
    if (!XShmGetImage(dpy_, root, ximage_, r.x, r.y, AllPlanes)) return false;
    copy_display_image(*ximage_, into, 0, 0, masks_);
    return true;
}

}  // namespace vorlip::x11
