// Pictures from another system into the scene's pixels: the one way the desktop's picture, as a
// display server, a compositor or a GDI bitmap hands it over, becomes part of a Surface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scene/raster.hpp"

namespace vorlip {

// Where red, green and blue lie in a foreign 32-bit pixel, by byte address; the fourth byte
// (padding or alpha) is dropped.
enum class ByteOrder32 {
    bgrx,  // blue first: a little-endian 0x??RRGGBB word (X11's and GDI's 24-bit true colour,
           // wl_shm's XRGB and ARGB)
    rgbx,  // red first: wl_shm's XBGR and ABGR
};

// Rows of foreign pixels: `height` rows of `width` pixels, the top one at `top`, each next one
// `stride` bytes further on (negative for a picture stored bottom row first).
struct ForeignRows {
    const std::uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    ByteOrder32 order = ByteOrder32::bgrx;
};

// Copies the rows into `into` with their top-left corner at (x, y), as far as both reach.
void import_rows(const ForeignRows& rows, Surface& into, int x, int y);

}  // namespace vorlip
