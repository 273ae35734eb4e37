#include "tools/wlharness/wlharness.hpp"

#include <dirent.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tools/png_io.hpp"

namespace vorlip::e2e {

namespace {

// Limits on waits for states sway reaches and keeps; only a fault runs into them.
const milliseconds kStartLimit(15000);
const milliseconds kToolLimit(10000);

// sway will not run as root; its unprivileged user then owns what it reads and writes.
constexpr uid_t kSwayUser = 65534;

bool give_to_sway_user(const std::string& path) {
    return geteuid() != 0 || chown(path.c_str(), kSwayUser, kSwayUser) == 0;
}

// The first entry of `dir` whose name starts with `prefix` and does not end with `skip`.
std::string entry_named(const std::string& dir, const std::string& prefix,
                        const std::string& skip) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        const bool skipped = !skip.empty() && name.size() >= skip.size() &&
                             name.compare(name.size() - skip.size(), skip.size(), skip) == 0;
        if (name.rfind(prefix, 0) == 0 && !skipped) return name;
    }
    return {};
}

bool send_all(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t k = send(fd, p, n, MSG_NOSIGNAL);
        if (k <= 0) return false;
        p += k;
        n -= std::size_t(k);
    }
    return true;
}

bool recv_all(int fd, void* data, std::size_t n) {
    char* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t k = recv(fd, p, n, 0);
        if (k <= 0) return false;
        p += k;
        n -= std::size_t(k);
    }
    return true;
}

}  // namespace

Sway::Sway(const std::vector<SwayOutput>& outputs, const std::string& extra) : outputs_(outputs) {
    start(extra,
          {"WLR_BACKENDS=headless", "WLR_HEADLESS_OUTPUTS=" + std::to_string(outputs.size())});
}

Sway::Sway(const Sway& host, const std::vector<SwayOutput>& outputs)
    : host_(&host), prefix_("WL-"), outputs_(outputs) {
    // Each output is a window on the host, floating so that it keeps the size its mode asks.
    host.command("for_window [app_id=\"wlroots\"] floating enable");
    start("", {"WLR_BACKENDS=wayland", "WLR_WL_OUTPUTS=" + std::to_string(outputs.size()),
               "WAYLAND_DISPLAY=" + host.runtime_dir() + "/" + host.socket()});
}

bool Sway::unplug(std::size_t k) const {
    return host_ && host_->command("[title=\"wlroots - " + name(k) + "\"] kill");
}

