// The host's encodings of the parameter values, decoded into the effect's own
// units, and the engine's input gathered from them through the parameter
// table. Inline, so that the simulated host and the tool decode their settings
// exactly as the render does.
#pragma once

#include "engine/frame_curve.h"
#include "host/params.h"
#include "host_sdk/host_constants.h"
#include "host_sdk/host_records.h"

// One in the host's 16.16 fixed point, in which the blend slider is kept.
constexpr double kFixedOne = 65536.0;

// The 16.16 encoding of `number`, truncated toward zero as the effect registers it.
inline PF_Fixed FixedOfNumber(double number) {
  return static_cast<PF_Fixed>(number * kFixedOne);
}

// An opaque grey of `level` (0..255), as the effect registers a colour's default.
inline PF_Pixel OpaqueGrey(double level) {
  const auto channel = static_cast<A_u_char>(level);
  return PF_Pixel{255, channel, channel, channel};
}

// A 16.16 value, exactly.
inline double NumberOfFixed(PF_Fixed value) {
  return static_cast<double>(value) / kFixedOne;
}

// A colour channel from its byte: byte / 255 in single precision, as both hosts
// deliver the 8-bit colour.
inline float ChannelOfByte(A_u_char byte) {
  return static_cast<float>(byte) / 255.0f;
}

// The value of `def`, registered from `identity`; a colour from its bytes.
inline ParamValue ValueOfDef(const ParamIdentity& identity, const PF_ParamDef& def) {
  ParamValue value{};
  switch (identity.kind) {
    case PF_Param_POPUP:
      value.number = def.u.pd.value;
      break;
    case PF_Param_FLOAT_SLIDER:
      value.number = def.u.fs_d.value;
      break;
    case PF_Param_FIX_SLIDER:
      value.number = NumberOfFixed(def.u.fd.value);
      break;
    case PF_Param_COLOR:
      value.red = ChannelOfByte(def.u.cd.value.red);
      value.green = ChannelOfByte(def.u.cd.value.green);
      value.blue = ChannelOfByte(def.u.cd.value.blue);
      break;
    case PF_Param_CHECKBOX:
      value.number = def.u.bd.value;
      break;
    default:
      break;
  }
  return value;
}
