#include "tools/flags.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>

#include "host/params.h"
#include "tools/atomic_write.h"
#include "tools/output_paths.h"
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
    case PF_Param_POPUP:
      return settings.Choice(param.index);
    case PF_Param_CHECKBOX:
      return settings.Checkbox(param.index) != 0;
    case PF_Param_COLOR:
      return SettingText(param, settings);
    default:
      return std::strtod(SettingText(param, settings).c_str(), nullptr);
  }
}

std::string HelpText(const ParamIdentity& identity, const std::vector<RegisteredParam>& params) {
  for (const RegisteredParam& param : params) {
    if (param.flag != identity.tool_name) continue;
    const bool per_host = identity.defaults.after_effects != identity.defaults.premiere_pro;
    return param.name + ": " + AllowedText(param) + "; default " +
           SettingText(param, DefaultSettings(params)) +
           (per_host ? " in After Effects, the host's own with --host premiere" : "");
  }
  return "see `velmora info` for the range and default";
}

// What the help shows a flag's value as.
std::string TypeName(const ParamIdentity& identity) {
  if (identity.kind == PF_Param_COLOR) return "R,G,B|#RRGGBB";
  if (identity.kind != PF_Param_POPUP) return "NUMBER";
  return std::to_string(static_cast<int>(identity.valid_min)) + "-" +
         std::to_string(static_cast<int>(identity.valid_max)) + "|WORD";
}

// An unset shell variable gives an empty name; taken as "no preset" it would
// write an ungraded image or save nothing without a word.
void RefuseEmpty(const std::optional<std::string>& name, const char* flag) {
  if (name && name->empty()) throw BadInput(std::string(flag) + " is empty; give a file name");
}

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
  try {
    for (const auto& item : document.items()) {
      ApplySetting(FindParam(params, item.key()), ValueText(item.value()), settings);
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

}  // namespace

void AddSettingFlags(CLI::App* command, const std::vector<RegisteredParam>& params,
                     SettingFlags* flags) {
  for (const ParamIdentity& identity : kParamTable) {
    const std::string flag = identity.tool_name;
    if (identity.kind == PF_Param_CHECKBOX) {
      // One option for both spellings, so that the last one given wins.
      command->add_flag("--" + flag + ",!--no-" + flag)
          ->description(HelpText(identity, params) + "; --no-" + flag + " turns it off")
          ->each([flags, flag](const std::string& value) { flags->given[flag] = value; });
    } else {
      command
          ->add_option_function<std::string>(
              "--" + flag, [flags, flag](const std::string& text) { flags->given[flag] = text; },
              HelpText(identity, params))
          ->type_name(TypeName(identity));
    }
  }
  command->add_option("--preset", flags->preset, "Read the values from this JSON file first")
      ->type_name("FILE");
  command
      ->add_option("--save-preset", flags->save_preset, "Write the values used to this JSON file")
      ->type_name("FILE");
}

simhost::EffectSettings ResolveSettings(const SettingFlags& flags,
                                        const std::vector<RegisteredParam>& params,
                                        const simhost::EffectSettings& defaults) {
  RefuseEmpty(flags.preset, "--preset");
  RefuseEmpty(flags.save_preset, "--save-preset");
  simhost::EffectSettings settings = defaults;
  if (flags.preset) ReadPreset(*flags.preset, params, &settings);
  for (const auto& [flag, text] : flags.given)
    ApplySetting(FindParam(params, flag), text, &settings);
  if (flags.save_preset) CheckOutputPath(*flags.save_preset, "--save-preset");
  return settings;
}

void CheckPresetsApart(const SettingFlags& flags, const std::vector<std::filesystem::path>& inputs,
                       const std::vector<std::filesystem::path>& outputs) {
  const std::string saved = flags.save_preset ? FileIdentity(*flags.save_preset) : "";
  const std::string read = flags.preset ? FileIdentity(*flags.preset) : "";
  for (const std::filesystem::path& input : inputs) {
    if (FileIdentity(input) == saved) {
      throw BadInput("--save-preset " + *flags.save_preset + " would overwrite the input " +
                     input.string());
    }
  }
  for (const std::filesystem::path& output : outputs) {
    const std::string identity = FileIdentity(output);
    if (identity == saved) {
      throw BadInput("--save-preset " + *flags.save_preset + " is also the output " +
                     output.string() + "; choose another file for one of them");
    }
    if (identity == read) {
      throw BadInput("output " + output.string() + " would overwrite the preset " + *flags.preset);
    }
  }
}

void SavePresetIfAsked(const SettingFlags& flags, const std::vector<RegisteredParam>& params,
                       const simhost::EffectSettings& settings) {
  if (!flags.save_preset) return;
  nlohmann::ordered_json document = nlohmann::ordered_json::object();
  for (const RegisteredParam& param : params) document[param.flag] = ValueJson(param, settings);
  const std::string text = document.dump(2) + "\n";
  WriteBytesAtomically(*flags.save_preset, text.data(), text.size());
  std::cout << "preset: " << *flags.save_preset << "\n";
}
