#include "RecordingGenerator.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace recgen {
namespace {

// ---------------------------------------------------------------------------------------------
// Randomness: everything derives from the seed, so a recording can be rebuilt byte for byte.

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(Mix(seed)) {}
  std::uint64_t Next() { return Mix(state_++); }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }  // [0, 1)
  int Range(int lo, int hi) {                                              // [lo, hi]
    return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
  }

 private:
  std::uint64_t state_;
};

// ---------------------------------------------------------------------------------------------
// Drawing

struct Rgb {
  int r, g, b;
};

Rgb Scale(Rgb c, double f) { return {static_cast<int>(c.r * f), static_cast<int>(c.g * f), static_cast<int>(c.b * f)}; }

std::uint8_t Clamp8(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// 5x7 digits, one byte a row, bit 4 is the leftmost column.
constexpr std::array<std::array<std::uint8_t, 7>, 10> kDigits = {{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
}};

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * h * 3) {}

  int Width() const { return w_; }
  int Height() const { return h_; }
  Bytes Take() { return std::move(px_); }

  void Set(int x, int y, Rgb c) {
    std::uint8_t* p = At(x, y);
    p[0] = Clamp8(c.r);
    p[1] = Clamp8(c.g);
    p[2] = Clamp8(c.b);
  }

  // alpha in 0..256
  void Blend(int x, int y, Rgb c, int alpha) {
    std::uint8_t* p = At(x, y);
    p[0] = Clamp8((p[0] * (256 - alpha) + c.r * alpha) >> 8);
    p[1] = Clamp8((p[1] * (256 - alpha) + c.g * alpha) >> 8);
    p[2] = Clamp8((p[2] * (256 - alpha) + c.b * alpha) >> 8);
  }

  // Half-open rectangle [x0, x1) x [y0, y1), clipped to the canvas.
  void FillRect(int x0, int y0, int x1, int y1, Rgb c) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, w_);
    y1 = std::min(y1, h_);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Set(x, y, c);
  }

  void FillEllipse(double cx, double cy, double rx, double ry, Rgb c, int alpha = 256) {
    if (rx <= 0 || ry <= 0) return;
    const int y0 = std::max(0, static_cast<int>(cy - ry));
    const int y1 = std::min(h_ - 1, static_cast<int>(cy + ry));
    const int x0 = std::max(0, static_cast<int>(cx - rx));
    const int x1 = std::min(w_ - 1, static_cast<int>(cx + rx));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const double dx = (x - cx) / rx, dy = (y - cy) / ry;
        if (dx * dx + dy * dy <= 1.0) Blend(x, y, c, alpha);
      }
    }
  }

  // Digits only; every font pixel becomes a scale x scale square with a one-pixel outline
  // so the number stays readable over sky and road alike.
  void Number(int x, int y, int scale, const std::string& digits, Rgb fg, Rgb outline) {
    for (int pass = 0; pass < 2; ++pass) {
      int left = x;
      for (char ch : digits) {
        const auto& glyph = kDigits[static_cast<std::size_t>(ch - '0')];
        for (int row = 0; row < 7; ++row) {
          for (int col = 0; col < 5; ++col) {
            if (!(glyph[static_cast<std::size_t>(row)] & (0x10 >> col))) continue;
            const int px = left + col * scale, py = y + row * scale;
            if (pass == 0) FillRect(px - 1, py - 1, px + scale + 1, py + scale + 1, outline);
            else FillRect(px, py, px + scale, py + scale, fg);
          }
        }
        left += 6 * scale;
      }
    }
  }

 private:
  std::uint8_t* At(int x, int y) { return &px_[(static_cast<std::size_t>(y) * w_ + x) * 3]; }

  int w_, h_;
  Bytes px_;
};

// What the seed fixes for every frame: where the horizon and the road lie, the colours, the hills.
struct Layout {
  double horizon;   // row of the horizon
  double vanishX;   // column where the road meets the horizon
  double roadHalf;  // half the road's width at the bottom row, pixels
  double speed;     // world units the viewer moves per frame
  Rgb skyTop, skyLow, grass, asphalt, carA, carB;
  std::array<double, 6> hill;  // amplitudes and phases of the hill line
  struct Cloud {
    double x, y, rx, ry;
  };
  std::array<Cloud, 5> clouds;
  int periodA, offsetA;  // the oncoming car's cycle, frames
  double phaseB;         // the car ahead drifts with this phase
  int plate;
};

