// The flags every rendering command shares: one per effect value, --preset and
// --save-preset. Values are kept as text until the module's own definitions are
// known, then checked against them. A preset is a small JSON file of the same
// values, one key per flag name, read as the flags are:
//
//   {"quality": 3, "contrast": 35, "pivot": "#808080", "blend": 0, "clamp-white": false, ...}
#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "simhost/effect_settings.h"
#include "tools/settings.h"

struct SettingFlags {
  std::map<std::string, std::string> given;  // flag name -> text, in command-line form
  std::optional<std::string> preset;         // absent when not given; given empty is refused
  std::optional<std::string> save_preset;
};

// `params` (empty when the module could not be loaded) only enriches the help texts.
void AddSettingFlags(CLI::App* command, const std::vector<RegisteredParam>& params,
                     SettingFlags* flags);

// `defaults` (a new instance in the host that renders), then the preset, then
// the flags given. A preset's missing keys keep their value; unknown keys are
// refused. Checks that --save-preset can name a new file. Throws BadInput
// naming the flag, or the preset file and, where it applies, its key.
simhost::EffectSettings ResolveSettings(const SettingFlags& flags,
                                        const std::vector<RegisteredParam>& params,
                                        const simhost::EffectSettings& defaults);

// Throws BadInput when --save-preset names one of the command's inputs or
// outputs, or an output names the --preset file.
void CheckPresetsApart(const SettingFlags& flags, const std::vector<std::filesystem::path>& inputs,
                       const std::vector<std::filesystem::path>& outputs);

// Writes the preset when --save-preset was given, through a temporary file,
// exactly as --preset reads it back, and says so on standard output.
void SavePresetIfAsked(const SettingFlags& flags, const std::vector<RegisteredParam>& params,
                       const simhost::EffectSettings& settings);
