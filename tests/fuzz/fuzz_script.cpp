// libFuzzer target: arbitrary bytes as a headless script. Any crash, leak,
// undefined behaviour, escaping exception or broken promise of the script
// language (see script_contract.h) is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "script_contract.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  const zorbly::testing::Verdict verdict = zorbly::testing::checkScript(script);
  if (!verdict.run) return -1;  // over the frame budget: not kept in the corpus
  if (!verdict.problem.empty()) {
    std::fprintf(stderr, "broken promise: %s\n", verdict.problem.c_str());
    std::abort();
  }
  return 0;
}
