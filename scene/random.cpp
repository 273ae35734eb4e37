#include "scene/random.hpp"

#include <chrono>
#include <string>

namespace vorlip {

namespace {
std::uint64_t splitmix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t clock_now() {
    return static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
}
}  // namespace

float SeededRandom::draw() {
    return static_cast<float>(splitmix(state_) >> 40) * (1.0f / 16777216.0f);
}

ClockRandom::ClockRandom() : SeededRandom(clock_now()) {}

float ClockRandom::draw() {
    // Reseed from the clock, keeping what the state already holds.
    state_ ^= clock_now() * 0xD6E8FEB86659FD93ull;
    return SeededRandom::draw();
}

RandomExhausted::RandomExhausted(std::size_t n)
    : std::runtime_error("random draws exhausted after " + std::to_string(n) + " draws"), used(n) {}

float ScriptedRandom::draw() {
    if (next_ >= draws_.size()) throw RandomExhausted(next_);
    return draws_[next_++];
}

}  // namespace vorlip
