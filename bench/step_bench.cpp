// Stepping the game with no window, as a bot steps it: random keys, one frame
// per iteration, the scene kept up to date. With the trace off, and with the
// trace on written to /dev/null once per script command.
//
// Besides the usual table, every run prints one line in the manner of an old
// timedemo, easy to compare between commits:
//
//   step/trace_off: 14478956 frames in 2.715 seconds (5.33 million a second; CPU ...)

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "testkit/allocation_count.h"
#include "testkit/stepped_game.h"
#include "testkit/fixture.h"

namespace {

using zorbly::testing::allocationCount;
using zorbly::testing::SteppedGame;

using zorbly::testing::assets;

// `allocations`: calls of operator new during the timed loop.
void report(benchmark::State& state, const SteppedGame& game, std::uint64_t allocations) {
  const auto frames = static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations());
  state.counters["frames"] = frames;
  state.counters["games"] = static_cast<double>(game.gamesStarted());
  state.counters["allocs/frame"] = static_cast<double>(allocations) / frames;
}

void stepTraceOff(benchmark::State& state) {
  SteppedGame game(assets(), 1);
  const std::uint64_t before = allocationCount();
  for (auto _ : state) game.step();
  const std::uint64_t allocations = allocationCount() - before;
  report(state, game, allocations);
}

void stepTraceOn(benchmark::State& state) {
  std::ofstream devNull("/dev/null", std::ios::binary);
  SteppedGame game(assets(), 1, &devNull);
  const std::uint64_t before = allocationCount();
  for (auto _ : state) game.step();
  game.flush();
  const std::uint64_t allocations = allocationCount() - before;
  report(state, game, allocations);
}

BENCHMARK(stepTraceOff)->Name("step/trace_off");
BENCHMARK(stepTraceOn)->Name("step/trace_on");

// The usual table (in colour on a terminal), and after each run its
// timedemo line: wall-clock time, then the CPU time of the process, which is
// the figure to trust when other work shares the machine.
class TimedemoReporter : public benchmark::ConsoleReporter {
 public:
  TimedemoReporter()
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const auto frames = static_cast<unsigned long long>(run.iterations);
      const double seconds = run.real_accumulated_time, cpu = run.cpu_accumulated_time;
      GetOutputStream() << run.benchmark_name() << ": " << frames << " frames in "
                        << fixed(seconds, 3) << " seconds (" << fixed(frames / seconds / 1e6, 2)
                        << " million a second; CPU " << fixed(cpu, 3) << " seconds, "
                        << fixed(frames / cpu / 1e6, 2) << " million a second)\n";
    }
    GetOutputStream().flush();
  }

 private:
  static std::string fixed(double v, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Decode the pictures and the font before any run is timed.
  assets();
  TimedemoReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
