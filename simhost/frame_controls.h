// The settings of a render as the engine's input: what the effect's render
// reads from the parameter array the host builds from the same settings, for
// the tool's curve plot and the tests that predict a render. Each value goes
// through the host layer's own decoding and its table row's way into the
// input; the colour is its bytes over 255, as both hosts deliver it.
#pragma once

#include "engine/frame_curve.h"
#include "engine/portable_trig.h"
#include "host/param_values.h"
#include "simhost/effect_settings.h"

namespace simhost {

inline EffectInput EffectInputOf(const EffectSettings& settings) {
  EffectInput input{};
  for (const ParamIdentity& identity : settings.Table()) {
    PF_ParamDef def{};
    settings.WriteValue(identity, &def);
    identity.reach(ValueOfDef(identity, def), &input);
  }
  return input;
}

// The record a render builds from `settings`, with the table it points into,
// made with the sine and cosine the simulated host hands the effect.
struct RenderCurve {
  explicit RenderCurve(const EffectSettings& settings) {
    BuildFrameCurve(EffectInputOf(settings), lut, PortableSin, PortableCos, &curve);
  }
  RenderCurve(const RenderCurve&) = delete;
  RenderCurve& operator=(const RenderCurve&) = delete;

  ToneCurve curve{};
  float lut[kLutCapacity] = {};
};

}  // namespace simhost
