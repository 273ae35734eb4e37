// The session-bus calls, through sdbus-c++ on a connection of the saver's own whose messages are
// handled only when the saver asks (no thread of the library's): the saver's loop polls for them.
#include "shell/wayland/desktop_bus.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <string_view>

#include "shell/wayland/capture_pixels.hpp"

namespace vorlip {

namespace {

using Dict = std::map<std::string, sdbus::Variant>;

constexpr const char* kKWinScreenShot = "org.kde.KWin.ScreenShot2";
constexpr const char* kIdleMonitor = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPermissionStore = "org.freedesktop.impl.portal.PermissionStore";

// The picture formats KWin sends (Qt's image format numbers), as wl_shm's: 32-bit words
// 0xAARRGGBB in the machine's order, the alpha dropped.
bool shm_format_of_qimage(std::uint32_t qt, std::uint32_t& shm) {
    switch (qt) {
        case 4:  // RGB32
            shm = kShmXrgb8888;
            return true;
        case 5:  // ARGB32
        case 6:  // ARGB32, premultiplied: a desktop is opaque, so the same
            shm = kShmArgb8888;
            return true;
        default:
            return false;
    }
}

std::uint32_t number(const Dict& d, const char* key) {
    const auto it = d.find(key);
    if (it == d.end()) return 0;
    try {
        return it->second.get<std::uint32_t>();
    } catch (const sdbus::Error&) {
        return 0;
    }
}

// Reads `fd` to its end, waiting at most `seconds` in all; false on an error or when it ran out.
bool read_to_end(int fd, std::vector<std::uint8_t>& into, int seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::uint8_t chunk[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              until - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        into.insert(into.end(), chunk, chunk + n);
    }
}

// A file URI's path, its %XX escapes undone; empty for another kind of URI.
std::string path_of_file_uri(const std::string& uri) {
    constexpr std::string_view scheme = "file://";
    if (uri.compare(0, scheme.size(), scheme) != 0) return {};
    std::string path;
    for (std::size_t k = scheme.size(); k < uri.size(); ++k) {
        const auto hex = [](char c) {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        if (uri[k] == '%' && k + 2 < uri.size() && hex(uri[k + 1]) >= 0 && hex(uri[k + 2]) >= 0) {
            path += char(hex(uri[k + 1]) * 16 + hex(uri[k + 2]));
            k += 2;
        } else {
            path += uri[k];
        }
    }
    return path;
}

}  // namespace

class SessionDesktop final : public DesktopBus {
  public:
    bool has_owner(const std::string& name) override;
    bool kwin_capture_screen(const std::string& output, BusPicture& picture,
                             std::string& why) override;
    bool watch_user_active() override;
    bool user_became_active() override;
    bool screenshot_allowed() override;
    std::string portal_screenshot(int seconds, std::string& why) override;

    std::unique_ptr<sdbus::IConnection> bus;
    std::unique_ptr<sdbus::IProxy> idle;
    std::uint32_t watch = 0;
    bool active = false;

    // Handles what has come, then waits for more until `until` or `done`.
    template <class Done>
    void wait(std::chrono::steady_clock::time_point until, Done done) {
        while (!done()) {
            while (bus->processPendingRequest())
                if (done()) return;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  until - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) return;
            const sdbus::IConnection::PollData data = bus->getEventLoopPollData();
            pollfd p{data.fd, data.events, 0};
            poll(&p, 1, int(std::min<long long>(left, 100)));
        }
    }
};

DesktopBus* connect_desktop_bus(std::string& why) {
    auto desktop = std::make_unique<SessionDesktop>();
    try {
        desktop->bus = sdbus::createSessionBusConnection();
        desktop->bus->setMethodCallTimeout(std::chrono::seconds(10));
    } catch (const sdbus::Error& e) {
        why = "no session bus (" + e.getMessage() + ")";
        return nullptr;
    }
    return desktop.release();
}

bool SessionDesktop::has_owner(const std::string& name) {
    try {
        auto dbus = sdbus::createProxy(*bus, "org.freedesktop.DBus", "/org/freedesktop/DBus");
        bool owned = false;
        dbus->callMethod("NameHasOwner")
            .onInterface("org.freedesktop.DBus")
            .withArguments(name)
            .storeResultsTo(owned);
        return owned;
    } catch (const sdbus::Error&) {
        return false;
    }
}

bool SessionDesktop::kwin_capture_screen(const std::string& output, BusPicture& picture,
                                         std::string& why) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        why = "no pipe for the picture";
        return false;
    }
    Dict reply;
    bool answered = false;
    try {
        auto shots = sdbus::createProxy(*bus, kKWinScreenShot, "/org/kde/KWin/ScreenShot2");
        const Dict options{{"include-cursor", sdbus::Variant(false)},
                           {"native-resolution", sdbus::Variant(true)}};
        shots->callMethod("CaptureScreen")
            .onInterface(kKWinScreenShot)
            .withArguments(output, options, sdbus::UnixFd(ends[1]))
            .storeResultsTo(reply);
        answered = true;
    } catch (const sdbus::Error& e) {
        why = e.getMessage().empty() ? e.getName() : e.getMessage();
    }
    // KWin writes the pixels after its answer and closes its end when done: with ours closed,
    // the pipe ends where the picture does.
    close(ends[1]);
    bool ok = false;
    if (answered) {
        picture.width = int(number(reply, "width"));
        picture.height = int(number(reply, "height"));
        picture.stride = int(number(reply, "stride"));
        const std::int64_t size = std::int64_t(picture.stride) * picture.height;
        if (!shm_format_of_qimage(number(reply, "format"), picture.format)) {
            why = "a picture format the saver does not read";
        } else if (picture.width <= 0 || picture.height <= 0 ||
                   picture.stride < picture.width * 4) {
            why = "a picture without a size";
        } else if (!read_to_end(ends[0], picture.pixels, 10) ||
                   std::int64_t(picture.pixels.size()) < size) {
            why = "the picture did not arrive whole";
        } else {
            ok = true;
        }
    }
    close(ends[0]);
    return ok;
}

