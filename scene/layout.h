#pragma once
// The window description: the form, its timer and the twenty sprites, each
// with its place, size and picture when the window is created. Nothing here
// changes while the game runs; the Scene keeps the changing part.

#include <array>
#include <optional>
#include <string_view>

#include "game/sprite.h"

namespace zorbly {

namespace form {
inline constexpr std::string_view caption = "Zorbly";
inline constexpr int width = 120;  // client area, the whole play field
inline constexpr int height = 120;
inline constexpr unsigned background = 0x000000;  // RGB
inline constexpr unsigned textColour = 0xFFFFFF;
inline constexpr int timerInterval = 1;  // ms; enabled at creation
}  // namespace form

// The pictures, named after the sprite that holds each at creation (the
// three enemy shots share one). The value indexes pictureFiles.
enum class PictureId : unsigned char {
  jiki, laser, fire, tela, teki1, teki2, teki3, teki4, teki5,
  boss1, boss2, boss3, boss4, boss5, count
};
inline constexpr int pictureCount = static_cast<int>(PictureId::count);

// File name (under assets/, without ".png") and the size every picture must have.
struct PictureEntry {
  std::string_view file;
  int width, height;
};
inline constexpr std::array<PictureEntry, pictureCount> pictureTable{{
    {"jiki", 22, 60},  {"laser", 8, 3},   {"fire", 20, 20},  {"tela", 6, 9},
    {"teki1", 30, 20}, {"teki2", 30, 20}, {"teki3", 30, 20}, {"teki4", 30, 20},
    {"teki5", 30, 20}, {"boss1", 30, 50}, {"boss2", 30, 50}, {"boss3", 30, 50},
    {"boss4", 30, 50}, {"boss5", 30, 50},
}};

// A sprite's place in the drawing order: 0 is drawn first, under all others.
using SpriteId = int;
inline constexpr int spriteCount = 20;

struct SpriteEntry {
  Sprite name;
  int left, top;                   // at creation
  int width, height;               // at creation, before any picture is assigned
  std::optional<PictureId> picture;  // none for the enemies and the boss on the field
};

inline constexpr std::array<SpriteEntry, spriteCount> spriteTable{{
    {jiki, 0, 200, 22, 60, PictureId::jiki},
    {teki(4), 88, 200, 30, 20, PictureId::teki4},
    {teki(2), 88, 200, 30, 20, PictureId::teki2},
    {teki(3), 48, 200, 30, 20, PictureId::teki3},
    {teki(1), 72, 200, 30, 20, PictureId::teki1},
    {tela(0), 80, 200, 6, 9, PictureId::tela},
    {teki(5), 48, 200, 30, 20, PictureId::teki5},
    {tekki(0), 0, 200, 9, 9, std::nullopt},
    {tekki(1), 0, 200, 9, 17, std::nullopt},
    {tekki(2), 0, 200, 9, 9, std::nullopt},
    {tela(1), 56, 200, 6, 9, PictureId::tela},
    {tela(2), 32, 200, 6, 9, PictureId::tela},
    {boss(1), 40, 200, 30, 50, PictureId::boss1},
    {boss(2), 88, 200, 30, 50, PictureId::boss2},
    {boss(3), 88, 200, 30, 50, PictureId::boss3},
    {boss(4), 88, 200, 30, 50, PictureId::boss4},
    {boss(5), 8, 200, 30, 50, PictureId::boss5},
    {boss(0), 40, 200, 25, 25, std::nullopt},
    {fire, 0, 200, 20, 20, PictureId::fire},
    {laser, 0, 200, 8, 3, PictureId::laser},
}};

namespace spriteIds {
// Where each sprite array's members stand in the drawing order, by index.
inline constexpr int none = -1;
inline constexpr std::array<SpriteId, 6> boss{17, 12, 13, 14, 15, 16};
inline constexpr std::array<SpriteId, 3> tela{5, 10, 11};
inline constexpr std::array<SpriteId, 3> tekki{7, 8, 9};
inline constexpr std::array<SpriteId, 6> teki{none, 4, 2, 3, 1, 6};

template <std::size_t N>
constexpr std::optional<SpriteId> member(const std::array<SpriteId, N>& ids, int index) {
  if (index < 0 || index >= static_cast<int>(N) || ids[index] == none) return std::nullopt;
  return ids[index];
}
}  // namespace spriteIds

// The sprite that a name refers to, or nothing when the window has no such
// sprite (teki(0), boss(6), tela(3), ...). Inline: every service call asks.
constexpr std::optional<SpriteId> findSprite(Sprite s) {
  switch (s.kind) {
    case SpriteKind::jiki: return s.index == -1 ? std::optional<SpriteId>(0) : std::nullopt;
    case SpriteKind::laser: return s.index == -1 ? std::optional<SpriteId>(19) : std::nullopt;
    case SpriteKind::fire: return s.index == -1 ? std::optional<SpriteId>(18) : std::nullopt;
    case SpriteKind::boss: return spriteIds::member(spriteIds::boss, s.index);
    case SpriteKind::tela: return spriteIds::member(spriteIds::tela, s.index);
    case SpriteKind::tekki: return spriteIds::member(spriteIds::tekki, s.index);
    case SpriteKind::teki: return spriteIds::member(spriteIds::teki, s.index);
  }
  return std::nullopt;
}

// Every sprite of the table is found at its own place in the drawing order.
consteval bool everySpriteFindsItself() {
  for (SpriteId id = 0; id < spriteCount; ++id) {
    if (findSprite(spriteTable[id].name) != id) return false;
  }
  return true;
}
static_assert(everySpriteFindsItself());

}  // namespace zorbly
