#include "session/files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "session/messages.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#endif

namespace zorbly {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr int readOnly = _O_RDONLY, writeOnly = _O_WRONLY, create = _O_CREAT, exclusive = _O_EXCL,
              truncate = _O_TRUNC, noFollow = 0;
#else
constexpr int readOnly = O_RDONLY, writeOnly = O_WRONLY, create = O_CREAT, exclusive = O_EXCL, truncate = O_TRUNC;
#if defined(__EMSCRIPTEN__)
constexpr int noFollow = 0;  // node's file system takes no such flag; O_EXCL already refuses a link
#else
constexpr int noFollow = O_NOFOLLOW;
#endif
#endif

bool closedAtStart[3] = {false, false, false};

[[noreturn]] void cannot(std::string_view what, const std::string& name, const std::string& reason) {
  throw FileError("cannot " + std::string(what) + " " + printableFileName(name) + ": " + reason);
}

[[noreturn]] void cannot(std::string_view what, const std::string& name, int error) {
  cannot(what, name, reasonFor(error));
}

// What a failed file system call says: in our words where it is an error
// number, else (a Windows error code) the system's.
std::string reasonOf(const std::error_code& ec) {
  return ec.category() == std::generic_category() ? reasonFor(ec.value()) : ec.message();
}

// True when a name in the path is longer than Linux takes (255 bytes): said
// before the system is asked, since node says "No such file or directory".
bool nameTooLong([[maybe_unused]] const std::string& path) {
#ifdef _WIN32
  return false;  // Windows counts in UTF-16 units and says so itself
#else
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end - start > 255) return true;
    start = end + 1;
  }
  return false;
#endif
}

// Every file the program opens is opened here: the name is UTF-8 on every
// system (the wide API on Windows). -1 with errno set when it fails.
int openPath(const std::string& path, int flags, int mode = 0666) {
  if (nameTooLong(path)) {
    errno = ENAMETOOLONG;
    return -1;
  }
#ifdef _WIN32
  return ::_wopen(pathOf(path).c_str(), flags | _O_BINARY | _O_NOINHERIT, mode ? _S_IREAD | _S_IWRITE : 0);
#else
  return ::open(path.c_str(), flags | O_CLOEXEC, mode);
#endif
}

int closeFile(int fd) {
#ifdef _WIN32
  return ::_close(fd);
#else
  return ::close(fd);
#endif
}

// Writes all of `bytes`, however many calls it takes; the error number of
// the call that failed, or 0. `written` says how much reached the file.
int writeAll(int fd, std::string_view bytes, std::size_t& written) {
  written = 0;
  while (written < bytes.size()) {
    const std::size_t left = std::min<std::size_t>(bytes.size() - written, 1 << 30);
#ifdef _WIN32
    const auto n = ::_write(fd, bytes.data() + written, static_cast<unsigned>(left));
#else
    const auto n = ::write(fd, bytes.data() + written, left);
#endif
    if (n > 0) {
      written += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return n < 0 && errno ? errno : ENOSPC;
    }
  }
  return 0;
}

// Writes the bytes and closes the file; the error number of the first step
// that failed, or 0.
int writeAndClose(int fd, std::string_view bytes) {
  std::size_t written = 0;
  int error = writeAll(fd, bytes, written);
  if (closeFile(fd) != 0 && error == 0) error = errno ? errno : EIO;
  return error;
}

int truncateTo(int fd, std::uint64_t size) {
#ifdef _WIN32
  return ::_chsize_s(fd, static_cast<long long>(size)) == 0 ? 0 : -1;
#else
  return ::ftruncate(fd, static_cast<off_t>(size));
#endif
}

bool isPlainFile(int fd) {
#ifdef _WIN32
  struct _stat64 st;
  return ::_fstat64(fd, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
#endif
}

// Takes the file for this process alone; false when another holds it.
bool lockForThisGame(int fd) {
#ifdef _WIN32
  OVERLAPPED from{};
  return LockFileEx(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY,
                    0, MAXDWORD, MAXDWORD, &from) ||
         GetLastError() != ERROR_LOCK_VIOLATION;
#elif defined(__EMSCRIPTEN__)
  (void)fd;
  return true;  // the browser build records nothing
#else
  // Where the file system keeps no locks (ENOLCK), the game records all the same.
  return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
#endif
}

// A plain file that must not be replaced: one with no write permission at
// all, which stays as it is even where the system would let us replace it
// (run as root), and one this process may not write.
bool mustNotReplace(const fs::path& p, const fs::file_status& status) {
  constexpr auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if ((status.permissions() & writable) == fs::perms::none) return true;
#if defined(_WIN32)
  return ::_waccess(p.c_str(), 2) != 0;
#elif defined(__EMSCRIPTEN__)
  (void)p;
  return false;
#else
  return ::access(p.c_str(), W_OK) != 0 && errno == EACCES;
#endif
}

// A name for a temporary file that no other process can guess: in a shared
// folder another user cannot have put a link there in advance.
std::string temporaryName() {
  static std::random_device device;
  const std::uint64_t random = (std::uint64_t{device()} << 32) ^ device();
  char name[40];
  std::snprintf(name, sizeof name, ".zorbly-%016llx.tmp", static_cast<unsigned long long>(random));
  return name;
}

// Renames `from` over `to`. On Windows the replaced file may be held open
// for a moment by whoever replaced it just before (another shot of the same
// file): then it is tried again, for up to half a second.
void replace(const fs::path& from, const fs::path& to, std::error_code& ec) {
  for (int attempt = 0;; ++attempt) {
    fs::rename(from, to, ec);
#ifdef _WIN32
    if (ec && attempt < 50) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
#endif
    return;
  }
}

}  // namespace

