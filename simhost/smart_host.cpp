// The simulated host's smart commands: one frame's pre-render, and its render
// when the pre-render succeeded, as After Effects sends them to an effect that
// declares smart rendering.
#include <cstdlib>
#include <stdexcept>

#include "simhost/host.h"
#include "simhost/smart_callbacks.h"

namespace simhost {

A_short BitDepthOf(HostPixelFormat format) {
  switch (format) {
    case HostPixelFormat::ARGB16:
      return 16;
    case HostPixelFormat::ARGBFloat:
    case HostPixelFormat::BGRAFloat:
      return 32;
    case HostPixelFormat::ARGB8:
    case HostPixelFormat::BGRA8:
      break;
  }
  return 8;
}

namespace {

// The world a smart checkout hands out: the image's own, placed in the layer.
PF_EffectWorld HandedOut(const SmartLayer& layer) {
  PF_EffectWorld world = *layer.image->World();
  world.origin_x = layer.origin_x;
  world.origin_y = layer.origin_y;
  if (layer.null_data) world.data = nullptr;
  return world;
}

}  // namespace

void SimulatedHost::BeginSmartFrame(const EffectSettings& settings, const SmartFrame& frame) {
  smart_session_ = SmartSession{};
  SmartSession& session = smart_session_;
  const PF_EffectWorld no_pixels{};
  const HostImage* input = frame.input.image;
  const HostImage* output = frame.output.image;
  if (!BuildRenderParams(settings, RegisteredParams(),
                         input != nullptr ? *input->World() : no_pixels, session.params)) {
    throw std::logic_error("the effect did not register the parameters of the settings");
  }
  session.has_input = input != nullptr;
  if (session.has_input) session.input_world = HandedOut(frame.input);
  session.has_output = output != nullptr;
  if (session.has_output) session.output_world = HandedOut(frame.output);

  const HostImage* depth_from = output != nullptr ? output : input;
  session.bitdepth = depth_from != nullptr ? BitDepthOf(depth_from->Format()) : A_short{8};
  PF_RenderRequest& request = session.request;
  request.field = PF_Field_FRAME;
  request.channel_mask = PF_ChannelMask_ARGB;
  request.preserve_rgb_of_zero_alpha = frame.preserve_rgb_of_zero_alpha ? 1 : 0;
  if (frame.request_given) {
    request.rect = frame.request;
  } else if (output != nullptr) {
    request.rect =
        LayerArea(frame.output.origin_x, frame.output.origin_y, output->Width(), output->Height());
  }
  in_data_.num_params = static_cast<A_long>(session.params.defs.size());
  in_data_.width = output != nullptr ? output->Width() : 0;
  in_data_.height = output != nullptr ? output->Height() : 0;
  in_data_.extent_hint = output != nullptr ? output->World()->extent_hint : PF_LRect{};
}

PF_Err SimulatedHost::PreRenderCall() {
  PF_PreRenderInput input{};
  input.output_request = smart_session_.request;
  input.bitdepth = smart_session_.bitdepth;
  PF_PreRenderOutput answer{};
  PF_PreRenderCallbacks callbacks = *PreRenderCallbacks();
  PF_PreRenderExtra extra{&input, &answer, &callbacks};
  const PF_Err err = Invoke(PF_Cmd_SMART_PRE_RENDER, nullptr, nullptr, &extra);
  smart_records_.pre_render_answer = answer;
  return err;
}

void SimulatedHost::ReleasePreRenderData() {
  PF_PreRenderOutput& answer = smart_records_.pre_render_answer;
  if (answer.pre_render_data == nullptr) return;
  if (answer.delete_pre_render_data_func != nullptr) {
    answer.delete_pre_render_data_func(answer.pre_render_data);
  } else {
    std::free(answer.pre_render_data);
  }
  answer.pre_render_data = nullptr;
  ++smart_records_.pre_render_data_deleted;
}

PF_Err SimulatedHost::SmartPreRender(const EffectSettings& settings, const SmartFrame& frame) {
  BeginSmartFrame(settings, frame);
  const PF_Err err = PreRenderCall();
  ReleasePreRenderData();  // no render follows
  return err;
}

PF_Err SimulatedHost::SmartRender(const EffectSettings& settings, const SmartFrame& frame) {
  BeginSmartFrame(settings, frame);
  PF_Err err = PreRenderCall();
  if (err == PF_Err_NONE) {
    PF_SmartRenderInput input{};
    input.output_request = smart_session_.request;
    input.bitdepth = smart_session_.bitdepth;
    input.pre_render_data = smart_records_.pre_render_answer.pre_render_data;
    PF_SmartRenderCallbacks callbacks = *SmartRenderCallbacks();
    PF_SmartRenderExtra extra{&input, &callbacks};
    err = Invoke(PF_Cmd_SMART_RENDER, nullptr, nullptr, &extra);
  }
  ReleasePreRenderData();
  return err;
}

}  // namespace simhost
