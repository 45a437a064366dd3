// Checks every record, member and constant of the host headers against the values the
// host's own Windows x64 build printed (tests/host_sdk/data). A member that moved, changed
// size or is missing, and a constant with a wrong value, each fail with name, expected
// and actual.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "host_sdk/host_constants.h"
#include "host_sdk/host_records.h"
#include "host_sdk/host_suites.h"

namespace {

// A record row: `name` is the record, `first` its size. A member row: `name` is
// "Record.path", `first` the offset from the start of the record, `second` the size.
struct LayoutRow {
  std::string name;
  bool is_record;
  int64_t first;
  int64_t second;
};

template <typename Record>
LayoutRow RecordRow(const char* name) {
  // offsetof is only defined for standard-layout types, and the host copies and clears
  // these records as plain bytes.
  static_assert(std::is_standard_layout_v<Record> && std::is_trivial_v<Record>,
                "host records must stay standard-layout PODs");
  return {name, true, static_cast<int64_t>(sizeof(Record)), 0};
}

LayoutRow MemberRow(const char* name, size_t offset, size_t size) {
  return {name, false, static_cast<int64_t>(offset), static_cast<int64_t>(size)};
}

#define SIZE_ROW(Record) RecordRow<Record>(#Record)
#define MEMBER_ROW(Record, path) \
  MemberRow(#Record "." #path, offsetof(Record, path), sizeof(std::declval<Record&>().path))

std::vector<LayoutRow> DeclaredLayout() {
  return {
      SIZE_ROW(PF_SpecVersion),
      MEMBER_ROW(PF_SpecVersion, major),
      MEMBER_ROW(PF_SpecVersion, minor),
      SIZE_ROW(PF_RationalScale),
      MEMBER_ROW(PF_RationalScale, num),
      MEMBER_ROW(PF_RationalScale, den),
      SIZE_ROW(PF_Point),
      MEMBER_ROW(PF_Point, h),
      MEMBER_ROW(PF_Point, v),
      SIZE_ROW(PF_LRect),
      MEMBER_ROW(PF_LRect, left),
      MEMBER_ROW(PF_LRect, top),
      MEMBER_ROW(PF_LRect, right),
      MEMBER_ROW(PF_LRect, bottom),
      SIZE_ROW(PF_Rect),
      MEMBER_ROW(PF_Rect, left),
      MEMBER_ROW(PF_Rect, top),
      MEMBER_ROW(PF_Rect, right),
      MEMBER_ROW(PF_Rect, bottom),
      SIZE_ROW(PF_UnionableRect),
      MEMBER_ROW(PF_UnionableRect, left),
      MEMBER_ROW(PF_UnionableRect, top),
      MEMBER_ROW(PF_UnionableRect, right),
      MEMBER_ROW(PF_UnionableRect, bottom),
      SIZE_ROW(PF_Pixel),
      MEMBER_ROW(PF_Pixel, alpha),
      MEMBER_ROW(PF_Pixel, red),
      MEMBER_ROW(PF_Pixel, green),
      MEMBER_ROW(PF_Pixel, blue),
      SIZE_ROW(PF_Pixel16),
      MEMBER_ROW(PF_Pixel16, alpha),
      MEMBER_ROW(PF_Pixel16, red),
      MEMBER_ROW(PF_Pixel16, green),
      MEMBER_ROW(PF_Pixel16, blue),
      SIZE_ROW(PF_PixelFloat),
      MEMBER_ROW(PF_PixelFloat, alpha),
      MEMBER_ROW(PF_PixelFloat, red),
      MEMBER_ROW(PF_PixelFloat, green),
      MEMBER_ROW(PF_PixelFloat, blue),
      SIZE_ROW(PF_SoundFormatInfo),
      MEMBER_ROW(PF_SoundFormatInfo, rateF),
      MEMBER_ROW(PF_SoundFormatInfo, num_channels),
      MEMBER_ROW(PF_SoundFormatInfo, format),
      MEMBER_ROW(PF_SoundFormatInfo, sample_size),
      SIZE_ROW(PF_SoundWorld),
      MEMBER_ROW(PF_SoundWorld, fi),
      MEMBER_ROW(PF_SoundWorld, num_samples),
      MEMBER_ROW(PF_SoundWorld, dataP),
      SIZE_ROW(PF_InteractCallbacks),
      MEMBER_ROW(PF_InteractCallbacks, checkout_param),
      MEMBER_ROW(PF_InteractCallbacks, checkin_param),
      MEMBER_ROW(PF_InteractCallbacks, add_param),
      MEMBER_ROW(PF_InteractCallbacks, abort),
      MEMBER_ROW(PF_InteractCallbacks, progress),
      MEMBER_ROW(PF_InteractCallbacks, register_ui),
      MEMBER_ROW(PF_InteractCallbacks, checkout_layer_audio),
      MEMBER_ROW(PF_InteractCallbacks, checkin_layer_audio),
      MEMBER_ROW(PF_InteractCallbacks, get_audio_data),
      MEMBER_ROW(PF_InteractCallbacks, reserved_str),
      MEMBER_ROW(PF_InteractCallbacks, reserved),
      SIZE_ROW(PF_InData),
      MEMBER_ROW(PF_InData, inter),
      MEMBER_ROW(PF_InData, utils),
      MEMBER_ROW(PF_InData, effect_ref),
      MEMBER_ROW(PF_InData, quality),
      MEMBER_ROW(PF_InData, version),
      MEMBER_ROW(PF_InData, serial_num),
      MEMBER_ROW(PF_InData, appl_id),
      MEMBER_ROW(PF_InData, num_params),
      MEMBER_ROW(PF_InData, reserved),
      MEMBER_ROW(PF_InData, what_cpu),
      MEMBER_ROW(PF_InData, what_fpu),
      MEMBER_ROW(PF_InData, current_time),
      MEMBER_ROW(PF_InData, time_step),
      MEMBER_ROW(PF_InData, total_time),
      MEMBER_ROW(PF_InData, local_time_step),
      MEMBER_ROW(PF_InData, time_scale),
      MEMBER_ROW(PF_InData, field),
      MEMBER_ROW(PF_InData, shutter_angle),
      MEMBER_ROW(PF_InData, width),
      MEMBER_ROW(PF_InData, height),
      MEMBER_ROW(PF_InData, extent_hint),
      MEMBER_ROW(PF_InData, output_origin_x),
      MEMBER_ROW(PF_InData, output_origin_y),
      MEMBER_ROW(PF_InData, downsample_x),
      MEMBER_ROW(PF_InData, downsample_y),
      MEMBER_ROW(PF_InData, pixel_aspect_ratio),
      MEMBER_ROW(PF_InData, in_flags),
      MEMBER_ROW(PF_InData, global_data),
      MEMBER_ROW(PF_InData, sequence_data),
      MEMBER_ROW(PF_InData, frame_data),
      MEMBER_ROW(PF_InData, start_sampL),
      MEMBER_ROW(PF_InData, dur_sampL),
      MEMBER_ROW(PF_InData, total_sampL),
      MEMBER_ROW(PF_InData, src_snd),
      MEMBER_ROW(PF_InData, pica_basicP),
      MEMBER_ROW(PF_InData, pre_effect_source_origin_x),
      MEMBER_ROW(PF_InData, pre_effect_source_origin_y),
      MEMBER_ROW(PF_InData, shutter_phase),
      MEMBER_ROW(PF_InData, inter.add_param),
      MEMBER_ROW(PF_InData, version.major),
      MEMBER_ROW(PF_InData, version.minor),
      SIZE_ROW(PF_OutData),
      MEMBER_ROW(PF_OutData, my_version),
      MEMBER_ROW(PF_OutData, name),
      MEMBER_ROW(PF_OutData, global_data),
      MEMBER_ROW(PF_OutData, num_params),
      MEMBER_ROW(PF_OutData, sequence_data),
      MEMBER_ROW(PF_OutData, flat_sdata_size),
      MEMBER_ROW(PF_OutData, frame_data),
      MEMBER_ROW(PF_OutData, width),
      MEMBER_ROW(PF_OutData, height),
      MEMBER_ROW(PF_OutData, origin),
      MEMBER_ROW(PF_OutData, out_flags),
      MEMBER_ROW(PF_OutData, return_msg),
      MEMBER_ROW(PF_OutData, start_sampL),
      MEMBER_ROW(PF_OutData, dur_sampL),
      MEMBER_ROW(PF_OutData, dest_snd),
      MEMBER_ROW(PF_OutData, out_flags2),
      SIZE_ROW(PF_LayerDef),
      MEMBER_ROW(PF_LayerDef, reserved0),
      MEMBER_ROW(PF_LayerDef, reserved1),
      MEMBER_ROW(PF_LayerDef, world_flags),
      MEMBER_ROW(PF_LayerDef, data),
      MEMBER_ROW(PF_LayerDef, rowbytes),
      MEMBER_ROW(PF_LayerDef, width),
      MEMBER_ROW(PF_LayerDef, height),
      MEMBER_ROW(PF_LayerDef, extent_hint),
      MEMBER_ROW(PF_LayerDef, platform_ref),
      MEMBER_ROW(PF_LayerDef, reserved_long1),
      MEMBER_ROW(PF_LayerDef, reserved_long4),
      MEMBER_ROW(PF_LayerDef, pix_aspect_ratio),
      MEMBER_ROW(PF_LayerDef, reserved_long2),
      MEMBER_ROW(PF_LayerDef, origin_x),
      MEMBER_ROW(PF_LayerDef, origin_y),
      MEMBER_ROW(PF_LayerDef, reserved_long3),
      MEMBER_ROW(PF_LayerDef, dephault),
      MEMBER_ROW(PF_LayerDef, extent_hint.left),
      MEMBER_ROW(PF_LayerDef, extent_hint.top),
      MEMBER_ROW(PF_LayerDef, extent_hint.right),
      MEMBER_ROW(PF_LayerDef, extent_hint.bottom),
      SIZE_ROW(PF_EffectWorld),
      MEMBER_ROW(PF_EffectWorld, reserved0),
      MEMBER_ROW(PF_EffectWorld, reserved1),
      MEMBER_ROW(PF_EffectWorld, world_flags),
      MEMBER_ROW(PF_EffectWorld, data),
      MEMBER_ROW(PF_EffectWorld, rowbytes),
      MEMBER_ROW(PF_EffectWorld, width),
      MEMBER_ROW(PF_EffectWorld, height),
      MEMBER_ROW(PF_EffectWorld, extent_hint),
      MEMBER_ROW(PF_EffectWorld, platform_ref),
      MEMBER_ROW(PF_EffectWorld, reserved_long1),
      MEMBER_ROW(PF_EffectWorld, reserved_long4),
      MEMBER_ROW(PF_EffectWorld, pix_aspect_ratio),
      MEMBER_ROW(PF_EffectWorld, reserved_long2),
      MEMBER_ROW(PF_EffectWorld, origin_x),
      MEMBER_ROW(PF_EffectWorld, origin_y),
      MEMBER_ROW(PF_EffectWorld, reserved_long3),
      MEMBER_ROW(PF_EffectWorld, dephault),
      MEMBER_ROW(PF_EffectWorld, extent_hint.left),
      MEMBER_ROW(PF_EffectWorld, extent_hint.top),
      MEMBER_ROW(PF_EffectWorld, extent_hint.right),
      MEMBER_ROW(PF_EffectWorld, extent_hint.bottom),
      SIZE_ROW(PF_SliderDef),
      MEMBER_ROW(PF_SliderDef, value),
      MEMBER_ROW(PF_SliderDef, value_str),
      MEMBER_ROW(PF_SliderDef, value_desc),
      MEMBER_ROW(PF_SliderDef, valid_min),
      MEMBER_ROW(PF_SliderDef, valid_max),
      MEMBER_ROW(PF_SliderDef, slider_min),
      MEMBER_ROW(PF_SliderDef, slider_max),
      MEMBER_ROW(PF_SliderDef, dephault),
      SIZE_ROW(PF_FixedSliderDef),
      MEMBER_ROW(PF_FixedSliderDef, value),
      MEMBER_ROW(PF_FixedSliderDef, value_str),
      MEMBER_ROW(PF_FixedSliderDef, value_desc),
      MEMBER_ROW(PF_FixedSliderDef, valid_min),
      MEMBER_ROW(PF_FixedSliderDef, valid_max),
      MEMBER_ROW(PF_FixedSliderDef, slider_min),
      MEMBER_ROW(PF_FixedSliderDef, slider_max),
      MEMBER_ROW(PF_FixedSliderDef, dephault),
      MEMBER_ROW(PF_FixedSliderDef, precision),
      MEMBER_ROW(PF_FixedSliderDef, display_flags),
      SIZE_ROW(PF_FloatSliderDef),
      MEMBER_ROW(PF_FloatSliderDef, value),
      MEMBER_ROW(PF_FloatSliderDef, phase),
      MEMBER_ROW(PF_FloatSliderDef, value_desc),
      MEMBER_ROW(PF_FloatSliderDef, valid_min),
      MEMBER_ROW(PF_FloatSliderDef, valid_max),
      MEMBER_ROW(PF_FloatSliderDef, slider_min),
      MEMBER_ROW(PF_FloatSliderDef, slider_max),
      MEMBER_ROW(PF_FloatSliderDef, dephault),
      MEMBER_ROW(PF_FloatSliderDef, precision),
      MEMBER_ROW(PF_FloatSliderDef, display_flags),
      MEMBER_ROW(PF_FloatSliderDef, fs_flags),
      MEMBER_ROW(PF_FloatSliderDef, curve_tolerance),
      MEMBER_ROW(PF_FloatSliderDef, useExponent),
      MEMBER_ROW(PF_FloatSliderDef, exponent),
      SIZE_ROW(PF_AngleDef),
      MEMBER_ROW(PF_AngleDef, value),
      MEMBER_ROW(PF_AngleDef, dephault),
      MEMBER_ROW(PF_AngleDef, valid_min),
      MEMBER_ROW(PF_AngleDef, valid_max),
      SIZE_ROW(PF_CheckBoxDef),
      MEMBER_ROW(PF_CheckBoxDef, value),
      MEMBER_ROW(PF_CheckBoxDef, dephault),
      MEMBER_ROW(PF_CheckBoxDef, reserved),
      MEMBER_ROW(PF_CheckBoxDef, reserved1),
      MEMBER_ROW(PF_CheckBoxDef, u),
      MEMBER_ROW(PF_CheckBoxDef, u.nameptr),
      SIZE_ROW(PF_ColorDef),
      MEMBER_ROW(PF_ColorDef, value),
      MEMBER_ROW(PF_ColorDef, dephault),
      SIZE_ROW(PF_PointDef),
      MEMBER_ROW(PF_PointDef, x_value),
      MEMBER_ROW(PF_PointDef, y_value),
      MEMBER_ROW(PF_PointDef, reserved),
      MEMBER_ROW(PF_PointDef, restrict_bounds),
      MEMBER_ROW(PF_PointDef, x_dephault),
      MEMBER_ROW(PF_PointDef, y_dephault),
      SIZE_ROW(PF_PopupDef),
      MEMBER_ROW(PF_PopupDef, value),
      MEMBER_ROW(PF_PopupDef, num_choices),
      MEMBER_ROW(PF_PopupDef, dephault),
      MEMBER_ROW(PF_PopupDef, u),
      MEMBER_ROW(PF_PopupDef, u.namesptr),
      SIZE_ROW(PF_ArbitraryDef),
      MEMBER_ROW(PF_ArbitraryDef, id),
      MEMBER_ROW(PF_ArbitraryDef, pad),
      MEMBER_ROW(PF_ArbitraryDef, dephault),
      MEMBER_ROW(PF_ArbitraryDef, value),
      MEMBER_ROW(PF_ArbitraryDef, refconPV),
      SIZE_ROW(PF_PathDef),
      MEMBER_ROW(PF_PathDef, path_id),
      MEMBER_ROW(PF_PathDef, reserved0),
      MEMBER_ROW(PF_PathDef, dephault),
      SIZE_ROW(PF_ButtonDef),
      MEMBER_ROW(PF_ButtonDef, value),
      MEMBER_ROW(PF_ButtonDef, u),
      MEMBER_ROW(PF_ButtonDef, u.namesptr),
      SIZE_ROW(PF_Point3DDef),
      MEMBER_ROW(PF_Point3DDef, x_value),
      MEMBER_ROW(PF_Point3DDef, y_value),
      MEMBER_ROW(PF_Point3DDef, z_value),
      MEMBER_ROW(PF_Point3DDef, x_dephault),
      MEMBER_ROW(PF_Point3DDef, y_dephault),
      MEMBER_ROW(PF_Point3DDef, z_dephault),
      MEMBER_ROW(PF_Point3DDef, reserved),
      SIZE_ROW(PF_ParamDefUnion),
      MEMBER_ROW(PF_ParamDefUnion, ld),
      MEMBER_ROW(PF_ParamDefUnion, sd),
      MEMBER_ROW(PF_ParamDefUnion, fd),
      MEMBER_ROW(PF_ParamDefUnion, ad),
      MEMBER_ROW(PF_ParamDefUnion, bd),
      MEMBER_ROW(PF_ParamDefUnion, cd),
      MEMBER_ROW(PF_ParamDefUnion, td),
      MEMBER_ROW(PF_ParamDefUnion, pd),
      MEMBER_ROW(PF_ParamDefUnion, fs_d),
      MEMBER_ROW(PF_ParamDefUnion, arb_d),
      MEMBER_ROW(PF_ParamDefUnion, path_d),
      MEMBER_ROW(PF_ParamDefUnion, button_d),
      MEMBER_ROW(PF_ParamDefUnion, point3d_d),
      SIZE_ROW(PF_ParamDef),
      MEMBER_ROW(PF_ParamDef, uu),
      MEMBER_ROW(PF_ParamDef, uu.id),
      MEMBER_ROW(PF_ParamDef, uu.change_flags),
      MEMBER_ROW(PF_ParamDef, ui_flags),
      MEMBER_ROW(PF_ParamDef, ui_width),
      MEMBER_ROW(PF_ParamDef, ui_height),
      MEMBER_ROW(PF_ParamDef, param_type),
      MEMBER_ROW(PF_ParamDef, name),
      MEMBER_ROW(PF_ParamDef, flags),
      MEMBER_ROW(PF_ParamDef, unused),
      MEMBER_ROW(PF_ParamDef, u),
      MEMBER_ROW(PF_ParamDef, u.ld),
      MEMBER_ROW(PF_ParamDef, u.fd),
      MEMBER_ROW(PF_ParamDef, u.bd),
      MEMBER_ROW(PF_ParamDef, u.cd),
      MEMBER_ROW(PF_ParamDef, u.pd),
      MEMBER_ROW(PF_ParamDef, u.fs_d),
      MEMBER_ROW(PF_ParamDef, u.ld.world_flags),
      MEMBER_ROW(PF_ParamDef, u.ld.data),
      MEMBER_ROW(PF_ParamDef, u.ld.rowbytes),
      MEMBER_ROW(PF_ParamDef, u.ld.width),
      MEMBER_ROW(PF_ParamDef, u.ld.height),
      MEMBER_ROW(PF_ParamDef, u.ld.extent_hint),
      MEMBER_ROW(PF_ParamDef, u.pd.value),
      MEMBER_ROW(PF_ParamDef, u.fs_d.value),
      MEMBER_ROW(PF_ParamDef, u.cd.value),
      MEMBER_ROW(PF_ParamDef, u.fd.value),
      MEMBER_ROW(PF_ParamDef, u.bd.value),
      SIZE_ROW(PF_ANSICallbacks),
      MEMBER_ROW(PF_ANSICallbacks, atan),
      MEMBER_ROW(PF_ANSICallbacks, atan2),
      MEMBER_ROW(PF_ANSICallbacks, ceil),
      MEMBER_ROW(PF_ANSICallbacks, cos),
      MEMBER_ROW(PF_ANSICallbacks, exp),
      MEMBER_ROW(PF_ANSICallbacks, fabs),
      MEMBER_ROW(PF_ANSICallbacks, floor),
      MEMBER_ROW(PF_ANSICallbacks, fmod),
      MEMBER_ROW(PF_ANSICallbacks, hypot),
      MEMBER_ROW(PF_ANSICallbacks, log),
      MEMBER_ROW(PF_ANSICallbacks, log10),
      MEMBER_ROW(PF_ANSICallbacks, pow),
      MEMBER_ROW(PF_ANSICallbacks, sin),
      MEMBER_ROW(PF_ANSICallbacks, sqrt),
      MEMBER_ROW(PF_ANSICallbacks, tan),
      MEMBER_ROW(PF_ANSICallbacks, sprintf),
      MEMBER_ROW(PF_ANSICallbacks, strcpy),
      MEMBER_ROW(PF_ANSICallbacks, asin),
      MEMBER_ROW(PF_ANSICallbacks, acos),
      MEMBER_ROW(PF_ANSICallbacks, ansi_procs),
      SIZE_ROW(PF_ColorCallbacks),
      MEMBER_ROW(PF_ColorCallbacks, RGBtoHLS),
      MEMBER_ROW(PF_ColorCallbacks, HLStoRGB),
      MEMBER_ROW(PF_ColorCallbacks, RGBtoYIQ),
      MEMBER_ROW(PF_ColorCallbacks, YIQtoRGB),
      MEMBER_ROW(PF_ColorCallbacks, Luminance),
      MEMBER_ROW(PF_ColorCallbacks, Hue),
      MEMBER_ROW(PF_ColorCallbacks, Lightness),
      MEMBER_ROW(PF_ColorCallbacks, Saturation),
      SIZE_ROW(PF_UtilCallbacks),
      MEMBER_ROW(PF_UtilCallbacks, begin_sampling),
      MEMBER_ROW(PF_UtilCallbacks, subpixel_sample),
      MEMBER_ROW(PF_UtilCallbacks, area_sample),
      MEMBER_ROW(PF_UtilCallbacks, get_batch_func_is_deprecated),
      MEMBER_ROW(PF_UtilCallbacks, end_sampling),
      MEMBER_ROW(PF_UtilCallbacks, composite_rect),
      MEMBER_ROW(PF_UtilCallbacks, blend),
      MEMBER_ROW(PF_UtilCallbacks, convolve),
      MEMBER_ROW(PF_UtilCallbacks, copy),
      MEMBER_ROW(PF_UtilCallbacks, fill),
      MEMBER_ROW(PF_UtilCallbacks, gaussian_kernel),
      MEMBER_ROW(PF_UtilCallbacks, iterate),
      MEMBER_ROW(PF_UtilCallbacks, premultiply),
      MEMBER_ROW(PF_UtilCallbacks, premultiply_color),
      MEMBER_ROW(PF_UtilCallbacks, new_world),
      MEMBER_ROW(PF_UtilCallbacks, dispose_world),
      MEMBER_ROW(PF_UtilCallbacks, iterate_origin),
      MEMBER_ROW(PF_UtilCallbacks, iterate_lut),
      MEMBER_ROW(PF_UtilCallbacks, transfer_rect),
      MEMBER_ROW(PF_UtilCallbacks, transform_world),
      MEMBER_ROW(PF_UtilCallbacks, host_new_handle),
      MEMBER_ROW(PF_UtilCallbacks, host_lock_handle),
      MEMBER_ROW(PF_UtilCallbacks, host_unlock_handle),
      MEMBER_ROW(PF_UtilCallbacks, host_dispose_handle),
      MEMBER_ROW(PF_UtilCallbacks, get_callback_addr),
      MEMBER_ROW(PF_UtilCallbacks, app),
      MEMBER_ROW(PF_UtilCallbacks, ansi),
      MEMBER_ROW(PF_UtilCallbacks, colorCB),
      MEMBER_ROW(PF_UtilCallbacks, get_platform_data),
      MEMBER_ROW(PF_UtilCallbacks, host_get_handle_size),
      MEMBER_ROW(PF_UtilCallbacks, iterate_origin_non_clip_src),
      MEMBER_ROW(PF_UtilCallbacks, iterate_generic),
      MEMBER_ROW(PF_UtilCallbacks, host_resize_handle),
      MEMBER_ROW(PF_UtilCallbacks, subpixel_sample16),
      MEMBER_ROW(PF_UtilCallbacks, area_sample16),
      MEMBER_ROW(PF_UtilCallbacks, fill16),
      MEMBER_ROW(PF_UtilCallbacks, premultiply_color16),
      MEMBER_ROW(PF_UtilCallbacks, iterate16),
      MEMBER_ROW(PF_UtilCallbacks, iterate_origin16),
      MEMBER_ROW(PF_UtilCallbacks, iterate_origin_non_clip_src16),
      MEMBER_ROW(PF_UtilCallbacks, get_pixel_data8),
      MEMBER_ROW(PF_UtilCallbacks, get_pixel_data16),
      MEMBER_ROW(PF_UtilCallbacks, reserved),
      MEMBER_ROW(PF_UtilCallbacks, ansi.cos),
      MEMBER_ROW(PF_UtilCallbacks, ansi.sin),
      MEMBER_ROW(PF_UtilCallbacks, ansi.sprintf),
      MEMBER_ROW(PF_UtilCallbacks, ansi.strcpy),
      SIZE_ROW(SPBasicSuite),
      MEMBER_ROW(SPBasicSuite, AcquireSuite),
      MEMBER_ROW(SPBasicSuite, ReleaseSuite),
      MEMBER_ROW(SPBasicSuite, IsEqual),
      MEMBER_ROW(SPBasicSuite, AllocateBlock),
      MEMBER_ROW(SPBasicSuite, FreeBlock),
      MEMBER_ROW(SPBasicSuite, ReallocateBlock),
      MEMBER_ROW(SPBasicSuite, Undefined),
      SIZE_ROW(PF_ANSICallbacksSuite1),
      MEMBER_ROW(PF_ANSICallbacksSuite1, atan),
      MEMBER_ROW(PF_ANSICallbacksSuite1, atan2),
      MEMBER_ROW(PF_ANSICallbacksSuite1, ceil),
      MEMBER_ROW(PF_ANSICallbacksSuite1, cos),
      MEMBER_ROW(PF_ANSICallbacksSuite1, exp),
      MEMBER_ROW(PF_ANSICallbacksSuite1, fabs),
      MEMBER_ROW(PF_ANSICallbacksSuite1, floor),
      MEMBER_ROW(PF_ANSICallbacksSuite1, fmod),
      MEMBER_ROW(PF_ANSICallbacksSuite1, hypot),
      MEMBER_ROW(PF_ANSICallbacksSuite1, log),
      MEMBER_ROW(PF_ANSICallbacksSuite1, log10),
      MEMBER_ROW(PF_ANSICallbacksSuite1, pow),
      MEMBER_ROW(PF_ANSICallbacksSuite1, sin),
      MEMBER_ROW(PF_ANSICallbacksSuite1, sqrt),
      MEMBER_ROW(PF_ANSICallbacksSuite1, tan),
      MEMBER_ROW(PF_ANSICallbacksSuite1, sprintf),
      MEMBER_ROW(PF_ANSICallbacksSuite1, strcpy),
      MEMBER_ROW(PF_ANSICallbacksSuite1, asin),
      MEMBER_ROW(PF_ANSICallbacksSuite1, acos),
      SIZE_ROW(PF_PixelFormatSuite1),
      MEMBER_ROW(PF_PixelFormatSuite1, AddSupportedPixelFormat),
      MEMBER_ROW(PF_PixelFormatSuite1, ClearSupportedPixelFormats),
      MEMBER_ROW(PF_PixelFormatSuite1, NewWorldOfPixelFormat),
      MEMBER_ROW(PF_PixelFormatSuite1, DisposeWorld),
      MEMBER_ROW(PF_PixelFormatSuite1, GetPixelFormat),
      MEMBER_ROW(PF_PixelFormatSuite1, GetBlackForPixelFormat),
      MEMBER_ROW(PF_PixelFormatSuite1, GetWhiteForPixelFormat),
      MEMBER_ROW(PF_PixelFormatSuite1, ConvertColorToPixelFormattedData),
      SIZE_ROW(PF_ColorParamSuite1),
      MEMBER_ROW(PF_ColorParamSuite1, PF_GetFloatingPointColorFromColorDef),
      SIZE_ROW(PF_Iterate8Suite1),
      MEMBER_ROW(PF_Iterate8Suite1, iterate),
      MEMBER_ROW(PF_Iterate8Suite1, iterate_origin),
      MEMBER_ROW(PF_Iterate8Suite1, iterate_lut),
      MEMBER_ROW(PF_Iterate8Suite1, iterate_origin_non_clip_src),
      MEMBER_ROW(PF_Iterate8Suite1, iterate_generic),
      SIZE_ROW(PF_Iterate16Suite1),
      MEMBER_ROW(PF_Iterate16Suite1, iterate),
      MEMBER_ROW(PF_Iterate16Suite1, iterate_origin),
      MEMBER_ROW(PF_Iterate16Suite1, iterate_origin_non_clip_src),
      SIZE_ROW(PF_WorldTransformSuite1),
      MEMBER_ROW(PF_WorldTransformSuite1, composite_rect),
      MEMBER_ROW(PF_WorldTransformSuite1, blend),
      MEMBER_ROW(PF_WorldTransformSuite1, convolve),
      MEMBER_ROW(PF_WorldTransformSuite1, copy),
      MEMBER_ROW(PF_WorldTransformSuite1, copy_hq),
      MEMBER_ROW(PF_WorldTransformSuite1, transfer_rect),
      MEMBER_ROW(PF_WorldTransformSuite1, transform_world),
  };
}

struct ConstantRow {
  std::string name;
  std::string value;  // decimal, or the text in double quotes for suite names
};

ConstantRow ValueRow(const char* name, int64_t value) {
  return {name, std::to_string(value)};
}

ConstantRow StringRow(const char* name, const char* text) {
  return {name, std::string("\"") + text + "\""};
}

#define VALUE_ROW(name) ValueRow(#name, static_cast<int64_t>(name))
#define STRING_ROW(name) StringRow(#name, name)

std::vector<ConstantRow> DeclaredConstants() {
  return {
      VALUE_ROW(PF_Cmd_ABOUT),
      VALUE_ROW(PF_Cmd_GLOBAL_SETUP),
      VALUE_ROW(PF_Cmd_UNUSED_0),
      VALUE_ROW(PF_Cmd_GLOBAL_SETDOWN),
      VALUE_ROW(PF_Cmd_PARAMS_SETUP),
      VALUE_ROW(PF_Cmd_SEQUENCE_SETUP),
      VALUE_ROW(PF_Cmd_SEQUENCE_RESETUP),
      VALUE_ROW(PF_Cmd_SEQUENCE_FLATTEN),
      VALUE_ROW(PF_Cmd_SEQUENCE_SETDOWN),
      VALUE_ROW(PF_Cmd_DO_DIALOG),
      VALUE_ROW(PF_Cmd_FRAME_SETUP),
      VALUE_ROW(PF_Cmd_RENDER),
      VALUE_ROW(PF_Cmd_FRAME_SETDOWN),
      VALUE_ROW(PF_Cmd_USER_CHANGED_PARAM),
      VALUE_ROW(PF_Cmd_UPDATE_PARAMS_UI),
      VALUE_ROW(PF_Cmd_EVENT),
      VALUE_ROW(PF_Cmd_GET_EXTERNAL_DEPENDENCIES),
      VALUE_ROW(PF_Cmd_COMPLETELY_GENERAL),
      VALUE_ROW(PF_Cmd_QUERY_DYNAMIC_FLAGS),
      VALUE_ROW(PF_Cmd_AUDIO_RENDER),
      VALUE_ROW(PF_Cmd_AUDIO_SETUP),
      VALUE_ROW(PF_Cmd_AUDIO_SETDOWN),
      VALUE_ROW(PF_Cmd_ARBITRARY_CALLBACK),
      VALUE_ROW(PF_Cmd_SMART_PRE_RENDER),
      VALUE_ROW(PF_Cmd_SMART_RENDER),
      VALUE_ROW(PF_Cmd_RESERVED1),
      VALUE_ROW(PF_Cmd_RESERVED2),
      VALUE_ROW(PF_Cmd_RESERVED3),
      VALUE_ROW(PF_Cmd_GET_FLATTENED_SEQUENCE_DATA),
      VALUE_ROW(PF_Cmd_TRANSLATE_PARAMS_TO_PREFS),
      VALUE_ROW(PF_Cmd_RESERVED4),
      VALUE_ROW(PF_Cmd_SMART_RENDER_GPU),
      VALUE_ROW(PF_Cmd_GPU_DEVICE_SETUP),
      VALUE_ROW(PF_Cmd_GPU_DEVICE_SETDOWN),
      VALUE_ROW(PF_Cmd_NUM_CMDS),
      VALUE_ROW(PF_Err_NONE),
      VALUE_ROW(PF_Err_OUT_OF_MEMORY),
      VALUE_ROW(PF_Err_INTERNAL_STRUCT_DAMAGED),
      VALUE_ROW(PF_Err_INVALID_INDEX),
      VALUE_ROW(PF_Err_UNRECOGNIZED_PARAM_TYPE),
      VALUE_ROW(PF_Err_INVALID_CALLBACK),
      VALUE_ROW(PF_Err_BAD_CALLBACK_PARAM),
      VALUE_ROW(PF_Interrupt_CANCEL),
      VALUE_ROW(PF_Err_CANNOT_PARSE_KEYFRAME_TEXT),
      VALUE_ROW(PF_FIRST_ERR),
      VALUE_ROW(A_Err_NONE),
      VALUE_ROW(A_Err_GENERIC),
      VALUE_ROW(A_Err_STRUCT),
      VALUE_ROW(A_Err_PARAMETER),
      VALUE_ROW(A_Err_ALLOC),
      VALUE_ROW(A_Err_WRONG_THREAD),
      VALUE_ROW(A_Err_CONST_PROJECT_MODIFICATION),
      VALUE_ROW(A_Err_MISSING_SUITE),
      VALUE_ROW(kSPNoError),
      VALUE_ROW(PF_OutFlag_NONE),
      VALUE_ROW(PF_OutFlag_KEEP_RESOURCE_OPEN),
      VALUE_ROW(PF_OutFlag_WIDE_TIME_INPUT),
      VALUE_ROW(PF_OutFlag_NON_PARAM_VARY),
      VALUE_ROW(PF_OutFlag_RESERVED6),
      VALUE_ROW(PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING),
      VALUE_ROW(PF_OutFlag_I_DO_DIALOG),
      VALUE_ROW(PF_OutFlag_USE_OUTPUT_EXTENT),
      VALUE_ROW(PF_OutFlag_SEND_DO_DIALOG),
      VALUE_ROW(PF_OutFlag_DISPLAY_ERROR_MESSAGE),
      VALUE_ROW(PF_OutFlag_I_EXPAND_BUFFER),
      VALUE_ROW(PF_OutFlag_PIX_INDEPENDENT),
      VALUE_ROW(PF_OutFlag_I_WRITE_INPUT_BUFFER),
      VALUE_ROW(PF_OutFlag_I_SHRINK_BUFFER),
      VALUE_ROW(PF_OutFlag_WORKS_IN_PLACE),
      VALUE_ROW(PF_OutFlag_RESERVED8),
      VALUE_ROW(PF_OutFlag_CUSTOM_UI),
      VALUE_ROW(PF_OutFlag_RESERVED7),
      VALUE_ROW(PF_OutFlag_REFRESH_UI),
      VALUE_ROW(PF_OutFlag_NOP_RENDER),
      VALUE_ROW(PF_OutFlag_I_USE_SHUTTER_ANGLE),
      VALUE_ROW(PF_OutFlag_I_USE_AUDIO),
      VALUE_ROW(PF_OutFlag_I_AM_OBSOLETE),
      VALUE_ROW(PF_OutFlag_FORCE_RERENDER),
      VALUE_ROW(PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS),
      VALUE_ROW(PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES),
      VALUE_ROW(PF_OutFlag_DEEP_COLOR_AWARE),
      VALUE_ROW(PF_OutFlag_SEND_UPDATE_PARAMS_UI),
      VALUE_ROW(PF_OutFlag_AUDIO_FLOAT_ONLY),
      VALUE_ROW(PF_OutFlag_AUDIO_IIR),
      VALUE_ROW(PF_OutFlag_I_SYNTHESIZE_AUDIO),
      VALUE_ROW(PF_OutFlag_AUDIO_EFFECT_TOO),
      VALUE_ROW(PF_OutFlag_AUDIO_EFFECT_ONLY),
      VALUE_ROW(PF_OutFlag2_NONE),
      VALUE_ROW(PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS),
      VALUE_ROW(PF_OutFlag2_I_USE_3D_CAMERA),
      VALUE_ROW(PF_OutFlag2_I_USE_3D_LIGHTS),
      VALUE_ROW(PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG),
      VALUE_ROW(PF_OutFlag2_I_AM_THREADSAFE),
      VALUE_ROW(PF_OutFlag2_CAN_COMBINE_WITH_DESTINATION),
      VALUE_ROW(PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS),
      VALUE_ROW(PF_OutFlag2_REVEALS_ZERO_ALPHA),
      VALUE_ROW(PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS),
      VALUE_ROW(PF_OutFlag2_SUPPORTS_SMART_RENDER),
      VALUE_ROW(PF_OutFlag2_FLOAT_COLOR_AWARE),
      VALUE_ROW(PF_OutFlag2_SUPPORTS_THREADED_RENDERING),
      VALUE_ROW(PF_Param_RESERVED),
      VALUE_ROW(PF_Param_LAYER),
      VALUE_ROW(PF_Param_SLIDER),
      VALUE_ROW(PF_Param_FIX_SLIDER),
      VALUE_ROW(PF_Param_ANGLE),
      VALUE_ROW(PF_Param_CHECKBOX),
      VALUE_ROW(PF_Param_COLOR),
      VALUE_ROW(PF_Param_POINT),
      VALUE_ROW(PF_Param_POPUP),
      VALUE_ROW(PF_Param_CUSTOM),
      VALUE_ROW(PF_Param_NO_DATA),
      VALUE_ROW(PF_Param_FLOAT_SLIDER),
      VALUE_ROW(PF_Param_ARBITRARY_DATA),
      VALUE_ROW(PF_Param_PATH),
      VALUE_ROW(PF_Param_GROUP_START),
      VALUE_ROW(PF_Param_GROUP_END),
      VALUE_ROW(PF_Param_BUTTON),
      VALUE_ROW(PF_Param_RESERVED2),
      VALUE_ROW(PF_Param_RESERVED3),
      VALUE_ROW(PF_Param_POINT_3D),
      VALUE_ROW(PF_ParamFlag_RESERVED1),
      VALUE_ROW(PF_ParamFlag_CANNOT_TIME_VARY),
      VALUE_ROW(PF_ParamFlag_CANNOT_INTERP),
      VALUE_ROW(PF_ParamFlag_COLLAPSE_TWIRLY),
      VALUE_ROW(PF_ParamFlag_SUPERVISE),
      VALUE_ROW(PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS),
      VALUE_ROW(PF_ParamFlag_EXCLUDE_FROM_HAVE_INPUTS_CHANGED),
      VALUE_ROW(PF_ParamFlag_SKIP_REVEAL_WHEN_UNHIDDEN),
      VALUE_ROW(PF_PUI_NONE),
      VALUE_ROW(PF_PUI_INVISIBLE),
      VALUE_ROW(PF_ValueDisplayFlag_NONE),
      VALUE_ROW(PF_ValueDisplayFlag_PERCENT),
      VALUE_ROW(PF_ValueDisplayFlag_PIXEL),
      VALUE_ROW(PF_FSliderFlag_NONE),
      VALUE_ROW(PF_FSliderFlag_WANT_PHASE),
      VALUE_ROW(PF_WorldFlag_DEEP),
      VALUE_ROW(PF_WorldFlag_WRITEABLE),
      VALUE_ROW(PF_Quality_DRAWING_AUDIO),
      VALUE_ROW(PF_Quality_LO),
      VALUE_ROW(PF_Quality_HI),
      VALUE_ROW(PF_Field_FRAME),
      VALUE_ROW(PF_Field_UPPER),
      VALUE_ROW(PF_Field_LOWER),
      VALUE_ROW(PF_LayerDefault_MYSELF),
      VALUE_ROW(PF_LayerDefault_NONE),
      VALUE_ROW(PF_MF_Alpha_PREMUL),
      VALUE_ROW(PF_MF_Alpha_STRAIGHT),
      VALUE_ROW(PF_Stage_DEVELOP),
      VALUE_ROW(PF_Stage_ALPHA),
      VALUE_ROW(PF_Stage_BETA),
      VALUE_ROW(PF_Stage_RELEASE),
      VALUE_ROW(PF_MAX_EFFECT_NAME_LEN),
      VALUE_ROW(PF_MAX_EFFECT_CATEGORY_NAME_LEN),
      VALUE_ROW(PF_MAX_EFFECT_PARAM_NAME_LEN),
      VALUE_ROW(PF_MAX_PARAM_DESCRIPTION_LEN),
      VALUE_ROW(PF_MAX_PARAM_VALUE_LEN),
      VALUE_ROW(PF_MAX_EFFECT_MSG_LEN),
      VALUE_ROW(PF_MAX_CHAN8),
      VALUE_ROW(PF_HALF_CHAN8),
      VALUE_ROW(PF_MAX_CHAN16),
      VALUE_ROW(PF_HALF_CHAN16),
      VALUE_ROW(PF_AE_PLUG_IN_VERSION),
      VALUE_ROW(PF_AE_PLUG_IN_SUBVERS),
      VALUE_ROW(PF_AE120_PLUG_IN_VERSION),
      VALUE_ROW(PF_AE120_PLUG_IN_SUBVERS),
      VALUE_ROW(PF_AE135_PLUG_IN_SUBVERS),
      VALUE_ROW(PF_Vers_BUILD_SHIFT),
      VALUE_ROW(PF_Vers_STAGE_SHIFT),
      VALUE_ROW(PF_Vers_BUGFIX_SHIFT),
      VALUE_ROW(PF_Vers_SUBVERS_SHIFT),
      VALUE_ROW(PF_Vers_VERS_SHIFT),
      VALUE_ROW(PF_Vers_VERS_HIGH_SHIFT),
      VALUE_ROW(kPFANSISuiteVersion1),
      VALUE_ROW(kPFPixelFormatSuiteVersion1),
      VALUE_ROW(kPFColorParamSuiteVersion1),
      VALUE_ROW(kPFIterate8SuiteVersion1),
      VALUE_ROW(kPFIterate16SuiteVersion1),
      VALUE_ROW(kPFWorldTransformSuiteVersion1),
      VALUE_ROW(kPFPixelFormatSuiteVersion2),
      VALUE_ROW(kSPBasicSuiteVersion),
      VALUE_ROW(PrPixelFormat_BGRA_4444_8u),
      VALUE_ROW(PrPixelFormat_BGRA_4444_32f),
      VALUE_ROW(PrPixelFormat_ARGB_4444_8u),
      VALUE_ROW(PrPixelFormat_BGRA_4444_16u),
      VALUE_ROW(PrPixelFormat_VUYA_4444_8u),
      VALUE_ROW(PrPixelFormat_VUYA_4444_32f),
      VALUE_ROW(PrPixelFormat_Invalid),
      VALUE_ROW(PrPixelFormat_Any),
      VALUE_ROW(PF_PixelFormat_ARGB32),
      VALUE_ROW(PF_PixelFormat_ARGB64),
      VALUE_ROW(PF_PixelFormat_ARGB128),
      VALUE_ROW(PF_PixelFormat_BGRA32),
      VALUE_ROW(PF_NewWorldFlag_CLEAR_PIXELS),
      VALUE_ROW(PF_NewWorldFlag_DEEP_PIXELS),
      STRING_ROW(kPFANSISuite),
      STRING_ROW(kPFPixelFormatSuite),
      STRING_ROW(kPFColorParamSuite),
      STRING_ROW(kPFIterate8Suite),
      STRING_ROW(kPFIterate16Suite),
      STRING_ROW(kPFWorldTransformSuite),
      STRING_ROW(kSPBasicSuite),
  };
}

std::string Key(const LayoutRow& row) {
  return row.is_record ? row.name + " sizeof" : row.name;
}

std::string Describe(const LayoutRow& row) {
  if (row.is_record) return "sizeof " + std::to_string(row.first);
  return "offset " + std::to_string(row.first) + " size " + std::to_string(row.second);
}

// "Record" for "Record sizeof" and for "Record.member.path".
std::string RecordOf(const std::string& name) {
  return name.substr(0, name.find('.'));
}

std::vector<std::string> ReadLines(const std::string& file) {
  std::ifstream in(std::string(VELMORA_HOST_ABI_DATA_DIR) + "/" + file);
  EXPECT_TRUE(in.good()) << "cannot open " << file;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// The host's layout, keyed like Key(): "Record sizeof" or "Record.member.path".
std::map<std::string, LayoutRow> HostLayout() {
  std::map<std::string, LayoutRow> host;
  for (const std::string& line : ReadLines("host-abi-offsets.txt")) {
    std::istringstream fields(line);
    std::string name, second_field;
    int64_t number = 0;
    if (!(fields >> name >> second_field >> number)) {
      ADD_FAILURE() << "unreadable line: " << line;
      continue;
    }
    LayoutRow row{name, second_field == "sizeof", 0, 0};
    if (row.is_record) {
      row.first = number;
    } else {
      row.first = std::stoll(second_field);
      row.second = number;
    }
    host.emplace(Key(row), row);
  }
  return host;
}

std::map<std::string, std::string> HostConstants() {
  std::map<std::string, std::string> host;
  for (const std::string& line : ReadLines("host-abi-constants.txt")) {
    const size_t space = line.find(' ');
    if (space == std::string::npos) {
      ADD_FAILURE() << "unreadable line: " << line;
      continue;
    }
    host.emplace(line.substr(0, space), line.substr(space + 1));
  }
  return host;
}

TEST(HostAbiLayout, EveryDeclaredRecordAndMemberMatchesTheHost) {
  const std::map<std::string, LayoutRow> host = HostLayout();
  ASSERT_FALSE(host.empty());
  std::set<std::string> seen;
  for (const LayoutRow& row : DeclaredLayout()) {
    EXPECT_TRUE(seen.insert(Key(row)).second) << "row listed twice: " << Key(row);
    const auto expected = host.find(Key(row));
    if (expected == host.end()) {
      ADD_FAILURE() << row.name << ": not in the host's layout (actual " << Describe(row) << ")";
      continue;
    }
    EXPECT_EQ(Describe(expected->second), Describe(row))
        << row.name << ": expected " << Describe(expected->second) << ", actual " << Describe(row);
  }
}

// A member the host has but the table (and so the declaration) lacks would pass the test
// above; this one catches it for every record the table names.
TEST(HostAbiLayout, EveryHostMemberOfADeclaredRecordIsChecked) {
  std::set<std::string> records, keys;
  for (const LayoutRow& row : DeclaredLayout()) {
    records.insert(RecordOf(row.name));
    keys.insert(Key(row));
  }
  for (const auto& [key, expected] : HostLayout()) {
    if (records.count(RecordOf(expected.name)) == 0) continue;
    EXPECT_EQ(keys.count(key), 1u) << expected.name << ": the host has it at " << Describe(expected)
                                   << ", our table does not check it";
  }
}

TEST(HostAbiConstants, EveryDeclaredConstantMatchesTheHost) {
  const std::map<std::string, std::string> host = HostConstants();
  ASSERT_FALSE(host.empty());
  for (const ConstantRow& row : DeclaredConstants()) {
    const auto expected = host.find(row.name);
    if (expected == host.end()) {
      ADD_FAILURE() << row.name << ": not among the host's constants (actual " << row.value << ")";
      continue;
    }
    EXPECT_EQ(expected->second, row.value)
        << row.name << ": expected " << expected->second << ", actual " << row.value;
  }
}

TEST(HostAbiConstants, EveryHostConstantIsDeclared) {
  std::set<std::string> declared;
  for (const ConstantRow& row : DeclaredConstants()) {
    EXPECT_TRUE(declared.insert(row.name).second) << "row listed twice: " << row.name;
  }
  for (const auto& [name, value] : HostConstants()) {
    EXPECT_EQ(declared.count(name), 1u) << name << " (" << value << ") is not checked";
  }
}

// Values the host defines no name for, so they are not in the recorded constants.
TEST(HostAbiConstants, ValuesWithoutAHostName) {
  // The creator code packs its first character into the highest byte.
  EXPECT_EQ(APPL_ID_PREMIERE_PRO, ('P' << 24) | ('r' << 16) | ('M' << 8) | 'r');
  // Pixel formats pack it into the lowest byte.
  EXPECT_EQ(PrPixelFormat_BGRA_4444_8u, 'b' | ('g' << 8) | ('r' << 16) | ('a' << 24));
  EXPECT_EQ(PrPixelFormat_BGRA_4444_32f, 'B' | ('G' << 8) | ('r' << 16) | ('a' << 24));
  // Version 1.0, bug fix 0, development stage, build 1.
  EXPECT_EQ(PF_VERSION(1, 0, 0, PF_Stage_DEVELOP, 1), 0x80001u);
  // A major version above 7 spills its high part into bits 26 and up.
  EXPECT_EQ(PF_VERSION(13, 2, 1, PF_Stage_RELEASE, 7),
            (1u << 26) | (5u << 19) | (2u << 15) | (1u << 11) | (3u << 9) | 7u);
}

}  // namespace
