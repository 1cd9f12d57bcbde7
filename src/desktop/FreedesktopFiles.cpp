#include "desktop/FreedesktopFiles.h"

#include <QStringList>

QString MimeTypeFor(const QString& Extension) {
  QString ext = Extension.toLower();
  if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  return QStringLiteral("application/x-vistrel-") + ext;
}

QString MimePackageXml(const QString& mimeType, const QString& Extension, const QString& TypeName) {
  // Globs match regardless of case already; both spellings are listed so that a reader
  // that matches case-sensitively still finds the type.
  QStringList globs{QLatin1Char('*') + Extension.toLower()};
  if (Extension != Extension.toLower()) globs << QLatin1Char('*') + Extension;
  QString xml = QStringLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
  xml += QStringLiteral("  <mime-type type=\"%1\">\n").arg(mimeType.toHtmlEscaped());
  xml += QStringLiteral("    <comment>%1</comment>\n").arg(TypeName.toHtmlEscaped());
  xml += QStringLiteral("    <icon name=\"%1\"/>\n").arg(QLatin1String(kIconName));
  xml += QStringLiteral("    <generic-icon name=\"video-x-generic\"/>\n");
  for (const QString& g : globs) xml += QStringLiteral("    <glob pattern=\"%1\"/>\n").arg(g.toHtmlEscaped());
  xml += QStringLiteral("  </mime-type>\n</mime-info>\n");
  return xml;
}

namespace {

bool NeedsQuotes(const QString& argument) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  if (argument.isEmpty()) return true;
  for (const QChar c : argument)
    if (reserved.contains(c)) return true;
  return false;
}

// Inside double quotes a backslash protects ", `, $ and itself.
QString Quoted(const QString& argument) {
  static const QString escaped = QStringLiteral("\"`$\\");
  QString out = QStringLiteral("\"");
  for (const QChar c : argument) {
    if (escaped.contains(c)) out += QLatin1Char('\\');
    out += c;
  }
  return out + QLatin1Char('"');
}

// The escapes every string value of the file gets; readers undo them before the quotes.
QString EscapedValue(const QString& value) {
  QString out;
  for (const QChar c : value) {
    if (c == QLatin1Char('\\')) out += QStringLiteral("\\\\");
    else if (c == QLatin1Char('\n')) out += QStringLiteral("\\n");
    else if (c == QLatin1Char('\t')) out += QStringLiteral("\\t");
    else if (c == QLatin1Char('\r')) out += QStringLiteral("\\r");
    else out += c;
  }
  return out;
}

QString KeyOf(const QString& line) {
  const int eq = line.indexOf(QLatin1Char('='));
  return eq < 0 ? QString() : line.left(eq).trimmed();
}

}  // namespace

QString DesktopExecArgument(const QString& argument) {
  QString arg = NeedsQuotes(argument) ? Quoted(argument) : argument;
  arg.replace(QLatin1Char('%'), QStringLiteral("%%"));  // a lone % would start a field code
  return EscapedValue(arg);
}

QString DesktopEntryText(const QString& program, const QString& mimeType) {
  // %f: the launcher passes the file's path as one argument, blanks and all, which is
  // exactly the argument string start-up takes as the recording's path.
  return QStringLiteral(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=Vistrel\n"
             "GenericName=Recording Viewer\n"
             "Comment=Views and plays MJP recordings\n"
             "Icon=%1\n"
             "Exec=%2 %f\n"
             "Terminal=false\n"
             "MimeType=%3;\n"
             "Categories=AudioVideo;Video;Player;\n")
      .arg(QLatin1String(kIconName), DesktopExecArgument(program), mimeType);
}

QString WithOnlyHandler(const QString& mimeappsText, const QString& group, const QString& mimeType,
                        const QString& desktopId) {
  const QString header = QLatin1Char('[') + group + QLatin1Char(']');
  const QString entry = mimeType + QLatin1Char('=') + desktopId + QLatin1Char(';');
  QStringList lines = mimeappsText.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // the final newline

  QStringList out;
  bool inGroup = false;
  bool placed = false;
  for (const QString& line : lines) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('['))) {
      inGroup = trimmed == header;
      out << line;
      if (inGroup && !placed) {
        out << entry;
        placed = true;
      }
    } else if (!(inGroup && !trimmed.startsWith(QLatin1Char('#')) && KeyOf(line) == mimeType)) {
      out << line;
    }
  }
  if (!placed) {
    if (!out.isEmpty() && !out.last().trimmed().isEmpty()) out << QString();
    out << header << entry;
  }
  return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
