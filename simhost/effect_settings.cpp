#include "simhost/effect_settings.h"

#include <cstring>

namespace simhost {
namespace {

void SetFloat(PF_ParamDef& def, PF_FpLong value) {
  def.param_type = PF_Param_FLOAT_SLIDER;
  def.u.fs_d.value = value;
}

void SetCheckbox(PF_ParamDef& def, PF_ParamValue value) {
  def.param_type = PF_Param_CHECKBOX;
  def.u.bd.value = value;
}

}  // namespace

void BuildRenderParams(const EffectSettings& settings, const PF_EffectWorld& input,
                       RenderParams& params) {
  std::memset(params.defs.data(), 0, sizeof(PF_ParamDef) * params.defs.size());
  auto& d = params.defs;

  // The positions follow the order in which the effect registers its values.
  d[0].param_type = PF_Param_LAYER;
  d[0].u.ld = input;
  d[1].param_type = PF_Param_POPUP;
  d[1].u.pd.value = settings.quality;
  SetFloat(d[2], settings.offset);
  SetFloat(d[3], settings.gamma);
  SetFloat(d[4], settings.gain);
  SetFloat(d[5], settings.contrast);
  d[6].param_type = PF_Param_COLOR;
  d[6].u.cd.value = settings.pivot;
  SetFloat(d[7], settings.width);
  SetFloat(d[8], settings.shadows_rolloff);
  SetFloat(d[9], settings.highlights_rolloff);
  d[10].param_type = PF_Param_FIX_SLIDER;
  d[10].u.fd.value = settings.blend;
  SetCheckbox(d[11], settings.clamp_white);
  SetCheckbox(d[12], settings.clamp_black);

  for (std::size_t i = 0; i < params.defs.size(); ++i) params.list[i] = &params.defs[i];
  params.list[params.defs.size()] = nullptr;
}

}  // namespace simhost
