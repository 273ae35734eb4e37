// An animated GIF, written frame by frame as a show runs: one palette for the whole loop, and
// after the first frame only the pixels that changed, the rest see-through, so that a busy
// scene over a still desktop stays small.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/raster.hpp"

namespace vorlip {

class GifOut {
  public:
    GifOut();
    ~GifOut();
    GifOut(const GifOut&) = delete;
    GifOut& operator=(const GifOut&) = delete;

    // Starts `path`, a loop of w x h frames that repeats for ever. The palette is made from the
    // colours of `colour_sources`: every colour the frames will hold should be in one of them.
    bool open(const std::string& path, int w, int h,
              const std::vector<const Surface*>& colour_sources, std::string& error);
    // One frame, shown for `delay_cs` hundredths of a second; its top-left w x h part counts.
    bool add(const Surface& frame, int delay_cs, std::string& error);
    // Ends the file. Also done, without a word, by the destructor.
    bool close(std::string& error);

  private:
    struct State;
    std::unique_ptr<State> st_;
};

// The palette of up to `count` colours that best stands for the colours of `sources` (median
// cut over their 15-bit histogram), and for each 15-bit colour its nearest entry.
struct GifPalette {
    std::vector<Pixel> colours;
    std::vector<std::uint8_t> nearest;  // indexed by (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
};
GifPalette make_gif_palette(const std::vector<const Surface*>& sources, int count);

}  // namespace vorlip
