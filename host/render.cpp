#include "host/render.h"

#include <algorithm>
#include <cstdint>

#include "engine/frame_curve.h"
#include "engine/pair_table.h"
#include "engine/pixel_frame.h"
#include "engine/pixel_transform.h"
#include "engine/tone_curve.h"
#include "host/param_values.h"
#include "host/params.h"
#include "host/suites.h"
#include "host_sdk/host_constants.h"

namespace {

bool IsPremierePro(const PF_InData* in_data) {
  return in_data->appl_id == APPL_ID_PREMIERE_PRO;
}

// bottom - top, saturated instead of overflowing for absurd rectangles.
A_long RowCount(const PF_LayerDef& output) {
  const int64_t rows = static_cast<int64_t>(output.extent_hint.bottom) -
                       static_cast<int64_t>(output.extent_hint.top);
  return static_cast<A_long>(std::clamp<int64_t>(rows, INT32_MIN, INT32_MAX));
}

// The pixels the iterate will visit, as the pair table's choice counts them.
int64_t PixelCount(const PF_LayerDef& output, A_long rows) {
  return static_cast<int64_t>(std::max<A_long>(rows, 0)) * std::max<A_long>(output.width, 0);
}

// The walk starts at the first pixel of both buffers; it is limited to what
// both worlds hold, so an extent hint larger than the frame, or an input layer
// smaller than the output, never takes it outside either image.
void WalkFloatFrame(const PixelFrame& frame, const PF_EffectWorld& input, const PF_LayerDef& output,
                    A_long rows) {
  PF_LayerDef destination = output;
  destination.width = std::min(output.width, input.width);
  const A_long bounded_rows = std::min({rows, output.height, input.height});
  TransformFrameRowsBGRA(frame, input, destination, bounded_rows);
}

PF_Err TransformPremierePro(PF_InData* in_data, PF_OutData* out_data, SuiteHandler& suites,
                            PixelFrame* frame, PF_EffectWorld* input, PF_LayerDef* output,
                            A_long rows) {
  PixelFormatSuiteHold pixel_formats(in_data, out_data);
  if (pixel_formats.Acquire() != PF_Err_NONE) return PF_Err_BAD_CALLBACK_PARAM;

  // A frame whose format the host does not report is taken as 8-bit BGRA.
  PrPixelFormat format = PrPixelFormat_BGRA_4444_8u;
  pixel_formats.Suite()->GetPixelFormat(output, &format);

  PF_Err err = PF_Err_NONE;
  if (format == PrPixelFormat_BGRA_4444_32f) {
    WalkFloatFrame(*frame, *input, *output, rows);
  } else if (format == PrPixelFormat_BGRA_4444_8u) {
    const auto pairs = AttachPairTable(frame, PixelCount(*output, rows));
    err = suites.Iterate8Suite()->iterate(in_data, 0, rows, input, nullptr, frame,
                                          PixelFunction8BGRAFor(*frame), output);
  } else {
    return PF_Err_UNRECOGNIZED_PARAM_TYPE;  // the suite is released all the same
  }
  // A failed iteration must not be reported as success just because the
  // release went well.
  const PF_Err release_err = pixel_formats.Release();
  return err != PF_Err_NONE ? err : release_err;
}

}  // namespace

PF_Err CopyInput(PF_InData* in_data, SuiteHandler& suites, PF_EffectWorld* input,
                 PF_LayerDef* output) {
  if (IsPremierePro(in_data)) {
    return in_data->utils->copy(in_data->effect_ref, input, output, nullptr, nullptr);
  }
  const PF_WorldTransformSuite1* transform = suites.WorldTransformSuite();
  if (in_data->quality == PF_Quality_HI) {
    return transform->copy_hq(in_data->effect_ref, input, output, nullptr, nullptr);
  }
  return transform->copy(in_data->effect_ref, input, output, nullptr, nullptr);
}

PF_Err IterateIntegerFrame(PF_InData* in_data, SuiteHandler& suites, PixelFrame* frame,
                           PF_EffectWorld* input, PF_LayerDef* output, A_long rows, bool deep) {
  if (deep) {
    const auto sums = AttachSumTable(frame, PixelCount(*output, rows));
    return suites.Iterate16Suite()->iterate(in_data, 0, rows, input, nullptr, frame,
                                            PixelFunction16For(*frame), output);
  }
  const auto pairs = AttachPairTable(frame, PixelCount(*output, rows));
  return suites.Iterate8Suite()->iterate(in_data, 0, rows, input, nullptr, frame,
                                         PixelFunction8For(*frame), output);
}

PF_Err BuildRenderCurve(PF_InData* in_data, SuiteHandler& suites, PF_ParamDef* params[],
                        float* lut_storage, ToneCurve* curve) {
  EffectInput input{};
  for (const ParamIdentity& identity : kParamIdentities) {
    PF_ParamDef* def = params[identity.index];
    ParamValue value = ValueOfDef(identity, *def);
    // After Effects gives a colour its own float channels; Premiere Pro has only the bytes.
    if (identity.kind == PF_Param_COLOR && !IsPremierePro(in_data)) {
      PF_PixelFloat colour{};
      const PF_Err err = suites.ColorParamSuite()->PF_GetFloatingPointColorFromColorDef(
          in_data->effect_ref, def, &colour);
      if (err != PF_Err_NONE) return err;
      value.red = colour.red;
      value.green = colour.green;
      value.blue = colour.blue;
    }
    identity.reach(value, &input);
  }
  BuildFrameCurve(input, lut_storage, in_data->utils->ansi.sin, in_data->utils->ansi.cos, curve);
  return PF_Err_NONE;
}

PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
              PF_LayerDef* output) {
  SuiteHandler suites(in_data->pica_basicP);
  const A_long rows = RowCount(*output);

  ToneCurve curve;
  float lut_storage[kLutCapacity] = {};
  const PF_Err curve_err = BuildRenderCurve(in_data, suites, params, lut_storage, &curve);
  if (curve_err != PF_Err_NONE) return curve_err;

  PF_EffectWorld* input = &params[PARAM_INPUT]->u.ld;
  if (curve.mix == 0.0f) return CopyInput(in_data, suites, input, output);
  // The pixel functions read the record through the frame, which adds what is
  // decided once for the frame.
  PixelFrame frame;
  PreparePixelFrame(curve, &frame);
  if (IsPremierePro(in_data)) {
    return TransformPremierePro(in_data, out_data, suites, &frame, input, output, rows);
  }
  // The output alone decides the depth; the input layer's flags are not read.
  return IterateIntegerFrame(in_data, suites, &frame, input, output, rows,
                             (output->world_flags & PF_WorldFlag_DEEP) != 0);
}
