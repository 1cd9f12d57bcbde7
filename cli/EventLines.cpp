#include "EventLines.h"

#include "FrameJson.h"
#include "OutputText.h"

void AppendEventLines(std::string& out, const QString& path, const std::vector<SpeedEvent>& events, bool csv) {
  const QString file = ReversibleName(path);
  for (const SpeedEvent& e : events) {
    const auto number = [&](int v) { out += std::to_string(v); };
    if (csv) {
      AppendCsvText(out, file);
      out += ',' + std::to_string(e.first) + ',' + std::to_string(e.last) + ',';
      AppendCsvText(out, e.firstTime);
      out += ',';
      AppendCsvText(out, e.lastTime);
      out += ',' + std::to_string(e.peakKmh) + ',' + std::to_string(e.peakFrame) + '\n';
      continue;
    }
    out += "{\"file\":";
    AppendJsonString(out, file);
    out += ",\"first\":";
    number(e.first);
    out += ",\"last\":";
    number(e.last);
    out += ",\"first_time\":";
    AppendJsonString(out, e.firstTime);
    out += ",\"last_time\":";
    AppendJsonString(out, e.lastTime);
    out += ",\"peak_kmh\":";
    number(e.peakKmh);
    out += ",\"peak_frame\":";
    number(e.peakFrame);
    out += "}\n";
  }
}
