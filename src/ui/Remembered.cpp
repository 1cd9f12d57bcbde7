#include "ui/Remembered.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace Remembered {
namespace {

QVariant value(const char* key, const QVariant& unset = {}) {
  return QSettings(SettingsPath(), QSettings::IniFormat).value(QLatin1String(key), unset);
}

void setValue(const char* key, const QVariant& v) {
  QSettings(SettingsPath(), QSettings::IniFormat).setValue(QLatin1String(key), v);
}

QString folder(const char* key) { return value(key).toString(); }

void setFolder(const char* key, const QString& fileInIt) {
  if (!fileInIt.isEmpty()) setValue(key, QFileInfo(fileInIt).absolutePath());
}

}  // namespace

QString OpenFolder() { return folder("folders/open"); }
void SetOpenFolder(const QString& fileInIt) { setFolder("folders/open", fileInIt); }
QString SaveFolder() { return folder("folders/save"); }
void SetSaveFolder(const QString& fileInIt) { setFolder("folders/save", fileInIt); }

bool Overlay() { return value("exports/overlay", false).toBool(); }
void SetOverlay(bool on) { setValue("exports/overlay", on); }
bool SmoothZoom() { return value("loupe/smooth", false).toBool(); }
void SetSmoothZoom(bool on) { setValue("loupe/smooth", on); }

int OverviewLimit() { return value("overview/limit", 50).toInt(); }
void SetOverviewLimit(int kmh) { setValue("overview/limit", kmh); }

QString ArchiveIndex() { return value("archive/index").toString(); }
void SetArchiveIndex(const QString& location) { setValue("archive/index", location); }

QString InFolder(const QString& folder, const QString& name) {
  if (folder.isEmpty() || name.contains(QLatin1Char('/'))) return name;
  return QDir(folder).filePath(name);
}

QString SettingsPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/vistrel/vistrel.conf");
}

}  // namespace Remembered
