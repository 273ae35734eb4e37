#include "tools/sim.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "frame/step.hpp"
#include "scene/world.hpp"
#include "tools/backdrop.hpp"
#include "tools/gif_out.hpp"
#include "tools/input_file.hpp"
#include "tools/offscreen_window.hpp"
#include "tools/png_io.hpp"
#include "tools/world_json.hpp"

namespace vorlip {

const char* const kSimUsage =
    "usage: vorlip-sim [--size WxH] [--seed N | --random FILE] [--background FILE]\n"
    "                  [--state-in FILE] [--frames N] [--dump FILE|-] [--dump-every K]\n"
    "                  [--png DIR] [--png-every K] [--gif FILE] [--gif-every K] [--gif-from N]\n"
    "                  [--full-frames]\n"
    "exit status: 0 done, 1 a dump or frame not written, 2 bad command line,\n"
    "             3 the --random draws ran out, 4 bad --state-in file (at most 1 MiB),\n"
    "             5 bad --random file (at most 16 MiB, one draw in [0, 1) a line),\n"
    "             6 bad --background picture (PNG or 24-bit BMP, at most 16384 px a side),\n"
    "             7 not enough memory for the screen's buffers\n";

namespace {

bool parse_count(const std::string& text, long long lo, long long hi, long long& out) {
    long long v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool read_draws(const std::string& path, std::vector<float>& draws, std::string& error) {
    std::string text;
    if (!read_bounded(path, kDrawsFileLimit, "a draws file", text, error)) return false;
    int n = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t eol = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, eol - at);
        at = eol + 1;
        ++n;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos) continue;
        const auto last = line.find_last_not_of(" \t\r");
        const std::string t = line.substr(first, last - first + 1);
        float v = 0;
        if (!parse_draw(t, v)) {
            std::string shown = t.substr(0, 40);
            for (char& c : shown)
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
            error = path + ":" + std::to_string(n) + ": not a number in [0, 1): " + shown;
            return false;
        }
        draws.push_back(v);
    }
    return true;
}

}  // namespace

namespace {
// Whether a number written in decimal (as from_chars reads it) is at least 0 and below 1, by
// its written digits: 0.9999999999999999999 is below 1 though a double rounds it to 1.
bool decimal_in_unit_range(const std::string& t) {
    std::size_t i = 0;
    const bool negative = i < t.size() && t[i] == '-';
    if (negative) ++i;
    // The value is 0.d1d2... x 10^place with d1 the first non-zero digit.
    long long place = 0;
    bool seen_point = false, nonzero = false, digits = false;
    for (; i < t.size() && (std::isdigit(static_cast<unsigned char>(t[i])) || t[i] == '.'); ++i) {
        if (t[i] == '.') {
            seen_point = true;
            continue;
        }
        digits = true;
        if (!nonzero && t[i] != '0') nonzero = true;
        if (nonzero && !seen_point) ++place;
        if (!nonzero && seen_point) --place;
    }
    if (!digits) return false;  // nan, inf
    if (!nonzero) return true;  // 0, -0, 0e5
    long long exponent = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        const bool minus = i < t.size() && t[i] == '-';
        if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
        for (; i < t.size(); ++i) exponent = std::min(exponent * 10 + (t[i] - '0'), 1ll << 40);
        if (minus) exponent = -exponent;
    }
    return !negative && place + exponent <= 0;
}
}  // namespace

// 0.99999999 is the largest draw there is, 1 - 2^-24, and 1e-50 is 0.
bool parse_draw(const std::string& t, float& out) {
    double d = 0;
    const char* end = t.data() + t.size();
    const auto [p, ec] = std::from_chars(t.data(), end, d);
    if (p != end || (ec != std::errc() && ec != std::errc::result_out_of_range)) return false;
    if (!decimal_in_unit_range(t)) return false;
    // Below 1, so out of a double's range only by being too small for one.
    const float f = ec == std::errc() ? static_cast<float>(d) : 0.0f;
    out = f >= 1.0f ? std::nextafter(1.0f, 0.0f) : f + 0.0f;  // + 0 turns -0 into 0
    return true;
}

