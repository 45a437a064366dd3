// The one way from the effect's parameter values to a frame's curve record.
// The render builds every frame's record here; the tool's curve plot and the
// tests that predict a render build theirs the same way, so none of them can
// drift from it.
#pragma once

#include "engine/tone_curve.h"
#include "host_sdk/host_types.h"

// A frame's parameter values, in the encodings the host hands the render.
struct FrameControls {
  double offset;  // the pre-transform's, narrowed to float in the record
  double gamma;
  double gain;
  CurveControls table;
  PF_Fixed blend;  // 16.16 percent: 100 % is 6553600
};

// A pivot channel from a colour byte: byte / 255 in single precision, as both
// hosts deliver the 8-bit colour.
float PivotChannelOfByte(A_u_char byte);

// (100 - blend %) / 100, rounded to float twice as projects have always seen
// it; exactly 0 only at a blend of exactly 100 %.
float MixForBlend(PF_Fixed blend);

// Fills `curve` from `controls`, its table into `storage` (kLutCapacity
// floats, which must outlive the record).
void BuildFrameCurve(const FrameControls& controls, float* storage, CurveAngleFunction sine,
                     CurveAngleFunction cosine, ToneCurve* curve);
