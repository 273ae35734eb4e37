// What the fuzz targets share: reading typed values off the input, and a short show on a small
// stage. Each target defines LLVMFuzzerTestOneInput; libFuzzer drives it in the fuzz build and
// replay_main.cpp replays the committed corpus through it in every normal build.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frame/step.hpp"
#include "scene/random.hpp"
#include "scene/stage.hpp"
#include "scene/world.hpp"

namespace vorlip::fuzz {

// Hands out the input's bytes as values; past the end every value is zero.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <class T>
    T take() {
        unsigned char raw[sizeof(T)] = {};
        const std::size_t n = std::min(sizeof(T), size_ - at_);
        if (n > 0) std::memcpy(raw, data_ + at_, n);
        at_ += n;
        T v;
        std::memcpy(&v, raw, sizeof(T));
        return v;
    }
    std::string rest() {
        const std::string s(reinterpret_cast<const char*>(data_) + at_, size_ - at_);
        at_ = size_;
        return s;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Fails the run the way a sanitizer would, so libFuzzer keeps the input.
inline void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// Runs `frames` whole frames of `world`. The buffers are the screen's size up to 64 px a side
// (the surfaces clip every transfer, so a smaller stage exercises the same arithmetic at a
// fraction of the cost); an empty one for a side that wrapped to zero or below, as the shell
// makes them.
inline void run_frames(World& world, int frames, std::uint64_t seed) {
    // The sheets are decoded once; each run's stage only views them (the scene never draws
    // into a sheet).
    static std::array<Surface, 16> sheets = [] {
        std::array<Surface, 16> decoded;
        load_sheets(decoded);
        return decoded;
    }();
    static const SheetCells cells = [] {
        SheetCells c;
        c.index(sheets);
        return c;
    }();
    Stage stage;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        stage.sheets[i] = Surface::view(sheets[i].row(0), sheets[i].width(), sheets[i].height(),
                                        sheets[i].stride());
    stage.cells = cells;  // the views are the indexed pixels, so sprites draw by their spans
    stage.compose.resize(std::clamp<int>(world.screen_w, 0, 64),
                         std::clamp<int>(world.screen_h, 0, 64));
    stage.background.resize(stage.compose.width(), stage.compose.height(), 0x336699);
    SeededRandom rnd(seed);
    for (int k = 0; k < frames; ++k) play_frame(world, rnd, stage);
}

}  // namespace vorlip::fuzz
