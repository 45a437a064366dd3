// The effect's parameters as the tool offers them: the parameter table
// (host/params.h) gives each one's flag and persistent id; its name, range and
// default are read from the definition the module itself registers.
#pragma once

#include <string>
#include <vector>

#include "host/params.h"
#include "simhost/effect_settings.h"

// One parameter as the module registered it. Ranges are in the units the user
// types: choice numbers, slider values, percent for the blend.
struct RegisteredParam {
  std::string flag;   // "contrast-width", without the dashes
  std::string name;   // "Contrast width", as registered
  A_long index;       // ParamIndex: the position in the host's array and in the settings
  PF_ParamType kind;  // PF_Param_*
  const ParamIdentity* identity;  // the table's row
  PF_ParamDef def;                // as registered: the defaults and old projects' value
  double valid_min = 0.0;
  double valid_max = 0.0;
  bool percent = false;                // a slider shown in percent
  std::vector<std::string> choices{};  // Popup only: each label's first word, lower case
};

// Pairs each row of `table` with the recorded definition of its persistent id.
// Throws Failure naming the id when the module registered none, or another kind.
std::vector<RegisteredParam> ReadRegisteredParams(
    const std::vector<simhost::RecordedParam>& recorded, ParamTable table = kParamTable);

// Throws BadInput listing the known flags when none is `flag`.
const RegisteredParam& FindParam(const std::vector<RegisteredParam>& params,
                                 const std::string& flag);

// Every value at the default the module registered with the host `params` came from.
simhost::EffectSettings DefaultSettings(const std::vector<RegisteredParam>& params,
                                        ParamTable table = kParamTable);

// Sets one value from text as AllowedText describes it (a popup also takes the
// first word of a label, a checkbox true/false, yes/no, 1/0). Throws BadInput
// naming the flag, the value and what is allowed.
void ApplySetting(const RegisteredParam& param, const std::string& text,
                  simhost::EffectSettings* settings);

// The value in the form ApplySetting reads back to the same setting.
std::string SettingText(const RegisteredParam& param, const simhost::EffectSettings& settings);

// "0 to 10", "1 to 5 (fast, fair, good, 8-bit, 10-bit)", "R,G,B or #RRGGBB", "on or off".
std::string AllowedText(const RegisteredParam& param);

// A pivot colour as "#RRGGBB".
std::string ColourText(const PF_Pixel& colour);
