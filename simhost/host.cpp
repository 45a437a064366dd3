#include "simhost/host.h"

#include <cstring>
#include <stdexcept>
#include <thread>

#include "simhost/callbacks.h"
#include "simhost/smart_callbacks.h"

namespace simhost {
namespace {

int DefaultThreadCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  if (cores == 0) return 2;
  return cores > 8 ? 8 : static_cast<int>(cores);
}

}  // namespace

SimulatedHost::SimulatedHost(HostMode mode, EntryPointFunction entry)
    : mode_(mode), entry_(entry), threads_(DefaultThreadCount()) {
  InstallUtilCallbacks(utils_);
  InstallInteractCallbacks(in_data_.inter);
  InstallParamCheckouts(in_data_.inter);
  in_data_.utils = &utils_;
  in_data_.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
  in_data_.quality = PF_Quality_HI;
  in_data_.version = PF_SpecVersion{13, 28};
  in_data_.appl_id = mode == HostMode::PremierePro ? kPremiereApplId : kAfterEffectsApplId;
  in_data_.field = PF_Field_FRAME;
  in_data_.time_scale = 1;
  in_data_.downsample_x = PF_RationalScale{1, 1};
  in_data_.downsample_y = PF_RationalScale{1, 1};
  in_data_.pixel_aspect_ratio = PF_RationalScale{1, 1};
}

void SimulatedHost::ResetOutData() {
  out_data_ = PF_OutData{};
}

void SimulatedHost::ClearRecords() {
  ledger_.Clear();
  params_.clear();
  add_param_calls_ = 0;
  pixel_formats_.clear();
  clear_formats_calls_ = 0;
  get_format_calls_ = 0;
  color_conversions_ = 0;
  iterations_.clear();
  copies_.clear();
  smart_records_ = SmartRecords{};
}

PF_Err SimulatedHost::Invoke(PF_Cmd cmd, PF_ParamDef** params, PF_LayerDef* output, void* extra) {
  in_data_.pica_basicP = faults_.no_basic_suite ? nullptr : const_cast<SPBasicSuite*>(BasicSuite());
  CurrentHostScope scope(this);
  return entry_(cmd, &in_data_, &out_data_, params, output, extra);
}

PF_Err SimulatedHost::Call(PF_Cmd cmd, PF_ParamDef** params, PF_LayerDef* output) {
  return Invoke(cmd, params, output);
}

PF_Err SimulatedHost::About() {
  return Invoke(PF_Cmd_ABOUT, nullptr, nullptr);
}

PF_Err SimulatedHost::GlobalSetup() {
  return Invoke(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr);
}

PF_Err SimulatedHost::ParamsSetup() {
  in_data_.num_params = 1;  // the input layer, before the effect adds its own
  const std::size_t first = params_.size();
  const PF_Err err = Invoke(PF_Cmd_PARAMS_SETUP, nullptr, nullptr);
  if (err == PF_Err_NONE) registered_.assign(params_.begin() + first, params_.end());
  return err;
}

const std::vector<RecordedParam>& SimulatedHost::RegisteredParams() {
  if (registered_.empty()) {
    SimulatedHost setup(mode_, entry_);
    if (setup.ParamsSetup() == PF_Err_NONE) registered_ = setup.registered_;
  }
  return registered_;
}

PF_Err SimulatedHost::Render(const EffectSettings& settings, HostImage& input, HostImage& output) {
  RenderParams params;
  if (!BuildRenderParams(settings, RegisteredParams(), *input.World(), params)) {
    throw std::logic_error("the effect did not register the parameters of the settings");
  }
  PF_EffectWorld* world = output.World();
  in_data_.num_params = static_cast<A_long>(params.defs.size());
  in_data_.width = world->width;
  in_data_.height = world->height;
  in_data_.extent_hint = world->extent_hint;
  return Invoke(PF_Cmd_RENDER, params.list.data(), world);
}

}  // namespace simhost
