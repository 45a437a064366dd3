#include "engine/frame_curve.h"

#include <cmath>

float MixForBlend(double blend_percent) {
  if (std::isnan(blend_percent)) blend_percent = 0.0;
  const float remaining = static_cast<float>(100.0 - blend_percent);
  return static_cast<float>(static_cast<double>(remaining) / 100.0);
}

CurveControls CurveControlsOf(const EffectInput& input) {
  return CurveControls{LutSizeForQuality(input.quality),
                       input.pivot_red,
                       input.pivot_green,
                       input.pivot_blue,
                       input.contrast,
                       input.width,
                       input.shadows_rolloff,
                       input.highlights_rolloff,
                       input.clamp_white ? 1 : 0,
                       input.clamp_black ? 1 : 0,
                       input.preserve_hdr ? 1 : 0};
}

void BuildFrameCurve(const EffectInput& input, float* storage, CurveAngleFunction sine,
                     CurveAngleFunction cosine, ToneCurve* curve) {
  *curve = ToneCurve{};
  curve->offset = static_cast<float>(input.offset);
  curve->gamma = static_cast<float>(input.gamma);
  curve->gain = static_cast<float>(input.gain);
  BuildLut(curve, storage, CurveControlsOf(input), sine, cosine);
  curve->contrast = static_cast<float>(input.contrast);
  curve->mix = MixForBlend(input.blend_percent);
}
