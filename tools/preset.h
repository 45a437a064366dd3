// Presets: the effect's values in a small JSON file, one key per flag name.
//
//   {"quality": 3, "contrast": 35, "pivot": "#808080", "blend": 0, "clamp-white": false, ...}
//
// Numbers, strings and booleans are read as the same flags would read them;
// missing keys keep their value, unknown keys are refused.
#pragma once

#include <filesystem>
#include <vector>

#include "simhost/effect_settings.h"
#include "tools/settings.h"

// Throws BadInput naming the file and, where it applies, the key.
void ReadPreset(const std::filesystem::path& path, const std::vector<RegisteredParam>& params,
                simhost::EffectSettings* settings);

// Every value, written through a temporary file; exactly what ReadPreset reads back.
void WritePreset(const std::filesystem::path& path, const std::vector<RegisteredParam>& params,
                 const simhost::EffectSettings& settings);