bool parse_sim_args(const std::vector<std::string>& args, SimOptions& o, std::string& error,
                    bool& help) {
    help = false;
    bool have_seed = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        }
        if (a == "--full-frames") {
            o.full_frames = true;
            continue;
        }
        if (k + 1 >= args.size()) {
            error = a.rfind("--", 0) == 0 ? "option " + a + " needs a value or is unknown"
                                          : "unexpected argument " + a;
            return false;
        }
        const std::string& v = args[++k];
        long long n = 0;
        if (a == "--size") {
            const auto x = v.find('x');
            long long w = 0, h = 0;
            if (x == std::string::npos || !parse_count(v.substr(0, x), 1, 16384, w) ||
                !parse_count(v.substr(x + 1), 1, 16384, h)) {
                error = "--size wants WxH, each 1 to 16384: " + v;
                return false;
            }
            o.width = int(w);
            o.height = int(h);
        } else if (a == "--seed") {
            unsigned long long s = 0;
            auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), s);
            if (ec != std::errc() || p != v.data() + v.size()) {
                error = "--seed wants a whole number: " + v;
                return false;
            }
            o.seed = s;
            have_seed = true;
        } else if (a == "--random") {
            o.random_file = v;
        } else if (a == "--background") {
            o.background = v;
        } else if (a == "--state-in") {
            o.state_in = v;
        } else if (a == "--frames") {
            if (!parse_count(v, 0, 1ll << 40, n)) {
                error = "--frames wants a whole number >= 0: " + v;
                return false;
            }
            o.frames = n;
        } else if (a == "--dump") {
            o.dump = v;
        } else if (a == "--dump-every") {
            if (!parse_count(v, 1, 1ll << 40, n)) {
                error = "--dump-every wants a whole number >= 1: " + v;
                return false;
            }
            o.dump_every = n;
        } else if (a == "--png") {
            o.png_dir = v;
        } else if (a == "--png-every") {
            if (!parse_count(v, 1, 1ll << 40, n)) {
                error = "--png-every wants a whole number >= 1: " + v;
                return false;
            }
            o.png_every = n;
        } else if (a == "--gif") {
            o.gif = v;
        } else if (a == "--gif-every" || a == "--gif-from") {
            if (!parse_count(v, a == "--gif-every" ? 1 : 0, 1ll << 40, n)) {
                error = a + " wants a whole number" + (a == "--gif-every" ? " >= 1: " : ": ") + v;
                return false;
            }
            (a == "--gif-every" ? o.gif_every : o.gif_from) = n;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (have_seed && !o.random_file.empty()) {
        error = "--seed and --random exclude each other";
        return false;
    }
    if (o.dump_every > 0 && o.dump.empty()) {
        error = "--dump-every needs --dump";
        return false;
    }
    if (o.png_every > 0 && o.png_dir.empty()) {
        error = "--png-every needs --png";
        return false;
    }
    if (!o.png_dir.empty() && o.png_every == 0) o.png_every = 1;
    if ((o.gif_every > 0 || o.gif_from > 0) && o.gif.empty()) {
        error = "--gif-every and --gif-from need --gif";
        return false;
    }
    if (!o.gif.empty() && o.gif_every == 0) o.gif_every = 2;
    return true;
}

