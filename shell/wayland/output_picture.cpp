#include "shell/wayland/output_picture.hpp"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vorlip {

namespace {

// Of a seen pixel (x, y), which framebuffer pixel shows it: with the axes swapped the seen x
// walks the framebuffer's rows and the seen y its columns; mirrored, an axis is walked from its
// far end. A quarter turn counter-clockwise puts the seen right edge along the framebuffer's top,
// so turning back walks the framebuffer's rows upwards as x grows.
struct Walk {
    bool swap, mirror_x, mirror_y;
};

// By the transform's code.
constexpr Walk kWalks[8] = {
    {false, false, false},  // normal
    {true, true, false},    // 90
    {false, true, true},    // 180
    {true, false, true},    // 270
    {false, true, false},   // flipped
    {true, false, false},   // flipped 90
    {false, false, true},   // flipped 180
    {true, true, true},     // flipped 270
};

Walk walk_of(OutputTransform t) {
    return kWalks[static_cast<std::size_t>(t) & 7];
}

// Whether the two surfaces' pixels overlap in memory (std::less orders unrelated pointers).
bool share_pixels(const Surface& a, const Surface& b) {
    const Pixel* a0 = a.row(0);
    const Pixel* a1 = a.row(a.height() - 1) + a.width();
    const Pixel* b0 = b.row(0);
    const Pixel* b1 = b.row(b.height() - 1) + b.width();
    const std::less<const Pixel*> before;
    return before(a0, b1) && before(b0, a1);
}

// The nearest of `from` samples under the centre of sample i of `to`: never `from` or more.
int nearest(int i, int to, int from) {
    return static_cast<int>((2 * static_cast<long long>(i) + 1) * from /
                            (2 * static_cast<long long>(to)));
}

int clamp_to_int(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, INT_MAX));
}

}  // namespace

OutputTransform output_transform_from_code(std::int32_t code) {
    if (code < 0 || code > 7) return OutputTransform::normal;
    return static_cast<OutputTransform>(code);
}

bool swaps_axes(OutputTransform t) {
    return walk_of(t).swap;
}

PixelSize seen_size(PixelSize framebuffer, OutputTransform t) {
    if (swaps_axes(t)) return {framebuffer.height, framebuffer.width};
    return framebuffer;
}

void picture_as_seen(const Surface& captured, OutputTransform t, Surface& into) {
    const int dw = into.width(), dh = into.height();
    if (captured.width() <= 0 || captured.height() <= 0 || dw <= 0 || dh <= 0) return;
    if (share_pixels(captured, into)) {
        const Surface apart = captured;  // an owning copy: writing `into` must not change it
        picture_as_seen(apart, t, into);
        return;
    }
    const Walk walk = walk_of(t);
    const PixelSize seen = seen_size({captured.width(), captured.height()}, t);
    const std::ptrdiff_t stride = captured.stride();
    // Each seen column and row stands for one offset into the framebuffer, their sum the pixel.
    std::vector<std::ptrdiff_t> columns(static_cast<std::size_t>(dw));
    for (int dx = 0; dx < dw; ++dx) {
        int x = nearest(dx, dw, seen.width);
        if (walk.mirror_x) x = seen.width - 1 - x;
        columns[static_cast<std::size_t>(dx)] = walk.swap ? x * stride : x;
    }
    const Pixel* origin = captured.row(0);
    for (int dy = 0; dy < dh; ++dy) {
        int y = nearest(dy, dh, seen.height);
        if (walk.mirror_y) y = seen.height - 1 - y;
        const Pixel* from = origin + (walk.swap ? y : y * stride);
        Pixel* out = into.row(dy);
        for (int dx = 0; dx < dw; ++dx) out[dx] = from[columns[static_cast<std::size_t>(dx)]];
    }
}

PixelSize fractional_buffer_size(PixelSize logical, std::uint32_t scale) {
    const long long s = scale == 0 ? kScaleDenominator : scale;
    const auto side = [s](int v) {
        // Sides are never negative, so rounding half up is rounding away from zero.
        return clamp_to_int((std::max(v, 0) * s + kScaleDenominator / 2) / kScaleDenominator);
    };
    return {side(logical.width), side(logical.height)};
}

int integer_buffer_scale(std::uint32_t scale) {
    return std::max(1, static_cast<int>((static_cast<long long>(scale) + kScaleDenominator - 1) /
                                        kScaleDenominator));
}

std::uint32_t scale_from_mode(PixelSize mode, PixelSize logical, OutputTransform t) {
    const PixelSize seen = seen_size(mode, t);
    long long pixels = seen.width, units = logical.width;
    if (pixels <= 0 || units <= 0) pixels = seen.height, units = logical.height;
    if (pixels <= 0 || units <= 0) return kScaleDenominator;
    const long long scale = (2 * pixels * kScaleDenominator + units) / (2 * units);
    return static_cast<std::uint32_t>(std::clamp<long long>(scale, 1, UINT32_MAX));
}

}  // namespace vorlip
