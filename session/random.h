#pragma once
// The game's own random source: SplitMix64, seeded once per game, drawing
// single-precision numbers in [0, 1). The same seed always gives the same game.

#include <cstdint>
#include <optional>

namespace zorbly {

class Random {
 public:
  // A run given a seed (option or script) uses it; otherwise randomize() takes the clock.
  explicit Random(std::optional<std::uint64_t> fixedSeed = std::nullopt) : fixedSeed_(fixedSeed) {}

  void setFixedSeed(std::uint64_t seed) { fixedSeed_ = seed; }

  // Seeds the generator: with the fixed seed if there is one, else from the clock.
  void randomize();

  // The seed the last randomize() used: what a recording must write to replay the game.
  std::uint64_t seed() const { return seed_; }

  float next() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    // The top 24 bits, exactly representable as a float below 1.
    return static_cast<float>(z >> 40) * 0x1p-24f;
  }

 private:
  std::optional<std::uint64_t> fixedSeed_;
  std::uint64_t seed_ = 0;
  std::uint64_t state_ = 0;
};

}  // namespace zorbly