Layout MakeLayout(std::uint64_t seed, int w, int h) {
  Rng rng(seed ^ 0x5CE7E0000ULL);
  Layout l{};
  l.horizon = h * (0.36 + 0.08 * rng.Unit());
  l.vanishX = w * (0.42 + 0.16 * rng.Unit());
  l.roadHalf = w * (0.42 + 0.12 * rng.Unit());
  l.speed = 0.10 + 0.06 * rng.Unit();
  l.skyTop = {50 + rng.Range(0, 30), 95 + rng.Range(0, 30), 180 + rng.Range(0, 40)};
  l.skyLow = {185 + rng.Range(0, 30), 205 + rng.Range(0, 25), 225 + rng.Range(0, 25)};
  l.grass = {55 + rng.Range(0, 30), 105 + rng.Range(0, 35), 35 + rng.Range(0, 20)};
  const int grey = 85 + rng.Range(0, 30);
  l.asphalt = {grey, grey, grey + 4};
  const std::array<Rgb, 6> paints = {
      {{190, 30, 30}, {30, 70, 170}, {220, 220, 225}, {40, 40, 45}, {200, 160, 30}, {40, 130, 70}}};
  l.carA = paints[static_cast<std::size_t>(rng.Range(0, 5))];
  l.carB = paints[static_cast<std::size_t>(rng.Range(0, 5))];
  for (std::size_t i = 0; i < l.hill.size(); i += 2) {
    l.hill[i] = h * (0.015 + 0.03 * rng.Unit());
    l.hill[i + 1] = 2 * std::numbers::pi * rng.Unit();
  }
  for (auto& c : l.clouds) {
    c.x = w * rng.Unit();
    c.y = l.horizon * (0.1 + 0.6 * rng.Unit());
    c.rx = w * (0.05 + 0.08 * rng.Unit());
    c.ry = c.rx * (0.25 + 0.2 * rng.Unit());
  }
  l.periodA = 40 + rng.Range(0, 20);
  l.offsetA = rng.Range(0, l.periodA - 1);
  l.phaseB = 2 * std::numbers::pi * rng.Unit();
  l.plate = rng.Range(1000, 9999);
  return l;
}

// Perspective: a row below the horizon at fraction t (0 horizon, 1 bottom) lies at depth 1/t.
struct Road {
  const Layout& l;
  int w, h;
  double T(double y) const { return (y - l.horizon) / (h - l.horizon); }
  double Row(double t) const { return l.horizon + t * (h - l.horizon); }
  double Centre(double t) const { return l.vanishX + (w * 0.5 - l.vanishX) * t; }
  double Half(double t) const { return l.roadHalf * t; }
};

double Frac(double v) { return v - std::floor(v); }

// Fixed grain of the world's surfaces, a value in -1..1 for a pixel.
double Grain(std::uint64_t seed, int x, int y) {
  const std::uint64_t v = Mix(seed ^ (static_cast<std::uint64_t>(x) << 32) ^ static_cast<std::uint64_t>(y));
  return static_cast<double>(v & 0xFFFF) / 32767.5 - 1.0;
}

void DrawSkyAndHills(Canvas& c, const Layout& l, std::uint64_t seed, int frame) {
  const int w = c.Width();
  const int horizon = static_cast<int>(l.horizon);
  std::vector<int> hillTop(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) {
    double v = 0;
    for (std::size_t i = 0; i < l.hill.size(); i += 2)
      v += l.hill[i] * (1 + std::sin(x * 0.006 * static_cast<double>(i + 1) + l.hill[i + 1]));
    hillTop[static_cast<std::size_t>(x)] = horizon - static_cast<int>(v) - 2;
  }
  for (int y = 0; y < horizon; ++y) {
    const double f = static_cast<double>(y) / std::max(1, horizon);
    const Rgb sky = {static_cast<int>(l.skyTop.r + (l.skyLow.r - l.skyTop.r) * f),
                     static_cast<int>(l.skyTop.g + (l.skyLow.g - l.skyTop.g) * f),
                     static_cast<int>(l.skyTop.b + (l.skyLow.b - l.skyTop.b) * f)};
    for (int x = 0; x < w; ++x) c.Set(x, y, sky);
  }
  // Clouds drift slowly to the right and wrap.
  for (const auto& cl : l.clouds) {
    const double x = std::fmod(cl.x + frame * 0.4, w + 2 * cl.rx) - cl.rx;
    c.FillEllipse(x, cl.y, cl.rx, cl.ry, {245, 245, 250}, 170);
    c.FillEllipse(x + cl.rx * 0.35, cl.y - cl.ry * 0.5, cl.rx * 0.55, cl.ry * 0.8, {250, 250, 252}, 150);
  }
  for (int x = 0; x < w; ++x) {
    for (int y = std::max(0, hillTop[static_cast<std::size_t>(x)]); y < horizon; ++y) {
      const double g = Grain(seed ^ 0x4177, x, y);
      c.Set(x, y, Scale({70, 100, 85}, 0.85 + 0.2 * g));
    }
  }
}

