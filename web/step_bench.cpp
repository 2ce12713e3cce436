// Stepping the game under node, as bench/step_bench does natively: random
// keys, one frame a step, the trace off; games that end start again. Prints
// one line in the timedemo manner:
//
//   step/trace_off (wasm): 8000000 frames in 2.151 seconds (3.72 million a second; CPU 2.140 seconds, 3.74 million a second)
//
// The CPU time is node's own (process.cpuUsage), the figure to trust when
// other work shares the machine.
//
// zorbly-step-bench [FRAMES]   (default 8000000)

#include <emscripten/emscripten.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "session/script.h"
#include "testkit/fixture.h"
#include "testkit/stepped_game.h"

// Seconds of CPU time the node process has used, user and system.
EM_JS(double, cpuSeconds, (), {
  const used = process.cpuUsage();
  return (used.user + used.system) / 1e6;
});

int main(int argc, char** argv) {
  std::uint64_t frames = 8'000'000;
  if (argc > 1) {
    auto n = zorbly::parseNumber(argv[1], "the frame count", 1, 1'000'000'000);
    if (auto* bad = std::get_if<zorbly::BadLine>(&n)) {
      std::fprintf(stderr, "zorbly-step-bench: %s\nusage: zorbly-step-bench [FRAMES]\n", bad->reason.c_str());
      return 2;
    }
    frames = std::get<std::uint64_t>(n);
  }
  zorbly::testing::SteppedGame game(zorbly::testing::assets(), 1);
  for (int i = 0; i < 100'000; ++i) game.step();  // warm up: the font, the code
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = cpuSeconds();
  for (std::uint64_t i = 0; i < frames; ++i) game.step();
  const double cpu = cpuSeconds() - cpuStart;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto n = static_cast<double>(frames);
  std::printf("step/trace_off (wasm): %llu frames in %.3f seconds (%.2f million a second; CPU %.3f seconds, %.2f million a second)\n",
              static_cast<unsigned long long>(frames), seconds, n / seconds / 1e6, cpu, n / cpu / 1e6);
  return 0;
}
