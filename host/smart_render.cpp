#include "host/smart_render.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/pixel_frame.h"
#include "engine/pixel_transform.h"
#include "engine/tone_curve.h"
#include "host/params.h"
#include "host/render.h"
#include "host/suites.h"

namespace {

// The one input the effect reads, registered in the pre-render under this id
// and fetched under it in the render.
constexpr A_long kInputCheckoutId = 1;

// The frame's parameter values, checked out from the host for as long as the
// object lives; whatever was checked out is checked in however the frame ends.
class ParamCheckout {
 public:
  explicit ParamCheckout(PF_InData* in_data) : in_data_(in_data), defs_{}, list_{} {}
  ~ParamCheckout() { CheckIn(); }
  ParamCheckout(const ParamCheckout&) = delete;
  ParamCheckout& operator=(const ParamCheckout&) = delete;

  // Every registered parameter at the frame's time; the first error ends it.
  PF_Err CheckOut() {
    for (int32_t index = PARAM_INPUT + 1; index < PARAM_COUNT; ++index) {
      const PF_Err err =
          in_data_->inter.checkout_param(in_data_->effect_ref, index, in_data_->current_time,
                                         in_data_->time_step, in_data_->time_scale, &defs_[index]);
      if (err != PF_Err_NONE) return err;
      list_[index] = &defs_[index];
    }
    return PF_Err_NONE;
  }

  // Indexed by ParamIndex; entry PARAM_INPUT stays null.
  PF_ParamDef** List() { return list_; }

  // Checks in every parameter still out; the first error is returned, after
  // all of them were given back.
  PF_Err CheckIn() {
    PF_Err first = PF_Err_NONE;
    for (int32_t index = PARAM_COUNT - 1; index > PARAM_INPUT; --index) {
      if (list_[index] == nullptr) continue;
      list_[index] = nullptr;
      const PF_Err err = in_data_->inter.checkin_param(in_data_->effect_ref, &defs_[index]);
      if (first == PF_Err_NONE) first = err;
    }
    return first;
  }

 private:
  PF_InData* in_data_;
  PF_ParamDef defs_[PARAM_COUNT];
  PF_ParamDef* list_[PARAM_COUNT];
};

// The input pixels, checked in when the frame ends however it ends.
class InputPixels {
 public:
  InputPixels(PF_InData* in_data, const PF_SmartRenderCallbacks& callbacks)
      : in_data_(in_data), callbacks_(callbacks) {}
  ~InputPixels() { CheckIn(); }
  InputPixels(const InputPixels&) = delete;
  InputPixels& operator=(const InputPixels&) = delete;

  PF_Err CheckOut() {
    const PF_Err err =
        callbacks_.checkout_layer_pixels(in_data_->effect_ref, kInputCheckoutId, &world_);
    checked_out_ = err == PF_Err_NONE;
    return err;
  }
  PF_Err CheckIn() {
    if (!checked_out_) return PF_Err_NONE;
    checked_out_ = false;
    return callbacks_.checkin_layer_pixels(in_data_->effect_ref, kInputCheckoutId);
  }
  const PF_EffectWorld* World() const { return world_; }

 private:
  PF_InData* in_data_;
  const PF_SmartRenderCallbacks& callbacks_;
  PF_EffectWorld* world_ = nullptr;
  bool checked_out_ = false;
};

PF_Err BuildSmartCurve(PF_InData* in_data, SuiteHandler& suites, float* lut_storage,
                       ToneCurve* curve) {
  ParamCheckout params(in_data);
  PF_Err err = params.CheckOut();
  if (err == PF_Err_NONE)
    err = BuildRenderCurve(in_data, suites, params.List(), lut_storage, curve);
  const PF_Err checkin_err = params.CheckIn();
  return err != PF_Err_NONE ? err : checkin_err;
}

std::size_t PixelSizeOf(PF_PixelFormat format) {
  switch (format) {
    case PF_PixelFormat_ARGB32:
      return sizeof(PF_Pixel);
    case PF_PixelFormat_ARGB64:
      return sizeof(PF_Pixel16);
    case PF_PixelFormat_ARGB128:
      return sizeof(PF_PixelFloat);
    default:
      return 0;
  }
}

bool HasPixels(const PF_EffectWorld* world) {
  return world != nullptr && world->data != nullptr && world->width > 0 && world->height > 0;
}

// A world's area in layer coordinates, in 64 bits so that no origin overflows.
struct LayerArea {
  int64_t left, top, right, bottom;
  bool Empty() const { return right <= left || bottom <= top; }
};

LayerArea AreaOf(const PF_EffectWorld& world) {
  return LayerArea{world.origin_x, world.origin_y,
                   static_cast<int64_t>(world.origin_x) + world.width,
                   static_cast<int64_t>(world.origin_y) + world.height};
}

LayerArea Intersection(const LayerArea& a, const LayerArea& b) {
  return LayerArea{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)};
}

