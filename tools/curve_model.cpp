#include "tools/curve_model.h"

#include <algorithm>

#include "simhost/frame_controls.h"
#include "simhost/portable_trig.h"

void BuildCurveModel(const simhost::EffectSettings& settings, CurveModel* model) {
  const FrameControls controls =
      simhost::FrameControlsOf(settings, LutSizeForQuality(settings.quality));
  BuildFrameCurve(controls, model->storage.data(), simhost::PortableSin, simhost::PortableCos,
                  &model->curve);
  const CurveControls& table = controls.table;
  const float sum = std::max({table.pivot_red, table.pivot_green, table.pivot_blue}) +
                    std::min({table.pivot_red, table.pivot_green, table.pivot_blue});
  model->pivot_lightness = 0.5 * static_cast<double>(sum);
}
