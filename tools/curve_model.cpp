#include "tools/curve_model.h"

#include <algorithm>

#include "simhost/frame_controls.h"
#include "simhost/portable_trig.h"

void BuildCurveModel(const simhost::EffectSettings& settings, CurveModel* model) {
  const EffectInput input = simhost::EffectInputOf(settings);
  BuildFrameCurve(input, model->storage.data(), simhost::PortableSin, simhost::PortableCos,
                  &model->curve);
  const float sum = std::max({input.pivot_red, input.pivot_green, input.pivot_blue}) +
                    std::min({input.pivot_red, input.pivot_green, input.pivot_blue});
  model->pivot_lightness = 0.5 * static_cast<double>(sum);
}
