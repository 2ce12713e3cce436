#include "game/sprite.h"

#include <charconv>

namespace zorbly {

void appendSpriteName(std::string& out, Sprite s) {
  switch (s.kind) {
    case SpriteKind::jiki: out += "jiki"; break;
    case SpriteKind::laser: out += "laser"; break;
    case SpriteKind::fire: out += "fire"; break;
    case SpriteKind::boss: out += "boss"; break;
    case SpriteKind::tela: out += "tela"; break;
    case SpriteKind::tekki: out += "tekki"; break;
    case SpriteKind::teki: out += "teki"; break;
  }
  if (s.index != -1) {
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, s.index);
    out += '(';
    out.append(digits, end);
    out += ')';
  }
}

std::string spriteName(Sprite s) {
  std::string name;
  appendSpriteName(name, s);
  return name;
}

}  // namespace zorbly
