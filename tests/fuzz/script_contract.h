#pragma once
// What the script runner promises for any script at all, checked on one
// run: it returns (no crash, no escaping exception), it exits with status 0,
// or with status 2 and exactly one line "zorbly: line N: <reason>" naming a
// line of the script (which line, and what it says, are the script reader's
// own tests'), and every line it writes is a JSON object. The fuzz target
// and the regression tests share this check.
//
// The run writes no files: `shot` composes the picture and hands it to a
// writer that keeps nothing.

#include <cstdint>
#include <string>
#include <string_view>

namespace zorbly::testing {

// Scripts may ask for up to a billion frames per tick line, which is a long
// run, not a hang; the fuzzer is after crashes, so scripts that ask for more
// frames than this in all are not run. A whole game to the ending takes
// about 3000; a traced frame costs about 0.1 ms in the fuzzing build, so
// the longest run stays far inside the fuzzer's time limit per input.
inline constexpr std::uint64_t frameBudget = 20'000;

struct Verdict {
  bool run = false;     // false: over the frame budget, not run
  int status = 0;       // runScript's exit status
  std::string problem;  // empty when the run kept every promise
};

Verdict checkScript(std::string_view script);

}  // namespace zorbly::testing
