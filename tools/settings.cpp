#include "tools/settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
constexpr std::array<FlagIdentity, REGISTERED_PARAM_COUNT> FLAG_NAMES{{
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
  for (const FlagIdentity& name : FLAG_NAMES) {
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

constexpr double FIXED_ONE = 65536.0;

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string FirstWord(const std::string& label) {
  const std::size_t start = label.find_first_not_of(' ');
  if (start == std::string::npos) return "";
  return Lowercase(label.substr(start, label.find(' ', start) - start));
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
std::string FormatNumber(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// Ranges are registered as floats; shown as the float they are, not its double widening.
std::string FormatLimit(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(value));
  return std::string(text, result.ptr);
}

// The host keeps slider ranges in single precision, so a typed value is in range
// when it is at that precision ("0.001" for a minimum of 0.001f); it is then
// held to the range as the host holds its sliders.
bool WithinRange(double value, const RegisteredParam& param, double* held) {
  const float narrowed = static_cast<float>(value);
  if (!(static_cast<double>(narrowed) >= param.valid_min &&
        static_cast<double>(narrowed) <= param.valid_max)) {
    return false;
  }
  *held = std::clamp(value, param.valid_min, param.valid_max);
  return true;
}

ToolError OutOfRange(const RegisteredParam& param, const std::string& text) {
  return BadInput("--" + param.flag + " " + text + ": not allowed; " + param.name + " takes " +
                  AllowedText(param));
}

bool ParseDouble(const std::string& text, double* value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && errno != ERANGE;
}

bool ParseByte(const std::string& text, int base, uint8_t* value) {
  if (text.empty() || !std::isxdigit(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, base);
  if (end != text.c_str() + text.size() || number < 0 || number > 255) return false;
  *value = static_cast<uint8_t>(number);
  return true;
}

bool ParseColour(const std::string& text, PF_Pixel* colour) {
  std::array<uint8_t, 3> bytes{};
  if (text.size() == 7 && text[0] == '#') {
    for (std::size_t i = 0; i < 3; ++i) {
      if (!ParseByte(text.substr(1 + 2 * i, 2), 16, &bytes[i])) return false;
    }
  } else {
    std::size_t start = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      const std::size_t comma = text.find(',', start);
      if ((i < 2) == (comma == std::string::npos)) return false;
      if (!ParseByte(text.substr(start, comma - start), 10, &bytes[i])) return false;
      start = comma + 1;
    }
  }
  colour->alpha = 255;
  colour->red = bytes[0];
  colour->green = bytes[1];
  colour->blue = bytes[2];
  return true;
}

bool ParseSwitch(const std::string& text, bool* on) {
  const std::string word = Lowercase(text);
  if (word == "on" || word == "true" || word == "yes" || word == "1") {
    *on = true;
    return true;
  }
  if (word == "off" || word == "false" || word == "no" || word == "0") {
    *on = false;
    return true;
  }
  return false;
}

// The settings' value of a parameter, by its persistent id; a parameter the
// settings do not hold is a fault of the tool, not of the user's input.
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
      param.valid_min = def.u.fd.valid_min / FIXED_ONE;
      param.valid_max = def.u.fd.valid_max / FIXED_ONE;
      param.default_value = def.u.fd.dephault / FIXED_ONE;
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

const std::vector<std::string>& ParamFlags() {
  static const std::vector<std::string> flags = [] {
    std::vector<std::string> names;
    for (const ParamIdentity& identity : PARAM_IDENTITIES) {
      names.emplace_back(FlagOf(identity.disk_id));
    }
    return names;
  }();
  return flags;
}

std::vector<RegisteredParam> ReadRegisteredParams(
    const std::vector<simhost::RecordedParam>& recorded) {
  std::vector<RegisteredParam> params;
  for (const ParamIdentity& identity : PARAM_IDENTITIES) {
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
        settings.blend = static_cast<PF_Fixed>(std::lround(param.default_value * FIXED_ONE));
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

void ApplySetting(const RegisteredParam& param, const std::string& text,
                  simhost::EffectSettings* settings) {
  double number = 0.0;
  switch (param.kind) {
    case ParamKind::Popup: {
      for (std::size_t i = 0; i < param.choices.size(); ++i) {
        if (!param.choices[i].empty() && Lowercase(text) == FirstWord(param.choices[i])) {
          settings->quality = static_cast<PF_ParamValue>(i + 1);
          return;
        }
      }
      if (!ParseDouble(text, &number) || number != std::floor(number) ||
          !(number >= param.valid_min && number <= param.valid_max)) {
        throw OutOfRange(param, text);
      }
      settings->quality = static_cast<PF_ParamValue>(number);
      return;
    }
    case ParamKind::FloatSlider:
      if (!ParseDouble(text, &number) || !WithinRange(number, param, &number)) {
        throw OutOfRange(param, text);
      }
      *SliderField(param, settings) = number;
      return;
    case ParamKind::FixedSlider:
      if (!ParseDouble(text, &number) ||
          !(number >= param.valid_min && number <= param.valid_max)) {
        throw OutOfRange(param, text);
      }
      // The host keeps the slider in 16.16 fixed point; the nearest step is what it would store.
      settings->blend = static_cast<PF_Fixed>(std::lround(number * FIXED_ONE));
      return;
    case ParamKind::Colour:
      if (!ParseColour(text, &settings->pivot)) throw OutOfRange(param, text);
      return;
    case ParamKind::Checkbox: {
      bool on = false;
      if (!ParseSwitch(text, &on)) throw OutOfRange(param, text);
      *CheckboxField(param, settings) = on ? 1 : 0;
      return;
    }
  }
}

std::string SettingText(const RegisteredParam& param, const simhost::EffectSettings& settings) {
  simhost::EffectSettings copy = settings;
  switch (param.kind) {
    case ParamKind::Popup:
      return std::to_string(settings.quality);
    case ParamKind::FloatSlider:
      return FormatNumber(*SliderField(param, &copy));
    case ParamKind::FixedSlider:
      return FormatNumber(settings.blend / FIXED_ONE);
    case ParamKind::Colour:
      return ColourText(settings.pivot);
    case ParamKind::Checkbox:
      return *CheckboxField(param, &copy) != 0 ? "on" : "off";
  }
  return "";
}

std::string AllowedText(const RegisteredParam& param) {
  switch (param.kind) {
    case ParamKind::Popup: {
      std::string words;
      for (const std::string& choice : param.choices) {
        words += (words.empty() ? "" : ", ") + FirstWord(choice);
      }
      return FormatNumber(param.valid_min) + " to " + FormatNumber(param.valid_max) + " (" + words +
             ")";
    }
    case ParamKind::FloatSlider:
      return FormatLimit(param.valid_min) + " to " + FormatLimit(param.valid_max);
    case ParamKind::FixedSlider:
      return FormatNumber(param.valid_min) + " to " + FormatNumber(param.valid_max) + " (percent)";
    case ParamKind::Colour:
      return "R,G,B bytes 0..255 or #RRGGBB";
    case ParamKind::Checkbox:
      return "on or off";
  }
  return "";
}

std::string ColourText(const PF_Pixel& colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
  return text;
}
