// Reading uncompressed 24-bit BMP pictures (the sprite sheets are kept as such).
#pragma once

#include <cstddef>
#include <string>

#include "scene/raster.hpp"

namespace vorlip {

// No picture is read that is wider or taller than this: no screen is.
inline constexpr int kPictureSideLimit = 16384;

// Where the pixels of an uncompressed 24-bit BMP are, from its first kBmpHeaderSize bytes.
inline constexpr std::size_t kBmpHeaderSize = 54;
struct BmpLayout {
    int width = 0;
    int height = 0;
    bool top_down = false;      // rows stored top row first (a negative stored height)
    std::size_t offset = 0;     // of the first stored row
    std::size_t row_bytes = 0;  // one stored row with its padding
    // Where the picture's row y (0 = top) is stored.
    std::size_t row_offset(int y) const {
        return offset + row_bytes * static_cast<std::size_t>(top_down ? y : height - 1 - y);
    }
};

// Reads the layout from the header, refusing every other kind of BMP and any side over
// kPictureSideLimit. On failure returns false and says why in `error`.
bool bmp_layout(const unsigned char* header, std::size_t size, BmpLayout& out, std::string& error);

// The first `width` pixels of one stored row.
void bmp_row_pixels(const unsigned char* row, int width, Pixel* out);

// Decodes an uncompressed 24-bit BMP (bottom-up or top-down). On failure returns false and
// says why in `error`; `out` is then unchanged.
bool decode_bmp(const unsigned char* data, std::size_t size, Surface& out, std::string& error);

}  // namespace vorlip
