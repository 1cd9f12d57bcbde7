// The AVI conversion core on random recordings. One Viewer (the real core, no window)
// opens each recording through its open command, as a user opens one after another;
// the whole file is marked, the save dialog answers a temporary path and the compressor
// dialog the uncompressed compressor, and SaveAvi runs. Checks: it returns; the viewer
// is stopped (PlayState 0) with the save lamp ready; an error is reported once, and only
// with a failed result. (A viewer per input would spend most of the time clearing its
// 4 MB window arena.)

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
#include "FuzzModal.h"
#include "MemoryRecording.h"
#include "shell/Viewer.h"

namespace {

// 512 x 512: a 768 kB uncompressed sample per frame. Larger declared pictures are skipped.
constexpr std::uint64_t kMaxPixels = 512ull * 512ull;

[[noreturn]] void fail(const char* why, ExportResult r) {
  std::fprintf(stderr, "fuzz_avi: %s (result %d)\n", why, static_cast<int>(r));
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
  static FuzzModal modal;
  static ModalScope scope(modal);
  static MemoryRecording recording;
  static const QString out = outputPath();
  if (LargestDeclaredPixels(data, size) > kMaxPixels) return -1;  // not kept in the corpus

  static Viewer& v = [&]() -> Viewer& {
    static Viewer viewer;
    viewer.StartUp(QString());
    modal.openAnswer = QString::fromStdString(recording.Path());
    return viewer;
  }();

  recording.Assign({data, size});
  QFile::remove(out);
  modal.Reset();
  modal.saveAnswer = out;

  v.OpenCommand();
  if (!v.recording.isOpen()) fail("the recording did not open", ExportResult::Failed);
  v.module.MarkStart = 1;
  v.module.MarkEnd = v.st.FileLength;
  const int criticalsBefore = modal.criticals;

  ExportResult r = ExportResult::Failed;
  bool threw = false;
  try {
    r = v.SaveAvi();
  } catch (const std::exception& e) {
    threw = true;
    noteException(e.what());
  } catch (...) {
    threw = true;
    noteException("something other than a std::exception");
  }
  QFile::remove(out);

  if (v.st.PlayState != 0) fail("the viewer is not back in PlayState 0", r);
  if (v.screen.shIco[2] != Colour::Orange) fail("the save lamp is not ready again", r);
  if (threw) return 0;
  if (r != ExportResult::Done && r != ExportResult::Failed) fail("neither done nor failed", r);
  const int criticals = modal.criticals - criticalsBefore;
  if (criticals > 1) fail("an error reported more than once", r);
  if ((criticals == 1) != (r == ExportResult::Failed)) fail("a failure without its message, or a message without failure", r);
  return 0;
}
