#include "tools/effect.h"

#include <cstring>
#include <map>

#include "host_sdk/host_constants.h"
#include "tools/output_paths.h"
#include "tools/tool_error.h"

namespace {

const char* ErrorName(PF_Err error) {
  static const std::map<PF_Err, const char*> kNames{
      {PF_Err_OUT_OF_MEMORY, "PF_Err_OUT_OF_MEMORY: out of memory"},
      {PF_Err_INTERNAL_STRUCT_DAMAGED,
       "PF_Err_INTERNAL_STRUCT_DAMAGED: internal structure damaged"},
      {PF_Err_INVALID_INDEX, "PF_Err_INVALID_INDEX: invalid index"},
      {PF_Err_UNRECOGNIZED_PARAM_TYPE,
       "PF_Err_UNRECOGNIZED_PARAM_TYPE: pixel format not recognised"},
      {PF_Err_INVALID_CALLBACK, "PF_Err_INVALID_CALLBACK: invalid callback"},
      {PF_Err_BAD_CALLBACK_PARAM, "PF_Err_BAD_CALLBACK_PARAM: a host suite could not be acquired"},
      {PF_Err_CANNOT_PARSE_KEYFRAME_TEXT, "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT"}};
  const auto found = kNames.find(error);
  return found != kNames.end() ? found->second : "an error code of the host";
}

// A module is named by its path, never looked up where the system keeps libraries.
const std::string& ExistingModule(const std::string& path) {
  CheckPathExists(path, "module");
  return path;
}

}  // namespace

std::string DefaultModulePath() {
  return VELMORA_DEFAULT_MODULE;
}

Effect::Effect(const std::string& module_path)
    : path_(module_path), module_(ExistingModule(module_path)) {
  if (!module_.IsLoaded()) throw BadInput(module_.Error());
  params_ = ReadRegisteredParams(MakeHost(simhost::HostMode::AfterEffects, 1)->RecordedParams());
}

std::unique_ptr<simhost::SimulatedHost> Effect::MakeHost(simhost::HostMode mode,
                                                         int threads) const {
  auto host = std::make_unique<simhost::SimulatedHost>(mode, module_.Entry());
  host->SetThreadCount(threads);
  const char* step = "global setup";
  PF_Err error = host->GlobalSetup();
  if (error == PF_Err_NONE) {
    step = "parameter setup";
    error = host->ParamsSetup();
  }
  if (error != PF_Err_NONE) {
    throw Failure("module " + path_ + " failed " + step + ": " + DescribeModuleError(error, *host));
  }
  return host;
}

simhost::EffectSettings Effect::NewInstance(simhost::HostMode mode) const {
  if (mode == simhost::HostMode::AfterEffects) return DefaultSettings(params_);
  return DefaultSettings(ReadRegisteredParams(MakeHost(mode, 1)->RecordedParams()));
}

std::string VersionText(A_u_long word) {
  static const char* const kStages[] = {"develop", "alpha", "beta", "release"};
  const A_u_long major =
      (word >> PF_Vers_VERS_SHIFT & 0x7u) | (word >> PF_Vers_VERS_HIGH_SHIFT & 0xFu) << 3;
  return std::to_string(major) + "." + std::to_string(word >> PF_Vers_SUBVERS_SHIFT & 0xFu) + "." +
         std::to_string(word >> PF_Vers_BUGFIX_SHIFT & 0xFu) + " (" +
         kStages[word >> PF_Vers_STAGE_SHIFT & 0x3u] + ", build " +
         std::to_string(word >> PF_Vers_BUILD_SHIFT & 0x1FFu) + ")";
}

std::string DescribeModuleError(PF_Err error, simhost::SimulatedHost& host) {
  std::string text = std::to_string(error) + " (" + ErrorName(error) + ")";
  const PF_OutData& out = host.OutData();
  if ((out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) != 0 && out.return_msg[0] != '\0') {
    text += ", message \"" +
            std::string(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg)) + "\"";
  }
  return text;
}
