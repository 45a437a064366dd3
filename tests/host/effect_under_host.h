// Shared by the end-to-end tests of the effect module: the module as a host
// loads it, and the engine's own answer for a frame, computed directly.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <vector>

#include "engine/pixel_test_entry_points.h"
#include "engine/portable_trig.h"
#include "engine/tone_curve.h"
#include "simhost/frame_controls.h"
#include "simhost/host.h"

namespace velmora_test {

// Loaded once for the whole test program, as a host keeps an effect loaded.
inline const simhost::LoadedModule& EffectModule() {
  static const simhost::LoadedModule module(VELMORA_MODULE_PATH);
  return module;
}

using ReferenceCurve = simhost::RenderCurve;

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
        case simhost::HostPixelFormat::ARGBFloat: {
          FloatPixel in = input.At<FloatPixel>(x, y);
          TransformPixel(curve, in, &expected.At<FloatPixel>(x, y));
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

// ---- The settings grid the render tests go through.

struct NamedSettings {
  const char* name;
  simhost::EffectSettings settings;
};

// Test names and failure messages show the case by name.
inline void PrintTo(const NamedSettings& named, std::ostream* out) {
  *out << named.name;
}

inline std::vector<NamedSettings> SettingsCases() {
  std::vector<NamedSettings> cases;
  cases.push_back({"Defaults", simhost::EffectSettings{}});
  simhost::EffectSettings strong;
  strong.Slider(PARAM_CONTRAST) = 40.0;
  strong.Colour(PARAM_PIVOT) = PF_Pixel{255, 200, 90, 30};
  strong.Slider(PARAM_WIDTH) = 0.5;
  strong.Slider(PARAM_SHADOWS_ROLLOFF) = 0.3;
  strong.Slider(PARAM_HIGHLIGHTS_ROLLOFF) = 0.6;
  cases.push_back({"StrongContrastWarmPivot", strong});
  for (PF_ParamValue quality : {1, 2, 4, 5}) {
    simhost::EffectSettings sized = strong;
    sized.Choice(PARAM_QUALITY) = quality;
    cases.push_back({quality == 1   ? "Quality1"
                     : quality == 2 ? "Quality2"
                     : quality == 4 ? "Quality4"
                                    : "Quality5",
                     sized});
  }
  simhost::EffectSettings pre;
  pre.Slider(PARAM_OFFSET) = -0.1;
  pre.Slider(PARAM_GAMMA) = 2.2;
  pre.Slider(PARAM_GAIN) = 1.3;
  pre.Slider(PARAM_CONTRAST) = -35.0;
  cases.push_back({"PreTransformNegativeContrast", pre});
  simhost::EffectSettings linear;
  linear.Slider(PARAM_OFFSET) = 0.05;
  linear.Slider(PARAM_GAIN) = 1.7;
  linear.Slider(PARAM_CONTRAST) = 25.0;
  cases.push_back({"LinearPreTransform", linear});
  simhost::EffectSettings clamped = strong;
  clamped.Slider(PARAM_CONTRAST) = 70.0;
  clamped.Checkbox(PARAM_CLAMP_WHITE) = 1;
  clamped.Checkbox(PARAM_CLAMP_BLACK) = 1;
  cases.push_back({"ClampedBothEnds", clamped});
  simhost::EffectSettings half = strong;
  half.Fixed(PARAM_BLEND) = 3276800;  // 50 %
  cases.push_back({"BlendHalf", half});
  simhost::EffectSettings nearly = strong;
  nearly.Fixed(PARAM_BLEND) = 6547046;  // 99.9 %: a small mix, still the full transform
  cases.push_back({"Blend99_9", nearly});
  return cases;
}

}  // namespace velmora_test
