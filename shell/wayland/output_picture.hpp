// An output's desktop picture as its user sees it, and the sizes of the buffers drawn over it.
//
// A capture of an output holds the output's framebuffer: the picture the user sees with the
// output's transform applied to it (a transform of 90 holds it turned a quarter counter-clockwise,
// so the user sees it turned back). The saver draws in the user's view, so the capture is turned
// back once, when it arrives. Nothing here talks to a compositor.
#pragma once

#include <cstdint>

#include "scene/raster.hpp"

namespace vorlip {

// How an output's framebuffer stands to what its user sees, with the codes of the wire. The
// flipped ones mirror left to right first, then turn counter-clockwise by their angle.
enum class OutputTransform : std::uint8_t {
    normal = 0,
    turn_90 = 1,
    turn_180 = 2,
    turn_270 = 3,
    flipped = 4,
    flipped_90 = 5,
    flipped_180 = 6,
    flipped_270 = 7,
};

// The transform a wire code names; codes past 7 count as normal.
OutputTransform output_transform_from_code(std::int32_t code);

// Whether the transform turns by a quarter, so that the framebuffer's width is the seen height.
bool swaps_axes(OutputTransform t);

struct PixelSize {
    int width = 0, height = 0;
    bool operator==(const PixelSize&) const = default;
};

// The size the user sees of a framebuffer-sized picture (or the framebuffer size of a seen one:
// the same swap).
PixelSize seen_size(PixelSize framebuffer, OutputTransform t);

// Writes `captured` (an output's framebuffer, already right way up as the capture said) into all
// of `into` as the user sees it: turned back by `t`, then stretched or shrunk to `into`'s size,
// each pixel taken from the nearest one under its centre. Same sizes give a plain turned copy.
// An empty picture or destination leaves `into` as it is; `into` may be `captured` itself.
void picture_as_seen(const Surface& captured, OutputTransform t, Surface& into);

// Scales as the fractional-scale extension sends them: the numerator over this denominator.
inline constexpr std::uint32_t kScaleDenominator = 120;

// The buffer size for a surface of `logical` size at `scale` (/120): each side times the scale,
// halves rounded away from zero. A zero scale counts as 1; negative sides as 0.
PixelSize fractional_buffer_size(PixelSize logical, std::uint32_t scale);

// Without a viewport the buffer scale is a whole number: the scale rounded up, at least 1.
int integer_buffer_scale(std::uint32_t scale);

// An output's scale (/120) when the compositor sends none: its current mode (in framebuffer
// pixels) over the logical size the output manager gives it, taken along the width (the height
// if the width is missing), to the nearest. 120 when neither side says anything.
std::uint32_t scale_from_mode(PixelSize mode, PixelSize logical, OutputTransform t);

}  // namespace vorlip