void DrawGround(Canvas& c, const Layout& l, std::uint64_t seed, int frame) {
  const Road road{l, c.Width(), c.Height()};
  const double travel = frame * l.speed;
  for (int y = static_cast<int>(l.horizon); y < c.Height(); ++y) {
    const double t = std::max(road.T(y + 0.5), 1e-3);
    const double z = 1.0 / t;
    const double world = z + travel;
    const double centre = road.Centre(t), half = road.Half(t);
    // Far away the stripes would alias into noise; fade them out towards the horizon.
    const double fade = std::min(1.0, t * 8);
    const double band = (Frac(world * 0.35) < 0.5 ? 1.0 : 0.86) * fade + 0.93 * (1 - fade);
    const bool dash = fade > 0.3 && Frac(world * 0.45) < 0.45;
    for (int x = 0; x < c.Width(); ++x) {
      const double g = Grain(seed, x, y);
      const double u = (x + 0.5 - centre) / half;  // -1..1 across the road
      const double a = std::abs(u);
      Rgb px;
      if (a > 1.08) {
        px = Scale(l.grass, band * (0.95 + 0.08 * g));
      } else if (a > 1.0) {
        px = Scale({150, 140, 120}, 0.9 + 0.15 * g);  // gravel shoulder
      } else if (a > 0.93 && a < 0.97) {
        px = Scale({235, 235, 230}, 0.95 + 0.05 * g);  // solid edge line
      } else if (dash && (a < 0.025 || std::abs(a - 0.5) < 0.018)) {
        px = Scale({240, 240, 235}, 0.95 + 0.05 * g);  // moving lane dashes
      } else {
        px = Scale(l.asphalt, 0.96 + 0.07 * g);
      }
      c.Set(x, y, px);
    }
  }
}

void DrawTrees(Canvas& c, const Layout& l, std::uint64_t seed, int frame) {
  const Road road{l, c.Width(), c.Height()};
  constexpr double kSpacing = 3.0, kFar = 30.0, kNear = 1.05;
  const double travel = frame * l.speed;
  // Far ones first so the near ones cover them.
  for (int k = static_cast<int>(kFar / kSpacing); k >= 0; --k) {
    const double z = kNear + Frac((k * kSpacing - travel) / kFar) * kFar;
    const double t = 1.0 / z;
    const double base = road.Row(t);
    for (int side = -1; side <= 1; side += 2) {
      const double x = road.Centre(t) + side * road.Half(t) * (1.35 + 0.1 * ((k * 7) % 3));
      const double size = l.roadHalf * t;
      const int trunkW = std::max(1, static_cast<int>(size * 0.06));
      c.FillRect(static_cast<int>(x) - trunkW / 2, static_cast<int>(base - size * 0.5),
                 static_cast<int>(x) + trunkW / 2 + 1, static_cast<int>(base) + 1, {90, 60, 35});
      const Rgb leaf = Scale({45, 95, 40}, 0.8 + 0.3 * Frac(Mix(seed + static_cast<std::uint64_t>(k)) * 0x1.0p-64));
      c.FillEllipse(x, base - size * 0.75, size * 0.28, size * 0.36, leaf);
      c.FillEllipse(x - size * 0.08, base - size * 0.85, size * 0.14, size * 0.16, Scale(leaf, 1.25), 200);
    }
  }
}

