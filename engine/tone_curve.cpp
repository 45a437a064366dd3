#include "engine/tone_curve.h"

#include <cmath>

#include "engine/single_pow.h"

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;  // the double nearest pi / 180
constexpr double kRaise = 1e-8;  // keeps the bright half of the table from falling

bool IsTableSize(int32_t size) {
  return size == 32 || size == 64 || size == 128 || size == 256 || size == 1024;
}

// Limits v to [low, high]; a NaN becomes `if_nan`. Values inside are returned unchanged,
// so in-range inputs keep their exact bits.
double Limit(double v, double low, double high, double if_nan) {
  if (v != v) return if_nan;
  if (v < low) return low;
  if (v > high) return high;
  return v;
}

// The slot-filling state carried from the dark segment into the bright one.
struct SlotFiller {
  float* lut;
  int32_t size;
  int32_t slot = -1;  // the current slot c
  int32_t count = 0;  // samples averaged into the current slot
  double last_y = 0.0;

  // Nearest slot of input x, halves away from zero. Only a host handing over
  // nonsense (a sine of NaN, say) can put a sample outside the table; such a
  // sample is held at the nearest end, and the first sample of a build always
  // lands on slot 0, so every slot is written and none outside.
  int32_t SlotOf(double x) const {
    if (slot < 0) return 0;
    const double scaled = static_cast<double>(size - 1) * x;
    const double rounded = scaled >= 0.0 ? scaled + 0.5 : scaled - 0.5;
    if (!(rounded >= 0.0)) return 0;
    if (rounded >= static_cast<double>(size)) return size - 1;
    return static_cast<int32_t>(rounded);
  }

  // Joins the current slot's mean, or moves to a new slot and fills the slots
  // skipped on the way by linear interpolation. Returns the sample's value.
  double Place(double x, double y) {
    const int32_t k = SlotOf(x);
    if (k == slot) {
      const float weighted = static_cast<float>(count) * lut[slot];
      y = (static_cast<double>(weighted) + y) / static_cast<double>(count + 1);
      ++count;
      return y;
    }
    const int32_t gap = k - slot;
    if (gap > 1 && slot >= 0) {
      for (int32_t j = 1; j < gap; ++j) {
        const float weighted = static_cast<float>(gap - j) * lut[slot];
        lut[slot + j] =
            static_cast<float>((static_cast<double>(weighted) + static_cast<double>(j) * y) /
                               static_cast<double>(gap));
      }
    }
    slot = k;
    count = 1;
    return y;
  }

  void StoreDark(double x, double y) {
    y = Place(x, y);
    lut[slot] = static_cast<float>(y);
    last_y = y;
  }

  // Raises the stored value (not the sample) above the slot to its left.
  void StoreBright(double x, double y) {
    y = Place(x, y);
    const float left = slot == 0 ? 0.0f : lut[slot - 1];
    if (static_cast<double>(left) < y) {
      lut[slot] = static_cast<float>(y);
    } else {
      lut[slot] = static_cast<float>(static_cast<double>(left) + kRaise);
    }
    last_y = y;
  }

  void FillTrailing() {
    const float value = static_cast<float>(last_y + kRaise);
    for (int32_t k = slot + 1; k < size; ++k) lut[k] = value;
  }
};

// The slope of the chord from an end of the curve to the point of its end
// segment a quarter of the way back, Bezier parameter 1/4 from that end
// (tone_curve.h). With the Bernstein weights 27/64, 27/64, 9/64, 1/64 of
// parameter 1/4, scaled by 64, and divided by the segment's extent (L or
// 1 - L), it depends on the shape alone; each term is at least 1.
float CurveEndSlope(double s, double c, double width, double rolloff) {
  const double rise = 1.0 + 9.0 * (1.0 - c * width);
  const double run = (1.0 + 9.0 * (1.0 - s * width)) + 27.0 * rolloff;
  return static_cast<float>(rise / run);
}

}  // namespace

CurveLimit CurveLimitAtInfinity(const ToneCurve& curve, double sign) {
  // x, the pre-transformed lightness, either settles at a constant or grows
  // like factor * |d|^power with the sign of d.
  double factor = 1.0;
  double power = 1.0;
  bool settles = false;
  double settled = 0.0;
  if (!IsNeutralPreTransform(curve)) {
    const double gain = static_cast<double>(curve.gain);
    if (FieldIsOne(curve.gamma)) {
      factor = gain;
      settles = !(gain > 0.0);
      settled = static_cast<double>(curve.offset);
    } else {
      // The power sees d limited below at 0; gamma 0 makes it 1 everywhere.
      power = static_cast<double>(curve.gamma);
      factor = gain;
      settles = sign < 0.0 || !(gain > 0.0) || FieldIsZero(curve.gamma);
      settled = PreTransform(FieldIsZero(curve.gamma) ? 1.0 : 0.0, curve);
    }
  }
  if (settles) return {ExtendOrLookUp(settled, curve), 0.0};
  const double infinity = HUGE_VAL;
  if (sign > 0.0) {
    const double slope = static_cast<double>(curve.white_slope);
    if (FieldIsZero(curve.white_slope)) return {1.0, 0.0};
    const double ratio = power == 1.0 ? slope * factor : power < 1.0 ? 0.0 : infinity;
    return {slope * infinity, ratio};
  }
  const double slope = static_cast<double>(curve.black_slope);
  if (FieldIsZero(curve.black_slope)) return {0.0, 0.0};
  return {-infinity * slope, slope * factor};
}

