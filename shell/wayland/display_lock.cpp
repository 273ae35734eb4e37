#include "shell/wayland/display_lock.hpp"

#include <filesystem>
#include <system_error>

namespace vorlip {

namespace {

namespace fs = std::filesystem;

// A file name's longest part that is the display's path; the prefix and ".lock" stay well within
// the 255 bytes a name may have.
constexpr std::size_t kLongestName = 200;

const char* kind_name(LockKind kind) {
    switch (kind) {
        case LockKind::saver:
            return "saver";
        case LockKind::background:
            return "background";
        case LockKind::idle:
            return "idle";
    }
    return "saver";
}

bool absolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

// The path without `.`, `..`, repeated slashes or a slash at the end.
std::string tidy(const fs::path& path) {
    std::string s = path.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// One file name per path, told apart as the paths are: a slash becomes '_', letters, digits, '.'
// and '-' stay, and every other byte (an '_' too) is written %XX.
std::string escaped(const std::string& path) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string name;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '.' || byte == '-';
        if (c == '/') {
            name += '_';
        } else if (plain) {
            name += c;
        } else {
            name += '%';
            name += kHex[byte >> 4];
            name += kHex[byte & 0xF];
        }
    }
    if (name.size() <= kLongestName) return name;
    // Too long for a file name: the start, and a hash of the whole to keep paths apart.
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const char c : path) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    name.resize(kLongestName - 17);
    name += '~';
    for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(hash >> shift) & 0xF];
    return name;
}

std::string lock_path(LockKind kind, const DisplayEnvironment& env, bool follow_links) {
    if (!absolute(env.runtime_dir)) return {};
    std::string name;
    if (env.via_socket) {
        // No path to go by: the other end of the socket names the display. A socket path always
        // starts with '/', escaped '_', so the two kinds of name never meet.
        if (!env.peer) return {};
        name = "peer-" + std::to_string(*env.peer);
    } else {
        std::string socket = display_socket_path(env.runtime_dir, env.display);
        if (follow_links) {
            std::error_code failed;
            const fs::path real = fs::weakly_canonical(socket, failed);
            if (!failed) socket = tidy(real);
        }
        name = escaped(socket);
    }
    return tidy(env.runtime_dir) + "/vorlip-" + kind_name(kind) + "-" + name + ".lock";
}

}  // namespace

std::string display_socket_path(const std::string& runtime_dir, const std::string& display) {
    const std::string name = display.empty() ? "wayland-0" : display;
    if (absolute(name)) return tidy(name);
    if (!absolute(runtime_dir)) return {};
    return tidy(fs::path(runtime_dir) / name);
}

std::string display_lock_path(LockKind kind, const DisplayEnvironment& env) {
    return lock_path(kind, env, false);
}

std::string resolved_display_lock_path(LockKind kind, const DisplayEnvironment& env) {
    return lock_path(kind, env, true);
}

}  // namespace vorlip
