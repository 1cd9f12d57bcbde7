// vistrel_bench: the scanner's forward walk and the frame step, each beside its in-memory
// peer, and the viewer's exports (AVI conversion per codec, MJP copy of a range), whose
// peers are command lines run.sh times; so that run.sh can print ratios measured in one
// run on one machine.
//
//   vistrel_bench [benchmark flags] [--scan=FILE] [--step=FILE]
//                 [--avi=FILE [--avi-frames=N] [--codecs=raw,mjpeg,…]] [--mjp=FILE]
//                 [--out=DIR] [--reps=N]
//
// Every timed pass is one whole walk or export (one iteration); repetitions give the
// median. A pass that reads the recording through the file finds it in the page cache:
// the file is read once just before the pass, outside the timing. Exports write into
// DIR (default: the current folder) and delete what they wrote after each pass.

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QStringList>

#include "BenchFiles.h"
#include "ForwardWalk.h"
#include "MarkerPass.h"
#include "TurboJpegLoop.h"
#include "ViewerExport.h"

namespace {

struct Args {
  std::string scanFile;
  std::string stepFile;
  std::string aviFile;
  int aviFrames = 1000;
  QStringList codecs{QStringLiteral("raw"), QStringLiteral("mjpeg"), QStringLiteral("ffv1")};
  std::string mjpFile;
  QString outDir = QStringLiteral(".");
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

// A viewer without a window on one recording.
struct CoreExport {
  Viewer viewer;
  vbench::ViewerExport run;
  explicit CoreExport(const std::string& path) : run(viewer, QString::fromStdString(path)) {
    vbench::ViewerExport::Open(viewer, QString::fromStdString(path));
  }
};

// SaveAvi over the first frames of the recording: scanner, decoding into the surface and
// the AVI layer, nothing painted (the core has no canvas).
void SaveAviPass(benchmark::State& state, const Args& args, const QString& codec) {
  static std::unique_ptr<CoreExport> core;
  if (!core) {
    core = std::make_unique<CoreExport>(args.aviFile);
    core->run.MarkFirstFrames(args.aviFrames);
  }
  const QString out = args.outDir + QStringLiteral("/bench-out-") + codec + QStringLiteral(".avi");
  core->run.Prepare(out, false);
  bool ok = true;
  std::int64_t frames = 0;
  for (auto _ : state) {
    ok = core->run.SaveAvi(codec, out);
    frames += core->run.FramesWritten();
  }
  vbench::ViewerExport::Discard(out);
  if (!ok) state.SkipWithError(core->run.Error().c_str());
  report(state, 0, frames);
}

// SaveMjp of the whole recording as the marked range: kernel copies of 1,000,000 bytes.
// The output of the pass before is deleted and the disk flushed first, as for cp's runs.
void SaveMjpPass(benchmark::State& state, const Args& args) {
  static std::unique_ptr<CoreExport> core;
  if (!core) {
    core = std::make_unique<CoreExport>(args.mjpFile);
    core->run.MarkWholeFile();
  }
  const QString out = args.outDir + QStringLiteral("/bench-out.mjp");
  core->run.Prepare(out, true);
  bool ok = true;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    ok = core->run.SaveMjp(out);
    bytes += core->run.MarkedBytes();
  }
  vbench::ViewerExport::Discard(out);
  if (!ok) state.SkipWithError(core->run.Error().c_str());
  report(state, bytes, 0);
}

void add(const char* name, void (*fn)(benchmark::State&, const std::string&), const std::string& path, int reps) {
  benchmark::RegisterBenchmark(name, fn, path)
      ->Iterations(1)
      ->Repetitions(reps)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
}

template <class Fn>
void addExport(const std::string& name, Fn fn, int reps) {
  benchmark::RegisterBenchmark(name.c_str(), fn)
      ->Iterations(1)
      ->Repetitions(reps)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
}

bool parseCount(std::string_view v, int& into) {
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), into);
  return ec == std::errc() && end == v.data() + v.size();
}

bool parse(int argc, char** argv, Args& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a.starts_with("--scan=")) {
      args.scanFile = a.substr(7);
    } else if (a.starts_with("--step=")) {
      args.stepFile = a.substr(7);
    } else if (a.starts_with("--avi=")) {
      args.aviFile = a.substr(6);
    } else if (a.starts_with("--avi-frames=")) {
      if (!parseCount(a.substr(13), args.aviFrames) || args.aviFrames < 2) return false;
    } else if (a.starts_with("--codecs=")) {
      args.codecs = QString::fromStdString(std::string(a.substr(9))).split(u',', Qt::SkipEmptyParts);
      if (args.codecs.isEmpty()) return false;
    } else if (a.starts_with("--mjp=")) {
      args.mjpFile = a.substr(6);
    } else if (a.starts_with("--out=")) {
      args.outDir = QString::fromStdString(std::string(a.substr(6)));
    } else if (a.starts_with("--reps=")) {
      if (!parseCount(a.substr(7), args.reps) || args.reps < 1) return false;
    } else {
      return false;
    }
  }
  return !args.scanFile.empty() || !args.stepFile.empty() || !args.aviFile.empty() || !args.mjpFile.empty();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  static Args args;  // the export passes keep a reference
  if (!parse(argc, argv, args)) {
    std::fprintf(
        stderr,
        "usage: vistrel_bench [benchmark flags] [--scan=FILE] [--step=FILE]\n"
        "         [--avi=FILE [--avi-frames=N] [--codecs=raw,mjpeg,...]] [--mjp=FILE] [--out=DIR] [--reps=N]\n");
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
  if (!args.aviFile.empty()) {
    for (const QString& codec : args.codecs) {
      addExport(
          "Avi/SaveAvi/" + codec.toStdString(), [codec](benchmark::State& state) { SaveAviPass(state, args, codec); },
          args.reps);
    }
  }
  if (!args.mjpFile.empty()) {
    addExport(
        "Mjp/SaveMjp", [](benchmark::State& state) { SaveMjpPass(state, args); }, args.reps);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
