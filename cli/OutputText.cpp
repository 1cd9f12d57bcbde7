#include "OutputText.h"

#include <unistd.h>

#include "platform/NativeName.h"

namespace {

constexpr char kHex[] = "0123456789abcdef";

void appendHex(std::string& out, unsigned char byte) {
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

// Appends the bytes, each control character shown as \xHH of its bytes: C0 and DEL are one byte
// each, a C1 character (U+0080..U+009F) the two of its UTF-8 form.
void appendEscapingControls(std::string& out, std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const bool c1 = b == 0xC2 && i + 1 < bytes.size() && static_cast<unsigned char>(bytes[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(bytes[i + 1]) <= 0x9F;
    if (c1) {
      appendHex(out, b);
      appendHex(out, static_cast<unsigned char>(bytes[++i]));
    } else if (b < 0x20 || b == 0x7F) {
      appendHex(out, b);
    } else {
      out += bytes[i];
    }
  }
}

}  // namespace

QString ReversibleName(const QString& name) {
  QString text;
  text.reserve(name.size());
  for (qsizetype i = 0; i < name.size(); ++i) {
    const QChar c = name[i];
    if (const int carried = CarriedByteAt(name, i); carried >= 0) {
      text += QStringLiteral("\\x") + QLatin1Char(kHex[carried >> 4]) + QLatin1Char(kHex[carried & 15]);
    } else if (c == QLatin1Char('\\')) {
      text += QStringLiteral("\\\\");
    } else {
      text += c;
    }
  }
  return text;
}

bool StdoutIsTerminal() {
  static const bool terminal = ::isatty(STDOUT_FILENO) == 1;
  return terminal;
}

void AppendShown(std::string& out, const QString& text) {
  const QByteArray bytes = NativeName(text);
  if (StdoutIsTerminal())
    return appendEscapingControls(out, {bytes.constData(), static_cast<std::size_t>(bytes.size())});
  out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void AppendCsvText(std::string& out, const QString& text) {
  static const QString kFormulaStarts = QStringLiteral("=+-@\t\r'");
  if (text.isEmpty() || !kFormulaStarts.contains(text.front())) return AppendCsvOwnText(out, text);
  AppendCsvOwnText(out, QLatin1Char('\'') + text);
}

void AppendCsvOwnText(std::string& out, const QString& text) {
  QString cell = text;
  const bool quoted = cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"')) ||
                      cell.contains(QLatin1Char('\r')) || cell.contains(QLatin1Char('\n'));
  if (quoted) {
    cell.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    cell = QLatin1Char('"') + cell + QLatin1Char('"');
  }
  AppendShown(out, cell);
}

std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  appendEscapingControls(line, text);
  return line;
}
