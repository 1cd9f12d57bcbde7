#include "FrameJson.h"

#include <algorithm>
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
  // The panel's texts are ASCII as a rule: those go across without a UTF-8 copy.
  const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
  const QByteArray utf8 = ascii ? QByteArray() : text.toUtf8();
  const auto each = [&](char c) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  };
  if (ascii) {
    for (const QChar c : text) each(static_cast<char>(c.unicode()));
  } else {
    for (const char c : utf8) each(c);
  }
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
