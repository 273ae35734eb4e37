// Reading uncompressed 24-bit BMP pictures (the sprite sheets are kept as such).
#pragma once

#include <cstddef>
#include <string>

#include "scene/raster.hpp"

namespace vorlip {

// Decodes an uncompressed 24-bit BMP (bottom-up or top-down). On failure returns false and
// says why in `error`; `out` is then unchanged.
bool decode_bmp(const unsigned char* data, std::size_t size, Surface& out, std::string& error);

}  // namespace vorlip
