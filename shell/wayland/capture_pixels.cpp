#include "shell/wayland/capture_pixels.hpp"

#include <cstring>

#include "shell/pixels.hpp"

namespace vorlip {

bool readable_capture_format(std::uint32_t format) {
    return format == kShmArgb8888 || format == kShmXrgb8888 || format == kShmAbgr8888 ||
           format == kShmXbgr8888;
}

bool copy_captured_picture(const std::uint8_t* data, int width, int height, int stride,
                           std::uint32_t format, bool y_invert, Surface& into) {
    if (!readable_capture_format(format)) return false;
    const bool red_first = format == kShmAbgr8888 || format == kShmXbgr8888;
    // A y-inverted picture holds the bottom row first: read from its last row upwards.
    const std::uint8_t* top =
        y_invert && height > 0 ? data + std::ptrdiff_t(height - 1) * stride : data;
    import_rows({top, y_invert ? -std::ptrdiff_t(stride) : std::ptrdiff_t(stride), width, height,
                 red_first ? ByteOrder32::rgbx : ByteOrder32::bgrx},
                into, 0, 0);
    return true;
}

}  // namespace vorlip
