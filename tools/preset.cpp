#include "tools/preset.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "tools/atomic_write.h"
#include "tools/tool_error.h"

namespace {

std::string ValueText(const nlohmann::json& value) {
  if (value.is_boolean()) return value.get<bool>() ? "on" : "off";
  if (value.is_string()) return value.get<std::string>();
  if (!value.is_number_float()) return value.dump();
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value.get<double>());
  return text;
}

nlohmann::json ValueJson(const RegisteredParam& param, const simhost::EffectSettings& settings) {
  switch (param.kind) {
    case ParamKind::Popup:
      return settings.Choice(param.index);
    case ParamKind::Checkbox:
      return settings.Checkbox(param.index) != 0;
    case ParamKind::Colour:
      return SettingText(param, settings);
    default:
      return std::strtod(SettingText(param, settings).c_str(), nullptr);
  }
}

}  // namespace

void ReadPreset(const std::filesystem::path& path, const std::vector<RegisteredParam>& params,
                simhost::EffectSettings* settings) {
  std::error_code status;
  if (std::filesystem::is_directory(path, status)) {
    throw BadInput("preset is a folder, not a file: " + path.string());
  }
  // A pipe or device would block or never end.
  if (std::filesystem::exists(path, status) && !std::filesystem::is_regular_file(path, status)) {
    throw BadInput("cannot read preset " + path.string() + ": not a regular file");
  }
  std::ifstream file(path);
  if (!file) throw BadInput("cannot read preset " + path.string());
  // The parser is told of every value as it opens, so a document nested without
  // end is refused before it is built (and torn down) recursively, and a setting
  // named twice is refused as a flag given twice is.
  constexpr int kDeepest = 64;
  std::set<std::string> keys;
  const auto check = [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
    using Event = nlohmann::json::parse_event_t;
    if ((event == Event::object_start || event == Event::array_start) && depth >= kDeepest) {
      throw BadInput("preset " + path.string() + " is nested more than " +
                     std::to_string(kDeepest) + " levels deep");
    }
    if (event == Event::key && depth == 1 && !keys.insert(parsed.get<std::string>()).second) {
      throw BadInput("preset " + path.string() + " names \"" +
                     Shortened(parsed.get<std::string>()) + "\" twice; give it once");
    }
    return true;
  };
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(file, check);
  } catch (const nlohmann::json::exception& error) {
    throw BadInput("preset " + path.string() + " is not valid JSON: " + error.what());
  }
  if (!document.is_object()) {
    throw BadInput("preset " + path.string() + " must be a JSON object of settings");
  }
  std::string known;
  for (const RegisteredParam& param : params) known += (known.empty() ? "" : ", ") + param.flag;
  try {
    for (const auto& item : document.items()) {
      const auto match = std::find_if(params.begin(), params.end(),
                                      [&](const auto& param) { return param.flag == item.key(); });
      if (match == params.end()) {
        throw BadInput("unknown setting \"" + Shortened(item.key()) + "\"; known are " + known);
      }
      ApplySetting(*match, ValueText(item.value()), settings);
    }
  } catch (const ToolError& error) {
    throw BadInput("preset " + path.string() + ": " + error.what());
  }
  // A preset written before a parameter existed opens as a project of that
  // time does: the parameter takes the value the module gives old projects.
  for (const RegisteredParam& param : params) {
    if ((param.def.flags & PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS) != 0 &&
        !document.contains(param.flag)) {
      settings->ReadValue(*param.identity, param.def, false);
    }
  }
}

void WritePreset(const std::filesystem::path& path, const std::vector<RegisteredParam>& params,
                 const simhost::EffectSettings& settings) {
  nlohmann::ordered_json document = nlohmann::ordered_json::object();
  for (const RegisteredParam& param : params) document[param.flag] = ValueJson(param, settings);
  const std::string text = document.dump(2) + "\n";
  WriteBytesAtomically(path, text.data(), text.size());
}
