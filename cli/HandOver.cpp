// vistrel-cli's side of drawing: it links no QtGui, so a command that draws is handed over
// to the drawing program, vistrel-cli-draw, which runs it with the same arguments in this
// same process (exec), as if it had been started instead.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "CliError.h"
#include "Commands.h"
#include "platform/Companion.h"

namespace {

constexpr const char* kDrawingProgram = "vistrel-cli-draw";

[[noreturn]] void handOver() {
  const QStringList places =
      CompanionPlaces("VISTREL_CLI_DRAW", QString::fromLatin1(kDrawingProgram), QStringLiteral(VISTREL_CLI_DRAW_BUILD));
  QStringList failures;
  std::fflush(stdout);
  std::fflush(stderr);
  for (const QString& place : places) {
    if (!QFileInfo::exists(place)) continue;
    ::execv(QFile::encodeName(place).constData(), ProgramArguments());
    failures << place + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
  }
  throw CliError::Failure(QString::fromLatin1(kDrawingProgram),
                          failures.isEmpty() ? QStringLiteral("not found (drawing needs it)") : failures.join("; "));
}

}  // namespace

std::unique_ptr<QObject> StartDrawing(bool needed) {
  if (needed) handOver();
  return nullptr;
}

int RunPlot(const CliArgs&) { handOver(); }
int RunReport(const CliArgs&) { handOver(); }