fs::path pathOf(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

FileSource::FileSource(const std::string& path) : owned_(true), name_(path) {
  std::error_code ec;
  // Opening a folder works on some systems and not on others; say the same everywhere.
  if (fs::is_directory(pathOf(path), ec)) cannot("read", path, EISDIR);
  fd_ = openPath(path, readOnly);
  if (fd_ < 0) cannot("read", path, errno);
}

FileSource::FileSource() : fd_(0), owned_(false), name_("standard input") {
  if (closedAtStart[0]) throw FileError("cannot read standard input");
#ifdef _WIN32
  ::_setmode(0, _O_BINARY);
#endif
}

FileSource::~FileSource() {
  if (owned_) closeFile(fd_);
}

std::size_t FileSource::read(char* to, std::size_t size) {
  for (;;) {
#ifdef _WIN32
    const auto n = ::_read(fd_, to, static_cast<unsigned>(size));
#else
    const auto n = ::read(fd_, to, size);
#endif
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) cannot("read", name_, errno);
  }
}

void writeFile(const std::string& path, std::string_view bytes) {
  if (nameTooLong(path)) cannot("write", path, ENAMETOOLONG);
  std::error_code ec;
  fs::path target = pathOf(path);
  const fs::file_status status = fs::status(target, ec);
  if (fs::is_directory(status)) cannot("write", path, EISDIR);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    // A device or a pipe: written in place, since renaming over it would replace it.
    const int fd = openPath(path, writeOnly | create | truncate);
    if (fd < 0) cannot("write", path, errno);
    if (int error = writeAndClose(fd, bytes)) cannot("write", path, error);
    return;
  }
  if (fs::exists(status) && mustNotReplace(target, status)) cannot("write", path, EACCES);
  // Through a symbolic link the file it leads to is replaced, not the link.
  if (fs::is_symlink(fs::symlink_status(target, ec))) target = fs::weakly_canonical(target, ec);

  fs::path temporary = target;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
    temporary.replace_filename(temporaryName());
    fd = openPath(reinterpret_cast<const char*>(temporary.u8string().c_str()), writeOnly | create | exclusive | noFollow);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) cannot("write", path, errno);
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
  // The picture replaces the file, and keeps what it allowed.
  if (fs::exists(status)) ::fchmod(fd, static_cast<mode_t>(status.permissions()));
#endif
  if (int error = writeAndClose(fd, bytes)) {
    fs::remove(temporary, ec);
    cannot("write", path, error);
  }
  replace(temporary, target, ec);
  if (ec) {
    const std::string reason = reasonOf(ec);
    fs::remove(temporary, ec);
    cannot("write", path, reason);
  }
}

RecordingFile::RecordingFile(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(pathOf(path), ec)) cannot("write", path, EISDIR);
  // Not emptied yet: the file may be another game's.
  fd_ = openPath(path, writeOnly | create);
  if (fd_ < 0) cannot("write", path, errno);
  plain_ = isPlainFile(fd_);
  if (plain_ && !lockForThisGame(fd_)) {
    closeFile(fd_);
    cannot("write", path, "another game is recording to it");
  }
  if (plain_ && truncateTo(fd_, 0) != 0) {
    const int error = errno;
    closeFile(fd_);
    cannot("write", path, error);
  }
}

RecordingFile::~RecordingFile() { closeFile(fd_); }

bool RecordingFile::writeLine(std::string_view line) {
  if (error_) return false;
  std::size_t written = 0;
  error_ = writeAll(fd_, line, written);
  if (!error_) {
    whole_ += written;
    return true;
  }
  // The file ends with the last whole line, not with a piece of this one.
  if (plain_ && written > 0 && truncateTo(fd_, whole_) == 0) {
#ifdef _WIN32
    ::_lseeki64(fd_, static_cast<long long>(whole_), SEEK_SET);
#else
    ::lseek(fd_, static_cast<off_t>(whole_), SEEK_SET);
#endif
  }
  return false;
}

void guardStandardStreams() {
  for (int fd = 0; fd < 3; ++fd) {
#ifdef _WIN32
    if (::_get_osfhandle(fd) >= 0) continue;
    closedAtStart[fd] = true;
    std::freopen("NUL", fd == 0 ? "rb" : "wb", fd == 0 ? stdin : fd == 1 ? stdout : stderr);
#else
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    closedAtStart[fd] = true;
    // The lowest free descriptor is `fd` itself, since it is closed.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened != fd && opened >= 0) ::close(opened);
#endif
  }
#ifndef _WIN32
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool standardOutputWasClosed() { return closedAtStart[1]; }

void binaryStandardStreams() {
#ifdef _WIN32
  ::_setmode(1, _O_BINARY);
  ::_setmode(2, _O_BINARY);
#endif
}

}  // namespace zorbly
