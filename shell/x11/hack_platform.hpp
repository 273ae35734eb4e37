// The show in a window that is not the saver's own: one a screen saver daemon made and names
// (or the root window, or any window by its id), or an ordinary window of the show's own for
// trying it out. The start, the frames and the restarts are the saver's (saver.cpp); what
// differs is the window: it is given, not made and covered, so there is no guard, no grab, no
// pointer change and no input that ends the show. The daemon ends it with SIGTERM; a given
// window that goes away ends it too.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "shell/platform.hpp"

namespace vorlip {

class X11HackPlatform : public Platform {
  public:
    // `window` is the window to draw into (0: the root window), unless `own_window`. A given
    // window that does not exist throws PlatformError.
    X11HackPlatform(int argc, const char* const* argv, std::uint32_t window, bool own_window);
    ~X11HackPlatform() override;
    X11HackPlatform(const X11HackPlatform&) = delete;
    X11HackPlatform& operator=(const X11HackPlatform&) = delete;

    // A given window is the daemon's: it runs one show at a time, so there is no guard (the
    // interface's answer). Input is the daemon's business too: none ends the show, and nothing
    // is placed, shown, focused or given another pointer.
    std::string command_line() override { return arguments_; }
    // The given window's size; for a window of the show's own, the size it will have.
    ScreenMeasure screen_size() override;
    void create_window(const std::string& title) override;
    void resize_window(int width, int height) override;
    void make_topmost() override;
    WindowImage& window_image() override;
    void unload_window() override;
    void capture_desktop(Surface& into, int width, int height) override;
    void run_events(WindowEvents& events) override;

    // The title of a window of the show's own. Not the saver's: an open trial window must not
    // stop the saver from starting.
    static constexpr const char* kOwnTitle = "vorlip";

    struct State;

  private:
    std::unique_ptr<State> st_;
    std::string arguments_;
};

}  // namespace vorlip
