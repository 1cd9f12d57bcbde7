#pragma once
// The command-line rules of start-up and the file-title rule of the file label.

#include <optional>
#include <QString>
#include <QStringList>

// The argument string as one piece: the program's arguments joined by blanks, so a
// path with blanks given as one argument (the desktop entry's way) arrives whole.
QString ArgumentString(const QStringList& argumentsAfterProgram);

// The recording path an argument string names, if any: under 3 characters names
// none; a leading double quote drops the first and the last character.
std::optional<QString> RecordingPathFrom(const QString& argumentString);

// The file label's text for a title: above 21 characters, "... " and the last 17.
QString ShortTitle(const QString& title);

// The file's title: its name without the folders.
QString FileTitle(const QString& path);
