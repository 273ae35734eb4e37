#include "shell/x11/layout.hpp"

#include <algorithm>
#include <bit>

namespace vorlip {

Rect primary_screen(const std::vector<MonitorInfo>& monitors, int root_width, int root_height) {
    const Rect root{0, 0, std::max(root_width, 0), std::max(root_height, 0)};
    for (const MonitorInfo& m : monitors) {
        if (!m.primary) continue;
        // Cut to the root, in 64 bits so that no size a server reports can overflow.
        const long long x0 = std::max<long long>(m.rect.x, 0);
        const long long y0 = std::max<long long>(m.rect.y, 0);
        const long long x1 = std::min<long long>((long long)m.rect.x + m.rect.w, root.w);
        const long long y1 = std::min<long long>((long long)m.rect.y + m.rect.h, root.h);
        if (x1 <= x0 || y1 <= y0) break;
        return {int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
    }
    return root;
}

bool is_scene_layout(const ChannelMasks& m, int bits_per_pixel, bool lsb_first) {
    return bits_per_pixel == 32 && lsb_first && m.red == 0xFF0000 && m.green == 0xFF00 &&
           m.blue == 0xFF;
}

namespace {

// The position and width of a channel's mask; an empty or over-wide mask counts as absent.
struct Channel {
    int shift = 0;
    int bits = 0;
};

Channel channel_of(unsigned long mask) {
    const auto m = static_cast<std::uint64_t>(mask);
    if (m == 0) return {};
    const int shift = std::countr_zero(m);
    const int bits = std::min(std::popcount(m >> shift), 16);
    return {shift, bits};
}

// A channel value of `bits` bits to 8 bits.
std::uint32_t to8(std::uint64_t v, int bits) {
    if (bits >= 8) return std::uint32_t(v >> (bits - 8)) & 0xFF;
    // Repeat the bits to fill 8: 0b101 (3 bits) becomes 0b10110110.
    std::uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << bits) | std::uint32_t(v);
        filled += bits;
    }
    return (out >> (filled - 8)) & 0xFF;
}

std::uint64_t from8(std::uint32_t v8, int bits) {
    if (bits >= 8) {
        // Widen by repeating the top bits, so 0xFF becomes the channel's maximum.
        std::uint64_t out = v8;
        int have = 8;
        while (have < bits) {
            out = (out << 8) | v8;
            have += 8;
        }
        return out >> (have - bits);
    }
    return v8 >> (8 - bits);
}

std::uint32_t take(unsigned long value, unsigned long mask) {
    const Channel c = channel_of(mask);
    if (c.bits == 0) return 0;
    const std::uint64_t v = (static_cast<std::uint64_t>(value) >> c.shift) & ((1ull << c.bits) - 1);
    return to8(v, c.bits);
}

std::uint64_t put(std::uint32_t v8, unsigned long mask) {
    const Channel c = channel_of(mask);
    if (c.bits == 0) return 0;
    return (from8(v8, c.bits) << c.shift) & static_cast<std::uint64_t>(mask);
}

}  // namespace

Pixel unpack_pixel(unsigned long value, const ChannelMasks& m) {
    return (take(value, m.red) << 16) | (take(value, m.green) << 8) | take(value, m.blue);
}

unsigned long pack_pixel(Pixel p, const ChannelMasks& m) {
    return static_cast<unsigned long>(put((p >> 16) & 0xFF, m.red) | put((p >> 8) & 0xFF, m.green) |
                                      put(p & 0xFF, m.blue));
}

}  // namespace vorlip
