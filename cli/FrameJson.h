#pragma once
// The `frames` command's line for the current frame: its place in the file, whether it
// was decoded, its information block and the information panel after it, as one JSON
// object. Keys and their order are fixed: scripts read them.

#include <cstdint>
#include <string>

#include <QString>

class BatchViewer;

// A JSON string of the text; every control character (C0, DEL, C1) as a \u escape.
void AppendJsonString(std::string& out, const QString& text);

// Appends the object and a line feed.
void AppendFrameJson(std::string& out, int n, bool decoded, const BatchViewer& viewer);

// "#RRGGBB" of a packed 0x00BBGGRR colour.
std::string HtmlColour(std::uint32_t colour);
