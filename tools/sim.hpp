// vorlip-sim: the headless runner. It runs a show without a window, as the saver would on a
// screen of the given size, and writes what tests and people want to see of it: world dumps
// and PNG frames.
#pragma once

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
    std::string gif;          // an animated GIF of the frames gif_from, gif_from + gif_every, ...
    long long gif_every = 0;  // 0: 2 (25 frames a second)
    long long gif_from = 0;
};

// Exit codes.
constexpr int kSimOk = 0;
constexpr int kSimIoError = 1;
constexpr int kSimBadOption = 2;
constexpr int kSimRandomExhausted = 3;
constexpr int kSimBadState = 4;

// Parses the command line (without the program name). On a bad option returns false with a
// one-line message in `error`.
bool parse_sim_args(const std::vector<std::string>& args, SimOptions& opts, std::string& error,
                    bool& help);

// Runs a parsed command; messages go to err, a dump to "-" goes to out. Returns the exit code.
int run_sim(const SimOptions& opts, std::ostream& out, std::ostream& err);

extern const char* const kSimUsage;

}  // namespace vorlip
