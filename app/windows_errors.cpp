#include "app/windows_errors.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>

namespace zorbly {

namespace {

// What std::cerr is given to write while nobody can see standard error: the
// first few thousand bytes are kept; the rest is counted as written.
class KeptText : public std::streambuf {
 public:
  ~KeptText() override {
    // std::cerr and std::cout are flushed once more after static objects are gone.
    if (std::cerr.rdbuf() == this) std::cerr.rdbuf(nullptr);
    if (std::cout.rdbuf() == this) std::cout.rdbuf(nullptr);
  }
  const std::string& text() const { return text_; }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      const char byte = traits_type::to_char_type(c);
      xsputn(&byte, 1);
    }
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (n > 0 && text_.size() < limit) text_.append(s, std::min(static_cast<std::size_t>(n), limit - text_.size()));
    return n;
  }

 private:
  static constexpr std::size_t limit = 4000;
  std::string text_;
};

KeptText* kept = nullptr;

// True when the standard handle leads somewhere: a console, a file, a pipe,
// the null device.
bool leadsSomewhere(DWORD which) {
  HANDLE h = GetStdHandle(which);
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// Points descriptor `fd` (1 or 2) and the standard handle at the console
// this process has attached to.
void toConsole(int fd, DWORD which) {
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  const int opened = _open_osfhandle(reinterpret_cast<intptr_t>(console), _O_WRONLY | _O_BINARY);
  if (opened < 0) {
    CloseHandle(console);
    return;
  }
  if (opened != fd) {
    _dup2(opened, fd);
    _close(opened);
  }
  SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}

std::wstring wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
  return text;
}

}  // namespace

void findStandardStreams(bool headless) {
  const bool out = leadsSomewhere(STD_OUTPUT_HANDLE), err = leadsSomewhere(STD_ERROR_HANDLE);
  if (out && err) return;
  // Started from a console (cmd, PowerShell): write there, as on a terminal.
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    if (!out) toConsole(1, STD_OUTPUT_HANDLE);
    if (!err) toConsole(2, STD_ERROR_HANDLE);
    return;
  }
  if (headless) return;
  // Nobody sees what the program writes: it is kept and shown as it ends,
  // standard error's and, when that leads nowhere too, standard output's
  // (--help and --version from a shortcut).
  static KeptText text;
  kept = &text;
  if (!err) std::cerr.rdbuf(kept);
  if (!out) std::cout.rdbuf(kept);
}

int showKeptMessages(int status) {
  if (!kept || kept->text().empty()) return status;
  std::string text = kept->text();
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const UINT icon = status == 0 ? MB_ICONINFORMATION : MB_ICONERROR;
  MessageBoxW(nullptr, wide(text).c_str(), L"Zorbly", MB_OK | icon | MB_SETFOREGROUND);
  return status;
}

}  // namespace zorbly
