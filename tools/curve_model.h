// The tone curve of a set of effect values, built the way the render builds it,
// from the engine directly: for plotting, not for rendering pixels.
#pragma once

#include <array>

#include "engine/tone_curve.h"
#include "simhost/effect_settings.h"

struct CurveModel {
  std::array<float, kLutCapacity> storage;  // the table the record points into
  ToneCurve curve;
  double pivot_lightness;
};

// Fills `model` (the record points into the model, so it is built in place) as
// the render does, with the table size from the quality and the simulated
// host's portable sine and cosine.
void BuildCurveModel(const simhost::EffectSettings& settings, CurveModel* model);
