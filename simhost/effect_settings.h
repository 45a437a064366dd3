// The twelve values of a render in the host's own encodings, and the parameter
// array the host builds from them.
#pragma once

#include <array>

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

constexpr int kRenderParamCount = 13;  // the input layer and the twelve values

// What the host passes as `params`: entry 0 the input layer (its world in
// `u.ld`), entries 1 to 12 the values in registration order, and a final null
// pointer as the host's argument lists have.
struct RenderParams {
  std::array<PF_ParamDef, kRenderParamCount> defs;
  std::array<PF_ParamDef*, kRenderParamCount + 1> list;
};

// Fills `params` from the settings; the pointers point into `params` itself,
// so it must not be copied afterwards.
void BuildRenderParams(const EffectSettings& settings, const PF_EffectWorld& input,
                       RenderParams& params);

}  // namespace simhost
