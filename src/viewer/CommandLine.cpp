#include "viewer/CommandLine.h"

#include "platform/NativeName.h"

#include <QFileInfo>

QString ArgumentString(const QStringList& args) { return args.join(QLatin1Char(' ')); }

std::optional<QString> RecordingPathFrom(const QString& s) {
  if (s.size() < 3) return std::nullopt;
  if (s.startsWith(QLatin1Char('"'))) return s.mid(1, s.size() - 2);
  return s;
}

QString ShortTitle(const QString& title) {
  if (title.size() > 21) return QStringLiteral("... ") + title.right(17);
  return title;
}

QString FileTitle(const QString& path) { return ReadableName(QFileInfo(path).fileName()); }
