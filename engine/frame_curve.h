// The one way from the effect's controls to a frame's curve record. The render
// builds every frame's record here; the tool's curve plot and the tests that
// predict a render build theirs the same way, so none of them can drift from it.
#pragma once

#include <cstdint>

#include "engine/tone_curve.h"

// A frame's controls in the effect's own units; the host's encodings (16.16
// percent, colour bytes) are decoded before they get here. Any value at all is
// accepted: `BuildFrameCurve` is the one place that brings it into range, and
// it changes nothing that a host keeps in range.
//   quality          1..5; any other choice gives the table of 128 points
//   offset, gamma,   used as given, narrowed to float in the record (the
//   gain             pre-transform handles NaN and any extreme)
//   pivot            0..1 per channel, as the host delivers the colour
//   contrast, width, as `BuildLut` takes them; the record keeps the contrast
//   rolloffs         as given, narrowed to float
//   blend_percent    0..100; any finite value is used as given, NaN gives 0
//   clamps           true: that end of the curve is clamped
//   preserve_hdr     true: the mode that keeps values beyond white (tone_curve.h)
struct EffectInput {
  int32_t quality;
  double offset;
  double gamma;
  double gain;
  double contrast;
  float pivot_red;
  float pivot_green;
  float pivot_blue;
  double width;
  double shadows_rolloff;
  double highlights_rolloff;
  double blend_percent;
  bool clamp_white;
  bool clamp_black;
  bool preserve_hdr;
};

// (100 - blend %) / 100, rounded to float twice as projects have always seen
// it; exactly 0 only at a blend of exactly 100 %.
float MixForBlend(double blend_percent);

// The table's controls from the effect's, as `BuildLut` takes them.
CurveControls CurveControlsOf(const EffectInput& input);

// Fills `curve` from `input`, its table into `storage` (kLutCapacity floats,
// which must outlive the record).
void BuildFrameCurve(const EffectInput& input, float* storage, CurveAngleFunction sine,
                     CurveAngleFunction cosine, ToneCurve* curve);
