#include "simhost/smart_callbacks.h"

#include <algorithm>

#include "simhost/callbacks.h"
#include "simhost/host.h"

namespace simhost {
namespace {

SimulatedHost* HostOf(PF_ProgPtr effect_ref) {
  return reinterpret_cast<SimulatedHost*>(effect_ref);
}

// The part of `a` inside `b`; empty rectangles come out with right <= left or
// bottom <= top.
PF_LRect Intersection(const PF_LRect& a, const PF_LRect& b) {
  return PF_LRect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                  std::min(a.bottom, b.bottom)};
}

PF_LRect LayerArea(const PF_EffectWorld& world) {
  return simhost::LayerArea(world.origin_x, world.origin_y, world.width, world.height);
}

bool Contains(const std::vector<A_long>& ids, A_long id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

template <typename... Args>
PF_Err NotProvided(Args...) {
  return PF_Err_INVALID_CALLBACK;
}

}  // namespace

struct SmartCallbacks {
  static PF_Err CheckoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long id,
                              const PF_RenderRequest* req, A_long what_time, A_long time_step,
                              A_u_long time_scale, PF_CheckoutResult* result) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (host->faults_.checkout_layer_code != 0) return host->faults_.checkout_layer_code;
    SmartSession& session = host->smart_session_;
    const bool known =
        std::count(session.registered_ids.begin(), session.registered_ids.end(), id) != 0;
    // This host's effects have one layer, their own (index 0).
    if (index != 0 || id < 0 || known || req == nullptr || result == nullptr) {
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    session.registered_ids.push_back(id);
    host->smart_records_.layer_checkouts.push_back(
        LayerCheckoutRecord{index, id, *req, what_time, time_step, time_scale});
    *result = PF_CheckoutResult{};
    result->par = PF_RationalScale{1, 1};
    if (session.has_input) {
      const PF_LRect whole = LayerArea(session.input_world);
      result->max_result_rect = whole;
      result->result_rect = Intersection(req->rect, whole);
      result->ref_width = session.input_world.width;
      result->ref_height = session.input_world.height;
    }
    return PF_Err_NONE;
  }

  static PF_Err CheckoutLayerPixels(PF_ProgPtr ref, A_long id, PF_EffectWorld** pixels) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr || pixels == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (host->faults_.checkout_layer_pixels_code != 0) {
      return host->faults_.checkout_layer_pixels_code;
    }
    SmartSession& session = host->smart_session_;
    // Once per id the pre-render registered.
    if (!Contains(session.registered_ids, id) || Contains(session.pixels_out, id)) {
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    session.pixels_out.push_back(id);
    host->smart_records_.pixel_checkouts.push_back(id);
    *pixels = session.has_input ? &session.input_world : nullptr;
    return PF_Err_NONE;
  }

  // The pixels are taken back before a planned fault is reported.
  static PF_Err CheckinLayerPixels(PF_ProgPtr ref, A_long id) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    SmartSession& session = host->smart_session_;
    if (!Contains(session.pixels_out, id) || Contains(session.pixels_in, id)) {
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    session.pixels_in.push_back(id);
    host->smart_records_.pixel_checkins.push_back(id);
    return host->faults_.checkin_layer_pixels_code;
  }

  static PF_Err CheckoutOutput(PF_ProgPtr ref, PF_EffectWorld** output) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr || output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (host->faults_.checkout_output_code != 0) return host->faults_.checkout_output_code;
    SmartRecords& records = host->smart_records_;
    if (host->smart_session_.pixels_out.empty()) records.output_before_input = true;
    ++records.output_checkouts;
    SmartSession& session = host->smart_session_;
    *output = session.has_output ? &session.output_world : nullptr;
    return PF_Err_NONE;
  }

  static PF_Err CheckoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long /*what_time*/,
                              A_long /*time_step*/, A_u_long /*time_scale*/, PF_ParamDef* param) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr || param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    SmartSession& session = host->smart_session_;
    ++session.param_checkout_calls;
    if (session.param_checkout_calls == host->faults_.checkout_param_fail_at) {
      return host->faults_.checkout_param_code;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= session.params.defs.size()) {
      return PF_Err_INVALID_INDEX;
    }
    *param = *session.params.list[static_cast<std::size_t>(index)];
    ++session.params_out;
    ++host->smart_records_.param_checkouts;
    return PF_Err_NONE;
  }

  static PF_Err CheckinParam(PF_ProgPtr ref, PF_ParamDef* param) {
    SimulatedHost* host = HostOf(ref);
    if (host == nullptr || param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    SmartSession& session = host->smart_session_;
    if (session.params_out == 0) {
      ++host->smart_records_.unmatched_param_checkins;
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    --session.params_out;
    ++host->smart_records_.param_checkins;
    return host->faults_.checkin_param_code;
  }

  static PF_Err GetPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format) {
    SimulatedHost* host = CurrentHost();
    if (host == nullptr || world == nullptr || format == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    ++host->smart_records_.pixel_format_queries;
    *format = AfterEffectsCodeOf(FormatOfWorld(*world));
    return host->faults_.world_pixel_format_code;
  }
};

namespace {

const PF_PreRenderCallbacks kPreRenderCallbacks = {SmartCallbacks::CheckoutLayer,
                                                   NotProvided<PF_ProgPtr, A_u_long, const void*>};

const PF_SmartRenderCallbacks kSmartRenderCallbacks = {SmartCallbacks::CheckoutLayerPixels,
                                                       SmartCallbacks::CheckinLayerPixels,
                                                       SmartCallbacks::CheckoutOutput};

const PF_WorldSuite2 kWorldSuite2 = {
    NotProvided<PF_ProgPtr, A_long, A_long, PF_Boolean, PF_PixelFormat, PF_EffectWorld*>,
    NotProvided<PF_ProgPtr, PF_EffectWorld*>, SmartCallbacks::GetPixelFormat};

}  // namespace

const PF_PreRenderCallbacks* PreRenderCallbacks() {
  return &kPreRenderCallbacks;
}

const PF_SmartRenderCallbacks* SmartRenderCallbacks() {
  return &kSmartRenderCallbacks;
}

const PF_WorldSuite2* WorldSuite2() {
  return &kWorldSuite2;
}

void InstallParamCheckouts(PF_InteractCallbacks& inter) {
  inter.checkout_param = SmartCallbacks::CheckoutParam;
  inter.checkin_param = SmartCallbacks::CheckinParam;
}

}  // namespace simhost
