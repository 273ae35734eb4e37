// PNG and BMP pictures for the tools: reading a background, writing frames.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "scene/bmp.hpp"
#include "scene/raster.hpp"

namespace vorlip {

// Writes a surface as an 8-bit RGB PNG. Returns false (with `error`) if the file can't be made.
bool write_png(const std::string& path, const Surface& s, std::string& error);

// Encodes a surface as a bottom-up 24-bit BMP.
std::vector<unsigned char> encode_bmp(const Surface& s);

// Reads a PNG (any bit depth or colour type, alpha dropped) or a 24-bit BMP, by its content,
// keeping only its top-left keep_w x keep_h part (a screen's worth, say) and reading no more of
// the file than that part needs. A picture with a side over kPictureSideLimit is refused before
// anything is allocated for it. On failure returns false with a one-line `error` that names the
// file; `out` is then unchanged.
bool read_picture(const std::string& path, Surface& out, std::string& error,
                  int keep_w = kPictureSideLimit, int keep_h = kPictureSideLimit);

// The same from an open file that holds the picture from its first byte; the error does not
// name the file.
bool read_picture(std::FILE* file, Surface& out, std::string& error, int keep_w = kPictureSideLimit,
                  int keep_h = kPictureSideLimit);

}  // namespace vorlip
