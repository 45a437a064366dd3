#include "simhost/effect_settings.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "host/param_values.h"

namespace simhost {

EffectSettings::EffectSettings(ParamTable table) : table_(table), values_(table.size() + 1) {
  for (const ParamIdentity& identity : table_) {
    const double value = identity.defaults.after_effects;
    HostValue& held = values_.at(static_cast<std::size_t>(identity.index));
    switch (identity.kind) {
      case PF_Param_FLOAT_SLIDER:
        held.slider = static_cast<double>(static_cast<float>(value));  // registered as a float
        break;
      case PF_Param_FIX_SLIDER:
        held.fixed = FixedOfNumber(value);
        break;
      case PF_Param_COLOR:
        held.colour = OpaqueGrey(value);
        break;
      default:
        held.whole = static_cast<PF_ParamValue>(value);
        break;
    }
  }
}

const HostValue& EffectSettings::At(int32_t index, PF_ParamType kind) const {
  const bool known = index > PARAM_INPUT && static_cast<std::size_t>(index) <= table_.size();
  if (!known || table_.begin()[index - 1].kind != kind) {
    throw std::logic_error("the settings hold no parameter " + std::to_string(index) + " of type " +
                           std::to_string(kind));
  }
  return values_[static_cast<std::size_t>(index)];
}

HostValue& EffectSettings::At(int32_t index, PF_ParamType kind) {
  return const_cast<HostValue&>(static_cast<const EffectSettings&>(*this).At(index, kind));
}

void EffectSettings::WriteValue(const ParamIdentity& identity, PF_ParamDef* def) const {
  const int32_t index = identity.index;
  switch (identity.kind) {
    case PF_Param_POPUP:
      def->u.pd.value = Choice(index);
      break;
    case PF_Param_FLOAT_SLIDER:
      def->u.fs_d.value = Slider(index);
      break;
    case PF_Param_FIX_SLIDER:
      def->u.fd.value = Fixed(index);
      break;
    case PF_Param_COLOR:
      def->u.cd.value = Colour(index);
      break;
    case PF_Param_CHECKBOX:
      def->u.bd.value = Checkbox(index);
      break;
    default:
      throw std::logic_error("no value for parameter type " + std::to_string(identity.kind));
  }
}

bool BuildRenderParams(const EffectSettings& settings, const std::vector<RecordedParam>& registered,
                       const PF_EffectWorld& input, RenderParams& params) {
  const ParamTable table = settings.Table();
  if (registered.size() != table.size()) return false;
  params.defs.assign(registered.size() + 1, PF_ParamDef{});
  std::memset(params.defs.data(), 0, sizeof(PF_ParamDef) * params.defs.size());
  params.defs[0].param_type = PF_Param_LAYER;
  params.defs[0].u.ld = input;
  for (std::size_t i = 0; i < registered.size(); ++i) {
    PF_ParamDef& def = params.defs[i + 1];
    def = registered[i].def;
    const ParamIdentity* identity = table.FindDiskId(def.uu.id);
    if (identity == nullptr || identity->kind != def.param_type) return false;
    settings.WriteValue(*identity, &def);
  }
  params.list.assign(params.defs.size() + 1, nullptr);
  for (std::size_t i = 0; i < params.defs.size(); ++i) params.list[i] = &params.defs[i];
  return true;
}

}  // namespace simhost
