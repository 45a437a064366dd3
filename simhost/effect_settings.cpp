#include "simhost/effect_settings.h"

#include <algorithm>
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

void EffectSettings::ReadValue(const ParamIdentity& identity, const PF_ParamDef& def,
                               bool use_default) {
  const int32_t index = identity.index;
  switch (identity.kind) {
    case PF_Param_POPUP:
      Choice(index) = use_default ? def.u.pd.dephault : def.u.pd.value;
      break;
    case PF_Param_FLOAT_SLIDER:
      Slider(index) = use_default ? static_cast<double>(def.u.fs_d.dephault) : def.u.fs_d.value;
      break;
    case PF_Param_FIX_SLIDER:
      Fixed(index) = use_default ? def.u.fd.dephault : def.u.fd.value;
      break;
    case PF_Param_COLOR:
      Colour(index) = use_default ? def.u.cd.dephault : def.u.cd.value;
      break;
    case PF_Param_CHECKBOX:
      Checkbox(index) = use_default ? def.u.bd.dephault : def.u.bd.value;
      break;
    default:
      throw std::logic_error("no value for parameter type " + std::to_string(identity.kind));
  }
}

std::vector<int32_t> DiskIdsOfVersion11() {
  std::vector<int32_t> ids;
  for (int32_t id = DISK_ID_OFFSET; id <= DISK_ID_CLAMP_BLACK; ++id) ids.push_back(id);
  return ids;
}

bool OpenProject(const std::vector<RecordedParam>& registered,
                 const std::vector<int32_t>& saved_disk_ids, EffectSettings& settings) {
  const ParamTable table = settings.Table();
  EffectSettings opened = settings;
  for (const RecordedParam& param : registered) {
    const ParamIdentity* identity = table.FindDiskId(param.def.uu.id);
    if (identity == nullptr || identity->kind != param.def.param_type) return false;
    if (std::find(saved_disk_ids.begin(), saved_disk_ids.end(), identity->disk_id) !=
        saved_disk_ids.end()) {
      continue;
    }
    const bool old_value = (param.def.flags & PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS) != 0;
    opened.ReadValue(*identity, param.def, !(old_value && !saved_disk_ids.empty()));
  }
  settings = opened;
  return true;
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
