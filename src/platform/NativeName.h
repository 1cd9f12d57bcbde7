#pragma once
// File names as the system stores them: bytes, not always valid UTF-8. A name carried in a
// QString comes back to exactly its bytes; nothing on the way from a listing to an open is lost.

#include <QByteArray>
#include <QString>

// The name's text: valid UTF-8 decoded, and each byte outside it carried as the lone surrogate
// U+DC80..U+DCFF, which no decoded text can hold.
QString NameFromNative(const QByteArray& bytes);

// The bytes a name stands for: NameFromNative undone; any other text as UTF-8.
QByteArray NativeName(const QString& name);

// The name as a person reads it: each carried byte shown as \xHH ("pr\xB3at.mjp"), the rest as
// it is. For titles and reports; the command line's JSON and CSV escape reversibly instead.
QString ReadableName(const QString& name);

// The byte that name[i] carries, or -1 for a character of the text (the low half of a pair
// included, which a carried byte never is).
inline int CarriedByteAt(const QString& name, qsizetype i) {
  const char16_t u = name[i].unicode();
  if (u < 0xDC80 || u > 0xDCFF || (i > 0 && name[i - 1].isHighSurrogate())) return -1;
  return u - 0xDC00;
}
