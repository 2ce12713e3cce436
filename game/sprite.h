#pragma once
// How the game names a sprite: a kind and, for the members of a sprite array,
// an index. `tekki(2)` or `boss(0)` read as they do on the design sheet.
// A name is only a request: whether such a sprite exists is decided when a
// service looks it up in the window description (scene/layout.h), and asking
// for one that does not is a fatal error.
//
// The sprites, as the design sheet names them (the trace prints these names,
// so they stay; mind teki/tekki and boss(0)/boss(1..5)):
//
//   jiki          the player's ship, the chick at the left edge
//   laser         the player's shot, one at a time
//   fire          the flash where a shot hits
//   tekki(0..2)   the three live enemies; tekki(i) goes with the state's
//                 tekiX(i) and tekiY(i), and fires tela(i)
//   tela(0..2)    the enemies' shots
//   teki(1..5)    never seen (they stay below the field): each only holds
//                 the enemy picture of its stage, which the tekki take
//   boss(0)       the live boss
//   boss(1..5)    never seen: each holds the boss picture of its stage,
//                 which boss(0) takes

#include <cstdint>
#include <string>

namespace zorbly {

enum class SpriteKind : std::uint8_t { jiki, laser, fire, boss, tela, tekki, teki };

struct Sprite {
  SpriteKind kind;
  int index;  // -1 for the single sprites jiki, laser and fire

  friend constexpr bool operator==(Sprite, Sprite) = default;
};

inline constexpr Sprite jiki{SpriteKind::jiki, -1};
inline constexpr Sprite laser{SpriteKind::laser, -1};
inline constexpr Sprite fire{SpriteKind::fire, -1};

// Array members take a whole index; the game keeps its counters as doubles,
// so `stage` arrives here as 1.0, 2.0, ... and is truncated.
constexpr Sprite boss(double i) { return {SpriteKind::boss, static_cast<int>(i)}; }
constexpr Sprite tela(double i) { return {SpriteKind::tela, static_cast<int>(i)}; }
constexpr Sprite tekki(double i) { return {SpriteKind::tekki, static_cast<int>(i)}; }
constexpr Sprite teki(double i) { return {SpriteKind::teki, static_cast<int>(i)}; }

// "jiki", "tekki(2)", "boss(6)": the name as written in traces and errors.
std::string spriteName(Sprite s);
void appendSpriteName(std::string& out, Sprite s);

}  // namespace zorbly
