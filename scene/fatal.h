#pragma once
// A failure the game cannot go on from: a sprite that does not exist, a
// picture that cannot be decoded. main() reports it on one line and exits
// with exitFatal (session/messages.h).

#include <stdexcept>

namespace zorbly {

struct FatalError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace zorbly
