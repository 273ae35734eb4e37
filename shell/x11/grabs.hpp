// The keyboard and the pointer, held by the saver on the root window while it shows: every key
// and every button press anywhere comes to the show. Another client may hold a device for a
// while; the saver asks again at every tick and says so once when that goes on.
#pragma once

#include <X11/Xlib.h>

#include <chrono>

namespace vorlip::x11 {

class Grabs {
  public:
    using Clock = std::chrono::steady_clock;

    // The root the devices are held on, and the pointer image shown while the pointer is held.
    void set_root(Display* dpy, Window root) {
        dpy_ = dpy;
        root_ = root;
    }
    void want_keyboard();
    void want_pointer(Cursor image);
    // Lets go of the pointer only, giving it its image back.
    void release_pointer();
    // Lets go of both.
    void release();
    // At every tick: asks again for a device another client held.
    void ask_again();

  private:
    // A grab the show asks for and keeps asking for while another client holds the device.
    struct Grab {
        bool wanted = false;
        bool had = false;
        bool told = false;
        Clock::time_point deadline;
    };
    void try_keyboard();
    void try_pointer();
    static void want(Grab& grab);
    void ask_again(Grab& grab, bool pointer, Clock::time_point now, const char* line);

    Display* dpy_ = nullptr;
    Window root_ = 0;
    Cursor pointer_image_ = 0;
    Grab keyboard_;
    Grab pointer_;
};

}  // namespace vorlip::x11
