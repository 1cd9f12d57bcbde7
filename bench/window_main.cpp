// vistrel_bench_window: the AVI conversion from the real main window, shown (on the
// offscreen platform unless another is asked for), so that the picture box paints every
// frame the conversion decodes and the window's events run between frames as they do
// for a user. Passes of the codecs are interleaved; the median of each is printed.
//
//   vistrel_bench_window FILE OUTDIR [--frames=N] [--codecs=raw,mjpeg,...] [--reps=N]
//   prints per codec: codec=C frames=N paints=P seconds=S fps=F
//
// paints: picture-box paint events during the median pass; frames: what the output's AVI
// header counts. Each pass is the save command of the window's command panel, its dialogs
// answered by script: AVI in the save options, the output's name in the save dialog, the
// codec in the compressor dialog, every frame a key frame. Outputs go to OUTDIR and are
// deleted after each pass.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <QStringList>
#include <QWindow>

#include "BenchFiles.h"
#include "ViewerExport.h"
#include "platform/Modal.h"
#include "ui/WindowDialogs.h"
#include "ui/frmViewer.h"
#include "viewer/CommandLine.h"
#include "viewer/SaveOptions.h"

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

// The save dialog names the output and the replace question is answered Yes. Message
// boxes are collected, never shown, so that a pass can tell whether the window reported
// an error.
class ScriptedModal final : public Modal {
 public:
  QString outputPath;
  QStringList messages;

  MsgAnswer message(const QString& text, MsgIcon, MsgButtons buttons) override {
    messages << text;
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
  }
  QString openFile(const FileDialogRequest&) override { return {}; }
  QString saveFile(const FileDialogRequest&) override { return outputPath; }
};

// The save options choose the AVI conversion at the speed as it stands; the compressor
// dialog takes the codec chosen beforehand.
class ScriptedDialogs final : public WindowDialogs {
 public:
  QString codec;

  void showTime(std::int16_t&) override {}
  void showSaveOptions(ModuleValues& module, bool& overlay) override {
    module.SaveKind = kSaveAvi;
    overlay = false;
  }
  std::optional<AVICOMPRESSOPTIONS> chooseCompressor(const std::vector<AviCompressor>&) override {
    AVICOMPRESSOPTIONS options;
    options.codec = codec;
    options.dwKeyFrameEvery = 1;
    return options;
  }
};

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
  ScriptedModal modal;
  ModalScope scope(modal);
  ScriptedDialogs dialogs;

  frmViewer window;
  window.SetDialogs(&dialogs);
  window.Form_Load(ArgumentString({args.file}));
  if (!window.core().recording().isOpen()) {
    std::fprintf(stderr, "bench: %s cannot be opened\n", qPrintable(args.file));
    return 2;
  }
  window.show();
  if (!waitUntilExposed(window)) {
    std::fprintf(stderr, "bench: the window was never shown\n");
    return 2;
  }
  vbench::ViewerExport run(window.core(), args.file);
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
      modal.outputPath = out;
      modal.messages.clear();  // also the mark command's report of the sequence's length
      dialogs.codec = codec;
      counter.paints = 0;
      const auto t0 = std::chrono::steady_clock::now();
      window.imgRightCmd_Click(static_cast<int>(PanelCommand::Save));
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      window.Render();
      const std::int64_t frames = vbench::AviFramesIn(out.toStdString());
      vbench::ViewerExport::Discard(out);
      if (!modal.messages.isEmpty() || frames < 0) {
        const QString why = modal.messages.isEmpty()
                                ? QStringLiteral("no AVI file was written")
                                : QStringLiteral("the window said: ") + modal.messages.join(QStringLiteral(" / "));
        std::fprintf(stderr, "bench: %s: %s\n", qPrintable(codec), qPrintable(why));
        return 3;
      }
      passes[codec].push_back({seconds, counter.paints, frames});
    }
  }
  // The loupe: the first frame painted magnified into the picture box, each frame pixel a
  // block or smoothly scaled; milliseconds a paint, over 200 paints.
  window.core().Transport(TransportCommand::ToStart);
  for (const bool smooth : {false, true})
    for (const int factor : {2, 4, 8}) {
      window.core().SetSmoothZoom(smooth);
      window.core().ZoomAt(1, {320, 240});
      window.core().ZoomAt(factor, {320, 240});
      constexpr int kPaints = 200;
      const auto t0 = std::chrono::steady_clock::now();
      for (int k = 0; k < kPaints; ++k) window.core().picTV_Paint();
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
      std::printf("loupe=%d smooth=%d ms=%.3f\n", factor, smooth ? 1 : 0, ms / kPaints);
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
