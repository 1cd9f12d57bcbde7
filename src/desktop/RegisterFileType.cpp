#include "desktop/RegisterFileType.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

// The fact "registered" is the existence of one empty file in the user's config folder
// ($XDG_CONFIG_HOME/vistrel/registered, ~/.config when unset). A file rather than a
// settings store, because this is the only thing the program keeps between runs; in the
// config folder, because it records a per-user choice. Deleting it makes the next start
// register again (for instance after the program has moved).
QString RegistrationMarkerPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/vistrel/registered");
}

void RegisterFileTypeAtFirstStart(const QString& Extension, const QString& TypeName, const QString& ProgramPath) {
  const QString marker = RegistrationMarkerPath();
  if (QFileInfo::exists(marker)) return;
  RegisterFileType(Extension, TypeName, ProgramPath);
  // Written after the steps, so a start interrupted half-way registers again next time.
  // When the folder cannot be written the marker is missing and every start registers
  // afresh; that is harmless and quick.
  QDir().mkpath(QFileInfo(marker).path());
  QFile file(marker);
  file.open(QIODevice::WriteOnly);
}