bool SessionDesktop::watch_user_active() {
    SessionDesktop& b = *this;
    try {
        b.idle = sdbus::createProxy(*b.bus, kIdleMonitor, "/org/gnome/Mutter/IdleMonitor/Core");
        b.idle->uponSignal("WatchFired").onInterface(kIdleMonitor).call([&b](std::uint32_t id) {
            if (id == b.watch) b.active = true;
        });
        b.idle->finishRegistration();
        b.idle->callMethod("AddUserActiveWatch").onInterface(kIdleMonitor).storeResultsTo(b.watch);
        return true;
    } catch (const sdbus::Error&) {
        b.idle.reset();
        return false;
    }
}

bool SessionDesktop::user_became_active() {
    SessionDesktop& b = *this;
    if (!b.idle) return false;
    try {
        while (!b.active && b.bus->processPendingRequest()) {
        }
    } catch (const sdbus::Error&) {
        // A bus that fails stops telling: the surface's own input still counts.
        b.idle.reset();
    }
    return b.active;
}

bool SessionDesktop::screenshot_allowed() {
    try {
        auto store = sdbus::createProxy(*bus, kPermissionStore,
                                        "/org/freedesktop/impl/portal/PermissionStore");
        std::map<std::string, std::vector<std::string>> permissions;
        sdbus::Variant data;
        store->callMethod("Lookup")
            .onInterface(kPermissionStore)
            .withArguments(std::string("screenshot"), std::string("screenshot"))
            .storeResultsTo(permissions, data);
        // The portal keeps the leave of programs it cannot tell apart under the empty name.
        const auto it = permissions.find("");
        return it != permissions.end() && !it->second.empty() && it->second.front() == "yes";
    } catch (const sdbus::Error&) {
        return false;  // no store, or nothing stored yet
    }
}

std::string SessionDesktop::portal_screenshot(int seconds, std::string& why) {
    SessionDesktop& b = *this;
    // The answer comes as a signal on the request's object, whose path the token fixes: heard
    // from before the call, so that it cannot come first.
    std::string sender = b.bus->getUniqueName();
    if (!sender.empty() && sender.front() == ':') sender.erase(0, 1);
    for (char& c : sender)
        if (c == '.') c = '_';
    const std::string token = "vorlip" + std::to_string(getpid());
    const std::string request = "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
    bool answered = false;
    std::uint32_t response = 2;
    Dict results;
    try {
        auto req = sdbus::createProxy(*b.bus, kPortal, request);
        req->uponSignal("Response")
            .onInterface("org.freedesktop.portal.Request")
            .call([&](std::uint32_t r, const Dict& res) {
                answered = true;
                response = r;
                results = res;
            });
        req->finishRegistration();
        auto portal = sdbus::createProxy(*b.bus, kPortal, "/org/freedesktop/portal/desktop");
        // Not the interactive screen picker: the whole desktop, which is what the portal asks
        // the user's leave for (in its own dialog) when it has none stored.
        const Dict options{{"interactive", sdbus::Variant(false)},
                           {"handle_token", sdbus::Variant(token)}};
        sdbus::ObjectPath handle;
        portal->callMethod("Screenshot")
            .onInterface("org.freedesktop.portal.Screenshot")
            .withArguments(std::string(), options)
            .storeResultsTo(handle);
        b.wait(std::chrono::steady_clock::now() + std::chrono::seconds(seconds),
               [&] { return answered; });
    } catch (const sdbus::Error& e) {
        why = e.getMessage().empty() ? e.getName() : e.getMessage();
        return {};
    }
    if (!answered) {
        why = "the desktop portal did not answer";
        return {};
    }
    if (response != 0) {
        why = response == 1 ? "the user declined" : "the desktop portal refused";
        return {};
    }
    std::string path;
    if (const auto it = results.find("uri"); it != results.end()) {
        try {
            path = path_of_file_uri(it->second.get<std::string>());
        } catch (const sdbus::Error&) {
        }
    }
    if (path.empty()) why = "the desktop portal gave no file";
    return path;
}

}  // namespace vorlip
