// vistrel_bench: the scanner's forward walk and the frame step, each beside its in-memory
// peer, so that run.sh can print ratios measured in one run on one machine.
//
//   vistrel_bench [benchmark flags] --scan=FILE --step=FILE [--reps=N]
//
// Every timed pass is one whole walk (one iteration); repetitions give the median.
// A pass that reads the recording through the file finds it in the page cache: the
// file is read once just before the pass, outside the timing.

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "BenchFiles.h"
#include "ForwardWalk.h"
#include "MarkerPass.h"
#include "TurboJpegLoop.h"

namespace {

struct Args {
  std::string scanFile;
  std::string stepFile;
  int reps = 5;
};

void report(benchmark::State& state, std::int64_t bytes, std::int64_t frames) {
  using benchmark::Counter;
  state.counters["bytes"] = Counter(static_cast<double>(bytes), Counter::kAvgIterations);
  state.counters["frames"] = Counter(static_cast<double>(frames), Counter::kAvgIterations);
}

void ScannerForwardWalk(benchmark::State& state, const std::string& path) {
  static std::unique_ptr<vbench::ForwardWalk> walk;
  if (!walk) walk = std::make_unique<vbench::ForwardWalk>(path, false);
  vbench::WarmPageCache(path);
  std::int64_t frames = 0, bytes = 0;
  for (auto _ : state) {
    frames += walk->Run();
    bytes += walk->FileLength();
  }
  report(state, bytes, frames);
}

void MemchrMarkerPass(benchmark::State& state, const std::string& path) {
  static const std::vector<std::uint8_t> bytes = vbench::LoadWhole(path);
  std::int64_t frames = 0, total = 0;
  for (auto _ : state) {
    frames += vbench::CountFrames(bytes.data(), bytes.size());
    total += static_cast<std::int64_t>(bytes.size());
  }
  report(state, total, frames);
}

void FrameStep(benchmark::State& state, const std::string& path) {
  static std::unique_ptr<vbench::ForwardWalk> walk;
  if (!walk) walk = std::make_unique<vbench::ForwardWalk>(path, true);
  vbench::WarmPageCache(path);
  std::int64_t frames = 0, bytes = 0;
  for (auto _ : state) {
    frames += walk->Run();
    bytes += walk->FileLength();
  }
  if (walk->DecodeFailed()) state.SkipWithError("a frame failed to decode");
  report(state, bytes, frames);
}

void TurboJpegDecodeLoop(benchmark::State& state, const std::string& path) {
  static std::unique_ptr<vbench::TurboJpegLoop> loop;
  if (!loop) loop = std::make_unique<vbench::TurboJpegLoop>(path);
  std::int64_t frames = 0;
  for (auto _ : state) frames += loop->Run();
  report(state, 0, frames);
}

void add(const char* name, void (*fn)(benchmark::State&, const std::string&), const std::string& path,
         int reps) {
  benchmark::RegisterBenchmark(name, fn, path)
      ->Iterations(1)
      ->Repetitions(reps)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
}

bool parse(int argc, char** argv, Args& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a.starts_with("--scan=")) {
      args.scanFile = a.substr(7);
    } else if (a.starts_with("--step=")) {
      args.stepFile = a.substr(7);
    } else if (a.starts_with("--reps=")) {
      const auto v = a.substr(7);
      const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), args.reps);
      if (ec != std::errc() || end != v.data() + v.size() || args.reps < 1) return false;
    } else {
      return false;
    }
  }
  return !args.scanFile.empty() || !args.stepFile.empty();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Args args;
  if (!parse(argc, argv, args)) {
    std::fprintf(stderr, "usage: vistrel_bench [benchmark flags] [--scan=FILE] [--step=FILE] [--reps=N]\n");
    return 1;
  }
  if (!args.scanFile.empty()) {
    add("Scan/ScannerForwardWalk", ScannerForwardWalk, args.scanFile, args.reps);
    add("Scan/MemchrMarkerPass", MemchrMarkerPass, args.scanFile, args.reps);
  }
  if (!args.stepFile.empty()) {
    add("Step/FrameStep", FrameStep, args.stepFile, args.reps);
    add("Step/TurboJpegLoop", TurboJpegDecodeLoop, args.stepFile, args.reps);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
