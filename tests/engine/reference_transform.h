// The straightforward arithmetic of the curve evaluation, the pixel transform
// and the format adapters, transcribed step by step with no shortcut, branch
// trick or table. The engine's tuned path must agree with it to the last bit;
// keep it plain so that it stays easy to check by eye.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/pixel_test_entry_points.h"
#include "engine/tone_curve.h"

namespace velmora_reference {

inline double EvaluateCurve(double x, const ToneCurve& curve) {
  if (!(curve.offset == 0.0f && curve.gamma == 1.0f && curve.gain == 1.0f)) {
    if (curve.gamma == 1.0f) {
      x = static_cast<double>(curve.gain) * x + static_cast<double>(curve.offset);
    } else {
      const float base = static_cast<float>(x > 0.0 ? x : 0.0);
      const float powered =
          static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(curve.gamma)));
      const float scaled = powered * curve.gain;
      const float shifted = scaled + curve.offset;
      x = static_cast<double>(shifted);
    }
  }
  if (x >= 1.0) {
    if (curve.white_slope == 0.0f) return 1.0;
    return 1.0 + static_cast<double>(curve.white_slope) * (x - 1.0);
  }
  if (x <= 0.0) {
    if (curve.black_slope == 0.0f) return 0.0;
    return x * static_cast<double>(curve.black_slope);
  }
  if (curve.contrast == 0.0f) return x;
  if (x != x) return x;

  const int32_t last = curve.lut_size - 1;
  const float position = static_cast<float>(static_cast<double>(last) * x);
  const float upper = std::ceil(position);
  if (upper > static_cast<float>(last)) return 1.0;
  if (position == upper) return static_cast<double>(curve.lut[static_cast<int32_t>(position)]);
  const float lower = std::floor(position);
  const float upper_weight = upper - position;
  const float lower_weight = position - lower;
  const float from_lower = upper_weight * curve.lut[static_cast<int32_t>(lower)];
  const float from_upper = lower_weight * curve.lut[static_cast<int32_t>(upper)];
  const float value = from_lower + from_upper;
  return static_cast<double>(value);
}

// The output clamps, where a slope is 0.
inline FloatPixel Clamped(const ToneCurve& curve, FloatPixel out) {
  if (curve.white_slope == 0.0f) {
    if (out.red > 1.0f) out.red = 1.0f;
    if (out.green > 1.0f) out.green = 1.0f;
    if (out.blue > 1.0f) out.blue = 1.0f;
  }
  if (curve.black_slope == 0.0f) {
    if (out.red < 0.0f) out.red = 0.0f;
    if (out.green < 0.0f) out.green = 0.0f;
    if (out.blue < 0.0f) out.blue = 0.0f;
  }
  return out;
}

// Preserving HDR, a channel of a pixel whose lightness or new lightness is
// infinite: the limit of finite pixels of its colour, with the engine's
// limits of the curve at infinity.
inline double ChannelInLimit(const ToneCurve& curve, double channel, double lightness, double level,
                             bool all_infinite) {
  double ratio = HUGE_VAL;
  bool keeps = lightness != 0.0 && level / lightness > 0.0;
  if (std::isinf(lightness)) {
    const double sign = lightness > 0.0 ? 1.0 : -1.0;
    const CurveLimit limit = CurveLimitAtInfinity(curve, sign);
    level = limit.level;
    ratio = limit.ratio;
    keeps = ratio > 0.0 || level * sign > 0.0;
  }
  double value = level;
  if (keeps) {
    if (std::isinf(channel)) {
      value = ratio > 0.0 ? channel : level * (all_infinite ? 1.0 : 2.0);
    } else if (ratio == HUGE_VAL) {
      value = channel > 0.0 ? HUGE_VAL : channel < 0.0 ? -HUGE_VAL : channel;
    } else {
      value = ratio * channel;
    }
  }
  if (curve.mix != 1.0f) {
    const double mix = static_cast<double>(curve.mix);
    value = mix == 0.0 ? channel : value * mix + (1.0 - mix) * channel;
  }
  return value;
}

