#include "platform/Companion.h"

#include <QDir>
#include <QFileInfo>

#include "platform/NativeName.h"

QStringList CompanionPlaces(const char* variable, const QString& name, const QString& buildPath) {
  if (const QByteArray env = qgetenv(variable); !env.isEmpty()) return {NameFromNative(env)};
  QStringList out;
  const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  if (!self.isEmpty())
    out << QDir::cleanPath(QFileInfo(self).dir().filePath(QStringLiteral("../" VISTREL_COMPANION_DIR "/") + name));
  out << buildPath;
  return out;
}
