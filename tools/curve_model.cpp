#include "tools/curve_model.h"

#include <algorithm>

#include "simhost/portable_trig.h"

void BuildCurveModel(const simhost::EffectSettings& settings, CurveModel* model) {
  ToneCurve& curve = model->curve;
  curve = ToneCurve{};
  curve.offset = static_cast<float>(settings.offset);
  curve.gamma = static_cast<float>(settings.gamma);
  curve.gain = static_cast<float>(settings.gain);
  const float red = static_cast<float>(settings.pivot.red) / 255.0f;
  const float green = static_cast<float>(settings.pivot.green) / 255.0f;
  const float blue = static_cast<float>(settings.pivot.blue) / 255.0f;
  BuildLut(&curve, model->storage.data(), LutSizeForQuality(settings.quality), red, green, blue,
           settings.contrast, settings.width, settings.shadows_rolloff, settings.highlights_rolloff,
           settings.clamp_white, settings.clamp_black, simhost::PortableSin, simhost::PortableCos);
  curve.contrast = static_cast<float>(settings.contrast);
  const double blend = settings.blend / 65536.0;
  const float remaining = static_cast<float>(100.0 - blend);
  curve.mix = static_cast<float>(static_cast<double>(remaining) / 100.0);
  const float sum = std::max({red, green, blue}) + std::min({red, green, blue});
  model->pivot_lightness = 0.5 * static_cast<double>(sum);
}
