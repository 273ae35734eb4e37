#include "shell/pixels.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vorlip {

void import_rows(const ForeignRows& rows, Surface& into, int x, int y) {
    if (rows.top == nullptr) return;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + rows.width, into.width());
    const int y1 = std::min(y + rows.height, into.height());
    if (x0 >= x1 || y0 >= y1) return;
    // A little-endian host reads blue-first pixels as whole words: the scene's own layout.
    const bool words =
        rows.order == ByteOrder32::bgrx && std::endian::native == std::endian::little;
    for (int ty = y0; ty < y1; ++ty) {
        const std::uint8_t* src =
            rows.top + std::ptrdiff_t(ty - y) * rows.stride + std::ptrdiff_t(x0 - x) * 4;
        Pixel* dst = into.row(ty) + x0;
        const int n = x1 - x0;
        if (words) {
            for (int k = 0; k < n; ++k) {
                std::uint32_t v;
                std::memcpy(&v, src + std::ptrdiff_t(k) * 4, 4);
                dst[k] = v & kWhite;
            }
        } else {
            for (int k = 0; k < n; ++k) {
                const std::uint8_t* p = src + std::ptrdiff_t(k) * 4;
                const Pixel b0 = p[0], b1 = p[1], b2 = p[2];
                dst[k] = rows.order == ByteOrder32::bgrx ? (b2 << 16) | (b1 << 8) | b0
                                                         : (b0 << 16) | (b1 << 8) | b2;
            }
        }
    }
}

}  // namespace vorlip
