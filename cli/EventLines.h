#pragma once
// The lines the events command prints for one recording's events: JSON objects or CSV rows,
// the file first, in the key order scripts read. For the walk and the index's answer, which
// print the same bytes.

#include <string>
#include <vector>

#include <QString>

#include "viewer/SpeedEvents.h"

inline constexpr const char* kEventsCsvHeader = "file,first,last,first_time,last_time,peak_kmh,peak_frame\n";

// One line per event; path is the recording's name as the run carries it.
void AppendEventLines(std::string& out, const QString& path, const std::vector<SpeedEvent>& events, bool csv);