void Sway::start(const std::string& extra, std::vector<std::string> backend_env) {
    if (!on_path("sway") || !on_path("grim")) {
        why_ = "sway or grim is not installed";
        return;
    }
    char dir[] = "/tmp/vorlip-sway-XXXXXX";
    if (!mkdtemp(dir)) {
        why_ = "cannot make a runtime directory";
        return;
    }
    runtime_dir_ = dir;
    chmod(dir, 0700);
    if (!give_to_sway_user(runtime_dir_)) {
        why_ = "cannot give the runtime directory to user 65534";
        return;
    }

    std::ostringstream config;
    config << "xwayland disable\n";
    for (std::size_t k = 0; k < outputs_.size(); ++k) {
        const SwayOutput& o = outputs_[k];
        config << "output " << name(k) << " mode " << o.width << "x" << o.height << " position "
               << o.x << "," << o.y;
        Surface picture;
        if (!o.wallpaper.empty()) {
            // A copy in the runtime directory, where sway's user can read it.
            const std::string copy = runtime_dir_ + "/wallpaper-" + std::to_string(k + 1) + ".png";
            std::error_code ec;
            std::string error;
            if (!std::filesystem::copy_file(o.wallpaper, copy, ec) || !give_to_sway_user(copy) ||
                !read_picture(copy, picture, error)) {
                why_ = "cannot use the wallpaper " + o.wallpaper + " " + error;
                return;
            }
            config << " bg " << copy << " stretch";
        }
        config << "\n";
        wallpapers_.push_back(std::move(picture));
    }
    config << extra << "\n";
    const std::string config_path = runtime_dir_ + "/config";
    std::ofstream(config_path) << config.str();
    if (!give_to_sway_user(config_path)) {
        why_ = "cannot give the config to user 65534";
        return;
    }

    std::vector<std::string> args;
    if (geteuid() == 0) {
        const std::string id = std::to_string(kSwayUser);
        args = {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"};
    }
    args.insert(args.end(), {"sway", "-c", config_path});
    backend_env.insert(backend_env.end(), {"XDG_RUNTIME_DIR=" + runtime_dir_,
                                           "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"});
    server_ = Child(
        args, ChildEnv{backend_env, {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "SWAYSOCK"}});

    const bool up = wait_until(
        [&] {
            if (server_.wait(milliseconds(0))) return true;
            socket_ = entry_named(runtime_dir_, "wayland-", ".lock");
            const std::string ipc_name = entry_named(runtime_dir_, "sway-ipc.", "");
            if (socket_.empty() || ipc_name.empty()) return false;
            ipc_socket_ = runtime_dir_ + "/" + ipc_name;
            const auto reply = ipc(3);  // GET_OUTPUTS
            if (!reply) return false;
            const auto json = nlohmann::json::parse(*reply, nullptr, false);
            if (!json.is_array() || json.size() != outputs_.size()) return false;
            for (const auto& o : json)
                if (!o.value("active", false)) return false;
            return true;
        },
        kStartLimit);
    if (!up || server_.wait(milliseconds(0))) {
        why_ = "sway did not start";
        return;
    }
    // swaybg draws each wallpaper a little later; an output without one shows sway's own
    // background colour, which then stands for its wallpaper.
    for (std::size_t k = 0; k < outputs_.size(); ++k) {
        if (wallpapers_[k].width() == 0 &&
            !wait_until([&] { return (wallpapers_[k] = screenshot(k)).width() > 0; },
                        kStartLimit)) {
            why_ = "no screenshot of " + name(k);
            return;
        }
        if (!wait_until([&] { return screenshot(k).same_pixels(wallpapers_[k]); }, kStartLimit)) {
            why_ = "the wallpaper does not show on " + name(k);
            return;
        }
    }
    ready_ = true;
}

Sway::~Sway() {
    server_.signal(SIGTERM);
    server_.wait(milliseconds(3000));
    server_ = Child();
    if (!runtime_dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(runtime_dir_, ec);
    }
}

std::string Sway::error() const {
    std::string text = server_.error_text();
    if (text.size() > 4000) text = "..." + text.substr(text.size() - 4000);
    return why_ + (text.empty() ? "" : "; sway's log:\n" + text);
}

ChildEnv Sway::client_env() const {
    return ChildEnv{{"XDG_RUNTIME_DIR=" + runtime_dir_, "WAYLAND_DISPLAY=" + socket_,
                     "SWAYSOCK=" + ipc_socket_},
                    {"DISPLAY", "WAYLAND_SOCKET"}};
}

Child Sway::run(const std::vector<std::string>& args, int fd3) const {
    return Child(args, client_env(), fd3);
}

std::optional<std::string> Sway::ipc(unsigned type, const std::string& payload) const {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", ipc_socket_.c_str());
    std::optional<std::string> reply;
    char header[14];
    std::memcpy(header, "i3-ipc", 6);
    const std::uint32_t fields[2] = {std::uint32_t(payload.size()), std::uint32_t(type)};
    std::memcpy(header + 6, fields, sizeof fields);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 &&
        send_all(fd, header, sizeof header) && send_all(fd, payload.data(), payload.size()) &&
        recv_all(fd, header, sizeof header) && std::memcmp(header, "i3-ipc", 6) == 0) {
        std::uint32_t got[2];
        std::memcpy(got, header + 6, sizeof got);
        std::string body(got[0], '\0');
        if (got[0] < (64u << 20) && recv_all(fd, body.data(), body.size())) reply = std::move(body);
    }
    close(fd);
    return reply;
}

