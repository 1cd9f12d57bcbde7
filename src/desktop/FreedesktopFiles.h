#pragma once
// The texts of the freedesktop.org files that associate a file type with this program:
// the shared-mime-info package, the desktop entry and the lines of mimeapps.list. Pure
// text in, text out; the packaged copies under packaging/ are these texts too.

#include <QString>

inline constexpr char kDesktopId[] = "vistrel.desktop";  // desktop entry's file name
inline constexpr char kIconName[] = "vistrel";           // hicolor icon name
inline constexpr char kDefaultGroup[] = "Default Applications";
inline constexpr char kAddedGroup[] = "Added Associations";

// Our media type for files ending in Extension: ".MJP" gives "application/x-vistrel-mjp".
QString MimeTypeFor(const QString& Extension);

// The shared-mime-info package: mimeType for *.ext in lower case and as given, named
// TypeName, with our icon.
QString MimePackageXml(const QString& mimeType, const QString& Extension, const QString& TypeName);

// One argument of an Exec line, quoted only when it holds a character the desktop-entry
// rules reserve, with % doubled and the file format's backslash escape applied.
QString DesktopExecArgument(const QString& argument);

// The desktop entry that runs program with the opened file's path as one argument (%f).
QString DesktopEntryText(const QString& program, const QString& mimeType);

// mimeappsText with "mimeType=desktopId;" as the only entry for mimeType in [group]
// (created when missing); every other line is kept as it was.
QString WithOnlyHandler(const QString& mimeappsText, const QString& group, const QString& mimeType,
                        const QString& desktopId);
