#include "engine/frame_curve.h"

float PivotChannelOfByte(A_u_char byte) {
  return static_cast<float>(byte) / 255.0f;
}

float MixForBlend(PF_Fixed blend) {
  const double blend_percent = static_cast<double>(blend) / 65536.0;
  const float remaining = static_cast<float>(100.0 - blend_percent);
  return static_cast<float>(static_cast<double>(remaining) / 100.0);
}

void BuildFrameCurve(const FrameControls& controls, float* storage, CurveAngleFunction sine,
                     CurveAngleFunction cosine, ToneCurve* curve) {
  *curve = ToneCurve{};
  curve->offset = static_cast<float>(controls.offset);
  curve->gamma = static_cast<float>(controls.gamma);
  curve->gain = static_cast<float>(controls.gain);
  BuildLut(curve, storage, controls.table, sine, cosine);
  curve->contrast = static_cast<float>(controls.table.contrast);
  curve->mix = MixForBlend(controls.blend);
}
