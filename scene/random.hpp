// Where every random draw of the scene comes from.
//
// A draw is a single-precision number r with 0 <= r < 1. The saver's own source reseeds from
// the clock before every draw, so no two shows repeat; tests and tools inject a seeded source
// (repeatable) or a scripted one (an exact list of draws).
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace vorlip {

class Random {
  public:
    virtual ~Random() = default;
    // One fresh draw in [0, 1).
    virtual float draw() = 0;
};

// A 64-bit splitmix generator; the draw takes the top 24 bits, so every float in
// {0, 1/2^24, ..., 1 - 1/2^24} is equally likely and 1 is never returned.
class SeededRandom : public Random {
  public:
    explicit SeededRandom(std::uint64_t seed) : state_(seed) {}
    float draw() override;
    std::uint64_t state() const { return state_; }

  protected:
    std::uint64_t state_;
};

// The saver's source: the clock is mixed into the generator state before every draw, so two
// draws within one clock tick still differ.
class ClockRandom : public SeededRandom {
  public:
    ClockRandom();
    float draw() override;
};

// Thrown by ScriptedRandom when the script has no draw left.
class RandomExhausted : public std::runtime_error {
  public:
    explicit RandomExhausted(std::size_t used);
    std::size_t used;
};

// Replays a given list of draws in order; running out is an error.
class ScriptedRandom : public Random {
  public:
    explicit ScriptedRandom(std::vector<float> draws) : draws_(std::move(draws)) {}
    float draw() override;
    std::size_t used() const { return next_; }
    std::size_t left() const { return draws_.size() - next_; }

  private:
    std::vector<float> draws_;
    std::size_t next_ = 0;
};

}  // namespace vorlip
