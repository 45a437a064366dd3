#include "host/params.h"

#include <cstring>

#include "host_sdk/host_constants.h"

const StringEntry kStringTable[STR_COUNT] = {
    {STR_NONE, ""},
    {STR_NAME, "Velmora"},
    {STR_DESCRIPTION, "Velmora plugin for After Effects and Premiere Pro. Copyright 2026 Trevane."},
    {STR_GAMMA, "Gamma"},
    {STR_GAIN, "Gain"},
    {STR_OFFSET, "Offset"},
    {STR_QUALITY, "Quality"},
    // The blank after the second label is part of the label as projects know it.
    {STR_QUALITY_CHOICES,
     "Fast (32 points)|Fair (64 points) |Good (128 points)|8-bit exact (256 points)|"
     "10-bit exact (1024 points)"},
    {STR_SHADOWS_ROLLOFF, "Shadows Rolloff"},
    {STR_HIGHLIGHTS_ROLLOFF, "Highlights Rolloff"},
    {STR_CONTRAST, "Contrast"},
    {STR_PIVOT, "Pivot"},
    {STR_CONTRAST_WIDTH, "Contrast width"},
    {STR_BLEND, "Blend with original"},
    {STR_CLAMP_BLACK, "Clamp black on output"},
    {STR_CLAMP_WHITE, "Clamp white on output"},
};

const char* GetString(int32_t id) {
  return kStringTable[id].text;
}

namespace {

constexpr float kCurveTolerance = 0.05f;

PF_Fixed ToFixed(double value) {
  return static_cast<PF_Fixed>(value * 65536.0);
}

PF_Pixel OpaqueGrey(double level) {
  const auto channel = static_cast<A_u_char>(level);
  return PF_Pixel{255, channel, channel, channel};
}

void FillFloatSlider(const ParamIdentity& identity, PF_FloatSliderDef* slider) {
  slider->valid_min = static_cast<float>(identity.valid_min);
  slider->valid_max = static_cast<float>(identity.valid_max);
  slider->slider_min = static_cast<float>(identity.slider_min);
  slider->slider_max = static_cast<float>(identity.slider_max);
  slider->dephault = static_cast<float>(identity.default_value);
  slider->value = static_cast<double>(slider->dephault);
  slider->precision = identity.precision;
  slider->display_flags = identity.display_flags;
  slider->curve_tolerance = kCurveTolerance;
}

void FillFixedSlider(const ParamIdentity& identity, PF_FixedSliderDef* slider) {
  slider->valid_min = ToFixed(identity.valid_min);
  slider->valid_max = ToFixed(identity.valid_max);
  slider->slider_min = ToFixed(identity.slider_min);
  slider->slider_max = ToFixed(identity.slider_max);
  slider->dephault = ToFixed(identity.default_value);
  slider->value = slider->dephault;
  slider->precision = identity.precision;
  slider->display_flags = identity.display_flags;
}

void FillPopup(const ParamIdentity& identity, PF_PopupDef* popup) {
  popup->num_choices = static_cast<A_short>(identity.valid_max);
  popup->dephault = static_cast<A_short>(identity.default_value);
  popup->value = popup->dephault;
  popup->u.namesptr = GetString(identity.detail_id);
}

void FillColor(const ParamIdentity& identity, PF_ColorDef* color) {
  color->dephault = OpaqueGrey(identity.default_value);
  color->value = color->dephault;
}

void FillCheckbox(const ParamIdentity& identity, PF_CheckBoxDef* checkbox) {
  checkbox->dephault = static_cast<PF_Boolean>(identity.default_value);
  checkbox->value = checkbox->dephault;
  checkbox->u.nameptr = GetString(identity.detail_id);
}

void FillDefinition(const ParamIdentity& identity, A_char* (*copy_text)(A_char*, const A_char*),
                    PF_ParamDef* def) {
  std::memset(def, 0, sizeof *def);
  def->param_type = identity.kind;
  copy_text(def->name, GetString(identity.name_id));
  switch (identity.kind) {
    case PF_Param_FLOAT_SLIDER:
      FillFloatSlider(identity, &def->u.fs_d);
      break;
    case PF_Param_FIX_SLIDER:
      FillFixedSlider(identity, &def->u.fd);
      break;
    case PF_Param_POPUP:
      FillPopup(identity, &def->u.pd);
      break;
    case PF_Param_COLOR:
      FillColor(identity, &def->u.cd);
      break;
    case PF_Param_CHECKBOX:
      FillCheckbox(identity, &def->u.bd);
      break;
    default:
      break;
  }
  def->flags = identity.flags;
  def->uu.id = identity.disk_id;
}

}  // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
  PF_ParamDef def;
  for (const ParamIdentity& identity : kParamIdentities) {
    FillDefinition(identity, in_data->utils->ansi.strcpy, &def);
    const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def);
    if (err != PF_Err_NONE) return err;
  }
  out_data->num_params = PARAM_COUNT;
  return PF_Err_NONE;
}
