// The arithmetic of the X11 saver that needs no display: which part of the root window is the
// primary screen, and how the display's pixel values map to the scene's 0xRRGGBB pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/raster.hpp"

namespace vorlip {

struct MonitorInfo {
    Rect rect;
    bool primary = false;
};

// The primary screen: the monitor marked primary, if any, cut to the root window (a capture
// outside the root fails); otherwise, or when that leaves nothing, the whole root window.
Rect primary_screen(const std::vector<MonitorInfo>& monitors, int root_width, int root_height);

// A true-colour visual's channel masks. A channel may have any width from 1 to 16 bits.
struct ChannelMasks {
    unsigned long red = 0xFF0000, green = 0xFF00, blue = 0xFF;
};

// Whether pixel values of this layout are already the scene's 0x00RRGGBB.
bool is_scene_layout(const ChannelMasks& m, int bits_per_pixel, bool lsb_first);

// A display pixel value to a scene pixel, and back. Channels narrower than 8 bits are widened by
// repeating their bits, so full intensity stays full.
Pixel unpack_pixel(unsigned long value, const ChannelMasks& m);
unsigned long pack_pixel(Pixel p, const ChannelMasks& m);

}  // namespace vorlip
