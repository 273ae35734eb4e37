// The picture of an X window that a show draws into: an XImage, in shared memory when the
// server offers it (MIT-SHM), put on the window part by part.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include "scene/stage.hpp"
#include "shell/platform.hpp"
#include "shell/x11/layout.hpp"

namespace vorlip::x11 {

class WindowPicture : public WindowImage {
  public:
    WindowPicture() = default;
    ~WindowPicture() override { drop(); }
    WindowPicture(const WindowPicture&) = delete;
    WindowPicture& operator=(const WindowPicture&) = delete;

    // From now on the picture is put on `window` of `dpy`, whose pixels have `visual` and `depth`.
    void attach(Display* dpy, Window window, Visual* visual, int depth);
    // Sizes the picture (its contents unknown); 0 wide or high is no picture at all.
    void make(int width, int height);
    // Frees the picture and the drawing context; `attach` again before the next `make`.
    void drop();

    Surface& image() override { return view_; }
    void refresh(const Damage& where) override { present(where); }
    // Puts the given parts of the picture on the window: one request for each. Returns once
    // the server has them, so the next frame may write the shared memory again.
    void present(const Damage& where);
    void present_all();

    // What every show's window does with the server's word about it: drawn again where it was
    // exposed, and the show ended when the window was destroyed from outside.
    void window_event(const XEvent& e, WindowEvents& events);

    // Reads the rectangle (x, y, w, h) of `root` into the picture's memory and copies it into
    // `into`, when the picture is shared, has that size and the screen's depth; false otherwise
    // (the caller reads the screen another way).
    bool capture_through(Window root, const Rect& r, int root_depth, Surface& into);

  private:
    XImage* try_shared_image(int w, int h);

    Display* dpy_ = nullptr;
    Window window_ = 0;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    GC gc_ = nullptr;
    // When the XImage's layout is the scene's, `view_` is its own memory; otherwise `view_` owns
    // its pixels and each present converts them.
    XImage* ximage_ = nullptr;
    XShmSegmentInfo shm_{};
    bool shm_attached_ = false;
    bool direct_ = false;
    ChannelMasks masks_;
    Surface view_;
    Damage exposed_;  // parts of the window the server asked to be drawn again
};

}  // namespace vorlip::x11
