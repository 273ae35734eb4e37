#include "scene/bmp.hpp"

#include <cstdint>
#include <cstdlib>

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

bool bmp_layout(const unsigned char* data, std::size_t size, BmpLayout& out, std::string& error) {
    if (size < kBmpHeaderSize || data[0] != 'B' || data[1] != 'M') {
        error = "not a BMP file";
        return false;
    }
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
    // Checked as 64-bit values, so the most negative height has no positive twin to overflow.
    const std::int64_t height = std::abs(std::int64_t{raw_height});
    if (width <= 0 || height == 0 || width > kPictureSideLimit || height > kPictureSideLimit) {
        error = "BMP size " + std::to_string(width) + "x" + std::to_string(raw_height) +
                " is out of range (1 to " + std::to_string(kPictureSideLimit) + " a side)";
        return false;
    }
    out.width = width;
    out.height = static_cast<int>(height);
    out.top_down = raw_height < 0;
    out.offset = le32(data + 10);
    out.row_bytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t(3);
    return true;
}

void bmp_row_pixels(const unsigned char* p, int width, Pixel* out) {
    for (int x = 0; x < width; ++x, p += 3) out[x] = Pixel(p[2]) << 16 | Pixel(p[1]) << 8 | p[0];
}

bool decode_bmp(const unsigned char* data, std::size_t size, Surface& out, std::string& error) {
    BmpLayout l;
    if (!bmp_layout(data, size, l, error)) return false;
    if (l.offset > size || (size - l.offset) / l.row_bytes < static_cast<std::size_t>(l.height)) {
        error = "BMP pixel data is truncated";
        return false;
    }
    Surface s(l.width, l.height);
    for (int y = 0; y < l.height; ++y) bmp_row_pixels(data + l.row_offset(y), l.width, s.row(y));
    out = std::move(s);
    return true;
}

}  // namespace vorlip
