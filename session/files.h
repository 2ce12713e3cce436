#pragma once
// Reading scripts and writing files, with the system's reason when it fails.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zorbly {

// A file name as the program takes it (UTF-8, on every system) as a path.
std::filesystem::path pathOf(std::string_view utf8);

// Where a script's bytes come from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes into `to` and returns how many; 0 at the end.
  // Throws FileError ("cannot read x: Is a directory") when reading fails.
  virtual std::size_t read(char* to, std::size_t size) = 0;
};

// A file, or standard input, read through its descriptor: only as much as
// is there, so a script can come line by line from another program.
class FileSource : public ByteSource {
 public:
  // Opens `path`; throws FileError naming it when it cannot be read.
  explicit FileSource(const std::string& path);
  // Standard input; throws FileError when the program was started with it closed.
  FileSource();
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::size_t read(char* to, std::size_t size) override;

 private:
  int fd_;
  bool owned_;
  std::string name_;  // for messages
};

// Bytes held in memory (a copy of them): tests, and scripts handed over whole.
class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t read(char* to, std::size_t size) override {
    const std::size_t n = bytes_.copy(to, size, at_);
    at_ += n;
    return n;
  }

 private:
  std::string bytes_;
  std::size_t at_ = 0;
};

// Writes `bytes` to the file `path` whole or not at all: into a temporary
// file beside it, then renamed over it, so that a failure at any point
// (a full disk) leaves no partial file. The temporary file has a random name
// of its own and is created only if nothing, not even a link, has that name.
// A path that exists and is not a plain file (a device such as /dev/null)
// is written in place; a plain file that may not be written (read-only) is
// refused. Throws FileError naming the file and the reason.
void writeFile(const std::string& path, std::string_view bytes);

// Where a recording's lines go, each one whole or not at all.
class LineSink {
 public:
  virtual ~LineSink() = default;
  // Writes one line, its line end included; false when it cannot be written
  // whole, with error() the reason (an error number).
  virtual bool writeLine(std::string_view line) = 0;
  virtual int error() const = 0;
};

// A file that a game records to. Opened for this game alone: another game
// recording to the same file is refused. A line that cannot be written whole
// (a full disk, a file size limit) is taken back out of a plain file, so the
// file always ends with a whole line; a pipe whose reader has gone says so
// (EPIPE) instead of ending the program.
class RecordingFile : public LineSink {
 public:
  // Creates or empties `path`; throws FileError naming it: "cannot write
  // x.txt: Is a directory", "cannot write x.txt: another game is recording
  // to it".
  explicit RecordingFile(const std::string& path);
  ~RecordingFile() override;
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

  bool writeLine(std::string_view line) override;
  int error() const override { return error_; }

 private:
  int fd_ = -1;
  bool plain_ = false;        // a plain file, which a cut line can be taken out of
  std::uint64_t whole_ = 0;   // the bytes of whole lines written so far
  int error_ = 0;
};

// Run first thing in main(): standard input, output and error that the
// program was started without are opened on the null device, so that no
// file it opens later takes their place. What was closed is remembered.
// A write that fails comes back as an error to report, never as a signal
// that ends the program: a reader that has gone (SIGPIPE), a file size
// limit (SIGXFSZ).
void guardStandardStreams();
bool standardOutputWasClosed();

// Standard output and error as the program writes them: bytes as they are,
// no line ends changed (Windows would add CR).
void binaryStandardStreams();

}  // namespace zorbly
