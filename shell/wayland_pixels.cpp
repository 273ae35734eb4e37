#include "shell/wayland_pixels.hpp"

#include <algorithm>
#include <cstring>

namespace vorlip {

bool readable_capture_format(std::uint32_t format) {
    return format == kShmArgb8888 || format == kShmXrgb8888 || format == kShmAbgr8888 ||
           format == kShmXbgr8888;
}

bool copy_captured_picture(const std::uint8_t* data, int width, int height, int stride,
                           std::uint32_t format, bool y_invert, Surface& into) {
    if (!readable_capture_format(format)) return false;
    const int w = std::min(width, into.width());
    const int h = std::min(height, into.height());
    const bool swap_red_blue = format == kShmAbgr8888 || format == kShmXbgr8888;
    for (int y = 0; y < h; ++y) {
        // A y-inverted picture holds the bottom row first.
        const int src_row = y_invert ? height - 1 - y : y;
        const std::uint8_t* src = data + std::ptrdiff_t(src_row) * stride;
        Pixel* dst = into.row(y);
        for (int x = 0; x < w; ++x) {
            // The words are little-endian whatever the host: byte 0 is the lowest.
            const std::uint8_t* p = src + std::ptrdiff_t(x) * 4;
            const Pixel low = p[0], mid = p[1], high = p[2];
            dst[x] =
                swap_red_blue ? (low << 16) | (mid << 8) | high : (high << 16) | (mid << 8) | low;
        }
    }
    return true;
}

std::string saver_lock_path(const std::string& runtime_dir, const std::string& display) {
    // A display named by a path becomes one file name all the same.
    std::string name = display.empty() ? "wayland-0" : display;
    std::replace(name.begin(), name.end(), '/', '_');
    return runtime_dir + "/vorlip-" + name + ".lock";
}

}  // namespace vorlip