// A car seen from the front (oncoming) or from behind, standing on the road at depth 1/t.
void DrawCar(Canvas& c, const Layout& l, double t, double lane, Rgb paint, bool oncoming) {
  const Road road{l, c.Width(), c.Height()};
  const double x = road.Centre(t) + lane * road.Half(t);
  const double yb = road.Row(t);
  const double W = road.Half(t) * 0.4;  // a lane is half of Half(t) wide
  if (W < 2) return;
  auto rect = [&](double x0, double y0, double x1, double y1, Rgb col) {
    c.FillRect(static_cast<int>(x + x0 * W), static_cast<int>(yb + y0 * W), static_cast<int>(x + x1 * W),
               static_cast<int>(yb + y1 * W), col);
  };
  c.FillEllipse(x, yb, W * 0.6, W * 0.06, {20, 20, 20}, 180);  // shadow
  rect(-0.48, -0.16, -0.30, 0.0, {15, 15, 15});                // wheels
  rect(0.30, -0.16, 0.48, 0.0, {15, 15, 15});
  rect(-0.5, -0.50, 0.5, -0.10, paint);                 // body
  rect(-0.38, -0.78, 0.38, -0.50, Scale(paint, 0.85));  // cabin
  rect(-0.32, -0.74, 0.32, -0.53, {60, 75, 95});        // glass
  rect(-0.30, -0.73, -0.05, -0.66, {130, 150, 170});    // reflection
  const Rgb lamp = oncoming ? Rgb{250, 245, 215} : Rgb{210, 25, 20};
  rect(-0.46, -0.42, -0.30, -0.34, lamp);
  rect(0.30, -0.42, 0.46, -0.34, lamp);
  rect(-0.16, -0.30, 0.16, -0.19, {240, 240, 240});  // number plate
  const int scale = static_cast<int>(W * 0.32 / 24 * 0.9);
  if (scale >= 1) {
    c.Number(static_cast<int>(x - 12 * scale), static_cast<int>(yb - 0.29 * W), scale, std::to_string(l.plate),
             {20, 20, 20}, {240, 240, 240});
  }
}

void DrawCars(Canvas& c, const Layout& l, int frame) {
  // The oncoming car approaches from far away and passes; the one ahead drifts to and fro.
  const double u = static_cast<double>((frame + l.offsetA) % l.periodA) / l.periodA;
  const double zA = 14.0 * (1 - u) + 1.15 * u;
  const double zB = 2.2 + 0.9 * std::sin(2 * std::numbers::pi * frame / 90.0 + l.phaseB);
  if (zA > zB) {
    DrawCar(c, l, 1.0 / zA, -0.25, l.carA, true);
    DrawCar(c, l, 1.0 / zB, 0.25, l.carB, false);
  } else {
    DrawCar(c, l, 1.0 / zB, 0.25, l.carB, false);
    DrawCar(c, l, 1.0 / zA, -0.25, l.carA, true);
  }
}

