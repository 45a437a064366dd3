#include "tools/settings.h"

#include <OpenImageIO/strutil.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

#include "host/param_values.h"
#include "tools/tool_error.h"

namespace {

RegisteredParam Describe(const ParamIdentity& identity, const PF_ParamDef& def) {
  RegisteredParam param{
      identity.tool_name, std::string(def.name, strnlen(def.name, sizeof def.name)),
      identity.index,     identity.kind,
      &identity,          def};
  switch (param.kind) {
    case PF_Param_POPUP:
      param.valid_min = 1;
      param.valid_max = def.u.pd.num_choices;
      for (const std::string& label :
           OIIO::Strutil::splits(def.u.pd.u.namesptr != nullptr ? def.u.pd.u.namesptr : "", "|")) {
        const std::vector<std::string> words = OIIO::Strutil::splits(label);
        param.choices.push_back(words.empty() ? "" : OIIO::Strutil::lower(words.front()));
      }
      break;
    case PF_Param_FLOAT_SLIDER:
      param.valid_min = static_cast<double>(def.u.fs_d.valid_min);
      param.valid_max = static_cast<double>(def.u.fs_d.valid_max);
      param.percent = (def.u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
      break;
    case PF_Param_FIX_SLIDER:
      param.valid_min = NumberOfFixed(def.u.fd.valid_min);
      param.valid_max = NumberOfFixed(def.u.fd.valid_max);
      param.percent = (def.u.fd.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
      break;
  }
  return param;
}

// The shortest text that reads back to `value`.
template <typename Number>
std::string FormatNumber(Number value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

bool ParseDouble(const std::string& text, double* value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && errno != ERANGE;
}

ToolError OutOfRange(const RegisteredParam& param, const std::string& text) {
  double number = 0.0;
  const bool slider = param.kind == PF_Param_FLOAT_SLIDER || param.kind == PF_Param_FIX_SLIDER;
  const char* reason = slider && !ParseDouble(text, &number) ? "not a number" : "not allowed";
  return BadInput("--" + param.flag + " " + Shortened(text) + ": " + reason + "; " + param.name +
                  " takes " + AllowedText(param));
}

// "#RRGGBB" or "R,G,B", each byte written out in full.
bool ParseColour(const std::string& text, PF_Pixel* colour) {
  const bool hex = text.size() == 7 && text[0] == '#';
  const std::vector<std::string> parts =
      hex ? std::vector<std::string>{text.substr(1, 2), text.substr(3, 2), text.substr(5, 2)}
          : OIIO::Strutil::splits(text, ",");
  if (parts.size() != 3) return false;
  A_u_char bytes[3];
  for (std::size_t i = 0; i < 3; ++i) {
    const char* digits = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (parts[i].empty() || parts[i].find_first_not_of(digits) != std::string::npos) return false;
    const long value = std::strtol(parts[i].c_str(), nullptr, hex ? 16 : 10);
    if (value > 255) return false;
    bytes[i] = static_cast<A_u_char>(value);
  }
  *colour = PF_Pixel{255, bytes[0], bytes[1], bytes[2]};
  return true;
}

}  // namespace

std::vector<RegisteredParam> ReadRegisteredParams(
    const std::vector<simhost::RecordedParam>& recorded, ParamTable table) {
  std::vector<RegisteredParam> params;
  for (const ParamIdentity& identity : table) {
    auto found = std::find_if(recorded.begin(), recorded.end(), [&](const auto& entry) {
      return entry.def.uu.id == identity.disk_id;
    });
    if (found == recorded.end()) {
      throw Failure("the module registers no parameter with persistent id " +
                    std::to_string(identity.disk_id) + " (--" + identity.tool_name + ")");
    }
    if (found->def.param_type != identity.kind) {
      throw Failure("the module registers persistent id " + std::to_string(identity.disk_id) +
                    " (--" + identity.tool_name + ") as parameter type " +
                    std::to_string(found->def.param_type) + ", expected " +
                    std::to_string(identity.kind));
    }
    params.push_back(Describe(identity, found->def));
  }
  return params;
}

const RegisteredParam& FindParam(const std::vector<RegisteredParam>& params,
                                 const std::string& flag) {
  std::string known;
  for (const RegisteredParam& param : params) {
    if (param.flag == flag) return param;
    known += (known.empty() ? "" : ", ") + param.flag;
  }
  throw BadInput("unknown setting \"" + Shortened(flag) + "\"; known are " + known);
}

simhost::EffectSettings DefaultSettings(const std::vector<RegisteredParam>& params,
                                        ParamTable table) {
  simhost::EffectSettings settings(table);
  for (const RegisteredParam& param : params) settings.ReadValue(*param.identity, param.def, true);
  return settings;
}

void ApplySetting(const RegisteredParam& param, const std::string& text,
                  simhost::EffectSettings* settings) {
  double number = 0.0;
  const bool parsed = ParseDouble(text, &number);
  const bool in_range = parsed && number >= param.valid_min && number <= param.valid_max;
  switch (param.kind) {
    case PF_Param_POPUP: {
      const auto word =
          std::find(param.choices.begin(), param.choices.end(), OIIO::Strutil::lower(text));
      if (!text.empty() && word != param.choices.end()) {
        settings->Choice(param.index) =
            static_cast<PF_ParamValue>(word - param.choices.begin() + 1);
        return;
      }
      if (!in_range || number != std::floor(number)) throw OutOfRange(param, text);
      settings->Choice(param.index) = static_cast<PF_ParamValue>(number);
      return;
    }
    case PF_Param_FLOAT_SLIDER: {
      // The host keeps slider ranges in single precision, so a value is in range
      // when it is at that precision ("0.001" for a minimum of 0.001f); it is
      // then held to the range as the host holds its sliders.
      const auto narrowed = static_cast<double>(static_cast<float>(number));
      if (!parsed || !(narrowed >= param.valid_min && narrowed <= param.valid_max)) {
        throw OutOfRange(param, text);
      }
      settings->Slider(param.index) = std::clamp(number, param.valid_min, param.valid_max);
      return;
    }
    case PF_Param_FIX_SLIDER:
      if (!in_range) throw OutOfRange(param, text);
      // The host keeps the slider in 16.16 fixed point; the nearest step is what it would store.
      settings->Fixed(param.index) = static_cast<PF_Fixed>(std::lround(number * kFixedOne));
      return;
    case PF_Param_COLOR:
      if (!ParseColour(text, &settings->Colour(param.index))) throw OutOfRange(param, text);
      return;
    case PF_Param_CHECKBOX: {
      static const std::map<std::string, PF_ParamValue> kSwitches{
          {"on", 1},  {"true", 1},  {"yes", 1}, {"1", 1},
          {"off", 0}, {"false", 0}, {"no", 0},  {"0", 0}};
      const auto found = kSwitches.find(OIIO::Strutil::lower(text));
      if (found == kSwitches.end()) throw OutOfRange(param, text);
      settings->Checkbox(param.index) = found->second;
      return;
    }
  }
}

std::string SettingText(const RegisteredParam& param, const simhost::EffectSettings& settings) {
  switch (param.kind) {
    case PF_Param_POPUP:
      return std::to_string(settings.Choice(param.index));
    case PF_Param_FLOAT_SLIDER:
      return FormatNumber(settings.Slider(param.index));
    case PF_Param_FIX_SLIDER:
      return FormatNumber(NumberOfFixed(settings.Fixed(param.index)));
    case PF_Param_COLOR:
      return ColourText(settings.Colour(param.index));
    case PF_Param_CHECKBOX:
      return settings.Checkbox(param.index) != 0 ? "on" : "off";
  }
  return "";
}

std::string AllowedText(const RegisteredParam& param) {
  const std::string percent = param.percent ? " (percent)" : "";
  switch (param.kind) {
    case PF_Param_POPUP:
      return FormatNumber(param.valid_min) + " to " + FormatNumber(param.valid_max) + " (" +
             OIIO::Strutil::join(param.choices, ", ") + ")";
    case PF_Param_FLOAT_SLIDER:
      // Registered as floats; shown as the float they are, not its double widening.
      return FormatNumber(static_cast<float>(param.valid_min)) + " to " +
             FormatNumber(static_cast<float>(param.valid_max)) + percent;
    case PF_Param_FIX_SLIDER:
      return FormatNumber(param.valid_min) + " to " + FormatNumber(param.valid_max) + percent;
    case PF_Param_COLOR:
      return "R,G,B bytes 0..255 or #RRGGBB";
    case PF_Param_CHECKBOX:
      return "on or off";
  }
  return "";
}

std::string ColourText(const PF_Pixel& colour) {
  return OIIO::Strutil::sprintf("#%02X%02X%02X", colour.red, colour.green, colour.blue);
}
