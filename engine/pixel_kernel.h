// The per-pixel kernel shared by the integer adapters (integer_pixels.cpp) and
// the float row walk (float_rows.cpp): the steps of the transform described in
// pixel_transform.h, on four float lanes alpha, red, green, blue, for the
// general route and the short routes (PixelFrame).
//
// Internal to the engine. Its contents have internal linkage in each file that
// includes it, as they had when the pixel path was one file: the compiler's
// inlining of the per-pixel code, and so its instruction count, depends on it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/pixel_frame.h"
#include "engine/pixel_lanes.h"
#include "engine/tone_curve.h"

namespace {

// Whether the pixel's own output clamps matter. The integer adapters clamp at
// 0 and at full scale when they convert back, at the same ends as the clamps
// and after a monotonic multiplication, so for them the clamps change no code.
enum class Clamps { Apply, LeftToOutput };

// What a pixel function knows of the record's pre-transform: neutral, applied,
// or not yet looked at. It is decided once per pixel on the general route, or
// once per frame, so that the neutral case, by far the most common, carries no
// power call and no registers saved for one.
enum class PreStep { Neutral, Applied, Unknown };

// The pre-transform of a frame on a short route, and whether it blends.
constexpr PreStep PreStepOf(FrameRoute route) {
  return route == FrameRoute::ShortPreTransformed || route == FrameRoute::ShortPreTransformedBlended
             ? PreStep::Applied
             : PreStep::Neutral;
}

constexpr bool Blends(FrameRoute route) {
  return route == FrameRoute::ShortBlended || route == FrameRoute::ShortPreTransformedBlended;
}

// Lane n of v in every lane; an integer shuffle leaves v itself in place.
template <int n>
inline __m128 Lane(__m128 v) {
  return _mm_castsi128_ps(_mm_shuffle_epi32(_mm_castps_si128(v), _MM_SHUFFLE(n, n, n, n)));
}

// The colour channels in two pairs of double lanes, (alpha, red) and (green,
// blue). Each lane takes exactly the operations of its channel's scalar steps;
// what the alpha lane computes on the way is discarded.
struct WideLanes {
  __m128d ar;
  __m128d gb;
};

inline WideLanes Widen(__m128 argb) {
  return {_mm_cvtps_pd(argb), _mm_cvtps_pd(_mm_movehl_ps(argb, argb))};
}

// Steps 2 and 3 of the transform: the lightness of red, green and blue. The
// largest and smallest channel are picked among the widened values, which are
// the float values exactly and compare as they do; a NaN stays the NaN it was.
// The order of the comparisons decides what a NaN channel does: max(a, b) is
// a > b ? a : b, and min(a, b) is a < b ? a : b, as written out in full in the
// transform's description.
// Red, green and blue each in the low lane.
inline double LightnessOfChannels(__m128d red, __m128d green, __m128d blue) {
  const __m128d largest = _mm_max_sd(_mm_max_sd(red, green), blue);
  const __m128d smallest = _mm_min_sd(_mm_min_sd(red, green), blue);
  return (_mm_cvtsd_f64(smallest) + _mm_cvtsd_f64(largest)) * 0.5;
}

inline double LightnessOf(WideLanes wide) {
  return LightnessOfChannels(_mm_unpackhi_pd(wide.ar, wide.ar), wide.gb,
                             _mm_unpackhi_pd(wide.gb, wide.gb));
}

// The widened lanes back in float: exact, each holds a float's value.
inline __m128 NarrowLanes(WideLanes wide) {
  return _mm_movelh_ps(_mm_cvtpd_ps(wide.ar), _mm_cvtpd_ps(wide.gb));
}

// Step 9: the blend, when it applies, and the one narrowing of each channel to
// float.
inline __m128 BlendAndNarrow(const ToneCurve& curve, bool blend, WideLanes input, __m128d new_ar,
                             __m128d new_gb) {
  if (blend) {
    const double mix = static_cast<double>(curve.mix);
    const __m128d mix_lanes = _mm_set1_pd(mix);
    const __m128d keep_lanes = _mm_set1_pd(1.0 - mix);
    new_ar = _mm_add_pd(_mm_mul_pd(new_ar, mix_lanes), _mm_mul_pd(keep_lanes, input.ar));
    new_gb = _mm_add_pd(_mm_mul_pd(new_gb, mix_lanes), _mm_mul_pd(keep_lanes, input.gb));
  }
  return _mm_movelh_ps(_mm_cvtpd_ps(new_ar), _mm_cvtpd_ps(new_gb));
}

// Steps 4 and 6 to 9, with the curve's value `level` at `lightness`, and
// whether the offsets stay (the level is neither at most 0 nor at least 1; the
// caller answers that in the cheapest way its level allows). On a short route
// (below) the lightness is known not to be 0, and whether the blend applies is
// known for the frame. The result is each channel narrowed once to float, in
// the lanes alpha, red, green, blue, the alpha lane still to be restored.
template <FrameRoute kRoute>
inline __m128 MoveChannels(const ToneCurve& curve, WideLanes input, double lightness, double level,
                           bool offsets_stay) {
  constexpr bool kShort = kRoute != FrameRoute::General;
  const bool blend = kShort ? Blends(kRoute) : !FieldIsOne(curve.mix);
  if (kShort && !offsets_stay) {
    // Every offset becomes 0, and each channel ratio * 0 + e is e itself: the
    // ratio is finite (d is not 0, e is a table value) and the sum is +0 only
    // where e is +0 (a plain table holds no -0).
    if (!blend) return _mm_set1_ps(static_cast<float>(level));
    const __m128d level_lanes = _mm_set1_pd(level);
    return BlendAndNarrow(curve, true, input, level_lanes, level_lanes);
  }
  const __m128d lightness_lanes = _mm_set1_pd(lightness);
  __m128d offset_ar = _mm_sub_pd(input.ar, lightness_lanes);
  __m128d offset_gb = _mm_sub_pd(input.gb, lightness_lanes);
  if (!offsets_stay) {
    offset_ar = _mm_setzero_pd();
    offset_gb = _mm_setzero_pd();
  }
  const __m128d level_lanes = _mm_set1_pd(level);
  // The short route divides in both lanes at once: the same division in each.
  const __m128d ratio_lanes = kShort ? _mm_div_pd(level_lanes, lightness_lanes)
                                     : _mm_set1_pd(lightness != 0.0 ? level / lightness : 0.0);
  const __m128d new_ar = _mm_add_pd(_mm_mul_pd(ratio_lanes, offset_ar), level_lanes);
  const __m128d new_gb = _mm_add_pd(_mm_mul_pd(ratio_lanes, offset_gb), level_lanes);
  return BlendAndNarrow(curve, blend, input, new_ar, new_gb);
}

// Whether a pixel keeps its colour when it preserves HDR: the ratio of new to
// old lightness is positive (not 0, negative, or undefined for d = 0 or NaN).
inline bool KeepsColour(double lightness, double level) {
  return lightness != 0.0 && level / lightness > 0.0;
}

inline bool IsInfinite(double v) {
  return std::fabs(v) == HUGE_VAL;
}

// A channel X scaled by the ratio of lightnesses in the limit, for a ratio
// that is 0, positive or +infinity: an infinite ratio sends every channel of
// its sign to that infinity and keeps a zero channel.
inline double ScaledInLimit(double channel, double ratio) {
  if (ratio == HUGE_VAL) return channel > 0.0 ? HUGE_VAL : channel < 0.0 ? -HUGE_VAL : channel;
  return ratio * channel;
}

// Steps 6 to 9 of a pixel that preserves HDR and whose lightness d or new
// lightness e is infinite: the limit of finite pixels of its colour as their
// infinite channels grow without bound (never NaN where no channel is NaN
// and such a limit exists). With the limits E of e and R of e / d
// (CurveLimitAtInfinity; an e that overflows at a finite d has R = +infinity):
//  - where the ratio is not positive, the grey of E, as any pixel;
//  - else a finite channel X becomes R * X (with R = +infinity, the infinity
//    of its sign, a zero staying); an infinite channel stays that infinity
//    where R > 0, and becomes the limit of e * X / d, E times X / d (2, or 1
//    when all three channels are infinite), where R = 0;
// then the blend, where a mix of 0 gives the input channel itself.
// A NaN level at a finite lightness can only come from a gain of 0 times a
// power that overflowed: the level is then that of every other lightness.
[[gnu::noinline]] inline __m128 MoveBeyondInfinity(const ToneCurve& curve, WideLanes input,
                                                   double lightness, double level) {
  if (level != level && !IsInfinite(lightness)) {
    level = EvaluateCurve(0.0, curve);
    return MoveChannels<FrameRoute::General>(curve, input, lightness, level,
                                             KeepsColour(lightness, level));
  }
  alignas(16) double channels[4];  // alpha, red, green, blue
  _mm_store_pd(channels, input.ar);
  _mm_store_pd(channels + 2, input.gb);
  double ratio = HUGE_VAL;
  bool keeps = KeepsColour(lightness, level);
  if (IsInfinite(lightness)) {
    const double sign = lightness > 0.0 ? 1.0 : -1.0;
    const CurveLimit limit = CurveLimitAtInfinity(curve, sign);
    level = limit.level;
    ratio = limit.ratio;
    keeps = ratio > 0.0 || level * sign > 0.0;
  }
  const bool all_infinite =
      IsInfinite(channels[1]) && IsInfinite(channels[2]) && IsInfinite(channels[3]);
  const double channels_per_lightness = all_infinite ? 1.0 : 2.0;
  const double mix = static_cast<double>(curve.mix);
  alignas(16) float moved[4] = {};
  for (int lane = 1; lane < 4; ++lane) {
    const double channel = channels[lane];
    double value = level;
    if (keeps) {
      if (!IsInfinite(channel)) {
        value = ScaledInLimit(channel, ratio);
      } else {
        value = ratio > 0.0 ? channel : level * channels_per_lightness;
      }
    }
    if (!FieldIsOne(curve.mix)) value = mix == 0.0 ? channel : value * mix + (1.0 - mix) * channel;
    moved[lane] = static_cast<float>(value);
  }
  return _mm_load_ps(moved);
}

// Steps 10 and 11: the clamps where a slope is 0.
template <Clamps kClamps>
inline __m128 ClampChannels(const ToneCurve& curve, __m128 out) {
  if (kClamps == Clamps::Apply) {
    // min(1, v) is 1 when 1 < v, else v: a NaN stays, like `if (v > 1) v = 1`.
    if (FieldIsZero(curve.white_slope)) out = _mm_min_ps(_mm_set1_ps(1.0f), out);
    // max(0, v) is 0 when 0 > v, else v: a NaN and -0 stay, like `if (v < 0) v = 0`.
    if (FieldIsZero(curve.black_slope)) out = _mm_max_ps(_mm_setzero_ps(), out);
  }
  return out;
}

// Steps 6 to 11 on the general route. Every pixel ends here or on a short
// route (below), which shares MoveChannels, so their arithmetic cannot drift
// apart. The alpha lane comes back with its input bits.
template <Clamps kClamps, bool kHdr>
inline __m128 Recolour(const ToneCurve& curve, __m128 argb, WideLanes input, double lightness,
                       double level) {
  __m128 out;
  // An infinite lightness, or a level that is not finite at a lightness that
  // is a number.
  const bool beyond =
      IsInfinite(lightness) || (!(std::fabs(level) < HUGE_VAL) && lightness == lightness);
  if (kHdr && __builtin_expect(beyond, 0)) {
    out = MoveBeyondInfinity(curve, input, lightness, level);
  } else {
    const bool offsets_stay =
        kHdr ? KeepsColour(lightness, level) : !(level <= 0.0 || level >= 1.0);
    out = MoveChannels<FrameRoute::General>(curve, input, lightness, level, offsets_stay);
  }
  return _mm_move_ss(ClampChannels<kClamps>(curve, out), argb);  // alpha, bit for bit
}

// The neutral settings of a record that preserves HDR: every channel as it
// came, limited only by a clamp that is on.
template <Clamps kClamps>
inline __m128 KeepChannels(const ToneCurve& curve, __m128 argb) {
  return _mm_move_ss(ClampChannels<kClamps>(curve, argb), argb);
}

// The whole correction of one pixel's colour channels, on the lanes alpha,
// red, green, blue.
template <Clamps kClamps, PreStep kPre, bool kHdr>
inline __m128 CorrectChannels(const ToneCurve& curve, __m128 argb) {
  const WideLanes input = Widen(argb);
  const double lightness = LightnessOf(input);
  // Evaluated before the offsets are formed, so that little is held across the
  // power function's call.
  double level;
  if (kPre == PreStep::Neutral) {
    level = ExtendOrLookUp(lightness, curve);
  } else if (kPre == PreStep::Applied) {
    level = ExtendOrLookUp(PreTransform(lightness, curve), curve);
  } else {
    level = EvaluateCurve(lightness, curve);
  }
  return Recolour<kClamps, kHdr>(curve, argb, input, lightness, level);
}

// ---- the short route ------------------------------------------------------------
//
// A frame on any route but General has a table that applies, a plain table
// and either no blend or a mix in [0, 1] (PixelFrame). A pixel whose table
// position e = m * x lies strictly between 0 and m (x the pre-transformed
// lightness), with a lightness d other than 0, then needs none of the curve's
// other steps: 0 < e < m holds exactly when 0 < x < 1 (the product and both
// roundings are monotonic, and m is exact), so steps 2 to 4 do not apply; step
// 5 is the interpolation below; the ratio's test of d is decided, and so is
// whether the blend applies. What is left is computed exactly as on the
// general route.

// The table as the short route reads it.
struct PlainTable {
  double last;  // m = lut_size - 1
  const float* points;
  uint32_t position_bound;  // PixelFrame::position_bound
};

inline float TablePosition(PlainTable table, double x) {
  return static_cast<float>(table.last * x);
}

// Whether the pixel takes the short route. With a neutral pre-transform x is
// the lightness itself, so it is not 0 once e > 0.
template <PreStep kPre, bool kHdr>
inline bool TakesShortRoute(PlainTable table, float position, double lightness) {
  uint32_t bits;
  std::memcpy(&bits, &position, sizeof bits);
  const bool inside = bits - 1u < table.position_bound;  // 0 < e < m; NaN and -0 fail
  if (kPre == PreStep::Neutral) return inside;
  // Preserving HDR, a negative lightness loses its colour (the ratio is
  // negative), and an infinite one, which a pre-transform can bring into the
  // table, takes the curve's limit: only positive finite ones take the short
  // route, which keeps the colour by the ratio.
  if (kHdr) return inside && lightness > 0.0 && lightness < HUGE_VAL;
  // A pre-transform can move a NaN lightness into the table; a short route's
  // arithmetic assumes a number, and the general one keeps the NaN channels.
  return inside && lightness != 0.0 && lightness == lightness;
}

// Step 5 for 0 < e < m: truncation is floor(e), and floor(e) + 1 <= m an index
// of the table. A non-whole e has ceil(e) = floor(e) + 1 and the interpolation
// is InterpolateAbove; a whole e has the weights exactly 1 and +0, and with
// a plain table 1 * t[e] + 0 * t[e + 1] is t[e] to the last bit (t[e] is not
// -0, t[e + 1] is finite): the value step 5 returns without interpolating.
inline float Interpolate(PlainTable table, float position) {
  const int64_t lower_index = static_cast<int64_t>(position);
  return InterpolateAbove(table.points, position, lower_index);
}

// Whether a level from the plain table lies strictly between 0 and 1, from its
// bits: those of the floats in (0, 1) less 1 are exactly the numbers below
// 0x3f7fffff, unsigned (+0, -0, 1 and above, negatives and NaN fail). The
// widening to double keeps the value, so this is the general route's test.
inline bool InsideUnit(float level) {
  uint32_t bits;
  std::memcpy(&bits, &level, sizeof bits);
  return bits - 1u < 0x3f7fffffu;
}

// Whether the offsets stay for a level from the plain table on the short
// route: originally where it lies strictly between 0 and 1; preserving HDR,
// where it is positive (the lightness is), 1 included.
template <bool kHdr>
inline bool OffsetsStayOnRoute(float level) {
  if (!kHdr) return InsideUnit(level);
  uint32_t bits;
  std::memcpy(&bits, &level, sizeof bits);
  return bits - 1u < 0x3f800000u;  // (0, 1]
}

inline PlainTable PlainTableOf(const PixelFrame& frame) {
  return {frame.last, frame.curve.lut, frame.position_bound};
}

}  // namespace
