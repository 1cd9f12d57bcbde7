// The freedesktop.org stand-in for the registry entries: everything goes under the user's
// XDG folders ($XDG_DATA_HOME, ~/.local/share when unset; $XDG_CONFIG_HOME, ~/.config),
// so no rights beyond the user's own are needed. The steps follow the registry actions:
//   extension -> type, the type's name    the MIME package   (mime/packages/vistrel.xml)
//   the type's icon                       the hicolor icon   (icons/hicolor/scalable/apps)
//   the open command                      the desktop entry  (applications/vistrel.desktop)
//   the user's application, fresh list    mimeapps.list, our line replacing the type's old one
// and then the two databases that desktops read are rebuilt from those files.

#include "desktop/RegisterFileType.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "desktop/FreedesktopFiles.h"

namespace {

// A tool that hangs must not hold the window up for long; both finish in milliseconds.
constexpr int kToolTimeoutMs = 5000;

QString DataHome() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); }
QString ConfigHome() { return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation); }

// Failure (no folder, no rights) leaves the old file, if any, untouched.
void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(bytes);
  file.commit();
}

QByteArray IconSvg() {
  QFile icon(QStringLiteral(":/vistrel/vistrel.svg"));
  return icon.open(QIODevice::ReadOnly) ? icon.readAll() : QByteArray();
}

void ReplaceHandler(const QString& mimeType, const QString& group) {
  const QString path = ConfigHome() + QStringLiteral("/mimeapps.list");
  QFile file(path);
  QString text;
  if (file.open(QIODevice::ReadOnly)) text = QString::fromUtf8(file.readAll());
  else if (file.exists()) return;  // unreadable: rewriting it would lose the user's lines
  WriteFile(path, WithOnlyHandler(text, group, mimeType, QLatin1String(kDesktopId)).toUtf8());
}

// A missing tool fails to start at once; output is of no interest to anyone.
void RunTool(const QString& program, const QStringList& arguments) {
  QProcess tool;
  tool.setStandardOutputFile(QProcess::nullDevice());
  tool.setStandardErrorFile(QProcess::nullDevice());
  tool.start(program, arguments);
  if (!tool.waitForStarted(kToolTimeoutMs)) return;
  if (!tool.waitForFinished(kToolTimeoutMs)) {
    tool.kill();
    tool.waitForFinished(kToolTimeoutMs);
  }
}

}  // namespace

void RegisterFileType(const QString& Extension, const QString& TypeName, const QString& ProgramPath) {
  const QString data = DataHome();
  const QString mimeType = MimeTypeFor(Extension);
  WriteFile(data + QStringLiteral("/mime/packages/vistrel.xml"),
            MimePackageXml(mimeType, Extension, TypeName).toUtf8());
  WriteFile(data + QStringLiteral("/icons/hicolor/scalable/apps/") + QLatin1String(kIconName) + QStringLiteral(".svg"),
            IconSvg());
  WriteFile(data + QStringLiteral("/applications/") + QLatin1String(kDesktopId),
            DesktopEntryText(ProgramPath, mimeType).toUtf8());
  ReplaceHandler(mimeType, QLatin1String(kDefaultGroup));
  ReplaceHandler(mimeType, QLatin1String(kAddedGroup));
  RunTool(QStringLiteral("update-mime-database"), {data + QStringLiteral("/mime")});
  RunTool(QStringLiteral("update-desktop-database"), {data + QStringLiteral("/applications")});
}
