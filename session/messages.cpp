#include "session/messages.h"

#include <cstring>

namespace zorbly {

namespace {

constexpr std::size_t quotedLimit = 60;

// The length of the well-formed UTF-8 sequence at the start of `s`, or 0.
std::size_t utf8Length(std::string_view s) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  if (length == 0 || length > s.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  // No overlong forms, surrogates or values past U+10FFFF.
  const unsigned char second = byte(1);
  if (lead == 0xE0 && second < 0xA0) return 0;
  if (lead == 0xED && second > 0x9F) return 0;
  if (lead == 0xF0 && second < 0x90) return 0;
  if (lead == 0xF4 && second > 0x8F) return 0;
  return length;
}

void appendPrintable(std::string& out, std::string_view text, std::size_t limit) {
  static constexpr char hex[] = "0123456789abcdef";
  std::size_t at = 0;
  while (at < text.size() && at < limit) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= 0x20 && c < 0x7F) {
      if (c == '\\') out += '\\';
      out += static_cast<char>(c);
      ++at;
    } else if (std::size_t n = c >= 0x80 ? utf8Length(text.substr(at)) : 0; n > 0) {
      out.append(text.substr(at, n));
      at += n;
    } else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
      ++at;
    }
  }
  if (at < text.size()) out += "...";
}

}  // namespace

std::string printable(std::string_view text) {
  std::string out;
  appendPrintable(out, text, text.size());
  return out;
}

std::string quote(std::string_view text) {
  std::string out = "'";
  appendPrintable(out, text, quotedLimit);
  out += '\'';
  return out;
}

std::string reasonFor(int error) { return std::strerror(error); }

}  // namespace zorbly
