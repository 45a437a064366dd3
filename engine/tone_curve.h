// The tone curve: the per-frame record, its evaluation at one lightness, and the
// construction of its lookup table.
//
// Precision is part of the contract. The record's fields, the table, and the
// power, ceiling and floor of the evaluation are single precision; the
// pre-transform's linear form, the extensions and the whole table construction
// are double precision. Each narrowing to float is written where it happens.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

constexpr int32_t kLutCapacity = 1024;  // floats of table storage a render provides

// Everything the curve and the pixel transform need for one frame. Filled once
// by the render and `BuildLut`, then only read, from any number of threads.
struct ToneCurve {
  float offset;       // additive term of the pre-transform; 0 is neutral
  float gamma;        // exponent of the pre-transform; 1 is neutral
  float gain;         // multiplier of the pre-transform; 1 is neutral
  float contrast;     // -100..100; exactly 0 means the table is not applied
  float mix;          // weight of the corrected pixel against the input; 1 is no blend
  float black_slope;  // extension below 0; 0 means black is clamped
  float white_slope;  // extension above 1; 0 means white is clamped
  int32_t lut_size;   // 32, 64, 128, 256 or 1024
  const float* lut;   // lut_size points; point i is the curve at i / (lut_size - 1)
  // Nonzero: the mode that keeps values beyond white (see "Preserving HDR"
  // below). 0, the value of a cleared record, is the original behaviour.
  int32_t preserve_hdr;
};

using CurveAngleFunction = double (*)(double);

// What the table is built from: the effect's curve controls, as `BuildLut`
// takes them (its comment gives their ranges).
struct CurveControls {
  int32_t table_size;
  float pivot_red;
  float pivot_green;
  float pivot_blue;
  double contrast;
  double width;
  double shadows_rolloff;
  double highlights_rolloff;
  int32_t clamp_white;  // nonzero: the table's white end is clamped (slope 0)
  int32_t clamp_black;
  int32_t preserve_hdr = 0;  // nonzero: the curve's own end slopes, and the mode in the record
};

// IEEE equality of a record field with 0 and with 1, answered from the bits:
// the same result for every value, a NaN never equal, in one integer test
// instead of an unordered float comparison.
inline bool FieldIsZero(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits & 0x7fffffffu) == 0;  // +0 and -0
}

inline bool FieldIsOne(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits == 0x3f800000u;
}

inline bool IsNeutralPreTransform(const ToneCurve& curve) {
  return FieldIsZero(curve.offset) && FieldIsOne(curve.gamma) && FieldIsOne(curve.gain);
}

// Preserving HDR. With `preserve_hdr` on, three things differ from the
// original, display-referred behaviour, and nothing else:
//  - Neutral settings (offset 0, gamma 1, gain 1, contrast 0) leave every
//    colour channel as it came, bit for bit, whatever its value (negatives,
//    subnormals, infinities, NaN); only a clamp whose box is on still limits
//    it. Decided once per frame (IsHdrIdentity).
//  - The end slopes are the curve's own (BuildLut), not its table's last step.
//  - A pixel keeps its colour wherever the ratio of new to old lightness is
//    positive, above white too; only where it is 0, negative or undefined
//    (old lightness 0, NaN) does it become the grey of its new lightness.
//    Where a lightness is infinite, the pixel takes the limit of finite
//    pixels of its colour (HdrLimit, pixel_kernel.h).
inline bool IsHdrIdentity(const ToneCurve& curve) {
  return curve.preserve_hdr != 0 && IsNeutralPreTransform(curve) && FieldIsZero(curve.contrast);
}

// Whether a clamp box is on: its end slope is then exactly 0 and every channel
// is limited to 1 (white) or 0 (black) after the blend.
inline bool ClampsSomething(const ToneCurve& curve) {
  return FieldIsZero(curve.white_slope) || FieldIsZero(curve.black_slope);
}

// The curve's behaviour as the lightness d goes to +infinity (sign > 0) or
// -infinity (sign < 0) with the record's pre-transform and slopes: the limit
// `level` of the new lightness e (possibly infinite) and the limit `ratio` of
// e / d (0, positive, or +infinity when e outgrows d, as a gamma above 1 makes
// it). Gain is in the host's range (gain >= 0).
struct CurveLimit {
  double level;
  double ratio;
};
CurveLimit CurveLimitAtInfinity(const ToneCurve& curve, double sign);

// Step 1 of `EvaluateCurve` for a record whose pre-transform is not neutral.
// Kept out of line: it is the rarer case, and the power's call would otherwise
// make every pixel of the neutral case save and restore registers.
double PreTransform(double x, const ToneCurve& curve);

// The interpolation of step 5 at a position e that is not whole, between
// points g = floor(e) (the given index) and f = g + 1: (f - e) * t[g] +
// (e - g) * t[f], both weights, both products and the sum in single precision.
inline float InterpolateAbove(const float* lut, float position, int64_t lower_index) {
  const float lower = static_cast<float>(lower_index);
  const float upper = lower + 1.0f;
  const float upper_weight = upper - position;
  const float lower_weight = position - lower;
  const float from_lower = upper_weight * lut[lower_index];
  const float from_upper = lower_weight * lut[lower_index + 1];
  return from_lower + from_upper;
}

