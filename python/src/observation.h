#pragma once
// What an agent sees of a game: the state as a fixed vector of float32, each
// variable scaled to a known range, or the field as RGB or gray pixels.

#include <array>
#include <cstdint>
#include <string_view>

#include "game/state.h"
#include "scene/framebuffer.h"
#include "scene/layout.h"

namespace zorbly::python {

enum class Observation : std::uint8_t { state, pixels, gray };

// One entry of the state vector: the value written is `variable / scale`,
// held within [low, high] (the game keeps it within `low..high` anyway; the
// bounds are the observation space's).
struct StateEntry {
  std::string_view name;  // "tekiX[1]"
  double scale;
  float low, high;
};

inline constexpr int stateSize = 24;
extern const std::array<StateEntry, stateSize> stateLayout;

inline constexpr int fieldPixels = form::width * form::height;

// How many values (float32 for the state, bytes for pixels) an observation holds.
constexpr int observationSize(Observation kind) {
  return kind == Observation::state ? stateSize
         : kind == Observation::pixels ? fieldPixels * 3
                                       : fieldPixels;
}

void writeState(const GameState& st, float* out);

// The field as rows of R, G, B bytes.
void writeRgb(const Framebuffer& field, std::uint8_t* out);

// The field as rows of one luminance byte a pixel: (77 R + 150 G + 29 B) / 256,
// the usual 0.299 / 0.587 / 0.114 weights in whole numbers.
void writeGray(const Framebuffer& field, std::uint8_t* out);

}  // namespace zorbly::python
