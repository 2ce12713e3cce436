#pragma once
// Reading scripts and writing files, with the system's reason when it fails.

#include <cstddef>
#include <string>
#include <string_view>

namespace zorbly {

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
// (a full disk) leaves no partial file. A path that exists and is not a
// plain file (a device such as /dev/null) is written in place. Throws
// FileError naming the file and the reason.
void writeFile(const std::string& path, std::string_view bytes);

// Run first thing in main(): standard input, output and error that the
// program was started without are opened on the null device, so that no
// file it opens later takes their place. What was closed is remembered.
void guardStandardStreams();
bool standardOutputWasClosed();

// Standard output and error as the program writes them: bytes as they are,
// no line ends changed (Windows would add CR).
void binaryStandardStreams();

}  // namespace zorbly