// Sensor noise, new in every frame: it keeps neighbouring frames apart and gives the JPEG
// encoder the fine detail a real camera picture has.
void AddSensorNoise(Bytes& px, std::uint64_t seed, int frame) {
  constexpr int kAmplitude = 3;
  std::uint64_t state = Mix(seed ^ (static_cast<std::uint64_t>(frame) * 0x2545F4914F6CDD1DULL)) | 1;
  for (std::size_t i = 0; i + 2 < px.size(); i += 3) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    for (int k = 0; k < 3; ++k) {
      const int n = static_cast<int>((state >> (16 * k)) & 0xFF) * (2 * kAmplitude + 1) / 256 - kAmplitude;
      px[i + static_cast<std::size_t>(k)] = Clamp8(px[i + static_cast<std::size_t>(k)] + n);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// JPEG encoding

class Encoder {
 public:
  Encoder() : handle_(tjInitCompress()) {
    if (!handle_) throw std::runtime_error(std::string("TurboJPEG: ") + tjGetErrorStr2(nullptr));
  }
  ~Encoder() {
    tjFree(buffer_);
    tjDestroy(handle_);
  }
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  Bytes Encode(const Bytes& rgb, int w, int h, int quality, bool grey) {
    // A buffer of the worst-case size, reused, so TurboJPEG never reallocates.
    const unsigned long need = tjBufSize(w, h, grey ? TJSAMP_GRAY : TJSAMP_420);
    if (need > capacity_) {
      tjFree(buffer_);
      buffer_ = tjAlloc(static_cast<int>(need));
      if (!buffer_) throw std::runtime_error("TurboJPEG: out of memory");
      capacity_ = need;
    }
    unsigned long size = capacity_;
    if (tjCompress2(handle_, rgb.data(), w, 0, h, TJPF_RGB, &buffer_, &size, grey ? TJSAMP_GRAY : TJSAMP_420, quality,
                    TJFLAG_NOREALLOC) != 0) {
      throw std::runtime_error(std::string("TurboJPEG: ") + tjGetErrorStr2(handle_));
    }
    return Bytes(buffer_, buffer_ + size);
  }

 private:
  tjhandle handle_;
  unsigned char* buffer_ = nullptr;
  unsigned long capacity_ = 0;
};

// ---------------------------------------------------------------------------------------------
// The camera's side: speeds, battery, clock

void CheckIdent(std::string_view ident) {
  if (ident.size() != 12)
    throw std::invalid_argument("camera identifier must be exactly 12 characters, got " + std::to_string(ident.size()));
  if (ident.find('\xFF') != std::string_view::npos)
    throw std::invalid_argument("camera identifier must not contain the byte 0xFF");
}

void PutHex(std::uint8_t* out, std::uint32_t value, int digits) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (int i = digits - 1; i >= 0; --i, value >>= 4) out[i] = static_cast<std::uint8_t>(kHex[value & 0xF]);
}

// Traffic is mostly absent; now and then a vehicle is measured over a run of frames.
class SpeedStory {
 public:
  explicit SpeedStory(std::uint64_t seed) : rng_(seed ^ 0x5BEEDULL), left_(rng_.Range(3, 15)) {}

  int Next() {
    if (left_ == 0) {
      moving_ = !moving_;
      left_ = moving_ ? rng_.Range(6, 40) : rng_.Range(15, 90);
      base_ = moving_ ? rng_.Range(30, 140) : 0;
    }
    --left_;
    return moving_ ? std::clamp(base_ + rng_.Range(-2, 2), 1, 255) : 0;
  }

 private:
  Rng rng_;
  int left_;
  bool moving_ = false;
  int base_ = 0;
};

// The battery sags one step every two minutes of camera time, from 205 to no less than 180,
// and the reading wobbles by one now and then.
class BatteryStory {
 public:
  explicit BatteryStory(std::uint64_t seed) : rng_(seed ^ 0xBA77ULL) {}

  int At(std::uint64_t elapsedSeconds) {
    const int level = static_cast<int>(205 - std::min<std::uint64_t>(25, elapsedSeconds / 120));
    const std::uint64_t r = rng_.Next() % 16;
    const int wobble = r == 0 ? -1 : (r == 1 ? 1 : 0);
    return std::clamp(level + wobble, 180, 205);
  }

 private:
  Rng rng_;
};

void Validate(const Options& o) {
  CheckIdent(o.ident);
  if (o.width < 1 || o.height < 1 || o.width > 16384 || o.height > 16384)
    throw std::invalid_argument("picture size must be between 1x1 and 16384x16384");
  if (o.quality < 1 || o.quality > 100) throw std::invalid_argument("JPEG quality must be 1 to 100");
  if (o.frames < 0) throw std::invalid_argument("frame count must not be negative");
  if (o.cameraFps < 1) throw std::invalid_argument("camera frame rate must be at least 1");
  if (o.textTimeEvery < 0) throw std::invalid_argument("text-time interval must not be negative");
  if (o.uniqueFrames < 0) throw std::invalid_argument("unique frame count must not be negative");
}

// Produces the frames of a recording in order and hands their bytes to a sink, which knows
// the position the next byte gets. Shared by the file writer and the in-memory builder.
template <class Sink>
std::vector<FrameRecord> Generate(const Options& o, Sink& sink) {
  Validate(o);
  Encoder encoder;
  SpeedStory speeds(o.seed);
  BatteryStory battery(o.seed);
  std::vector<Bytes> cycle(static_cast<std::size_t>(o.uniqueFrames));
  std::vector<FrameRecord> records;
  std::uint64_t added = 0;

  auto picture = [&](int index) -> Bytes {
    return encoder.Encode(RenderScene(o.seed, index, o.width, o.height), o.width, o.height, o.quality, o.grey);
  };

  for (std::int64_t i = 0; o.targetSize > 0 || i < o.frames; ++i) {
    FrameRecord rec;
    rec.picture = o.uniqueFrames > 0 ? static_cast<int>(i % o.uniqueFrames) : static_cast<int>(i);
    Bytes fresh;
    if (o.uniqueFrames > 0) {
      Bytes& cached = cycle[static_cast<std::size_t>(rec.picture)];
      if (cached.empty()) cached = picture(rec.picture);
    } else {
      fresh = picture(rec.picture);
    }
    const Bytes& jpeg = o.uniqueFrames > 0 ? cycle[static_cast<std::size_t>(rec.picture)] : fresh;

    const std::uint64_t elapsed = static_cast<std::uint64_t>(i) / static_cast<std::uint64_t>(o.cameraFps);
    // The camera's counter has five hex digits and wraps like one.
    rec.seconds = static_cast<std::uint32_t>((o.startSeconds + elapsed) & 0xFFFFF);
    const int speed = speeds.Next();
    const int batt = battery.At(elapsed);

    const bool withBlock = !(i == 0 && o.noFirstBlock);
    const std::uint64_t need = jpeg.size() + (withBlock ? 32 : 0);
    if (o.targetSize > 0 && added + need > o.targetSize && i > 0) break;

    if (withBlock) {
      Block block;
      if (o.textTimeEvery > 0 && (i + 1) % o.textTimeEvery == 0) {
        rec.kind = BlockKind::TextTime;
        rec.timeText = TimeTextAt(rec.seconds);
        block = TextTimeBlock(o.ident, rec.timeText);
      } else {
        rec.kind = BlockKind::Measurement;
        rec.speedKmh = speed;
        rec.batteryRaw = batt;
        block = MeasurementBlock(o.ident, speed, batt, rec.seconds);
      }
      rec.blockPos = sink.NextPos();
      sink.Put(block.data(), block.size());
    }
    rec.jpegPos = sink.NextPos();
    rec.jpegSize = jpeg.size();
    sink.Put(jpeg.data(), jpeg.size());
    added += need;
    records.push_back(std::move(rec));
  }
  return records;
}

// Writes through a large buffer so that big benchmark files go at disk speed.
class FileSink {
 public:
  explicit FileSink(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {
    if (!file_) throw std::runtime_error("cannot create '" + path + "': " + std::strerror(errno));
    buffer_.reserve(kChunk);
  }
  ~FileSink() {
    if (file_) {  // only reached when writing failed part-way
      std::fclose(file_);
      RemovePartial();
    }
  }
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  std::int64_t NextPos() const { return written_ + 1; }

  void Put(const std::uint8_t* data, std::size_t size) {
    if (buffer_.size() + size > kChunk) Flush();
    if (size >= kChunk) {
      Write(data, size);
    } else {
      buffer_.insert(buffer_.end(), data, data + size);
    }
    written_ += static_cast<std::int64_t>(size);
  }

  void Close() {
    Flush();
    std::FILE* f = std::exchange(file_, nullptr);
    if (std::fclose(f) != 0) {
      const int err = errno;
      RemovePartial();
      throw std::runtime_error("cannot write '" + path_ + "': " + std::strerror(err));
    }
  }

 private:
  static constexpr std::size_t kChunk = 8u << 20;

  // A half-written recording must not pass for a whole one; devices such as /dev/null stay.
  void RemovePartial() {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path_, ec)) std::filesystem::remove(path_, ec);
  }

  void Flush() {
    Write(buffer_.data(), buffer_.size());
    buffer_.clear();
  }

  void Write(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
      throw std::runtime_error("cannot write '" + path_ + "': " + std::strerror(errno));
  }

  std::string path_;
  std::FILE* file_;
  Bytes buffer_;
  std::int64_t written_ = 0;
};

