// Shared by the end-to-end tests of the effect module: the module as a host
// loads it, and the engine's own answer for a frame, computed directly.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/pixel_test_entry_points.h"
#include "engine/tone_curve.h"
#include "simhost/frame_controls.h"
#include "simhost/host.h"
#include "simhost/portable_trig.h"

namespace velmora_test {

// Loaded once for the whole test program, as a host keeps an effect loaded.
inline const simhost::LoadedModule& EffectModule() {
  static const simhost::LoadedModule module(VELMORA_MODULE_PATH);
  return module;
}

// The record a render builds from `settings`, with its table, made here with
// the same sine and cosine that the simulated host hands the effect. The pivot
// arrives as the colour bytes over 255 in single precision, in both hosts.
struct ReferenceCurve {
  ToneCurve curve{};
  float lut[kLutCapacity] = {};

  ReferenceCurve(const simhost::EffectSettings& settings, int32_t table_size) {
    BuildFrameCurve(simhost::FrameControlsOf(settings, table_size), lut, simhost::PortableSin,
                    simhost::PortableCos, &curve);
  }
  ReferenceCurve(const ReferenceCurve&) = delete;
  ReferenceCurve& operator=(const ReferenceCurve&) = delete;
};

// Writes into `expected` what the engine's adapter for the image's format makes
// of `input`, pixel by pixel, over `rows` rows and `columns` columns from the
// top left.
inline void ApplyReference(const ToneCurve& curve, const simhost::HostImage& input,
                           simhost::HostImage& expected, A_long rows, A_long columns) {
  void* refcon = const_cast<ToneCurve*>(&curve);
  for (A_long y = 0; y < rows; ++y) {
    for (A_long x = 0; x < columns; ++x) {
      switch (input.Format()) {
        case simhost::HostPixelFormat::ARGB8: {
          PF_Pixel8 in = input.At<PF_Pixel8>(x, y);
          TransformPixel8(refcon, x, y, &in, &expected.At<PF_Pixel8>(x, y));
          break;
        }
        case simhost::HostPixelFormat::ARGB16: {
          PF_Pixel16 in = input.At<PF_Pixel16>(x, y);
          TransformPixel16(refcon, x, y, &in, &expected.At<PF_Pixel16>(x, y));
          break;
        }
        case simhost::HostPixelFormat::BGRA8: {
          PF_Pixel8 in = input.At<PF_Pixel8>(x, y);
          TransformPixel8BGRA(refcon, x, y, &in, &expected.At<PF_Pixel8>(x, y));
          break;
        }
        case simhost::HostPixelFormat::BGRAFloat: {
          FloatPixelBGRA in = input.At<FloatPixelBGRA>(x, y);
          TransformPixelBGRA(refcon, x, y, &in, &expected.At<FloatPixelBGRA>(x, y));
          break;
        }
      }
    }
  }
}

inline bool IsPremiereFormat(simhost::HostPixelFormat format) {
  return format == simhost::HostPixelFormat::BGRA8 || format == simhost::HostPixelFormat::BGRAFloat;
}

inline simhost::HostMode ModeFor(simhost::HostPixelFormat format) {
  return IsPremiereFormat(format) ? simhost::HostMode::PremierePro
                                  : simhost::HostMode::AfterEffects;
}

// The bytes of PF_OutData, to show that a call left it exactly as it was.
inline std::vector<unsigned char> BytesOf(const PF_OutData& out_data) {
  std::vector<unsigned char> bytes(sizeof out_data);
  std::memcpy(bytes.data(), &out_data, sizeof out_data);
  return bytes;
}

}  // namespace velmora_test