double PreTransform(double x, const ToneCurve& curve) {
  if (FieldIsOne(curve.gamma)) {
    return static_cast<double>(curve.gain) * x + static_cast<double>(curve.offset);
  }
  const float base = static_cast<float>(x > 0.0 ? x : 0.0);
  const float powered = SinglePow(base, curve.gamma);
  const float scaled = powered * curve.gain;
  const float shifted = scaled + curve.offset;
  return static_cast<double>(shifted);
}

int32_t LutSizeForQuality(int32_t quality) {
  switch (quality) {
    case 1:
      return 32;
    case 2:
      return 64;
    case 3:
      return 128;
    case 4:
      return 256;
    case 5:
      return 1024;
    default:
      return 128;
  }
}

void BuildLut(ToneCurve* curve, float* storage, const CurveControls& controls,
              CurveAngleFunction sine, CurveAngleFunction cosine) {
  const int32_t size = IsTableSize(controls.table_size) ? controls.table_size : 128;
  // The pivot's channels as given: a float project's colour may lie beyond
  // 0..1 while its lightness, all the curve uses, lies inside.
  const float red = controls.pivot_red;
  const float green = controls.pivot_green;
  const float blue = controls.pivot_blue;
  const double contrast = Limit(controls.contrast, -100.0, 100.0, 0.0);
  const double width = Limit(controls.width, 0.001, 1.0, 1.0);
  const double shadows_rolloff = Limit(controls.shadows_rolloff, 0.0, 1.0, 0.0);
  const double highlights_rolloff = Limit(controls.highlights_rolloff, 0.0, 1.0, 0.0);

  float largest = red > green ? red : green;
  largest = largest > blue ? largest : blue;
  float smallest = red < green ? red : green;
  smallest = smallest < blue ? smallest : blue;
  const float channel_sum = largest + smallest;
  // Only the lightness is brought into range, which keeps every sample of
  // both segments inside the table.
  const double pivot = Limit(static_cast<double>(channel_sum) * 0.5, 0.0, 1.0, 0.0);

  const double angle = ((1.0 - contrast / 100.0) * 45.0) * kDegreesToRadians;

  SlotFiller filler{storage, size};

  // Dark segment: (0, 0), (L rs, 0), the inner point on the tangent, (L, L).
  const double dark_p1x = pivot * shadows_rolloff;
  const double dark_p2x = pivot - (sine(angle) * pivot) * width;
  const double dark_p2y = pivot - (cosine(angle) * pivot) * width;
  const int32_t dark_count = static_cast<int32_t>(std::ceil(static_cast<double>(size) * pivot));
  for (int32_t i = 0; i < dark_count; ++i) {
    // A single dark sample takes the parameter 0: it is P0 and writes slot 0.
    const double u =
        dark_count == 1 ? 0.0 : static_cast<double>(i) / static_cast<double>(dark_count - 1);
    const double q = 1.0 - u;
    const double u2 = u * u;
    const double q2 = q * q;
    const double u3 = u2 * u;
    const double b2 = (u2 * 3.0) * q;
    const double b1 = (u * 3.0) * q2;
    const double x = (b1 * dark_p1x + b2 * dark_p2x) + u3 * pivot;
    const double y = b2 * dark_p2y + u3 * pivot;
    filler.StoreDark(x, y);
  }

  // Bright segment: (L, L), the inner point on the tangent, (1 - r rh, 1), (1, 1);
  // the parameter stops one step short of 1.
  const double rest = 1.0 - pivot;
  const double bright_q2x = 1.0 - rest * highlights_rolloff;
  const double bright_sine = sine(angle);
  const double bright_cosine = cosine(angle);
  const double bright_q1x = (bright_sine * rest) * width + pivot;
  const double bright_q1y = (bright_cosine * rest) * width + pivot;
  const int32_t bright_count = size - dark_count - 1;
  for (int32_t i = 0; i < bright_count; ++i) {
    const double u = static_cast<double>(i) / static_cast<double>(bright_count);
    const double q = 1.0 - u;
    const double u2 = u * u;
    const double q2 = q * q;
    const double u3 = u2 * u;
    const double q3 = q2 * q;
    const double b1 = (u * 3.0) * q2;
    const double b2 = (u2 * 3.0) * q;
    const double x = ((b1 * bright_q1x + q3 * pivot) + b2 * bright_q2x) + u3;
    const double y = ((b1 * bright_q1y + q3 * pivot) + b2) + u3;
    filler.StoreBright(x, y);
  }

  filler.FillTrailing();

  curve->lut_size = size;
  curve->lut = storage;
  curve->preserve_hdr = controls.preserve_hdr;
  if (controls.preserve_hdr != 0) {
    // The record's contrast is the float of this one: the table applies
    // exactly where it is not 0 (a NaN applies it, at the limited contrast).
    const bool identity = static_cast<float>(controls.contrast) == 0.0f;
    curve->black_slope = controls.clamp_black != 0 ? 0.0f
                         : identity
                             ? 1.0f
                             : CurveEndSlope(bright_sine, bright_cosine, width, shadows_rolloff);
    curve->white_slope = controls.clamp_white != 0 ? 0.0f
                         : identity
                             ? 1.0f
                             : CurveEndSlope(bright_sine, bright_cosine, width, highlights_rolloff);
    return;
  }
  const float steps = static_cast<float>(size - 1);
  if (controls.clamp_black != 0) {
    curve->black_slope = 0.0f;
  } else {
    const float rise = storage[1] - storage[0];
    curve->black_slope = rise * steps;
  }
  if (controls.clamp_white != 0) {
    curve->white_slope = 0.0f;
  } else {
    const float rise = storage[size - 1] - storage[size - 2];
    curve->white_slope = rise * steps;
  }
}
