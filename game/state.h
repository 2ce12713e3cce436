#pragma once
// Everything the game remembers between events. Every field is a double, as
// the game has always kept them; a field nobody has assigned reads as 0.

#include <array>

namespace zorbly {

struct GameState {
  double jikiY = 0;   // top of the ship, kept within -5..75
  double jikiDY = 0;  // ship speed in pixels per frame: -3, 0 or 3
  double score = 0;
  double laserX = 0;  // left of the player's shot; flies from 20, rests at 135
  double laserY = 0;
  std::array<double, 3> tekiX{};     // left of each enemy
  std::array<double, 3> tekiY{};     // top of each enemy: one of the five rows
  std::array<double, 3> telaX{};     // enemy shots, in pixels (for drawing and hits)
  std::array<double, 3> telaY{};
  std::array<double, 3> telaX100{};  // enemy shots, in hundredths of a pixel
  std::array<double, 3> telaY100{};
  std::array<double, 3> telaDir{};   // -1 upwards, 1 downwards
  double kills = 0;  // hits since the stage began; the boss is out above 18
  double stage = 0;  // 1..5
  double bossY = 0;
  double bossDir = 0;  // -1 or 1

  friend bool operator==(const GameState&, const GameState&) = default;
};

// Windows virtual-key codes of the keys the game listens to.
inline constexpr int keyUp = 38;
inline constexpr int keyDown = 40;
inline constexpr int keyZ = 90;

}  // namespace zorbly
