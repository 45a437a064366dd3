#include "ofx/parameters.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "engine/tone_curve.h"
#include "host_sdk/host_constants.h"
#include "ofx/host_access.h"
#include "ofx_sdk/ofx_constants.h"

namespace velmora_ofx {
namespace {

// A parameter's value as the host hands it: up to three doubles (the colour),
// or one number.
struct ParamValue {
  double channel[3] = {0.0, 0.0, 0.0};
};

const ParamIdentity* IdentityAt(int32_t index) {
  for (const ParamIdentity& identity : kParamIdentities) {
    if (identity.index == index) return &identity;
  }
  return nullptr;
}

const char* ParamTypeOf(const ParamIdentity& identity) {
  switch (identity.kind) {
    case PF_Param_POPUP:
      return kOfxParamTypeChoice;
    case PF_Param_COLOR:
      return kOfxParamTypeRGB;
    case PF_Param_CHECKBOX:
      return kOfxParamTypeBoolean;
    default:
      return kOfxParamTypeDouble;
  }
}

// The popup's options, the host's '|'-separated list, each without the
// spaces at its ends.
std::vector<std::string> ChoiceOptions(const ParamIdentity& identity) {
  std::vector<std::string> options;
  std::string current;
  for (const char* c = GetString(identity.detail_id);; ++c) {
    if (*c == '|' || *c == '\0') {
      const size_t first = current.find_first_not_of(' ');
      const size_t last = current.find_last_not_of(' ');
      options.push_back(first == std::string::npos ? "" : current.substr(first, last - first + 1));
      current.clear();
      if (*c == '\0') break;
    } else {
      current += *c;
    }
  }
  return options;
}

OfxStatus DefineOne(OfxParamSetHandle set, const ParamIdentity& identity) {
  const OfxPropertySuiteV1& props = *Suites().property;
  const std::string name = ParamName(identity);
  OfxPropertySetHandle p = nullptr;
  OfxStatus status = Suites().parameter->paramDefine(set, ParamTypeOf(identity), name.c_str(), &p);
  if (status != kOfxStatOK) return status;
  if (p == nullptr) return kOfxStatErrBadHandle;
  status = props.propSetString(p, kOfxPropLabel, 0, GetString(identity.name_id));
  if (status != kOfxStatOK) return status;
  const bool animates = (identity.flags & PF_ParamFlag_CANNOT_TIME_VARY) == 0;
  status = SetOptionalInt(p, kOfxParamPropAnimates, animates ? 1 : 0);
  if (status != kOfxStatOK) return status;

  switch (identity.kind) {
    case PF_Param_POPUP: {
      const std::vector<std::string> options = ChoiceOptions(identity);
      for (size_t i = 0; i < options.size() && status == kOfxStatOK; ++i) {
        status = props.propSetString(p, kOfxParamPropChoiceOption, static_cast<int32_t>(i),
                                     options[i].c_str());
      }
      if (status != kOfxStatOK) return status;
      return props.propSetInt(p, kOfxParamPropDefault, 0,
                              static_cast<int32_t>(identity.default_value - identity.valid_min));
    }
    case PF_Param_CHECKBOX:
      return props.propSetInt(p, kOfxParamPropDefault, 0, identity.default_value != 0.0 ? 1 : 0);
    case PF_Param_COLOR: {
      // The table counts the grey level in bytes; the host's colours run 0..1.
      const double level = identity.default_value / identity.valid_max;
      for (int32_t c = 0; c < 3 && status == kOfxStatOK; ++c) {
        status = props.propSetDouble(p, kOfxParamPropDefault, c, level);
      }
      return status;
    }
    default: {
      const double values[] = {identity.default_value, identity.valid_min, identity.valid_max,
                               identity.slider_min, identity.slider_max};
      const char* names[] = {kOfxParamPropDefault, kOfxParamPropMin, kOfxParamPropMax,
                             kOfxParamPropDisplayMin, kOfxParamPropDisplayMax};
      for (size_t i = 0; i < 5 && status == kOfxStatOK; ++i) {
        status = props.propSetDouble(p, names[i], 0, values[i]);
      }
      if (status != kOfxStatOK) return status;
      return SetOptionalInt(p, kOfxParamPropDigits, identity.precision);
    }
  }
}

OfxStatus ParamHandle(OfxImageEffectHandle instance, const ParamIdentity& identity,
                      OfxParamHandle* handle) {
  OfxParamSetHandle set = nullptr;
  OfxStatus status = Suites().effect->getParamSet(instance, &set);
  if (status != kOfxStatOK) return status;
  status = Suites().parameter->paramGetHandle(set, ParamName(identity).c_str(), handle, nullptr);
  if (status == kOfxStatOK && *handle == nullptr) return kOfxStatErrBadHandle;
  return status;
}

// Variadic calls: pointers to double for doubles and colours, to int for
// choices and booleans, exactly as the interface promotes them.
OfxStatus ReadValue(OfxImageEffectHandle instance, const ParamIdentity& identity, OfxTime time,
                    ParamValue* value) {
  OfxParamHandle handle = nullptr;
  OfxStatus status = ParamHandle(instance, identity, &handle);
  if (status != kOfxStatOK) return status;
  const OfxParameterSuiteV1& params = *Suites().parameter;
  switch (identity.kind) {
    case PF_Param_POPUP:
    case PF_Param_CHECKBOX: {
      int number = 0;
      status = params.paramGetValueAtTime(handle, time, &number);
      value->channel[0] = static_cast<double>(number);
      if (identity.kind == PF_Param_POPUP) value->channel[0] += identity.valid_min;
      return status;
    }
    case PF_Param_COLOR:
      return params.paramGetValueAtTime(handle, time, &value->channel[0], &value->channel[1],
                                        &value->channel[2]);
    default:
      return params.paramGetValueAtTime(handle, time, &value->channel[0]);
  }
}

}  // namespace

std::string ParamName(const ParamIdentity& identity) {
  std::string name;
  bool word_start = true;
  for (const char* c = GetString(identity.name_id); *c != '\0'; ++c) {
    const unsigned char letter = static_cast<unsigned char>(*c);
    if (std::isalnum(letter) == 0) {
      word_start = true;
      continue;
    }
    name += word_start ? static_cast<char>(std::toupper(letter)) : *c;
    word_start = false;
  }
  return name;
}

OfxStatus DefineParameters(OfxImageEffectHandle descriptor) {
  OfxParamSetHandle set = nullptr;
  OfxStatus status = Suites().effect->getParamSet(descriptor, &set);
  if (status != kOfxStatOK) return status;
  for (const ParamIdentity& identity : kParamIdentities) {
    status = DefineOne(set, identity);
    if (status != kOfxStatOK) return status;
  }
  return kOfxStatOK;
}

PF_Fixed BlendAsFixed(double percent) {
  const ParamIdentity& blend = *IdentityAt(PARAM_BLEND);
  // NaN and values beyond the range take the nearest end, as the host's own
  // slider would.
  const double bounded = !(percent >= blend.valid_min) ? blend.valid_min
                         : percent > blend.valid_max   ? blend.valid_max
                                                       : percent;
  return static_cast<PF_Fixed>(std::lround(bounded * 65536.0));
}

OfxStatus ReadBlendPercent(OfxImageEffectHandle instance, OfxTime time, double* percent) {
  ParamValue value;
  const OfxStatus status = ReadValue(instance, *IdentityAt(PARAM_BLEND), time, &value);
  *percent = value.channel[0];
  return status;
}

OfxStatus ReadFrameControls(OfxImageEffectHandle instance, OfxTime time, FrameControls* controls) {
  ParamValue values[PARAM_COUNT];
  for (const ParamIdentity& identity : kParamIdentities) {
    const OfxStatus status = ReadValue(instance, identity, time, &values[identity.index]);
    if (status != kOfxStatOK) return status;
  }
  *controls = FrameControls{};
  controls->offset = values[PARAM_OFFSET].channel[0];
  controls->gamma = values[PARAM_GAMMA].channel[0];
  controls->gain = values[PARAM_GAIN].channel[0];
  CurveControls& table = controls->table;
  // The choice number, kept within what an int holds before it is converted:
  // anything beyond 1..5 gives the same table as any other invalid choice.
  const double choice = std::clamp(values[PARAM_QUALITY].channel[0], -1.0, 1000.0);
  table.table_size = LutSizeForQuality(static_cast<int32_t>(choice));
  table.pivot_red = static_cast<float>(values[PARAM_PIVOT].channel[0]);
  table.pivot_green = static_cast<float>(values[PARAM_PIVOT].channel[1]);
  table.pivot_blue = static_cast<float>(values[PARAM_PIVOT].channel[2]);
  table.contrast = values[PARAM_CONTRAST].channel[0];
  table.width = values[PARAM_WIDTH].channel[0];
  table.shadows_rolloff = values[PARAM_SHADOWS_ROLLOFF].channel[0];
  table.highlights_rolloff = values[PARAM_HIGHLIGHTS_ROLLOFF].channel[0];
  table.clamp_white = values[PARAM_CLAMP_WHITE].channel[0] != 0.0 ? 1 : 0;
  table.clamp_black = values[PARAM_CLAMP_BLACK].channel[0] != 0.0 ? 1 : 0;
  controls->blend = BlendAsFixed(values[PARAM_BLEND].channel[0]);
  return kOfxStatOK;
}

}  // namespace velmora_ofx
