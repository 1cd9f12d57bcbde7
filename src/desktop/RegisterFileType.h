#pragma once
// Makes this program the one that opens recordings of a file-name extension, for the
// current user. Never reports anything and never fails start-up: every step that cannot
// be done is skipped and the next one still runs.

#include <QString>

// Registers ProgramPath as the program that opens files ending in Extension (".MJP")
// and gives the type the name TypeName. An earlier choice of the user for the type is
// replaced, not merged. Compiled per platform: the Windows registry or, elsewhere, the
// freedesktop.org MIME database and desktop entries under the user's XDG folders.
void RegisterFileType(const QString& Extension, const QString& TypeName, const QString& ProgramPath);

// RegisterFileType at the first start only: when the marker file is absent it registers
// and then leaves the marker, so later starts do nothing.
void RegisterFileTypeAtFirstStart(const QString& Extension, const QString& TypeName, const QString& ProgramPath);

// The marker that says registration has been done (in the user's config folder).
QString RegistrationMarkerPath();
