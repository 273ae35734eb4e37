// The integer rules every actor lives by.
//
// The scene is made of 16-bit signed fields and a few 8-bit unsigned counters. A store into
// a field wraps silently at its width: C++20 defines the conversion of an out-of-range int to
// int16_t / uint8_t as modular, so `field = field + 1` wraps without any undefined behaviour.
// Intermediate sums are computed in int (wider than 16 bits) and wrap when they are stored;
// where a 16-bit intermediate must wrap before it is used, `w16` does it.
//
// `floor_int` is the floor, `round_even` rounds to the nearest integer with halves to even; both
// take a double, so products with fractional constants are formed in double precision first. Both
// are total: a non-finite or huge value wraps at 32 bits instead of being undefined.
#pragma once

#include <cmath>
#include <cstdint>

namespace vorlip {

using i16 = std::int16_t;
using u8 = std::uint8_t;
using i32 = std::int32_t;

// Wraps an integer to 16-bit signed, as a store into a 16-bit field does.
constexpr i16 w16(long long v) {
    return static_cast<i16>(static_cast<std::uint16_t>(v));
}

namespace detail {
// A whole-valued double to int32, wrapping modulo 2^32 (0 for NaN and infinities).
inline i32 wrap_whole(double whole) {
    if (!std::isfinite(whole)) return 0;
    if (whole >= -2147483648.0 && whole <= 2147483647.0) return static_cast<i32>(whole);
    double m = std::fmod(whole, 4294967296.0);  // exact for whole doubles
    if (m < 0) m += 4294967296.0;
    return static_cast<i32>(static_cast<std::uint32_t>(m));
}
}  // namespace detail

// Floor.
inline i32 floor_int(double v) {
    return detail::wrap_whole(std::floor(v));
}

// Nearest integer, halves to even.
inline i32 round_even(double v) {
    return detail::wrap_whole(std::nearbyint(v));
}

}  // namespace vorlip
