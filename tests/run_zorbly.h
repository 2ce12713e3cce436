#pragma once
// Runs the real zorbly executable (ZORBLY_EXE) as a user would, with no
// display, and gives back its exit status and what it wrote.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#ifndef ZORBLY_EXE
#error "ZORBLY_EXE must name the zorbly executable"
#endif

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

// Runs zorbly with `args` (shell words) and `input` on standard input.
inline Result zorbly(const std::string& args, const std::string& input = "") {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("zorbly-run-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "in") << input;
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " +
                              std::string(ZORBLY_EXE) + " " + args + " <'" + (dir / "in").string() +
                              "' >'" + (dir / "out").string() + "' 2>'" + (dir / "err").string() + "'";
  const int raw = std::system(command.c_str());
  Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir / "out"), slurp(dir / "err")};
  fs::remove_all(dir);
  return r;
}

inline int lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

}  // namespace zorbly::testing
