#include "session/random.h"

#include <chrono>

namespace zorbly {

void Random::randomize() {
  seed_ = fixedSeed_ ? *fixedSeed_
                     : static_cast<std::uint64_t>(
                           std::chrono::system_clock::now().time_since_epoch().count());
  state_ = seed_;
}

}  // namespace zorbly
