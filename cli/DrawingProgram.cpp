// vistrel-cli-draw's side of drawing: the commands run here with QtGui's painter and fonts.

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include "Commands.h"
#include "drawing/CaptionBand.h"
#include "viewer/FrameOverlay.h"

namespace {

// What Qt and the libraries under it (fonts, libpng) would say on stderr is not ours to
// print: a command's stderr holds its own lines only, and a failure is told by its cause.
void dropLibraryMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) std::fprintf(stderr, "vistrel-cli: %s\n", qPrintable(message.simplified()));
}

}  // namespace

std::unique_ptr<QObject> StartDrawing(bool needed) {
  static int argc = 1;
  static char name[] = "vistrel-cli";
  static char* argv[] = {name, nullptr};
  if (!needed) return nullptr;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt wants a private runtime folder and warns on stderr without one (a bare session).
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QByteArray runtime = QFile::encodeName(QDir::tempPath()) + "/vistrel-runtime-" + QByteArray::number(getuid());
    if (::mkdir(runtime.constData(), 0700) == 0 || errno == EEXIST) qputenv("XDG_RUNTIME_DIR", runtime);
  }
  if (qEnvironmentVariableIsEmpty("VISTREL_QT_MESSAGES")) qInstallMessageHandler(dropLibraryMessages);
  SetCaptionPainter(PaintCaptionBand);
  return std::make_unique<QGuiApplication>(argc, argv);
}
