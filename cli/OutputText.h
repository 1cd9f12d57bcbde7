#pragma once
// How names and texts leave the tool: in JSON and CSV as valid UTF-8 that gives a name's bytes
// back, CSV text cells a spreadsheet takes as text, and nothing a terminal would obey.

#include <string>
#include <string_view>

#include <QString>

// A name for JSON and CSV: valid UTF-8 as it is; each byte that is not part of valid UTF-8 as
// \xHH (two lower-case hex digits) and a backslash as \\, so that the bytes can be restored.
QString ReversibleName(const QString& name);

// Whether standard output is a terminal (asked once).
bool StdoutIsTerminal();

// The text's bytes as they are (a name with the very bytes it carries); when standard output is
// a terminal, control characters (C0, DEL, C1) are shown as \xHH of their bytes instead.
void AppendShown(std::string& out, const QString& text);

// A CSV cell of text from outside the tool (a file name, a text stored in a recording), as
// AppendShown writes it: a ' before a text that begins with = + - @ tab, CR or ' (a spreadsheet
// would take the rest as a formula), then quoted when it holds a comma, a quote or a line break.
void AppendCsvText(std::string& out, const QString& text);
// A CSV cell of the tool's own words (the battery's level, the panel's "---"): only quoted.
// Numbers the tool writes itself are no text cells either and go out as they are.
void AppendCsvOwnText(std::string& out, const QString& text);

// Text for one stderr line: every control character, a line feed included, shown as \xHH.
std::string OneLine(std::string_view text);
