#include "platform/NativeName.h"

namespace {

// The length of the valid UTF-8 sequence at s[i] (overlong forms, surrogates and code points
// past U+10FFFF are not valid), or 0.
int sequenceAt(const QByteArray& s, qsizetype i) {
  const auto byte = [&](qsizetype k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
  const unsigned lead = byte(i);
  const auto tail = [&](int n, unsigned low, unsigned high) {
    // The first continuation byte has a narrower range for some leads; the rest are 80..BF.
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (int k = 2; k <= n; ++k)
      if ((byte(i + k) & 0xC0) != 0x80) return 0;
    return n + 1;
  };
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return tail(1, 0x80, 0xBF);
  if (lead == 0xE0) return tail(2, 0xA0, 0xBF);
  if (lead == 0xED) return tail(2, 0x80, 0x9F);  // no surrogates
  if (lead >= 0xE1 && lead <= 0xEF) return tail(2, 0x80, 0xBF);
  if (lead == 0xF0) return tail(3, 0x90, 0xBF);
  if (lead >= 0xF1 && lead <= 0xF3) return tail(3, 0x80, 0xBF);
  if (lead == 0xF4) return tail(3, 0x80, 0x8F);
  return 0;
}

}  // namespace

QString NameFromNative(const QByteArray& bytes) {
  QString name;
  qsizetype from = 0;  // the start of the valid run not yet decoded
  qsizetype i = 0;
  while (i < bytes.size()) {
    if (const int n = sequenceAt(bytes, i); n > 0) {
      i += n;
      continue;
    }
    name += QString::fromUtf8(bytes.constData() + from, i - from);
    name += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i])));
    from = ++i;
  }
  name += QString::fromUtf8(bytes.constData() + from, bytes.size() - from);
  return name;
}

QByteArray NativeName(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  qsizetype from = 0;  // the start of the text not yet encoded
  for (qsizetype i = 0; i < name.size(); ++i) {
    const int carried = CarriedByteAt(name, i);
    if (carried < 0) continue;
    bytes += QStringView(name).mid(from, i - from).toUtf8();
    bytes += static_cast<char>(carried);
    from = i + 1;
  }
  bytes += QStringView(name).mid(from).toUtf8();
  return bytes;
}

QString ReadableName(const QString& name) {
  QString text;
  text.reserve(name.size());
  for (qsizetype i = 0; i < name.size(); ++i) {
    const int carried = CarriedByteAt(name, i);
    if (carried < 0) text += name[i];
    else text += QStringLiteral("\\x") + QString::number(carried, 16).toUpper().rightJustified(2, QLatin1Char('0'));
  }
  return text;
}
