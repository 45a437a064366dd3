// The twelve values of a render in the host's own encodings, found by the
// persistent ids of the effect's parameter table (host/params.h), and the
// parameter array the host builds from them.
#pragma once

#include <array>
#include <vector>

#include "host_sdk/host_records.h"

namespace simhost {

// Defaults are the values the effect registers.
struct EffectSettings {
  PF_ParamValue quality = 3;  // popup choice 1..5
  PF_FpLong offset = 0.0;
  PF_FpLong gamma = 1.0;
  PF_FpLong gain = 1.0;
  PF_FpLong contrast = 0.0;
  PF_Pixel pivot = {255, 128, 128, 128};  // alpha, red, green, blue
  PF_FpLong width = 1.0;
  PF_FpLong shadows_rolloff = 0.0;
  PF_FpLong highlights_rolloff = 0.0;
  PF_Fixed blend = 0;  // 16.16 percent: 100 % is 6553600
  PF_ParamValue clamp_white = 0;
  PF_ParamValue clamp_black = 0;
};

// The values by persistent id: the slider value and the checkbox value of the
// parameter with `disk_id`, or null when the effect's table gives that id
// another kind or does not know it.
PF_FpLong* FloatSliderValue(EffectSettings& settings, A_long disk_id);
PF_ParamValue* CheckboxValue(EffectSettings& settings, A_long disk_id);

// One definition the effect offered to `inter.add_param`, as it was at the call.
struct RecordedParam {
  PF_ParamIndex index;
  PF_ParamDef def;
  bool name_terminated;  // a NUL within the 32-byte `name`
};

constexpr int kRenderParamCount = 13;  // the input layer and the twelve values

// What the host passes as `params`: entry 0 the input layer (its world in
// `u.ld`), then the definitions the effect registered, in the order it
// registered them, and a final null pointer as the host's argument lists have.
struct RenderParams {
  std::array<PF_ParamDef, kRenderParamCount> defs;
  std::array<PF_ParamDef*, kRenderParamCount + 1> list;
};

// Fills `params` as a host does: a copy of each registered definition, in
// registration order, its value taken from `settings` by its persistent id.
// The pointers point into `params` itself, so it must not be copied
// afterwards. Returns false, with `params` unusable, when the registered
// definitions are not the effect's twelve.
bool BuildRenderParams(const EffectSettings& settings, const std::vector<RecordedParam>& registered,
                       const PF_EffectWorld& input, RenderParams& params);

}  // namespace simhost