struct BuilderSink {
  Bytes& data;
  std::int64_t NextPos() const { return static_cast<std::int64_t>(data.size()) + 1; }
  void Put(const std::uint8_t* p, std::size_t size) { data.insert(data.end(), p, p + size); }
};

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

// ---------------------------------------------------------------------------------------------

Bytes RenderScene(std::uint64_t seed, int frameIndex, int width, int height) {
  if (width < 1 || height < 1) throw std::invalid_argument("picture size must be at least 1x1");
  Canvas canvas(width, height);
  const Layout layout = MakeLayout(seed, width, height);
  DrawSkyAndHills(canvas, layout, seed, frameIndex);
  DrawGround(canvas, layout, seed, frameIndex);
  DrawTrees(canvas, layout, seed, frameIndex);
  DrawCars(canvas, layout, frameIndex);
  const int scale = std::max(1, height / 80);
  canvas.Number(scale * 3, scale * 3, scale, std::to_string(frameIndex), {255, 255, 255}, {0, 0, 0});
  Bytes px = canvas.Take();
  AddSensorNoise(px, seed, frameIndex);
  return px;
}

Bytes EncodeScene(std::uint64_t seed, int frameIndex, int width, int height, int quality, bool grey) {
  if (quality < 1 || quality > 100) throw std::invalid_argument("JPEG quality must be 1 to 100");
  Encoder encoder;
  return encoder.Encode(RenderScene(seed, frameIndex, width, height), width, height, quality, grey);
}

