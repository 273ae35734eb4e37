// PNG and BMP pictures for the tools: reading a background, writing frames.
#pragma once

#include <string>
#include <vector>

#include "scene/raster.hpp"

namespace vorlip {

// Writes a surface as an 8-bit RGB PNG. Returns false (with `error`) if the file can't be made.
bool write_png(const std::string& path, const Surface& s, std::string& error);

// Encodes a surface as a bottom-up 24-bit BMP.
std::vector<unsigned char> encode_bmp(const Surface& s);

// Reads a PNG (any bit depth or colour type, alpha dropped) or a 24-bit BMP, by its content.
bool read_picture(const std::string& path, Surface& out, std::string& error);

}  // namespace vorlip
