// The registry entries, in their order. Errors are ignored by construction: QSettings
// neither throws nor stops, so an action without rights (HKEY_CLASSES_ROOT needs them)
// or a deletion of something absent (the usual case at the first start) has no effect
// and the next action runs. The deletions come first so the user's earlier choice for
// the extension is replaced, not merged.

#include "desktop/RegisterFileType.h"

#include <QSettings>

namespace {

// "." stands for a key's default (unnamed) value.
QString DefaultOf(const QString& key) { return key + QStringLiteral("/."); }

}  // namespace

void RegisterFileType(const QString& Extension, const QString& TypeName, const QString& ProgramPath) {
  QSettings classes(QStringLiteral("HKEY_CLASSES_ROOT"), QSettings::NativeFormat);
  classes.setValue(DefaultOf(Extension), TypeName);                                     // 1
  classes.setValue(DefaultOf(TypeName), QStringLiteral("ascii"));                       // 2
  classes.setValue(DefaultOf(TypeName + QStringLiteral("/DefaultIcon")), ProgramPath);  // 3
  classes.setValue(DefaultOf(TypeName + QStringLiteral("/shell/open/command")),
                   ProgramPath + QStringLiteral(" %L"));  // 4
  classes.sync();

  QSettings fileExts(QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                                    "Explorer\\FileExts\\") +
                         Extension,
                     QSettings::NativeFormat);
  fileExts.remove(QStringLiteral("Application"));                    // 5
  fileExts.setValue(QStringLiteral("Application"), ProgramPath);     // 6
  fileExts.remove(QStringLiteral("OpenWithList"));                   // 7
  fileExts.setValue(QStringLiteral("OpenWithList/a"), ProgramPath);  // 8
  fileExts.sync();
}
