#include "tools/flags.h"

#include <filesystem>
#include <iostream>

#include "host/params.h"
#include "tools/output_paths.h"
#include "tools/preset.h"
#include "tools/tool_error.h"

namespace {

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
  WritePreset(*flags.save_preset, params, settings);
  std::cout << "preset: " << *flags.save_preset << "\n";
}
