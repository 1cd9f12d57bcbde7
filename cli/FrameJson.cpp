#include "FrameJson.h"

#include <charconv>
#include <cstdint>

#include "BatchViewer.h"
#include "caminfo/DecodeFrameInfo.h"

namespace {

template <class T>
void number(std::string& out, T value) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;  // shortest form for a float
  out.append(digits, end);
}

void string(std::string& out, const QString& text) { AppendJsonString(out, text); }

}  // namespace

void AppendJsonString(std::string& out, const QString& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  // Characters beyond ASCII go across as UTF-8 a run at a time; the panel's texts are ASCII as a rule.
  qsizetype run = -1;
  const auto endRun = [&](qsizetype at) {
    if (run < 0) return;
    const QByteArray utf8 = QStringView(text).mid(run, at - run).toUtf8();
    out.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    run = -1;
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    // Control characters (C0, DEL, C1) as escapes: a terminal showing the line obeys none of them.
    const bool control = u < 0x20 || (u >= 0x7F && u <= 0x9F);
    if (u >= 0x80 && !control) {
      if (run < 0) run = i;
      continue;
    }
    endRun(i);
    if (control) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      if (u == '"' || u == '\\') out += '\\';
      out += static_cast<char>(u);
    }
  }
  endRun(text.size());
  out += '"';
}

namespace {

void boolean(std::string& out, bool value) { out += value ? "true" : "false"; }

const char* kindName(FrameKind kind) {
  switch (kind) {
    case FrameKind::NoBlock: return "NoBlock";
    case FrameKind::Measurement: return "Measurement";
    case FrameKind::TextTime: return "TextTime";
    case FrameKind::Unrecognised: return "Unrecognised";
  }
  return "Unrecognised";
}

// A field the frame's kind has, or null.
template <class Write>
void field(std::string& out, const char* key, bool present, Write write) {
  out += ",\"";
  out += key;
  out += "\":";
  if (present) {
    write();
  } else {
    out += "null";
  }
}

}  // namespace

std::string HtmlColour(std::uint32_t colour) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "#";
  for (const int shift : {0, 8, 16}) {  // red, green, blue
    const unsigned byte = (colour >> shift) & 0xFF;
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

void AppendFrameJson(std::string& out, int n, bool decoded, const BatchViewer& viewer) {
  const Viewer& v = viewer.v;
  const std::optional<FrameBytes> frame = v.scanner().CurrentFrame();
  const FrameInfo info = DecodeFrameInfo(frame ? frame->block : std::span<const std::uint8_t>());
  const bool measured = info.Kind == FrameKind::Measurement;
  const bool withIdent = measured || info.Kind == FrameKind::TextTime;

  out += "{\"n\":";
  number(out, n);
  out += ",\"start\":";
  number(out, viewer.FrameStartPos());
  out += ",\"end\":";
  number(out, viewer.FrameEndPos());
  out += ",\"decoded\":";
  boolean(out, decoded);
  out += ",\"width\":";
  number(out, decoded ? v.FrameDib()->Width() : 0);
  out += ",\"height\":";
  number(out, decoded ? v.FrameDib()->Height() : 0);
  out += ",\"kind\":\"";
  out += kindName(info.Kind);
  out += '"';
  field(out, "ident", withIdent, [&] { string(out, info.Ident); });
  field(out, "speed_kmh", measured, [&] { number(out, info.SpeedKmh); });
  field(out, "battery_raw", measured, [&] { number(out, info.BatteryRaw); });
  field(out, "battery_volts", measured, [&] { number(out, info.BatteryVolts); });
  field(out, "seconds", measured, [&] { number(out, info.SecondsSincePowerOn); });
  field(out, "time_text", info.Kind == FrameKind::TextTime, [&] { string(out, info.TimeText); });

  const ScreenState& s = v.screen();
  out += ",\"panel\":{\"lblTime\":";
  string(out, s.lblTime);
  out += ",\"lblBattInfo\":";
  string(out, s.lblBattInfo);
  out += ",\"shBatt\":\"";
  out += HtmlColour(s.shBatt);
  out += "\",\"lblInfo\":";
  string(out, s.lblInfo);
  out += ",\"lblInfo_visible\":";
  boolean(out, s.lblInfoVisible);
  out += ",\"lblIdent\":";
  string(out, s.lblIdent);
  out += "}}\n";
}
