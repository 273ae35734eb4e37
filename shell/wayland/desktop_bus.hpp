// The session-bus services the saver uses where the compositor's own protocols fall short: KDE
// Plasma's screenshots (org.kde.KWin.ScreenShot2) for the desktop picture, GNOME's idle monitor
// (org.gnome.Mutter.IdleMonitor) as a second source of input, and the desktop portal's
// screenshots with the permission store that says whether the user allowed them.
//
// Without D-Bus support in the build (VORLIP_HAVE_DBUS), open() finds no bus and the saver runs
// as it does on any compositor without those services.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlip {

// A picture of an output as a desktop service gave it: `height` rows of `stride` bytes, the top
// one first, in a wl_shm pixel format (capture_pixels.hpp).
struct BusPicture {
    int width = 0, height = 0, stride = 0;
    std::uint32_t format = 0;
    std::vector<std::uint8_t> pixels;
};

class DesktopBus {
  public:
    // The session bus; nullptr when there is none to connect to.
    static std::unique_ptr<DesktopBus> open();
    ~DesktopBus();
    DesktopBus(const DesktopBus&) = delete;
    DesktopBus& operator=(const DesktopBus&) = delete;

    // Whether some program owns `name` on the bus now.
    bool has_owner(const std::string& name);

    // KWin's picture of the output it names `output` (wl_output's name), without the cursor.
    // False, with the service's reason in `why`, when it refused or failed.
    bool kwin_capture_screen(const std::string& output, BusPicture& picture, std::string& why);

    // Mutter's idle monitor: asks to hear of the user's next input. False where there is none.
    bool watch_user_active();
    // Whether the watched input came; handles what the bus has sent meanwhile, without waiting.
    bool user_became_active();

    // Whether the permission store holds the user's leave for screenshots without asking
    // (given once through the portal's own dialog).
    bool screenshot_allowed();
    // The portal's screenshot of the whole desktop, as a file the caller deletes: its path, or
    // empty with the reason in `why`. Without the leave stored, the desktop asks its user first
    // in a dialog of its own, and keeps the answer; the answer waits up to `seconds`.
    std::string portal_screenshot(int seconds, std::string& why);

    struct Impl;

  private:
    explicit DesktopBus(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace vorlip
