#include "scene/layout.h"

namespace zorbly {

namespace {

// Where each sprite array's members stand in the drawing order, by index.
constexpr int none = -1;
constexpr std::array<SpriteId, 6> bossIds{17, 12, 13, 14, 15, 16};
constexpr std::array<SpriteId, 3> telaIds{5, 10, 11};
constexpr std::array<SpriteId, 3> tekkiIds{7, 8, 9};
constexpr std::array<SpriteId, 6> tekiIds{none, 4, 2, 3, 1, 6};

template <std::size_t N>
std::optional<SpriteId> member(const std::array<SpriteId, N>& ids, int index) {
  if (index < 0 || index >= static_cast<int>(N) || ids[index] == none) return std::nullopt;
  return ids[index];
}

// The table above must agree with spriteTable.
consteval bool idsMatchTable() {
  for (SpriteId id = 0; id < spriteCount; ++id) {
    Sprite s = spriteTable[id].name;
    SpriteId expected = none;
    switch (s.kind) {
      case SpriteKind::jiki: expected = 0; break;
      case SpriteKind::laser: expected = 19; break;
      case SpriteKind::fire: expected = 18; break;
      case SpriteKind::boss: expected = bossIds[s.index]; break;
      case SpriteKind::tela: expected = telaIds[s.index]; break;
      case SpriteKind::tekki: expected = tekkiIds[s.index]; break;
      case SpriteKind::teki: expected = tekiIds[s.index]; break;
    }
    if (expected != id) return false;
  }
  return true;
}
static_assert(idsMatchTable());

}  // namespace

std::optional<SpriteId> findSprite(Sprite s) {
  switch (s.kind) {
    case SpriteKind::jiki: return s.index == -1 ? std::optional<SpriteId>(0) : std::nullopt;
    case SpriteKind::laser: return s.index == -1 ? std::optional<SpriteId>(19) : std::nullopt;
    case SpriteKind::fire: return s.index == -1 ? std::optional<SpriteId>(18) : std::nullopt;
    case SpriteKind::boss: return member(bossIds, s.index);
    case SpriteKind::tela: return member(telaIds, s.index);
    case SpriteKind::tekki: return member(tekkiIds, s.index);
    case SpriteKind::teki: return member(tekiIds, s.index);
  }
  return std::nullopt;
}

}  // namespace zorbly