inline FloatPixel TransformPixel(const ToneCurve& curve, const FloatPixel& in) {
  const bool hdr = curve.preserve_hdr != 0;
  if (hdr && curve.offset == 0.0f && curve.gamma == 1.0f && curve.gain == 1.0f &&
      curve.contrast == 0.0f) {
    return Clamped(curve, in);
  }
  const float red = in.red;
  const float green = in.green;
  const float blue = in.blue;
  float largest = red > green ? red : green;
  largest = largest > blue ? largest : blue;
  float smallest = red < green ? red : green;
  smallest = smallest < blue ? smallest : blue;

  const double lightness = (static_cast<double>(smallest) + static_cast<double>(largest)) * 0.5;
  double red_offset = static_cast<double>(red) - lightness;
  double green_offset = static_cast<double>(green) - lightness;
  double blue_offset = static_cast<double>(blue) - lightness;

  double level = velmora_reference::EvaluateCurve(lightness, curve);
  if (hdr && level != level && !std::isinf(lightness) && lightness == lightness) {
    level = velmora_reference::EvaluateCurve(0.0, curve);  // a gain of 0 times an overflow
  } else if (hdr && (std::isinf(lightness) || std::isinf(level))) {
    const bool all_infinite = std::isinf(red) && std::isinf(green) && std::isinf(blue);
    auto channel = [&](float x) {
      return static_cast<float>(
          ChannelInLimit(curve, static_cast<double>(x), lightness, level, all_infinite));
    };
    return Clamped(curve, {in.alpha, channel(red), channel(green), channel(blue)});
  }
  const bool grey =
      hdr ? !(lightness != 0.0 && level / lightness > 0.0) : (level <= 0.0 || level >= 1.0);
  if (grey) {
    red_offset = 0.0;
    green_offset = 0.0;
    blue_offset = 0.0;
  }
  const double ratio = lightness != 0.0 ? level / lightness : 0.0;
  double new_red = ratio * red_offset + level;
  double new_green = ratio * green_offset + level;
  double new_blue = ratio * blue_offset + level;
  if (curve.mix != 1.0f) {
    const double mix = static_cast<double>(curve.mix);
    new_red = new_red * mix + (1.0 - mix) * static_cast<double>(red);
    new_green = new_green * mix + (1.0 - mix) * static_cast<double>(green);
    new_blue = new_blue * mix + (1.0 - mix) * static_cast<double>(blue);
  }

  return Clamped(curve, {in.alpha, static_cast<float>(new_red), static_cast<float>(new_green),
                         static_cast<float>(new_blue)});
}

// The host's integer channels and the working floats. Into float: c / 255 for 8
// bits, c * 2^-15 for 16 bits (full scale 32768), single precision. Back: the
// scaled value clamped to the channel's range and truncated toward zero, NaN as
// 0; the clamp comes first, so the conversion to an integer never sees a NaN or
// a value it cannot hold.
inline float FromChannel8(uint8_t value) {
  return static_cast<float>(value) / 255.0f;
}

inline float FromChannel16(uint16_t value) {
  return static_cast<float>(value) * 0.000030517578125f;
}

inline uint8_t ToChannel8(float value) {
  const float scaled = value * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 255.0f) return 255;
  return static_cast<uint8_t>(static_cast<int32_t>(scaled));
}

inline uint16_t ToChannel16(float value) {
  const float scaled = value * 32768.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 32768.0f) return 32768;
  return static_cast<uint16_t>(static_cast<int32_t>(scaled));
}

// An ARGB pixel of either depth, as the adapters see it.
inline PF_Pixel8 TransformPixel8(const ToneCurve& curve, const PF_Pixel8& in) {
  const FloatPixel out =
      velmora_reference::TransformPixel(curve, {FromChannel8(in.alpha), FromChannel8(in.red),
                                                FromChannel8(in.green), FromChannel8(in.blue)});
  return {ToChannel8(out.alpha), ToChannel8(out.red), ToChannel8(out.green), ToChannel8(out.blue)};
}

inline PF_Pixel16 TransformPixel16(const ToneCurve& curve, const PF_Pixel16& in) {
  const FloatPixel out =
      velmora_reference::TransformPixel(curve, {FromChannel16(in.alpha), FromChannel16(in.red),
                                                FromChannel16(in.green), FromChannel16(in.blue)});
  return {ToChannel16(out.alpha), ToChannel16(out.red), ToChannel16(out.green),
          ToChannel16(out.blue)};
}

}  // namespace velmora_reference
