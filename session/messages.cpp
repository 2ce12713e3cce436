#include "session/messages.h"

#include <cerrno>
#include <cstring>

#include "scene/utf8.h"

namespace zorbly {

namespace {

constexpr std::size_t quotedLimit = 60;
constexpr std::size_t fileNameLimit = 200;

// Characters a terminal acts on or that hide what a line holds, besides the
// C0 controls and DEL: the C1 controls (U+009B starts an escape sequence on
// many terminals), and the invisible format characters: the soft hyphen, the
// zero-width and direction marks, the line and paragraph separators, the
// direction embeddings, overrides and isolates, the word joiner and its kin,
// and the byte-order mark.
bool hidden(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0xAD || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF;
}

void appendEscaped(std::string& out, std::string_view bytes) {
  static constexpr char hex[] = "0123456789abcdef";
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    out += "\\x";
    out += hex[c >> 4];
    out += hex[c & 15];
  }
}

// `backslashes`: doubled, so that they cannot be taken for the \xNN written
// for other bytes; not in Windows file names, where they are the separator.
void appendPrintable(std::string& out, std::string_view text, std::size_t limit, bool doubleBackslashes = true) {
  std::size_t at = 0;
  while (at < text.size() && at < limit) {
    const auto c = static_cast<unsigned char>(text[at]);
    std::size_t next = at;
    if (c >= 0x20 && c < 0x7F) {
      if (c == '\\' && doubleBackslashes) out += '\\';
      out += static_cast<char>(c);
      ++at;
    } else if (const auto character = c >= 0x80 ? nextCharacter(text, next) : std::nullopt;
               character && !hidden(*character)) {
      out.append(text.substr(at, next - at));
      at = next;
    } else {
      // A whole hidden character, or one byte that is a control or not UTF-8.
      next = character ? next : at + 1;
      appendEscaped(out, text.substr(at, next - at));
      at = next;
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
  appendPrintable(out, name, fileNameLimit, false);
#else
  appendPrintable(out, name, fileNameLimit);
#endif
  return out;
}

std::string quote(std::string_view text) {
  std::string out = "'";
  appendPrintable(out, text, quotedLimit);
  out += '\'';
  return out;
}

std::string reasonFor(int error) {
  // The C libraries word some of these their own way (emscripten's, under
  // node: "Filename too long", "Symbolic link loop"); every build says them
  // as Linux does.
  switch (error) {
    case EPERM: return "Operation not permitted";
    case ENOENT: return "No such file or directory";
    case EIO: return "Input/output error";
    case ENXIO: return "No such device or address";
    case EBADF: return "Bad file descriptor";
    case EAGAIN: return "Resource temporarily unavailable";
    case ENOMEM: return "Cannot allocate memory";
    case EACCES: return "Permission denied";
    case EBUSY: return "Device or resource busy";
    case EEXIST: return "File exists";
    case EXDEV: return "Invalid cross-device link";
    case ENODEV: return "No such device";
    case ENOTDIR: return "Not a directory";
    case EISDIR: return "Is a directory";
    case EINVAL: return "Invalid argument";
    case ENFILE: return "Too many open files in system";
    case EMFILE: return "Too many open files";
    case ETXTBSY: return "Text file busy";
    case EFBIG: return "File too large";
    case ENOSPC: return "No space left on device";
    case ESPIPE: return "Illegal seek";
    case EROFS: return "Read-only file system";
    case EPIPE: return "Broken pipe";
    case ENAMETOOLONG: return "File name too long";
    case ELOOP: return "Too many levels of symbolic links";
    case ENOTEMPTY: return "Directory not empty";
    default: return std::strerror(error);
  }
}

}  // namespace zorbly
