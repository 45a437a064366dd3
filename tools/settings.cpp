// The tool's parameter table: the module's registered definitions, read
// through the persistent ids of the effect's parameter table, and the
// settings' value of each. Persistent ids are stored in project files and
// never change, so they are the one safe key from a row to the module's
// definition.
#include "tools/settings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/param_values.h"
#include "host/params.h"
#include "host_sdk/host_constants.h"
#include "tools/tool_error.h"

namespace {

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

RegisteredParam Describe(const ParamIdentity& identity, const simhost::RecordedParam& recorded) {
  const PF_ParamDef& def = recorded.def;
  RegisteredParam param{};
  param.flag = identity.tool_name;
  param.name.assign(def.name, strnlen(def.name, sizeof def.name));
  param.disk_id = identity.disk_id;
  param.index = identity.index;
  param.kind = KindOf(identity.kind);
  param.param_type = def.param_type;
  param.flags = def.flags;
  switch (param.kind) {
    case ParamKind::Popup:
      param.valid_min = 1;
      param.valid_max = def.u.pd.num_choices;
      param.default_value = def.u.pd.dephault;
      param.old_projects_value = def.u.pd.value;
      param.choices = SplitChoices(def.u.pd.u.namesptr);
      break;
    case ParamKind::FloatSlider:
      param.valid_min = static_cast<double>(def.u.fs_d.valid_min);
      param.valid_max = static_cast<double>(def.u.fs_d.valid_max);
      param.default_value = static_cast<double>(def.u.fs_d.dephault);
      param.old_projects_value = def.u.fs_d.value;
      param.precision = def.u.fs_d.precision;
      param.percent = (def.u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
      break;
    case ParamKind::FixedSlider:
      param.valid_min = def.u.fd.valid_min / kFixedOne;
      param.valid_max = def.u.fd.valid_max / kFixedOne;
      param.default_value = def.u.fd.dephault / kFixedOne;
      param.old_projects_value = def.u.fd.value / kFixedOne;
      param.precision = def.u.fd.precision;
      param.percent = (def.u.fd.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
      break;
    case ParamKind::Colour:
      param.default_colour = def.u.cd.dephault;
      break;
    case ParamKind::Checkbox:
      param.valid_max = 1;
      param.default_value = def.u.bd.dephault != 0 ? 1 : 0;
      param.old_projects_value = def.u.bd.value != 0 ? 1 : 0;
      break;
  }
  if ((def.flags & PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS) == 0) param.old_projects_value.reset();
  return param;
}

}  // namespace

std::vector<RegisteredParam> ReadRegisteredParams(
    const std::vector<simhost::RecordedParam>& recorded, ParamTable table) {
  std::vector<RegisteredParam> params;
  for (const ParamIdentity& identity : table) {
    const std::string flag = identity.tool_name;
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
    params.push_back(Describe(identity, *found));
  }
  return params;
}

const RegisteredParam& FindParam(const std::vector<RegisteredParam>& params,
                                 const std::string& flag) {
  for (const RegisteredParam& param : params) {
    if (param.flag == flag) return param;
  }
  throw BadInput("unknown setting: " + flag);
}

simhost::EffectSettings DefaultSettings(const std::vector<RegisteredParam>& params,
                                        ParamTable table) {
  simhost::EffectSettings settings(table);
  for (const RegisteredParam& param : params) {
    switch (param.kind) {
      case ParamKind::Popup:
        settings.Choice(param.index) = static_cast<PF_ParamValue>(param.default_value);
        break;
      case ParamKind::FloatSlider:
        settings.Slider(param.index) = param.default_value;
        break;
      case ParamKind::FixedSlider:
        settings.Fixed(param.index) =
            static_cast<PF_Fixed>(std::lround(param.default_value * kFixedOne));
        break;
      case ParamKind::Colour:
        settings.Colour(param.index) = param.default_colour;
        break;
      case ParamKind::Checkbox:
        settings.Checkbox(param.index) = param.default_value != 0.0 ? 1 : 0;
        break;
    }
  }
  return settings;
}
