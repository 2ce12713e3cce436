#include "session/files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "session/messages.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#define ZORBLY_READ ::_read
#define ZORBLY_CLOSE ::_close
#define ZORBLY_OPEN_FLAGS (_O_RDONLY | _O_BINARY)
#else
#include <unistd.h>
#define ZORBLY_READ ::read
#define ZORBLY_CLOSE ::close
#define ZORBLY_OPEN_FLAGS (O_RDONLY | O_CLOEXEC)
#endif

namespace zorbly {

namespace fs = std::filesystem;

namespace {

bool closedAtStart[3] = {false, false, false};

[[noreturn]] void cannot(std::string_view what, const std::string& name, const std::string& reason) {
  throw FileError("cannot " + std::string(what) + " " + printableFileName(name) + ": " + reason);
}

[[noreturn]] void cannot(std::string_view what, const std::string& name, int error) {
  cannot(what, name, reasonFor(error));
}

fs::path pathOf(const std::string& utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

bool isOpen(int fd) {
#ifdef _WIN32
  return ::_get_osfhandle(fd) >= 0;
#else
  return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF;
#endif
}

int processId() {
#ifdef _WIN32
  return ::_getpid();
#else
  return static_cast<int>(::getpid());
#endif
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::FILE* openForWriting(const fs::path& p) {
#ifdef _WIN32
  return ::_wfopen(p.c_str(), L"wb");
#else
  return std::fopen(p.c_str(), "wb");
#endif
}

// Writes the bytes and closes the file; the error number of the first
// step that failed, or 0.
int writeAndClose(std::FILE* f, std::string_view bytes) {
  errno = 0;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
  int error = written ? 0 : (errno ? errno : EIO);
  errno = 0;
  if (std::fclose(f) != 0 && error == 0) error = errno ? errno : EIO;
  return error;
}

}  // namespace

FileSource::FileSource(const std::string& path) : owned_(true), name_(path) {
  std::error_code ec;
  // Opening a folder works on some systems and not on others; say the same everywhere.
  if (fs::is_directory(pathOf(path), ec)) cannot("read", path, EISDIR);
#ifdef _WIN32
  fd_ = ::_wopen(pathOf(path).c_str(), ZORBLY_OPEN_FLAGS);
#else
  fd_ = ::open(path.c_str(), ZORBLY_OPEN_FLAGS);
#endif
  if (fd_ < 0) cannot("read", path, errno);
}

FileSource::FileSource() : fd_(0), owned_(false), name_("standard input") {
  if (closedAtStart[0]) throw FileError("cannot read standard input");
#ifdef _WIN32
  ::_setmode(0, _O_BINARY);
#endif
}

FileSource::~FileSource() {
  if (owned_) ZORBLY_CLOSE(fd_);
}

std::size_t FileSource::read(char* to, std::size_t size) {
  for (;;) {
    const auto n = ZORBLY_READ(fd_, to, static_cast<unsigned>(size));
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) cannot("read", name_, errno);
  }
}

void writeFile(const std::string& path, std::string_view bytes) {
  std::error_code ec;
  fs::path target = pathOf(path);
  const fs::file_status status = fs::status(target, ec);
  if (fs::is_directory(status)) cannot("write", path, EISDIR);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    // A device or a pipe: written in place, since renaming over it would replace it.
    std::FILE* f = openForWriting(target);
    if (!f) cannot("write", path, errno);
    if (int error = writeAndClose(f, bytes)) cannot("write", path, error);
    return;
  }
  // Through a symbolic link the file it leads to is replaced, not the link.
  if (fs::is_symlink(fs::symlink_status(target, ec))) target = fs::weakly_canonical(target, ec);

  fs::path temporary = target;
  std::string name = ".";
  name += target.filename().string();
  name += ".zorbly-";
  name += std::to_string(processId());
  temporary.replace_filename(name);
  std::FILE* f = openForWriting(temporary);
  if (!f) cannot("write", path, errno);
  if (int error = writeAndClose(f, bytes)) {
    fs::remove(temporary, ec);
    cannot("write", path, error);
  }
  fs::rename(temporary, target, ec);
  if (ec) {
    const std::string reason = ec.message();
    fs::remove(temporary, ec);
    cannot("write", path, reason);
  }
}

void guardStandardStreams() {
  for (int fd = 0; fd < 3; ++fd) {
    if (isOpen(fd)) continue;
    closedAtStart[fd] = true;
#ifdef _WIN32
    std::freopen("NUL", fd == 0 ? "rb" : "wb", fd == 0 ? stdin : fd == 1 ? stdout : stderr);
#else
    // The lowest free descriptor is `fd` itself, since it is closed.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened != fd && opened >= 0) ::close(opened);
#endif
  }
}

bool standardOutputWasClosed() { return closedAtStart[1]; }

void binaryStandardStreams() {
#ifdef _WIN32
  ::_setmode(1, _O_BINARY);
  ::_setmode(2, _O_BINARY);
#endif
}

}  // namespace zorbly
