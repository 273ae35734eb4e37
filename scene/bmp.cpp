#include "scene/bmp.hpp"

#include <cstdint>

namespace vorlip {

namespace {
std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
}  // namespace

bool decode_bmp(const unsigned char* data, std::size_t size, Surface& out, std::string& error) {
    if (size < 54 || data[0] != 'B' || data[1] != 'M') {
        error = "not a BMP file";
        return false;
    }
    const std::uint32_t offset = le32(data + 10);
    const std::uint32_t header = le32(data + 14);
    if (header < 40) {
        error = "unsupported BMP header";
        return false;
    }
    const std::int32_t width = static_cast<std::int32_t>(le32(data + 18));
    const std::int32_t raw_height = static_cast<std::int32_t>(le32(data + 22));
    const std::uint16_t bits = le16(data + 28);
    const std::uint32_t compression = le32(data + 30);
    if (bits != 24 || compression != 0) {
        error = "only uncompressed 24-bit BMP pictures are supported";
        return false;
    }
    if (width <= 0 || raw_height == 0 || width > 32767 || raw_height > 32767 ||
        raw_height < -32767) {
        error = "BMP size out of range";
        return false;
    }
    const bool top_down = raw_height < 0;
    const int height = top_down ? -raw_height : raw_height;
    const std::size_t row_bytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t(3);
    if (offset > size || (size - offset) / row_bytes < static_cast<std::size_t>(height)) {
        error = "BMP pixel data is truncated";
        return false;
    }
    Surface s(width, height);
    for (int y = 0; y < height; ++y) {
        const int src_row = top_down ? y : height - 1 - y;
        const unsigned char* p = data + offset + row_bytes * static_cast<std::size_t>(src_row);
        for (int x = 0; x < width; ++x, p += 3)
            s.set(x, y, Pixel(p[2]) << 16 | Pixel(p[1]) << 8 | Pixel(p[0]));
    }
    out = std::move(s);
    return true;
}

}  // namespace vorlip
