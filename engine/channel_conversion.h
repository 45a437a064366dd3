// Conversions between the host's integer channels and the working floats.
//
// Into float: c / 255 for 8 bits, c * 2^-15 for 16 bits (full scale 32768, not
// 65535), both single precision. Back: the scaled value clamped to the channel's
// range and truncated toward zero, never rounded, with NaN as 0; every code
// converted in and out unchanged comes back as itself.
#pragma once

#include <cstdint>

#include "host/host_types.h"

inline float FromChannel8(A_u_char value) {
  return static_cast<float>(value) / 255.0f;
}

inline float FromChannel16(A_u_short value) {
  return static_cast<float>(value) * 0.000030517578125f;
}

// The clamp comes before the conversion to an integer, so that conversion never
// sees a NaN or a value it cannot hold.
inline A_u_char ToChannel8(float value) {
  const float scaled = value * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 255.0f) return 255;
  return static_cast<A_u_char>(static_cast<int32_t>(scaled));
}

inline A_u_short ToChannel16(float value) {
  const float scaled = value * 32768.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 32768.0f) return 32768;
  return static_cast<A_u_short>(static_cast<int32_t>(scaled));
}
