// The AVI conversion core on random recordings. One Viewer (the real core, no window)
// opens each recording through its open command, as a user opens one after another;
// the whole file is marked and SaveAvi converts it into a temporary file with the
// uncompressed compressor, the cheapest one to run thousands of times. Checks: it
// returns; the viewer is stopped with the save lamp ready; the report is one a
// conversion can end with, failed exactly when the AVI layer said so, and an
// undecodable frame lies inside the file. (A viewer per input would spend most of the
// time clearing its 4 MB window arena.)

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <set>
#include <string>

#include <QFile>
#include <QString>

#include "DeclaredPictureSize.h"
#include "MemoryRecording.h"
#include "platform/Colour.h"
#include "viewer/Viewer.h"

namespace {

// 512 x 512: a 768 kB uncompressed sample per frame. Larger declared pictures are skipped.
constexpr std::uint64_t kMaxPixels = 512ull * 512ull;

[[noreturn]] void fail(const char* why, const ExportReport& r) {
  std::fprintf(stderr, "fuzz_avi: %s (outcome %d, AVI result 0x%08X, %lld written, at %lld)\n", why,
               static_cast<int>(r.outcome), static_cast<unsigned>(r.aviResult), static_cast<long long>(r.written),
               static_cast<long long>(r.at));
  std::abort();
}

// Output on a memory file system when there is one: thousands of small AVI files.
QString outputPath() {
  const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return QString::fromStdString(std::string(folder) + "/vistrel-fuzz-" + std::to_string(::getpid()) + ".AVI");
}

// An exception that leaves SaveAvi is caught by the window's handler, so it is not a
// crash here; each new kind is reported once so that a run shows it.
void noteException(const char* what) {
  static std::set<std::string> seen;
  if (seen.insert(what).second) std::fprintf(stderr, "fuzz_avi: SaveAvi threw: %s\n", what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryRecording recording;
  static const QString path = QString::fromStdString(recording.Path());
  static const QString out = outputPath();
  if (LargestDeclaredPixels(data, size) > kMaxPixels) return -1;  // not kept in the corpus

  static Viewer& v = []() -> Viewer& {
    static Viewer viewer;
    viewer.StartUp(QString());
    return viewer;
  }();

  recording.Assign({data, size});
  QFile::remove(out);

  v.OpenCommand(path);
  if (!v.recording().isOpen()) fail("the recording did not open", {});
  const FilePos length = v.FileLength();
  v.SetMarks(1, length);

  AVICOMPRESSOPTIONS raw;
  raw.codec = QStringLiteral("raw");
  ExportReport r;
  r.outcome = ExportOutcome::Failed;
  bool threw = false;
  try {
    r = v.SaveAvi({out, 1, length, v.module().AviSpeed, raw});
  } catch (const std::exception& e) {
    threw = true;
    noteException(e.what());
  } catch (...) {
    threw = true;
    noteException("something other than a std::exception");
  }
  QFile::remove(out);

  if (v.mode() != PlayMode::Stopped) fail("the viewer is not stopped", r);
  if (v.screen().shIco[static_cast<int>(PanelCommand::Save)] != Colour::Orange)
    fail("the save lamp is not ready again", r);
  if (threw) return 0;
  switch (r.outcome) {
    case ExportOutcome::Done:
    case ExportOutcome::Failed: break;
    case ExportOutcome::Undecodable:
      if (r.at < 1 || r.at > length) fail("an undecodable frame outside the file", r);
      break;
    default: fail("neither done, failed nor stopped at an undecodable frame", r);
  }
  // Reads from a file in memory do not fail: a failure is the AVI layer's.
  if ((r.outcome == ExportOutcome::Failed) != (r.aviResult != AVIERR_OK))
    fail("a failure without the AVI layer's error, or an error without failure", r);
  return 0;
}