// The part of `world` that lies on `area` (inside it), as a world of its own
// whose first pixel is the area's top-left pixel.
PF_EffectWorld SubWorld(const PF_EffectWorld& world, const LayerArea& area,
                        std::size_t pixel_size) {
  PF_EffectWorld part = world;
  const int64_t column = area.left - world.origin_x;
  const int64_t row = area.top - world.origin_y;
  part.data = reinterpret_cast<PF_PixelPtr>(
      reinterpret_cast<char*>(world.data) + static_cast<std::ptrdiff_t>(row) * world.rowbytes +
      static_cast<std::ptrdiff_t>(column) * static_cast<std::ptrdiff_t>(pixel_size));
  part.width = static_cast<A_long>(area.right - area.left);
  part.height = static_cast<A_long>(area.bottom - area.top);
  part.extent_hint = PF_LRect{0, 0, part.width, part.height};
  part.origin_x = static_cast<A_long>(area.left);
  part.origin_y = static_cast<A_long>(area.top);
  return part;
}

// Transparent black: every channel zero, in every format.
void ClearWorld(const PF_EffectWorld& world, std::size_t pixel_size) {
  const std::size_t row_bytes = static_cast<std::size_t>(world.width) * pixel_size;
  auto* row = reinterpret_cast<char*>(world.data);
  for (A_long y = 0; y < world.height; ++y) {
    std::memset(row, 0, row_bytes);
    row += static_cast<std::ptrdiff_t>(world.rowbytes);
  }
}

// A float frame's rows in bands spread over the host's threads by its iterate_generic;
// each band is walked as Premiere Pro's float frames are. Nothing but the
// refcon is shared, and it is only read.
struct FloatBands {
  const PixelFrame* frame;
  const PF_EffectWorld* source;
  const PF_EffectWorld* destination;
  A_long rows;
};

// Small enough to keep every thread busy to the end of a frame, large enough
// that the call per band is lost in its pixels.
constexpr A_long kRowsPerBand = 8;

A_long BandEdge(A_long rows, A_long band, A_long bands) {
  return static_cast<A_long>(static_cast<int64_t>(rows) * band / bands);
}

// The world's rows from `top` on.
PF_EffectWorld RowsFrom(const PF_EffectWorld& world, A_long top) {
  PF_EffectWorld rows = world;
  rows.data = reinterpret_cast<PF_PixelPtr>(reinterpret_cast<char*>(world.data) +
                                            static_cast<std::ptrdiff_t>(top) * world.rowbytes);
  return rows;
}

PF_Err TransformFloatBand(void* refcon, A_long /*thread*/, A_long band, A_long bands) {
  const FloatBands& work = *static_cast<const FloatBands*>(refcon);
  const A_long top = BandEdge(work.rows, band, bands);
  const A_long bottom = BandEdge(work.rows, band + 1, bands);
  TransformFrameRowsARGB(*work.frame, RowsFrom(*work.source, top), RowsFrom(*work.destination, top),
                         bottom - top);
  return PF_Err_NONE;
}

PF_Err TransformFloatFrame(SuiteHandler& suites, const PixelFrame& frame,
                           const PF_EffectWorld& source, const PF_EffectWorld& destination) {
  FloatBands work{&frame, &source, &destination, destination.height};
  const A_long bands = (work.rows + kRowsPerBand - 1) / kRowsPerBand;
  return suites.Iterate8Suite()->iterate_generic(bands, &work, TransformFloatBand);
}