Block MeasurementBlock(std::string_view ident, int speedKmh, int batteryRaw, std::uint32_t seconds) {
  CheckIdent(ident);
  if (speedKmh < 0 || speedKmh > 255) throw std::invalid_argument("speed must be 0 to 255");
  if (batteryRaw < 0 || batteryRaw > 255) throw std::invalid_argument("battery reading must be 0 to 255");
  if (seconds > 0xFFFFF) throw std::invalid_argument("seconds must be 0 to 1048575");
  Block b;
  std::memcpy(b.data(), "0000", 4);
  std::memcpy(b.data() + 4, ident.data(), 12);
  std::memcpy(b.data() + 16, "000000", 6);  // the camera's own bytes; nobody reads them
  PutHex(b.data() + 22, static_cast<std::uint32_t>(speedKmh), 2);
  PutHex(b.data() + 24, static_cast<std::uint32_t>(batteryRaw), 2);
  b[26] = ' ';
  PutHex(b.data() + 27, seconds, 5);
  return b;
}

Block TextTimeBlock(std::string_view ident, std::string_view text16) {
  CheckIdent(ident);
  if (text16.size() > 16) throw std::invalid_argument("time text must be at most 16 characters");
  if (text16.find('\xFF') != std::string_view::npos)
    throw std::invalid_argument("time text must not contain the byte 0xFF");
  Block b;
  b.fill(' ');
  std::memcpy(b.data(), "0001", 4);
  std::memcpy(b.data() + 4, ident.data(), 12);
  std::memcpy(b.data() + 16, text16.data(), text16.size());
  return b;
}

std::string TimeTextAt(std::uint32_t secondsSincePowerOn) {
  constexpr std::int64_t kPowerOnDay = 20792;  // 05.12.2026, days since 1970-01-01
  constexpr std::int64_t kPowerOnSecondOfDay = 8 * 3600;
  const std::int64_t total = kPowerOnSecondOfDay + secondsSincePowerOn;
  int year = 0, month = 0, day = 0;
  CivilFromDays(kPowerOnDay + total / 86400, year, month, day);
  const int minuteOfDay = static_cast<int>(total % 86400 / 60);
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", day, month, year, minuteOfDay / 60, minuteOfDay % 60);
  return text;
}

std::vector<FrameRecord> WriteRecording(const std::string& path, const Options& options) {
  Validate(options);  // before the file exists, so bad options leave nothing behind
  FileSink sink(path);
  auto records = Generate(options, sink);
  sink.Close();
  return records;
}

RecordingBuilder& RecordingBuilder::Append(std::span<const std::uint8_t> bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  return *this;
}

RecordingBuilder& RecordingBuilder::Append(std::string_view text) {
  data_.insert(data_.end(), text.begin(), text.end());
  return *this;
}

RecordingBuilder& RecordingBuilder::Append(const Block& block) {
  data_.insert(data_.end(), block.begin(), block.end());
  return *this;
}

RecordingBuilder& RecordingBuilder::Fill(std::size_t count, std::uint8_t value) {
  data_.insert(data_.end(), count, value);
  return *this;
}

std::vector<FrameRecord> RecordingBuilder::Frames(const Options& options) {
  BuilderSink sink{data_};
  return Generate(options, sink);
}

std::int64_t RecordingBuilder::NextPos() const { return static_cast<std::int64_t>(data_.size()) + 1; }

void RecordingBuilder::Write(const std::string& path) const {
  FileSink sink(path);
  sink.Put(data_.data(), data_.size());
  sink.Close();
}

}  // namespace recgen
