#pragma once
// The golden games (golden/README.md): every NAME.script in the folder, with
// NAME.frames, NAME.state and NAME.png beside it. A game added there is
// played by every test that plays them.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace zorbly::testing {

inline const std::string goldenDir = ZORBLY_GOLDEN_DIR;

// Their names, in order: "ending", "gameover", "mashed".
inline std::vector<std::string> goldenGames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(goldenDir)) {
    if (entry.path().extension() == ".script") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace zorbly::testing
