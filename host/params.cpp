#include "host/params.h"

#include <cstring>

#include "host/param_values.h"
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
    {STR_PRESERVE_HDR, "Preserve HDR"},
    {STR_PRESERVE_HDR_DETAIL, "Colour and level beyond white"},
};

const char* GetString(int32_t id) {
  return kStringTable[id].text;
}

namespace {

constexpr float kCurveTolerance = 0.05f;

// What a definition starts with: its default for this host, and the value the
// host gives a project saved before the parameter existed (it reads `value`
// only with PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS, and `dephault` otherwise).
struct Starting {
  double dephault;
  double value;
};

Starting StartingOf(const ParamIdentity& identity, const PF_InData* in_data) {
  const ParamDefaults& defaults = identity.defaults;
  const double dephault =
      in_data->appl_id == APPL_ID_PREMIERE_PRO ? defaults.premiere_pro : defaults.after_effects;
  const bool old_value = (identity.flags & PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS) != 0;
  return Starting{dephault, old_value ? defaults.old_projects : dephault};
}

void FillFloatSlider(const ParamIdentity& identity, const Starting& start,
                     PF_FloatSliderDef* slider) {
  slider->valid_min = static_cast<float>(identity.valid_min);
  slider->valid_max = static_cast<float>(identity.valid_max);
  slider->slider_min = static_cast<float>(identity.slider_min);
  slider->slider_max = static_cast<float>(identity.slider_max);
  slider->dephault = static_cast<float>(start.dephault);
  slider->value = static_cast<double>(static_cast<float>(start.value));
  slider->precision = identity.precision;
  slider->display_flags = identity.display_flags;
  slider->curve_tolerance = kCurveTolerance;
}

void FillFixedSlider(const ParamIdentity& identity, const Starting& start,
                     PF_FixedSliderDef* slider) {
  slider->valid_min = FixedOfNumber(identity.valid_min);
  slider->valid_max = FixedOfNumber(identity.valid_max);
  slider->slider_min = FixedOfNumber(identity.slider_min);
  slider->slider_max = FixedOfNumber(identity.slider_max);
  slider->dephault = FixedOfNumber(start.dephault);
  slider->value = FixedOfNumber(start.value);
  slider->precision = identity.precision;
  slider->display_flags = identity.display_flags;
}

void FillPopup(const ParamIdentity& identity, const Starting& start, PF_PopupDef* popup) {
  popup->num_choices = static_cast<A_short>(identity.valid_max);
  popup->dephault = static_cast<A_short>(start.dephault);
  popup->value = static_cast<A_short>(start.value);
  popup->u.namesptr = GetString(identity.detail_id);
}

void FillColor(const Starting& start, PF_ColorDef* color) {
  color->dephault = OpaqueGrey(start.dephault);
  color->value = OpaqueGrey(start.value);
}

void FillCheckbox(const ParamIdentity& identity, const Starting& start, PF_CheckBoxDef* checkbox) {
  checkbox->dephault = static_cast<PF_Boolean>(start.dephault);
  checkbox->value = static_cast<PF_Boolean>(start.value);
  checkbox->u.nameptr = GetString(identity.detail_id);
}

void FillDefinition(const ParamIdentity& identity, const PF_InData* in_data, PF_ParamDef* def) {
  std::memset(def, 0, sizeof *def);
  def->param_type = identity.kind;
  in_data->utils->ansi.strcpy(def->name, GetString(identity.name_id));
  const Starting start = StartingOf(identity, in_data);
  switch (identity.kind) {
    case PF_Param_FLOAT_SLIDER:
      FillFloatSlider(identity, start, &def->u.fs_d);
      break;
    case PF_Param_FIX_SLIDER:
      FillFixedSlider(identity, start, &def->u.fd);
      break;
    case PF_Param_POPUP:
      FillPopup(identity, start, &def->u.pd);
      break;
    case PF_Param_COLOR:
      FillColor(start, &def->u.cd);
      break;
    case PF_Param_CHECKBOX:
      FillCheckbox(identity, start, &def->u.bd);
      break;
    default:
      break;
  }
  def->flags = identity.flags;
  def->uu.id = identity.disk_id;
}

}  // namespace

PF_Err RegisterParams(PF_InData* in_data, PF_OutData* out_data, ParamTable table) {
  PF_ParamDef def;
  for (const ParamIdentity& identity : table) {
    FillDefinition(identity, in_data, &def);
    const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def);
    if (err != PF_Err_NONE) return err;
  }
  out_data->num_params = static_cast<A_long>(table.size()) + 1;  // and the input layer
  return PF_Err_NONE;
}
