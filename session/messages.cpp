#include "session/messages.h"

#include <cstring>

#include "scene/utf8.h"

namespace zorbly {

namespace {

constexpr std::size_t quotedLimit = 60;

// `backslashes`: doubled, so that they cannot be taken for the \xNN written
// for other bytes; not in Windows file names, where they are the separator.
void appendPrintable(std::string& out, std::string_view text, std::size_t limit, bool doubleBackslashes = true) {
  static constexpr char hex[] = "0123456789abcdef";
  std::size_t at = 0;
  while (at < text.size() && at < limit) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= 0x20 && c < 0x7F) {
      if (c == '\\' && doubleBackslashes) out += '\\';
      out += static_cast<char>(c);
      ++at;
    } else if (std::size_t next = at; c >= 0x80 && nextCharacter(text, next)) {
      out.append(text.substr(at, next - at));
      at = next;
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

std::string printableFileName(std::string_view name) {
  std::string out;
#if defined(_WIN32)
  appendPrintable(out, name, name.size(), false);
#else
  appendPrintable(out, name, name.size());
#endif
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
