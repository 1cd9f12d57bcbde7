// vistrel_bench_window: the AVI conversion from the real main window, shown (on the
// offscreen platform unless another is asked for), so that the picture box paints every
// frame the conversion decodes and the window's events run between frames as they do
// for a user. Passes of the codecs are interleaved; the median of each is printed.
//
//   vistrel_bench_window FILE OUTDIR [--frames=N] [--codecs=raw,mjpeg,...] [--reps=N]
//   prints per codec: codec=C frames=N paints=P seconds=S fps=F
//
// paints: picture-box paint events during the median pass. Outputs go to OUTDIR and are
// deleted after each pass.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <QWindow>

#include "BenchModal.h"
#include "ViewerExport.h"
#include "shell/CommandLine.h"
#include "shell/frmViewer.h"

namespace {

struct Args {
  QString file;
  QString outDir;
  int frames = 1000;
  QStringList codecs{QStringLiteral("raw"), QStringLiteral("mjpeg"), QStringLiteral("ffv1")};
  int reps = 3;
};

bool parseCount(std::string_view v, int& into) {
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), into);
  return ec == std::errc() && end == v.data() + v.size() && into >= 1;
}

bool parse(int argc, char** argv, Args& args) {
  std::vector<QString> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a.starts_with("--frames=")) {
      if (!parseCount(a.substr(9), args.frames) || args.frames < 2) return false;
    } else if (a.starts_with("--codecs=")) {
      args.codecs = QString::fromLocal8Bit(argv[i] + 9).split(u',', Qt::SkipEmptyParts);
      if (args.codecs.isEmpty()) return false;
    } else if (a.starts_with("--reps=")) {
      if (!parseCount(a.substr(7), args.reps)) return false;
    } else if (a.starts_with("--")) {
      return false;
    } else {
      positional.push_back(QString::fromLocal8Bit(argv[i]));
    }
  }
  if (positional.size() != 2) return false;
  args.file = positional[0];
  args.outDir = positional[1];
  return true;
}

// Counts the paint events the picture box receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct Pass {
  double seconds;
  int paints;
  std::int64_t frames;
};

// Lets the window be shown before anything is timed; false when it never is.
bool waitUntilExposed(QWidget& w) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!(w.windowHandle() && w.windowHandle()->isExposed())) {
    if (std::chrono::steady_clock::now() > until) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  QCoreApplication::processEvents();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Args args;
  if (!parse(argc, argv, args)) {
    std::fprintf(stderr, "usage: vistrel_bench_window FILE OUTDIR [--frames=N] [--codecs=raw,mjpeg,...] [--reps=N]\n");
    return 1;
  }
  vbench::BenchModal modal;
  ModalScope scope(modal);

  frmViewer window;
  window.Form_Load(ArgumentString({args.file}));
  if (!window.core().recording.isOpen()) {
    std::fprintf(stderr, "bench: %s cannot be opened\n", qPrintable(args.file));
    return 2;
  }
  window.show();
  if (!waitUntilExposed(window)) {
    std::fprintf(stderr, "bench: the window was never shown\n");
    return 2;
  }
  vbench::ViewerExport run(window.core(), modal);
  run.MarkFirstFrames(args.frames);
  window.Render();
  QCoreApplication::processEvents();

  PaintCounter counter;
  window.picTV->installEventFilter(&counter);
  std::map<QString, std::vector<Pass>> passes;
  for (int r = 0; r < args.reps; ++r) {
    for (const QString& codec : args.codecs) {
      const QString out = args.outDir + QStringLiteral("/bench-window-") + codec + QStringLiteral(".avi");
      run.Prepare(out, false);
      counter.paints = 0;
      const auto t0 = std::chrono::steady_clock::now();
      const bool ok = run.SaveAvi(codec, out);
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      window.Render();
      vbench::ViewerExport::Discard(out);
      if (!ok) {
        std::fprintf(stderr, "bench: %s: %s\n", qPrintable(codec), run.Error().c_str());
        return 3;
      }
      passes[codec].push_back({seconds, counter.paints, run.FramesWritten()});
    }
  }
  for (const QString& codec : args.codecs) {
    std::vector<Pass>& p = passes[codec];
    std::sort(p.begin(), p.end(), [](const Pass& a, const Pass& b) { return a.seconds < b.seconds; });
    const Pass& median = p[p.size() / 2];  // the upper one of an even count
    std::printf("codec=%s frames=%lld paints=%d seconds=%.3f fps=%.1f\n", qPrintable(codec),
                static_cast<long long>(median.frames), median.paints, median.seconds, median.frames / median.seconds);
  }
  return 0;
}