// Step 5 of `EvaluateCurve`, for 0 < x < 1. There m * x < m, and rounding to
// float is monotonic with m representable, so the position lies in [0, m]:
// truncation is its floor, and its ceiling is that floor, or the floor plus 1
// when it is not whole. These are the values floor and ceil return, without a
// library call (the baseline instruction set has no rounding instruction).
inline double LookUpTable(double x, const ToneCurve& curve) {
  const int32_t last = curve.lut_size - 1;
  const float position = static_cast<float>(static_cast<double>(last) * x);
  const int32_t lower_index = static_cast<int32_t>(position);
  if (position == static_cast<float>(lower_index)) {
    return static_cast<double>(curve.lut[lower_index]);
  }
  if (lower_index >= last) return 1.0;  // the ceiling would lie past the table
  return static_cast<double>(InterpolateAbove(curve.lut, position, lower_index));
}

// Steps 2 to 5 of `EvaluateCurve`, on the pre-transformed x. The usual case,
// 0 < x < 1, is tested first; a NaN fails both tests and falls through to the
// end, where it is returned as it is.
inline double ExtendOrLookUp(double x, const ToneCurve& curve) {
  if (x > 0.0 && x < 1.0) {
    if (FieldIsZero(curve.contrast)) return x;
    return LookUpTable(x, curve);
  }
  if (x >= 1.0) {
    if (FieldIsZero(curve.white_slope)) return 1.0;
    return 1.0 + static_cast<double>(curve.white_slope) * (x - 1.0);
  }
  if (x <= 0.0) {
    if (FieldIsZero(curve.black_slope)) return 0.0;
    return x * static_cast<double>(curve.black_slope);
  }
  return x;  // a NaN has no place in the table
}

// The curve's value at lightness x, any double:
//   1. pre-transform, unless offset is 0, gamma 1 and gain 1: gamma 1 takes
//      gain * x + offset in double; any other gamma limits x below at 0 (NaN to
//      0), narrows it to float and takes gain * x^gamma + offset in single;
//   2. x >= 1: 1 when white_slope is 0, else 1 + white_slope * (x - 1);
//   3. x <= 0: 0 when black_slope is 0, else x * black_slope;
//   4. contrast 0: x itself;
//   5. otherwise linear interpolation in the table at (lut_size - 1) * x, taken
//      in single precision. A NaN x yields NaN and reads no table entry.
// Field comparisons are IEEE equality tests: a NaN field never equals anything.
inline double EvaluateCurve(double x, const ToneCurve& curve) {
  if (__builtin_expect(!IsNeutralPreTransform(curve), 0)) x = PreTransform(x, curve);
  return ExtendOrLookUp(x, curve);
}

// Fills `storage[0 .. N-1]` with the sampled curve of two cubic Bezier segments
// meeting on the diagonal at the pivot lightness, and sets the record's
// `lut_size`, `lut`, `black_slope`, `white_slope` and `preserve_hdr`. Nothing
// else of the record is touched; nothing beyond entry N - 1 of the storage is
// written or read.
//
// End slopes. Originally each is the slope of the table's last step at its
// end, which the sampling biases (about 0.84 and 0.81 where the curve has
// slope 1). With `preserve_hdr` they are the curve's own: the slope of the
// chord from the end point of the end segment to its point at a quarter of
// the way back (Bezier parameter 1/4 of the dark segment, 3/4 of the bright
// one). With s = sin a, c = cos a of the contrast angle, w the width and r the
// end's roll-off, both come out independent of the pivot and the table size:
//     slope = (1 + 9 (1 - c w)) / (1 + 9 (1 - s w) + 27 r),
// narrowed to float; in [1/37, 10], continuous in every control. Without
// roll-off the slope at contrast -k is the reciprocal of that at +k, and it
// tends to 1 as the contrast goes to 0. At contrast 0 the table is not
// applied and the curve is the identity: both slopes are exactly 1, whatever
// the roll-offs (with a roll-off, the curve itself changes where the contrast
// leaves 0). A clamp box that is on makes its slope 0, as always.
//
// Inputs the host keeps in range are used exactly as given. Anything else is
// first brought into range, so that no input at all can place a sample outside
// the table:
//   table_size          32, 64, 128, 256 or 1024; any other value gives 128
//   pivot lightness     0..1;          NaN gives 0 (the channels are used as
//                                      given: only their lightness counts)
//   contrast            -100..100;     NaN gives 0 (slope 1 at the pivot)
//   width               0.001..1;      NaN gives 1 (the default)
//   rolloffs            0..1;          NaN gives 0 (the default)
// `sine` and `cosine` are called four times, all with the contrast angle: sine,
// cosine for the dark segment, then sine, cosine for the bright one.
void BuildLut(ToneCurve* curve, float* storage, const CurveControls& controls,
              CurveAngleFunction sine, CurveAngleFunction cosine);

// The table size for a Quality choice 1..5; any other choice gives 128.
int32_t LutSizeForQuality(int32_t quality);
