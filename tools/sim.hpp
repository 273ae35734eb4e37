// vorlip-sim: the headless runner. It runs a show without a window, as the saver would on a
// screen of the given size, and writes what tests and people want to see of it: world dumps
// and PNG frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vorlip {

struct SimOptions {
    int width = 1024;
    int height = 768;
    std::optional<std::uint64_t> seed;  // none: the clock-reseeded source
    std::string random_file;            // scripted draws, one per line
    std::string background;             // PNG or BMP; empty: the built-in desktop
    std::string state_in;               // a dumped world to start from
    long long frames = 0;
    std::string dump;  // "-" = stdout
    long long dump_every = 0;
    std::string png_dir;
    long long png_every = 0;
    bool full_frames = false;  // every frame copies the whole screen both ways (the reference)
    std::string gif;           // an animated GIF of the frames gif_from, gif_from + gif_every, ...
    long long gif_every = 0;   // 0: 2 (25 frames a second)
    long long gif_from = 0;
};

// Exit statuses, as --help and the README list them.
constexpr int kSimOk = 0;
constexpr int kSimIoError = 1;          // a dump or a frame could not be written
constexpr int kSimBadOption = 2;        // the command line
constexpr int kSimRandomExhausted = 3;  // the scripted draws ran out
constexpr int kSimBadState = 4;         // --state-in: unreadable, too large, not a world
constexpr int kSimBadRandom = 5;        // --random: unreadable, too large, not draws
constexpr int kSimBadBackground = 6;    // --background: unreadable, too large, not a picture
constexpr int kSimNoMemory = 7;         // the screen's buffers do not fit in memory

// The most a state file (a dump is about 15 KB) and a draws file may hold.
constexpr std::size_t kStateFileLimit = std::size_t{1} << 20;
constexpr std::size_t kDrawsFileLimit = std::size_t{16} << 20;

// One line of a --random file: a decimal number in [0, 1), kept as the nearest single-precision
// draw below 1. False for anything else.
bool parse_draw(const std::string& text, float& draw);

// Parses the command line (without the program name). On a bad option returns false with a
// one-line message in `error`.
bool parse_sim_args(const std::vector<std::string>& args, SimOptions& opts, std::string& error,
                    bool& help);

// Runs a parsed command; messages go to err, a dump to "-" goes to out. Returns the exit code.
int run_sim(const SimOptions& opts, std::ostream& out, std::ostream& err);

extern const char* const kSimUsage;

}  // namespace vorlip
