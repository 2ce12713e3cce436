#pragma once
// UTF-8, one character at a time: what the font draws and what messages may
// print as they are.

#include <cstddef>
#include <optional>
#include <string_view>

namespace zorbly {

// The character whose well-formed UTF-8 sequence starts `s` at `at`, and
// moves `at` past it; nothing (and `at` unmoved) when the bytes there are not
// one: a stray or missing continuation byte, an overlong form, a surrogate, a
// value past U+10FFFF.
inline std::optional<char32_t> nextCharacter(std::string_view s, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    ++at;
    return lead;
  }
  std::size_t length = 0;
  char32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07;
  }
  if (length == 0 || at + length > s.size()) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(at + i);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = c << 6 | (next & 0x3F);
  }
  constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < smallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return std::nullopt;
  at += length;
  return c;
}

}  // namespace zorbly
