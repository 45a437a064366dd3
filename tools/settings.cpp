// The tool's parameter table: the module's registered definitions, read
// through the persistent ids of the effect's parameter table, and the
// settings' value of each.
#include "tools/settings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "host/params.h"
#include "host_sdk/host_constants.h"
#include "tools/tool_error.h"

namespace {

struct FlagIdentity {
  const char* flag;
  A_long disk_id;
};

// The tool's name for each of the module's parameters. Persistent ids are
// stored in project files and never change, so they are the one safe key from
// a flag to the module's definition; the order and the kinds are the
// parameter table's (host/params.h).
constexpr std::array<FlagIdentity, kRegisteredParamCount> kFlagNames{{
    {"quality", DISK_ID_QUALITY},
    {"offset", DISK_ID_OFFSET},
    {"gamma", DISK_ID_GAMMA},
    {"gain", DISK_ID_GAIN},
    {"contrast", DISK_ID_CONTRAST},
    {"pivot", DISK_ID_PIVOT},
    {"contrast-width", DISK_ID_WIDTH},
    {"shadows-rolloff", DISK_ID_SHADOWS_ROLLOFF},
    {"highlights-rolloff", DISK_ID_HIGHLIGHTS_ROLLOFF},
    {"blend", DISK_ID_BLEND},
    {"clamp-white", DISK_ID_CLAMP_WHITE},
    {"clamp-black", DISK_ID_CLAMP_BLACK},
}};

const char* FlagOf(A_long disk_id) {
  for (const FlagIdentity& name : kFlagNames) {
    if (name.disk_id == disk_id) return name.flag;
  }
  throw Failure("the tool has no flag for persistent id " + std::to_string(disk_id));
}

ParamKind KindOf(PF_ParamType type) {
  switch (type) {
    case PF_Param_POPUP:
      return ParamKind::Popup;
    case PF_Param_FLOAT_SLIDER:
      return ParamKind::FloatSlider;
    case PF_Param_FIX_SLIDER:
      return ParamKind::FixedSlider;
    case PF_Param_COLOR:
      return ParamKind::Colour;
    case PF_Param_CHECKBOX:
      return ParamKind::Checkbox;
    default:
      throw Failure("the tool has no flag for parameter type " + std::to_string(type));
  }
}

std::vector<std::string> SplitChoices(const char* names) {
  std::vector<std::string> choices;
  if (names == nullptr) return choices;
  std::string rest(names);
  std::size_t start = 0;
  while (true) {
    const std::size_t bar = rest.find('|', start);
    choices.push_back(rest.substr(start, bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return choices;
}

// The shortest text that reads back to the same value.

RegisteredParam Describe(const ParamIdentity& identity, const simhost::RecordedParam& recorded) {
  const PF_ParamDef& def = recorded.def;
  RegisteredParam param{};
  param.flag = FlagOf(identity.disk_id);
  param.name.assign(def.name, strnlen(def.name, sizeof def.name));
  param.disk_id = identity.disk_id;
  param.kind = KindOf(identity.kind);
  param.param_type = def.param_type;
  param.flags = def.flags;
  switch (param.kind) {
    case ParamKind::Popup:
      param.valid_min = 1;
      param.valid_max = def.u.pd.num_choices;
      param.default_value = def.u.pd.dephault;
      param.choices = SplitChoices(def.u.pd.u.namesptr);
      break;
    case ParamKind::FloatSlider:
      param.valid_min = static_cast<double>(def.u.fs_d.valid_min);
      param.valid_max = static_cast<double>(def.u.fs_d.valid_max);
      param.default_value = static_cast<double>(def.u.fs_d.dephault);
      param.precision = def.u.fs_d.precision;
      break;
    case ParamKind::FixedSlider:
      param.valid_min = def.u.fd.valid_min / kFixedOne;
      param.valid_max = def.u.fd.valid_max / kFixedOne;
      param.default_value = def.u.fd.dephault / kFixedOne;
      param.precision = def.u.fd.precision;
      break;
    case ParamKind::Colour:
      param.default_colour = def.u.cd.dephault;
      break;
    case ParamKind::Checkbox:
      param.valid_max = 1;
      param.default_value = def.u.bd.dephault != 0 ? 1 : 0;
      break;
  }
  return param;
}

}  // namespace

PF_FpLong* SliderField(const RegisteredParam& param, simhost::EffectSettings* settings) {
  PF_FpLong* value = simhost::FloatSliderValue(*settings, param.disk_id);
  if (value == nullptr) throw Failure("--" + param.flag + " is no slider of the settings");
  return value;
}

PF_ParamValue* CheckboxField(const RegisteredParam& param, simhost::EffectSettings* settings) {
  PF_ParamValue* value = simhost::CheckboxValue(*settings, param.disk_id);
  if (value == nullptr) throw Failure("--" + param.flag + " is no checkbox of the settings");
  return value;
}

const std::vector<std::string>& ParamFlags() {
  static const std::vector<std::string> flags = [] {
    std::vector<std::string> names;
    for (const ParamIdentity& identity : kParamIdentities) {
      names.emplace_back(FlagOf(identity.disk_id));
    }
    return names;
  }();
  return flags;
}

std::vector<RegisteredParam> ReadRegisteredParams(
    const std::vector<simhost::RecordedParam>& recorded) {
  std::vector<RegisteredParam> params;
  for (const ParamIdentity& identity : kParamIdentities) {
    const std::string flag = FlagOf(identity.disk_id);
    auto found = std::find_if(recorded.begin(), recorded.end(), [&](const auto& entry) {
      return entry.def.uu.id == identity.disk_id;
    });
    if (found == recorded.end()) {
      throw Failure("the module registers no parameter with persistent id " +
                    std::to_string(identity.disk_id) + " (--" + flag + ")");
    }
    if (found->def.param_type != identity.kind) {
      throw Failure("the module registers persistent id " + std::to_string(identity.disk_id) +
                    " (--" + flag + ") as parameter type " + std::to_string(found->def.param_type) +
                    ", expected " + std::to_string(identity.kind));
    }
    RegisteredParam param = Describe(identity, *found);
    param.index = static_cast<A_long>(found - recorded.begin()) + 1;
    params.push_back(param);
  }
  std::sort(params.begin(), params.end(),
            [](const auto& a, const auto& b) { return a.index < b.index; });
  return params;
}

const RegisteredParam& FindParam(const std::vector<RegisteredParam>& params,
                                 const std::string& flag) {
  for (const RegisteredParam& param : params) {
    if (param.flag == flag) return param;
  }
  throw BadInput("unknown setting: " + flag);
}

simhost::EffectSettings DefaultSettings(const std::vector<RegisteredParam>& params) {
  simhost::EffectSettings settings;
  for (const RegisteredParam& param : params) {
    switch (param.kind) {
      case ParamKind::Popup:
        settings.quality = static_cast<PF_ParamValue>(param.default_value);
        break;
      case ParamKind::FloatSlider:
        *SliderField(param, &settings) = param.default_value;
        break;
      case ParamKind::FixedSlider:
        settings.blend = static_cast<PF_Fixed>(std::lround(param.default_value * kFixedOne));
        break;
      case ParamKind::Colour:
        settings.pivot = param.default_colour;
        break;
      case ParamKind::Checkbox:
        *CheckboxField(param, &settings) = param.default_value != 0.0 ? 1 : 0;
        break;
    }
  }
  return settings;
}