bool Sway::command(const std::string& cmd) const {
    const auto reply = ipc(0, cmd);  // RUN_COMMAND
    if (!reply) return false;
    const auto json = nlohmann::json::parse(*reply, nullptr, false);
    if (!json.is_array() || json.empty()) return false;
    for (const auto& r : json)
        if (!r.value("success", false)) return false;
    return true;
}

namespace {

// seat0's wl_seat capabilities (1: a pointer, 2: a keyboard), or 0.
int seat_capabilities(const Sway& sway) {
    const auto reply = sway.ipc(101);  // GET_SEATS
    if (!reply) return 0;
    const auto json = nlohmann::json::parse(*reply, nullptr, false);
    if (!json.is_array()) return 0;
    for (const auto& seat : json)
        if (seat.value("name", "") == "seat0") return seat.value("capabilities", 0);
    return 0;
}

}  // namespace

bool Sway::seat_has_pointer() const {
    return (seat_capabilities(*this) & 1) != 0;
}

bool Sway::seat_has_keyboard() const {
    return (seat_capabilities(*this) & 2) != 0;
}

Surface Sway::screenshot(std::size_t output, bool with_pointer) const {
    char file[] = "/tmp/vorlip-grim-XXXXXX";
    const int fd = mkstemp(file);
    if (fd < 0) return {};
    close(fd);
    std::vector<std::string> args{"grim", "-t", "ppm", "-o", name(output)};
    if (with_pointer) args.push_back("-c");
    args.push_back(file);
    Child grim = run(args);
    Surface picture;
    if (grim.wait(kToolLimit) != 0 || !read_ppm(file, picture)) picture = Surface();
    unlink(file);
    return picture;
}

void Sway::kill() {
    server_.signal(SIGKILL);
    server_.wait(kToolLimit);
}

VirtualPointer::VirtualPointer(const Sway& sway, const std::string& program) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    for (const SwayOutput& o : sway.outputs()) {
        layout_width_ = std::max(layout_width_, o.x + o.width);
        layout_height_ = std::max(layout_height_, o.y + o.height);
    }
    client_ = sway.run({program}, fds[1]);
    close(fds[1]);
    to_client_ = fds[0];
    ready_ = wait_until([&] { return client_.wait(milliseconds(0)) || sway.seat_has_pointer(); },
                        kStartLimit) &&
             !client_.wait(milliseconds(0));
}

VirtualPointer::~VirtualPointer() {
    if (to_client_ >= 0) close(to_client_);
    client_.wait(milliseconds(2000));
}

bool VirtualPointer::send(const std::string& line) {
    return to_client_ >= 0 && send_all(to_client_, line.data(), line.size());
}

bool VirtualPointer::move(int dx, int dy) {
    return send("m " + std::to_string(dx) + " " + std::to_string(dy) + "\n");
}

bool VirtualPointer::click() {
    return send("c\n");
}

bool VirtualPointer::move_to(int x, int y) {
    return send("a " + std::to_string(x) + " " + std::to_string(y) + " " +
                std::to_string(layout_width_) + " " + std::to_string(layout_height_) + "\n");
}

bool read_ppm(const std::string& path, Surface& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    int w = 0, h = 0, maxval = 0;
    const bool header = std::fscanf(f, "P6 %d %d %d", &w, &h, &maxval) == 3 && maxval == 255 &&
                        w > 0 && h > 0 && w <= kPictureSideLimit && h <= kPictureSideLimit &&
                        std::fgetc(f) != EOF;
    bool ok = false;
    if (header) {
        std::vector<unsigned char> rgb(std::size_t(w) * std::size_t(h) * 3);
        if (std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size()) {
            out.resize(w, h);
            const unsigned char* p = rgb.data();
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x, p += 3)
                    out.set(x, y, Pixel((p[0] << 16) | (p[1] << 8) | p[2]));
            ok = true;
        }
    }
    std::fclose(f);
    return ok;
}

}  // namespace vorlip::e2e
