// Shared helpers for tests that build tone curves without a host.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/tone_curve.h"

namespace velmora_test {

inline double StdSin(double v) {
  return std::sin(v);
}
inline double StdCos(double v) {
  return std::cos(v);
}

// Neutral pre-transform, no blend, contrast 0 (so no table: a read would crash).
inline ToneCurve NeutralCurve(float black_slope = 1.0f, float white_slope = 1.0f) {
  ToneCurve curve{};
  curve.gamma = 1.0f;
  curve.gain = 1.0f;
  curve.mix = 1.0f;
  curve.black_slope = black_slope;
  curve.white_slope = white_slope;
  curve.lut_size = 128;
  curve.lut = nullptr;
  return curve;
}

struct CurveSettings {
  int32_t size = 128;
  float red = 128.0f / 255.0f;
  float green = 128.0f / 255.0f;
  float blue = 128.0f / 255.0f;
  double contrast = 0.0;
  double width = 1.0;
  double shadows = 0.0;
  double highlights = 0.0;
  int32_t clamp_white = 0;
  int32_t clamp_black = 0;
  int32_t preserve_hdr = 0;
};

// A record with a neutral pre-transform and no blend, and its table.
struct BuiltCurve {
  ToneCurve curve{};
  std::array<float, kLutCapacity> table{};
};

inline void Build(const CurveSettings& s, BuiltCurve* built) {
  built->curve.offset = 0.0f;
  built->curve.gamma = 1.0f;
  built->curve.gain = 1.0f;
  built->curve.mix = 1.0f;
  BuildLut(&built->curve, built->table.data(),
           {s.size, s.red, s.green, s.blue, s.contrast, s.width, s.shadows, s.highlights,
            s.clamp_white, s.clamp_black, s.preserve_hdr},
           StdSin, StdCos);
  built->curve.contrast = static_cast<float>(s.contrast);
}

// The value to six significant digits, as the reference figures are written.
inline std::string SixDigits(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

inline uint32_t FloatBits(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// Equal to the last bit. Two NaNs count as equal whatever their sign and
// payload: IEEE arithmetic leaves those to the order in which the compiler
// places a commutative operation's operands, which no source line decides.
inline bool SameFloat(float a, float b) {
  return FloatBits(a) == FloatBits(b) || (a != a && b != b);
}

inline uint64_t DoubleBits(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

}  // namespace velmora_test
