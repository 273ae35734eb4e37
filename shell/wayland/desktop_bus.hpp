// The session-bus services the saver uses where the compositor's own protocols fall short: KDE
// Plasma's screenshots (org.kde.KWin.ScreenShot2) for the desktop picture, GNOME's idle monitor
// (org.gnome.Mutter.IdleMonitor) as a second source of input, and the desktop portal's
// screenshots with the permission store that says whether the user allowed them.
//
// They live in the bus module (shell/bus_module.hpp), loaded only where one is asked for. Without
// it, or without D-Bus support in the build, no bus is found and the saver runs as it does on any
// compositor without those services.
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
    virtual ~DesktopBus() = default;

    // Whether some program owns `name` on the bus now.
    virtual bool has_owner(const std::string& name) = 0;

    // KWin's picture of the output it names `output` (wl_output's name), without the cursor.
    // False, with the service's reason in `why`, when it refused or failed.
    virtual bool kwin_capture_screen(const std::string& output, BusPicture& picture,
                                     std::string& why) = 0;

    // Mutter's idle monitor: asks to hear of the user's next input. False where there is none.
    virtual bool watch_user_active() = 0;
    // Whether the watched input came; handles what the bus has sent meanwhile, without waiting.
    virtual bool user_became_active() = 0;

    // Whether the permission store holds the user's leave for screenshots without asking
    // (given once through the portal's own dialog).
    virtual bool screenshot_allowed() = 0;
    // The portal's screenshot of the whole desktop, as a file the caller deletes: its path, or
    // empty with the reason in `why`. Without the leave stored, the desktop asks its user first
    // in a dialog of its own, and keeps the answer; the answer waits up to `seconds`.
    virtual std::string portal_screenshot(int seconds, std::string& why) = 0;
};

// The session bus's desktop services: nullptr, with the reason in `why`, where there is no bus
// to connect to or the bus module is missing (shell/bus_module.hpp).
std::unique_ptr<DesktopBus> open_desktop_bus(std::string& why);
// The same inside the bus module; the caller owns what it gives.
DesktopBus* connect_desktop_bus(std::string& why);

}  // namespace vorlip
