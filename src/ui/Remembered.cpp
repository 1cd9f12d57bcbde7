#include "ui/Remembered.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace Remembered {
namespace {

QString folder(const char* key) {
  return QSettings(SettingsPath(), QSettings::IniFormat).value(QLatin1String(key)).toString();
}

void setFolder(const char* key, const QString& fileInIt) {
  if (fileInIt.isEmpty()) return;
  QSettings(SettingsPath(), QSettings::IniFormat).setValue(QLatin1String(key), QFileInfo(fileInIt).absolutePath());
}

}  // namespace

QString OpenFolder() { return folder("folders/open"); }
void SetOpenFolder(const QString& fileInIt) { setFolder("folders/open", fileInIt); }
QString SaveFolder() { return folder("folders/save"); }
void SetSaveFolder(const QString& fileInIt) { setFolder("folders/save", fileInIt); }

bool Overlay() {
  return QSettings(SettingsPath(), QSettings::IniFormat).value(QLatin1String("exports/overlay"), false).toBool();
}
void SetOverlay(bool on) {
  QSettings(SettingsPath(), QSettings::IniFormat).setValue(QLatin1String("exports/overlay"), on);
}

bool SmoothZoom() {
  return QSettings(SettingsPath(), QSettings::IniFormat).value(QLatin1String("loupe/smooth"), false).toBool();
}
void SetSmoothZoom(bool on) {
  QSettings(SettingsPath(), QSettings::IniFormat).setValue(QLatin1String("loupe/smooth"), on);
}

QString InFolder(const QString& folder, const QString& name) {
  if (folder.isEmpty() || name.contains(QLatin1Char('/'))) return name;
  return QDir(folder).filePath(name);
}

QString SettingsPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/vistrel/vistrel.conf");
}

}  // namespace Remembered
