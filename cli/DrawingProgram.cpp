// vistrel-cli-draw's side of drawing: the commands run here with QtGui's painter and fonts.

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include "Commands.h"
#include "drawing/CaptionBand.h"
#include "viewer/FrameOverlay.h"

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
  SetCaptionPainter(PaintCaptionBand);
  return std::make_unique<QGuiApplication>(argc, argv);
}
