// What the Wayland end-to-end tests and benchmarks need: a private headless sway with a known
// wallpaper on each output, run as an unprivileged user when this process is root, its IPC, the
// virtual pointer that gives its seat a pointer, and screenshots of its outputs.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "scene/raster.hpp"
#include "tools/xharness/xharness.hpp"

namespace vorlip::e2e {

// One headless output: its size, its place in the layout, and the picture swaybg stretches
// over it (a PNG file; none: sway's background colour).
struct SwayOutput {
    int width = 1920, height = 1080;
    int x = 0, y = 0;
    std::string wallpaper;
};

// A headless sway 1.7 with its own runtime directory, socket and IPC socket, so several may
// run at once. sway refuses to run as root: then it runs as nobody (65534) in a runtime
// directory that user owns (mode 0700), which root's clients still reach.
class Sway {
  public:
    // Starts sway with these outputs (HEADLESS-1, HEADLESS-2, ...) and `extra` config lines,
    // and waits until its socket and IPC answer and every output shows its wallpaper.
    explicit Sway(const std::vector<SwayOutput>& outputs, const std::string& extra = "");
    // A sway whose outputs (WL-1, WL-2, ...) are windows on `host`, a running sway: an output
    // can then be unplugged mid-show, which a headless output of sway 1.7 cannot (its
    // `output ... disable` fails to commit). The outputs' positions are left to the nested sway.
    Sway(const Sway& host, const std::vector<SwayOutput>& outputs);
    ~Sway();
    Sway(const Sway&) = delete;
    Sway& operator=(const Sway&) = delete;

    bool running() const { return ready_; }
    // Why it is not running, or sway's log so far.
    std::string error() const;
    pid_t pid() const { return server_.pid(); }
    const std::string& runtime_dir() const { return runtime_dir_; }
    const std::string& socket() const { return socket_; }
    const std::vector<SwayOutput>& outputs() const { return outputs_; }
    static std::string output_name(std::size_t k) { return "HEADLESS-" + std::to_string(k + 1); }
    // The name of output k of this sway (HEADLESS-k+1, or WL-k+1 when nested).
    std::string name(std::size_t k) const { return prefix_ + std::to_string(k + 1); }
    // Unplugs output k of a nested sway (its window on the host is closed): the compositor
    // removes the output's global.
    bool unplug(std::size_t k) const;

    // The environment of a client of this sway: XDG_RUNTIME_DIR, WAYLAND_DISPLAY, SWAYSOCK,
    // and no DISPLAY or WAYLAND_SOCKET.
    ChildEnv client_env() const;
    Child run(const std::vector<std::string>& args, int fd3 = -1) const;

    // One IPC request (type as in sway-ipc(7)); the reply's JSON, or nothing.
    std::optional<std::string> ipc(unsigned type, const std::string& payload = "") const;
    // Runs a sway command through IPC; whether every part of it succeeded.
    bool command(const std::string& cmd) const;
    // Whether seat0 has a pointer, and a keyboard.
    bool seat_has_pointer() const;
    bool seat_has_keyboard() const;

    // A screenshot of one output (grim, without the pointer unless `with_pointer`), or an
    // empty surface.
    Surface screenshot(std::size_t output, bool with_pointer = false) const;
    // What the output shows with no client: the wallpaper as swaybg shows it (read back from
    // its PNG), or sway's background colour where it has none.
    const Surface& wallpaper(std::size_t output) const { return wallpapers_[output]; }

    // Ends sway at once (SIGKILL), as a crashed compositor would.
    void kill();

  private:
    void start(const std::string& extra, std::vector<std::string> backend_env);

    const Sway* host_ = nullptr;
    std::string prefix_ = "HEADLESS-";
    std::vector<SwayOutput> outputs_;
    std::vector<Surface> wallpapers_;
    std::string runtime_dir_, socket_, ipc_socket_, why_;
    Child server_;
    bool ready_ = false;
};

// The virtual pointer client (vorlip-wlpointer) on a sway: while it runs, seat0 has a pointer.
// It moves and clicks on demand, with no process started per input.
class VirtualPointer {
  public:
    VirtualPointer(const Sway& sway, const std::string& program);
    ~VirtualPointer();
    VirtualPointer(const VirtualPointer&) = delete;
    VirtualPointer& operator=(const VirtualPointer&) = delete;
    bool running() const { return ready_; }
    std::string error() const { return client_.error_text(); }
    // A relative move of (dx, dy) pixels, each -1, 0 or 1; a left click (press and release).
    bool move(int dx, int dy);
    bool click();
    // An absolute move to (x, y) in the layout's pixels.
    bool move_to(int x, int y);

  private:
    bool send(const std::string& line);
    int to_client_ = -1;
    int layout_width_ = 0, layout_height_ = 0;
    Child client_;
    bool ready_ = false;
};

// Reads a binary PPM (P6, maxval 255) as grim writes it.
bool read_ppm(const std::string& path, Surface& out);

}  // namespace vorlip::e2e
