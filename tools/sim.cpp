#include "tools/sim.hpp"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "frame/step.hpp"
#include "scene/world.hpp"
#include "tools/backdrop.hpp"
#include "tools/offscreen_window.hpp"
#include "tools/png_io.hpp"
#include "tools/world_json.hpp"

namespace vorlip {

const char* const kSimUsage =
    "usage: vorlip-sim [--size WxH] [--seed N | --random FILE] [--background FILE]\n"
    "                  [--state-in FILE] [--frames N] [--dump FILE|-] [--dump-every K]\n"
    "                  [--png DIR] [--png-every K]\n";

namespace {

bool parse_count(const std::string& text, long long lo, long long hi, long long& out) {
    long long v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool read_file(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    text = ss.str();
    return true;
}

bool read_draws(const std::string& path, std::vector<float>& draws, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos) continue;
        const auto last = line.find_last_not_of(" \t\r");
        const std::string t = line.substr(first, last - first + 1);
        float v = 0;
        auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (ec != std::errc() || p != t.data() + t.size() || !(v >= 0.0f && v < 1.0f)) {
            error = path + ":" + std::to_string(n) + ": not a number in [0, 1): " + t;
            return false;
        }
        draws.push_back(v);
    }
    return true;
}

}  // namespace

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
            return kSimIoError;
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
        std::string text;
        if (!read_file(o.state_in, text)) {
            err << "vorlip-sim: cannot read " << o.state_in << "\n";
            return kSimIoError;
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

    // The desktop the saver would have captured.
    if (o.background.empty()) {
        paint_backdrop(stage.scr_bkg);
    } else {
        Surface picture;
        std::string error;
        if (!read_picture(o.background, picture, error)) {
            err << "vorlip-sim: " << error << "\n";
            return kSimIoError;
        }
        bit_blt(stage.scr_bkg, 0, 0, picture.width(), picture.height(), picture, 0, 0,
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

    try {
        if (o.state_in.empty()) {
            // The start of a show, as the saver makes it.
            scene_start(world, *rnd);
            scene_step(world, *rnd, stage);
            if (!o.png_dir.empty() && !write_frame(0)) return kSimIoError;
        }
        for (long long k = 1; k <= o.frames; ++k) {
            scene_step(world, *rnd, stage);
            if (dump && o.dump_every > 0 && k % o.dump_every == 0)
                *dump << world_to_json(world) << "\n";
            if (!o.png_dir.empty() && k % o.png_every == 0 && !write_frame(k)) return kSimIoError;
        }
    } catch (const RandomExhausted& e) {
        err << "vorlip-sim: " << e.what() << "\n";
        return kSimRandomExhausted;
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
