// The pixel work of the Wayland saver that needs no compositor: a captured output's picture in
// the scene's layout.
#pragma once

#include <cstdint>

#include "scene/raster.hpp"

namespace vorlip {

// The shared-memory pixel formats a capture may come in that the saver reads (their wl_shm
// codes): 32-bit words, red in the third byte (XRGB, ARGB) or in the first (XBGR, ABGR).
inline constexpr std::uint32_t kShmArgb8888 = 0;
inline constexpr std::uint32_t kShmXrgb8888 = 1;
inline constexpr std::uint32_t kShmAbgr8888 = 0x34324241;
inline constexpr std::uint32_t kShmXbgr8888 = 0x34324258;

bool readable_capture_format(std::uint32_t format);

// Copies a captured picture (`height` rows of `stride` bytes, the first row the top one unless
// `y_invert`) into `into` at (0, 0), as far as both reach, dropping any alpha. False, with `into`
// untouched, for a format the saver does not read.
bool copy_captured_picture(const std::uint8_t* data, int width, int height, int stride,
                           std::uint32_t format, bool y_invert, Surface& into);

}  // namespace vorlip
