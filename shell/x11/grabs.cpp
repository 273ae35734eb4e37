#include "shell/x11/grabs.hpp"

#include <cstdio>

namespace vorlip::x11 {

namespace {

// How long a keyboard or pointer held by another client is asked for before the user is told
// that it does not end the show for now. It is asked for again at every tick all the same:
// whenever the other client lets go, it ends the show again.
constexpr auto kGrabPatience = std::chrono::seconds(1);

}  // namespace

void Grabs::want(Grab& grab) {
    grab.wanted = true;
    grab.deadline = Clock::now() + kGrabPatience;
}

void Grabs::want_keyboard() {
    want(keyboard_);
    try_keyboard();
}

void Grabs::want_pointer(Cursor image) {
    pointer_image_ = image;
    want(pointer_);
    try_pointer();
}

void Grabs::release_pointer() {
    if (pointer_.had) XUngrabPointer(dpy_, CurrentTime);
    pointer_ = {};
}

void Grabs::release() {
    XUngrabKeyboard(dpy_, CurrentTime);
    XUngrabPointer(dpy_, CurrentTime);
    keyboard_ = {};
    pointer_ = {};
}

void Grabs::try_keyboard() {
    keyboard_.had =
        XGrabKeyboard(dpy_, root_, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
}

// Held on the root for the same reason as the keyboard. Every button press anywhere comes to
// the show, whatever window is under the pointer; the pointer is not confined and shows the
// empty image wherever it goes.
void Grabs::try_pointer() {
    pointer_.had = XGrabPointer(dpy_, root_, False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                                None, pointer_image_, CurrentTime) == GrabSuccess;
}

void Grabs::ask_again() {
    const Clock::time_point now = Clock::now();
    ask_again(keyboard_, false, now,
              "vorlip: another program holds the keyboard; key presses end the show only once it "
              "lets go\n");
    ask_again(pointer_, true, now,
              "vorlip: another program holds the pointer; clicks end the show only once it lets "
              "go\n");
}

void Grabs::ask_again(Grab& grab, bool pointer, Clock::time_point now, const char* line) {
    if (!grab.wanted || grab.had) return;
    if (pointer)
        try_pointer();
    else
        try_keyboard();
    if (!grab.had && !grab.told && now >= grab.deadline) {
        grab.told = true;
        std::fputs(line, stderr);
    }
}

}  // namespace vorlip::x11
