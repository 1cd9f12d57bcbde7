#include "archive/IndexedEvents.h"

#include "caminfo/PanelTexts.h"

std::vector<FrameRecord> RecordsOfRows(const std::vector<MeasurementRow>& rows, std::int16_t powerOnMinutes) {
  std::vector<FrameRecord> records;
  records.reserve(rows.size());
  for (const MeasurementRow& row : rows) {
    if (!records.empty() && row.frame != records.back().n + 1) {
      FrameRecord between;  // a frame that ends a run: no measurement, or one below the limit
      between.n = records.back().n + 1;
      records.push_back(between);
    }
    records.push_back({row.frame, row.position, FrameKind::Measurement, row.kmh,
                       std::int64_t{powerOnMinutes} * 60 + row.seconds,
                       MeasurementTimeText(row.seconds, powerOnMinutes), row.ident});
  }
  return records;
}

std::vector<SpeedEvent> EventsOfRows(const std::vector<MeasurementRow>& rows, int limitKmh,
                                     std::int16_t powerOnMinutes) {
  return EventsOver(RecordsOfRows(rows, powerOnMinutes), limitKmh);
}
