// Numbers in the output: the way used where the standard library cannot
// write floating-point numbers itself (the browser build) gives the very
// characters std::to_chars gives, so every build's output is the same.

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>

#include "session/numbers.h"

namespace zorbly {
namespace {

template <typename T>
std::string viaToChars(T v) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, end);
}

template <typename T>
std::string portably(T v) {
  std::string out;
  appendNumberPortably(out, v);
  return out;
}

TEST(Numbers, ThePortableWayWritesWhatToCharsWrites) {
  // What the game's numbers look like, and the awkward ones.
  for (double v : {0.0, -0.0, 1.0, 120.0, 119.5, -1.1, 11845.0, 0.2, 1e6, 1e7, 123456789.0, 1e21, 1e-7, 5e-324,
                   std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(), -150.0}) {
    EXPECT_EQ(portably(v), viaToChars(v)) << v;
  }
  EXPECT_EQ(portably(0.42450786f), "0.42450786");
  std::mt19937_64 bits(5);
  std::uniform_real_distribution<double> place(-300, 300);
  for (int i = 0; i < 200000; ++i) {
    const double d = std::bit_cast<double>(bits());
    if (!std::isnan(d)) {
      ASSERT_EQ(portably(d), viaToChars(d)) << i;
    }
    const double p = std::round(place(bits) * 100) / 100;
    ASSERT_EQ(portably(p), viaToChars(p));
    const float f = static_cast<float>(bits() >> 40) * 0x1p-24f;
    ASSERT_EQ(portably(f), viaToChars(f));
  }
}

}  // namespace
}  // namespace zorbly