PF_Err TransformArea(PF_InData* in_data, SuiteHandler& suites, const ToneCurve& curve,
                     PF_PixelFormat format, PF_EffectWorld* source, PF_EffectWorld* destination) {
  if (curve.mix == 0.0f) return CopyInput(in_data, suites, source, destination);
  PixelFrame frame;
  PreparePixelFrame(curve, &frame);
  const A_long rows = destination->height;
  switch (format) {
    case PF_PixelFormat_ARGB32:
      return IterateIntegerFrame(in_data, suites, &frame, source, destination, rows, false);
    case PF_PixelFormat_ARGB64:
      return IterateIntegerFrame(in_data, suites, &frame, source, destination, rows, true);
    default:
      return TransformFloatFrame(suites, frame, *source, *destination);
  }
}

PF_Err RenderPixels(PF_InData* in_data, SuiteHandler& suites, const ToneCurve& curve,
                    const PF_SmartRenderCallbacks& callbacks) {
  InputPixels input(in_data, callbacks);
  PF_Err err = input.CheckOut();
  if (err != PF_Err_NONE) return err;
  PF_EffectWorld* output = nullptr;
  err = callbacks.checkout_output(in_data->effect_ref, &output);
  if (err == PF_Err_NONE && HasPixels(output)) {
    PF_PixelFormat format = PF_PixelFormat_INVALID;
    err = suites.WorldSuite()->PF_GetPixelFormat(output, &format);
    const std::size_t pixel_size = PixelSizeOf(format);
    if (err == PF_Err_NONE && pixel_size == 0) err = PF_Err_UNRECOGNIZED_PARAM_TYPE;
    if (err == PF_Err_NONE) {
      const LayerArea whole = AreaOf(*output);
      const LayerArea common =
          HasPixels(input.World()) ? Intersection(whole, AreaOf(*input.World())) : LayerArea{};
      const bool covered = !common.Empty() && common.left == whole.left &&
                           common.top == whole.top && common.right == whole.right &&
                           common.bottom == whole.bottom;
      if (!covered) ClearWorld(*output, pixel_size);
      if (!common.Empty()) {
        PF_EffectWorld source = SubWorld(*input.World(), common, pixel_size);
        PF_EffectWorld destination = SubWorld(*output, common, pixel_size);
        err = TransformArea(in_data, suites, curve, format, &source, &destination);
      }
    }
  }
  const PF_Err checkin_err = input.CheckIn();
  return err != PF_Err_NONE ? err : checkin_err;
}

}  // namespace

PF_Err SmartPreRender(PF_InData* in_data, PF_PreRenderExtra* extra) {
  if (extra == nullptr || extra->input == nullptr || extra->output == nullptr ||
      extra->cb == nullptr || extra->cb->checkout_layer == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PF_RenderRequest request = extra->input->output_request;
  PF_CheckoutResult checkout{};
  const PF_Err err = extra->cb->checkout_layer(in_data->effect_ref, PARAM_INPUT, kInputCheckoutId,
                                               &request, in_data->current_time, in_data->time_step,
                                               in_data->time_scale, &checkout);
  if (err != PF_Err_NONE) return err;
  PF_PreRenderOutput& answer = *extra->output;
  answer.result_rect = checkout.result_rect;
  answer.max_result_rect = checkout.max_result_rect;
  answer.solid = checkout.solid;
  answer.flags = 0;
  return PF_Err_NONE;
}

PF_Err SmartRender(PF_InData* in_data, PF_SmartRenderExtra* extra) {
  if (extra == nullptr || extra->cb == nullptr || extra->cb->checkout_layer_pixels == nullptr ||
      extra->cb->checkin_layer_pixels == nullptr || extra->cb->checkout_output == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  SuiteHandler suites(in_data->pica_basicP);
  ToneCurve curve;
  float lut_storage[kLutCapacity] = {};
  const PF_Err err = BuildSmartCurve(in_data, suites, lut_storage, &curve);
  if (err != PF_Err_NONE) return err;
  return RenderPixels(in_data, suites, curve, *extra->cb);
}
