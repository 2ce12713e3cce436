#pragma once
// Runs a program of ours as a user would, from a shell, with no display, and
// gives back its exit status and what it wrote. Shared by every test that
// runs an executable.

#include <unistd.h>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace zorbly::testing {

struct Result {
  int status;
  std::string out, err;
};

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void spit(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// `text` in single quotes, one word for the shell (the test's own file names).
inline std::string inQuotes(const std::string& text) {
  std::string word = "'";
  word += text;
  word += '\'';
  return word;
}

inline int lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

// A folder of its own for one test, removed when it goes.
class Scratch {
 public:
  Scratch() : dir_(std::filesystem::temp_directory_path() / ("zorbly-test-" + std::to_string(::getpid()) + "-" +
                                                              std::to_string(counter()++))) {
    std::filesystem::create_directories(dir_);
  }
  ~Scratch() { std::filesystem::remove_all(dir_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
  const std::filesystem::path& path() const { return dir_; }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path dir_;
};

// How the program's standard streams are set up: `input` on standard input,
// or standard input taken from `inputFrom` (a path, or "&-" to close it);
// standard output to a file of the runner's, or to `outputTo`.
struct Streams {
  std::string input;
  std::string inputFrom;
  std::string outputTo;
};

#if !defined(_WIN32)  // the in-process suites of the Windows build use the helpers above

// Runs `command` (shell words: the program and its arguments).
inline Result run(const std::string& command, const Streams& streams = {}) {
  Scratch dir;
  spit(dir / "in", streams.input);
  const std::string in = streams.inputFrom.empty() ? inQuotes((dir / "in").string())
                         : streams.inputFrom == "&-" ? "&-"
                                                     : inQuotes(streams.inputFrom);
  const std::string out = streams.outputTo.empty() ? (dir / "out").string() : streams.outputTo;
  std::string line = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ";
  line += command + " <" + in + " >" + inQuotes(out) + " 2>" + inQuotes((dir / "err").string());
  const int raw = std::system(line.c_str());
  return Result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, streams.outputTo.empty() ? slurp(dir / "out") : "",
                slurp(dir / "err")};
}

inline Result run(const std::string& command, const std::string& input) { return run(command, Streams{input, "", ""}); }

// Shell words that run the rest of a command with at most `kb` of address
// space, so that a run that would grow without end fails instead. Under
// AddressSanitizer, whose shadow memory alone is larger, only a time limit.
inline std::string withLittleMemory(int kb) {
#if defined(__SANITIZE_ADDRESS__)
  (void)kb;
  return "timeout 60 ";
#else
  return "ulimit -v " + std::to_string(kb) + "; exec ";
#endif
}

// The headless program the script-level tests hold to their promises: the
// one built here, unless ZORBLY_HEADLESS names another way to run it (the
// browser build under node, the Windows build under Wine).
inline std::string headless() {
  if (const char* other = std::getenv("ZORBLY_HEADLESS"); other && *other) return other;
#ifdef ZORBLY_HEADLESS_EXE
  return ZORBLY_HEADLESS_EXE;
#else
  return "zorbly-headless";
#endif
}

#endif  // !_WIN32

}  // namespace zorbly::testing