int run_sim(const SimOptions& o, std::ostream& out, std::ostream& err) {
    // The random source.
    std::unique_ptr<Random> rnd;
    if (!o.random_file.empty()) {
        std::vector<float> draws;
        std::string error;
        if (!read_draws(o.random_file, draws, error)) {
            err << "vorlip-sim: " << error << "\n";
            return kSimBadRandom;
        }
        rnd = std::make_unique<ScriptedRandom>(std::move(draws));
    } else if (o.seed) {
        rnd = std::make_unique<SeededRandom>(*o.seed);
    } else {
        rnd = std::make_unique<ClockRandom>();
    }

    // The world: a dumped one, or a fresh one on a screen of --size.
    World world;
    if (!o.state_in.empty()) {
        std::string text, error;
        if (!read_bounded(o.state_in, kStateFileLimit, "a state file", text, error)) {
            err << "vorlip-sim: " << error << "\n";
            return kSimBadState;
        }
        try {
            world = world_from_json(text);
        } catch (const WorldJsonError& e) {
            err << "vorlip-sim: " << o.state_in << ": " << e.what() << "\n";
            return kSimBadState;
        }
        if (world.screen_w < 1 || world.screen_h < 1 || world.screen_w > 16384 ||
            world.screen_h > 16384) {
            err << "vorlip-sim: " << o.state_in << ": screen_w and screen_h must be 1 to 16384\n";
            return kSimBadState;
        }
    } else {
        world.screen_w = w16(o.width);
        world.screen_h = w16(o.height);
    }

    Stage stage(world.screen_w, world.screen_h);
    OffscreenWindow window(world.screen_w, world.screen_h);
    stage.window = &window;
    stage.full_frames = o.full_frames;

    // The desktop the saver would have captured.
    if (o.background.empty()) {
        paint_backdrop(stage.background);
    } else {
        Surface picture;
        std::string error;
        // Only the part the screen shows is read.
        if (!read_picture(o.background, picture, error, world.screen_w, world.screen_h)) {
            err << "vorlip-sim: " << error << "\n";
            return kSimBadBackground;
        }
        bit_blt(stage.background, 0, 0, picture.width(), picture.height(), picture, 0, 0,
                Rop::SrcCopy);
    }

    std::ofstream dump_file;
    std::ostream* dump = nullptr;
    if (!o.dump.empty()) {
        if (o.dump == "-") {
            dump = &out;
        } else {
            dump_file.open(o.dump, std::ios::binary);
            if (!dump_file) {
                err << "vorlip-sim: cannot write " << o.dump << "\n";
                return kSimIoError;
            }
            dump = &dump_file;
        }
    }
    if (!o.png_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.png_dir, ec);
        if (ec) {
            err << "vorlip-sim: cannot make " << o.png_dir << ": " << ec.message() << "\n";
            return kSimIoError;
        }
    }

    auto write_frame = [&](long long k) -> bool {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06lld.png", k);
        std::string error;
        if (!write_png((std::filesystem::path(o.png_dir) / name).string(), window.image(), error)) {
            err << "vorlip-sim: " << error << "\n";
            return false;
        }
        return true;
    };

    // The GIF's palette comes from the desktop and every sprite sheet: all the colours a frame
    // can hold.
    GifOut gif;
    if (!o.gif.empty()) {
        std::vector<const Surface*> colours{&stage.background};
        for (const Surface& sheet : stage.sheets) colours.push_back(&sheet);
        std::string error;
        if (!gif.open(o.gif, world.screen_w, world.screen_h, colours, error)) {
            err << "vorlip-sim: " << error << "\n";
            return kSimIoError;
        }
    }
    auto record = [&](long long k) -> bool {
        if (o.gif.empty() || k < o.gif_from || (k - o.gif_from) % o.gif_every != 0) return true;
        std::string error;
        if (gif.add(window.image(), int(2 * o.gif_every), error)) return true;
        err << "vorlip-sim: " << o.gif << ": " << error << "\n";
        return false;
    };

    try {
        if (o.state_in.empty()) {
            // The start of a show, as the saver makes it.
            scene_start(world, *rnd);
            play_frame(world, *rnd, stage);
            if (!o.png_dir.empty() && !write_frame(0)) return kSimIoError;
            if (!record(0)) return kSimIoError;
        }
        for (long long k = 1; k <= o.frames; ++k) {
            play_frame(world, *rnd, stage);
            if (dump && o.dump_every > 0 && k % o.dump_every == 0)
                *dump << world_to_json(world) << "\n";
            if (!o.png_dir.empty() && k % o.png_every == 0 && !write_frame(k)) return kSimIoError;
            if (!record(k)) return kSimIoError;
        }
    } catch (const RandomExhausted& e) {
        err << "vorlip-sim: " << o.random_file << ": " << e.what() << "\n";
        return kSimRandomExhausted;
    }
    if (std::string error; !gif.close(error)) {
        err << "vorlip-sim: " << o.gif << ": " << error << "\n";
        return kSimIoError;
    }
    if (dump) {
        *dump << world_to_json(world) << "\n";
        dump->flush();
        if (!*dump) {
            err << "vorlip-sim: cannot write " << o.dump << "\n";
            return kSimIoError;
        }
    }
    return kSimOk;
}

}  // namespace vorlip
