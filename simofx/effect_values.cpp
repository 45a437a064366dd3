#include "simofx/effect_values.h"

#include <string>

#include "host/param_values.h"

namespace simofx {

std::vector<double> OfxValueOf(const simhost::EffectSettings& settings,
                               const ParamIdentity& identity) {
  switch (identity.kind) {
    case PF_Param_POPUP:
      return {static_cast<double>(settings.Choice(identity.index)) - identity.valid_min};
    case PF_Param_FLOAT_SLIDER:
      return {settings.Slider(identity.index)};
    case PF_Param_FIX_SLIDER:
      return {NumberOfFixed(settings.Fixed(identity.index))};
    case PF_Param_COLOR: {
      const PF_Pixel c = settings.Colour(identity.index);
      return {c.red / 255.0, c.green / 255.0, c.blue / 255.0};
    }
    default:
      return {static_cast<double>(settings.Checkbox(identity.index))};
  }
}

bool ApplySettings(const simhost::EffectSettings& settings, OfxHostSim* host) {
  const ParamTable table = settings.Table();
  const std::vector<std::string>& names = host->instance()->params.order;
  if (names.size() != table.size()) return false;
  size_t i = 0;
  for (const ParamIdentity& identity : table)
    host->SetParam(names[i++], OfxValueOf(settings, identity));
  return true;
}

}  // namespace simofx
