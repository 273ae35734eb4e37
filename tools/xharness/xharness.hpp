// What the end-to-end tests and the benchmarks need to drive the real programs: a private Xvfb
// display, child processes with deadlines, and looks at the display's windows, grabs and pointer.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "scene/raster.hpp"

namespace vorlip::e2e {

using std::chrono::milliseconds;

// Whether a program is on the PATH.
bool on_path(const std::string& program);

// Changes to this process's environment for a child: variables set, and variables removed.
struct ChildEnv {
    std::vector<std::string> set;  // NAME=VALUE
    std::vector<std::string> unset;
};

// A child process. It is killed (and reaped) when it goes out of scope while still running.
class Child {
  public:
    Child() = default;
    // The same with the environment changed by `env` instead of DISPLAY.
    Child(const std::vector<std::string>& args, const ChildEnv& env, int fd3 = -1,
          bool own_output = false);
    // Starts `args` with DISPLAY set to `display` (none: unset); stdin and stdout are
    // /dev/null and stderr goes to a file, and `fd3`, if given, becomes the child's
    // descriptor 3. With `own_output` the child keeps this process's stdin, stdout and stderr.
    Child(const std::vector<std::string>& args, const std::string& display, int fd3 = -1,
          bool own_output = false);
    Child(Child&&) noexcept;
    Child& operator=(Child&&) noexcept;
    ~Child();

    pid_t pid() const { return pid_; }
    bool started() const { return pid_ > 0; }
    // Waits up to `limit` for the end: the exit status (128 + signal when killed), or nothing.
    std::optional<int> wait(milliseconds limit);
    void signal(int sig) const;
    // What the child wrote to stderr.
    std::string error_text() const;

  private:
    void stop();
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string err_path_;
};

// Xvfb on a display number it chooses itself, so that several may run at once; `screens`
// screens of the same size.
class Xvfb {
  public:
    Xvfb(int width, int height, int depth = 24, int screens = 1);
    ~Xvfb();
    bool running() const { return !display_.empty(); }
    const std::string& display() const { return display_; }
    pid_t pid() const { return server_.pid(); }

  private:
    Child server_;
    std::string display_;
};

// Polls `done` every few milliseconds until it holds or `limit` passes.
bool wait_until(const std::function<bool()>& done, milliseconds limit);

// Every window of the tree whose WM_NAME is exactly `title`.
std::vector<Window> windows_titled(Display* dpy, const std::string& title);

// The window titled `title` that is viewable and covers exactly `where`, or 0. A saver passes
// through other shown states on its way up (shown off-screen to take the focus, then hidden
// again); only this one it keeps until it ends, so it is the one to wait for.
Window window_shown_at(Display* dpy, const std::string& title, const Rect& where);

// Whether another client holds the keyboard or the pointer: tries to grab both and lets go.
bool keyboard_grabbed_elsewhere(Display* dpy);
bool pointer_grabbed_elsewhere(Display* dpy);

// The pointer image now on the screen, as ARGB pixels (empty if XFixes is missing).
struct CursorImage {
    int width = 0, height = 0;
    std::vector<unsigned long> argb;
    bool invisible() const;
    bool operator==(const CursorImage&) const = default;
};
CursorImage current_cursor(Display* dpy);

}  // namespace vorlip::e2e
