#include "ofx/parameters.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "host_sdk/host_constants.h"
#include "ofx/host_access.h"
#include "ofx_sdk/ofx_constants.h"

namespace velmora_ofx {
namespace {

// No project of an OFX host predates any parameter, so each takes the default
// of a new After Effects project.
double DefaultOf(const ParamIdentity& identity) {
  return identity.defaults.after_effects;
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
                              static_cast<int32_t>(DefaultOf(identity) - identity.valid_min));
    }
    case PF_Param_CHECKBOX:
      return props.propSetInt(p, kOfxParamPropDefault, 0, DefaultOf(identity) != 0.0 ? 1 : 0);
    case PF_Param_COLOR: {
      // The table counts the grey level in bytes; the host's colours run 0..1.
      const double level = DefaultOf(identity) / identity.valid_max;
      for (int32_t c = 0; c < 3 && status == kOfxStatOK; ++c) {
        status = props.propSetDouble(p, kOfxParamPropDefault, c, level);
      }
      return status;
    }
    default: {
      const double values[] = {DefaultOf(identity), identity.valid_min, identity.valid_max,
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

// The value in the effect's own units: the choice number, a slider's value,
// the blend in percent, 0 or 1, a colour's channels narrowed once. Variadic
// calls take pointers to double for doubles and colours and to int for choices
// and booleans, exactly as the interface promotes them.
OfxStatus ReadValue(OfxImageEffectHandle instance, const ParamIdentity& identity, OfxTime time,
                    ParamValue* value) {
  *value = ParamValue{};
  OfxParamHandle handle = nullptr;
  OfxStatus status = ParamHandle(instance, identity, &handle);
  if (status != kOfxStatOK) return status;
  const OfxParameterSuiteV1& params = *Suites().parameter;
  switch (identity.kind) {
    case PF_Param_POPUP:
    case PF_Param_CHECKBOX: {
      int number = 0;
      status = params.paramGetValueAtTime(handle, time, &number);
      value->number = static_cast<double>(number);
      // The option index as the choice number, kept within what an int holds:
      // anything beyond the options gives the same as any other invalid choice.
      if (identity.kind == PF_Param_POPUP) {
        value->number = std::clamp(value->number + identity.valid_min, -1.0, 1000.0);
      }
      return status;
    }
    case PF_Param_COLOR: {
      double channels[3] = {0.0, 0.0, 0.0};
      status = params.paramGetValueAtTime(handle, time, &channels[0], &channels[1], &channels[2]);
      value->red = static_cast<float>(channels[0]);
      value->green = static_cast<float>(channels[1]);
      value->blue = static_cast<float>(channels[2]);
      return status;
    }
    default:
      return params.paramGetValueAtTime(handle, time, &value->number);
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
  for (const ParamIdentity& identity : kParamTable) {
    status = DefineOne(set, identity);
    if (status != kOfxStatOK) return status;
  }
  return kOfxStatOK;
}

OfxStatus ReadEffectInput(OfxImageEffectHandle instance, OfxTime time, EffectInput* input) {
  *input = EffectInput{};
  for (const ParamIdentity& identity : kParamTable) {
    ParamValue value{};
    const OfxStatus status = ReadValue(instance, identity, time, &value);
    if (status != kOfxStatOK) return status;
    identity.reach(value, input);
  }
  return kOfxStatOK;
}

}  // namespace velmora_ofx
