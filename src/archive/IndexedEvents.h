#pragma once
// The events over a limit from the index's rows instead of a walk: the rows become the
// walk's records and go through the same EventsOver, so both give the same events.

#include <cstdint>
#include <vector>

#include "archive/IndexedRecording.h"
#include "viewer/SpeedEvents.h"

// The records of the measurement frames in rows (in frame order), with one record without
// a measurement standing for the frames between two rows that are not consecutive. The
// times are the time display's with the power-on time, as a walk with it shows them.
std::vector<FrameRecord> RecordsOfRows(const std::vector<MeasurementRow>& rows, std::int16_t powerOnMinutes);

// The recording's events at or over limitKmh; rows hold at least every measurement frame
// at or over it.
std::vector<SpeedEvent> EventsOfRows(const std::vector<MeasurementRow>& rows, int limitKmh,
                                     std::int16_t powerOnMinutes);
