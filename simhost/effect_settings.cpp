#include "simhost/effect_settings.h"

#include <cstring>

#include "host/params.h"

namespace simhost {

PF_FpLong* FloatSliderValue(EffectSettings& settings, A_long disk_id) {
  switch (disk_id) {
    case DISK_ID_OFFSET:
      return &settings.offset;
    case DISK_ID_GAMMA:
      return &settings.gamma;
    case DISK_ID_GAIN:
      return &settings.gain;
    case DISK_ID_CONTRAST:
      return &settings.contrast;
    case DISK_ID_WIDTH:
      return &settings.width;
    case DISK_ID_SHADOWS_ROLLOFF:
      return &settings.shadows_rolloff;
    case DISK_ID_HIGHLIGHTS_ROLLOFF:
      return &settings.highlights_rolloff;
    default:
      return nullptr;
  }
}

PF_ParamValue* CheckboxValue(EffectSettings& settings, A_long disk_id) {
  if (disk_id == DISK_ID_CLAMP_WHITE) return &settings.clamp_white;
  if (disk_id == DISK_ID_CLAMP_BLACK) return &settings.clamp_black;
  return nullptr;
}

namespace {

// The value of `def` from `settings`, by the definition's persistent id and
// kind; false when the effect's table has no such parameter.
bool SetValue(EffectSettings settings, PF_ParamDef& def) {
  const A_long id = def.uu.id;
  switch (def.param_type) {
    case PF_Param_POPUP:
      if (id != DISK_ID_QUALITY) return false;
      def.u.pd.value = settings.quality;
      return true;
    case PF_Param_COLOR:
      if (id != DISK_ID_PIVOT) return false;
      def.u.cd.value = settings.pivot;
      return true;
    case PF_Param_FIX_SLIDER:
      if (id != DISK_ID_BLEND) return false;
      def.u.fd.value = settings.blend;
      return true;
    case PF_Param_FLOAT_SLIDER: {
      const PF_FpLong* value = FloatSliderValue(settings, id);
      if (value == nullptr) return false;
      def.u.fs_d.value = *value;
      return true;
    }
    case PF_Param_CHECKBOX: {
      const PF_ParamValue* value = CheckboxValue(settings, id);
      if (value == nullptr) return false;
      def.u.bd.value = *value;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

bool BuildRenderParams(const EffectSettings& settings, const std::vector<RecordedParam>& registered,
                       const PF_EffectWorld& input, RenderParams& params) {
  if (registered.size() + 1 != params.defs.size()) return false;
  std::memset(params.defs.data(), 0, sizeof(PF_ParamDef) * params.defs.size());
  params.defs[0].param_type = PF_Param_LAYER;
  params.defs[0].u.ld = input;
  for (std::size_t i = 0; i < registered.size(); ++i) {
    params.defs[i + 1] = registered[i].def;
    if (!SetValue(settings, params.defs[i + 1])) return false;
  }
  for (std::size_t i = 0; i < params.defs.size(); ++i) params.list[i] = &params.defs[i];
  params.list[params.defs.size()] = nullptr;
  return true;
}

}  // namespace simhost
