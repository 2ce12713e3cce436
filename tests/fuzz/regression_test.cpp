// Every input the fuzzer ever found, and the seed corpus it starts from, run
// once through the same check as the fuzz target, in every build.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "script_contract.h"

#ifndef ZORBLY_FUZZ_DIR
#error "ZORBLY_FUZZ_DIR must name tests/fuzz in the source tree"
#endif

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const std::string& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(ZORBLY_FUZZ_DIR) / folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void checkAll(const std::string& folder) {
  const auto files = filesIn(folder);
  ASSERT_FALSE(files.empty()) << "no inputs in " << folder;
  for (const fs::path& file : files) {
    const zorbly::testing::Verdict v = zorbly::testing::checkScript(slurp(file));
    EXPECT_TRUE(v.run) << file << " asks for more frames than the fuzzer runs";
    EXPECT_EQ(v.problem, "") << file;
  }
}

TEST(FuzzInputs, EveryFoundInputKeepsThePromises) { checkAll("regressions"); }

TEST(FuzzInputs, TheCheckRunsScriptsWithinTheFrameBudgetOnly) {
  using zorbly::testing::checkScript;
  EXPECT_FALSE(checkScript("tick 20001\n").run);
  EXPECT_FALSE(checkScript("tick 10000\ntick 10001\nbad\n").run);
  EXPECT_TRUE(checkScript("tick 10000\nbad\ntick 1000000000\n").run);  // nothing read after a bad line
  const auto ok = checkScript("trace off\ntick 20000\nstate\n");
  EXPECT_TRUE(ok.run);
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.problem, "");
  const auto bad = checkScript("tick\r\n\n# x\nseed 5\n");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.problem, "");
}

TEST(FuzzInputs, EverySeedScriptKeepsThePromises) { checkAll("corpus"); }

}  // namespace
