// The bundle under the simulated image-effect host: loaded, described and
// instantiated; test images in any layout the interface allows; the effect's
// settings applied by parameter name; and the frame the engine builds from
// the same settings, which every render must match.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/frame_curve.h"
#include "engine/pixel_frame.h"
#include "engine/portable_trig.h"
#include "engine/tone_curve.h"
#include "ofx_sdk/ofx_constants.h"
#include "simhost/effect_settings.h"
#include "simhost/frame_controls.h"
#include "simofx/effect_values.h"
#include "simofx/host_image.h"
#include "simofx/ofx_host.h"

namespace ofx_test {

using TestImage = simofx::HostImage;

// Settings every part of the curve takes part in: pre-transform, contrast,
// a coloured pivot, roll-offs, a blend and the white clamp; in After Effects'
// encodings.
inline simhost::EffectSettings BusySettings() {
  simhost::EffectSettings s;
  s.Choice(PARAM_QUALITY) = 4;
  s.Slider(PARAM_OFFSET) = 0.02;
  s.Slider(PARAM_GAMMA) = 1.3;
  s.Slider(PARAM_GAIN) = 1.1;
  s.Slider(PARAM_CONTRAST) = 35.0;
  s.Colour(PARAM_PIVOT) = {255, 140, 120, 100};
  s.Slider(PARAM_WIDTH) = 0.6;
  s.Slider(PARAM_SHADOWS_ROLLOFF) = 0.3;
  s.Slider(PARAM_HIGHLIGHTS_ROLLOFF) = 0.2;
  s.Fixed(PARAM_BLEND) = 20 << 16;
  s.Checkbox(PARAM_CLAMP_WHITE) = 1;
  return s;
}

// The engine's frame for the settings, built as After Effects' render builds it.
struct PredictedFrame {
  simhost::RenderCurve built;
  PixelFrame frame;
  explicit PredictedFrame(const simhost::EffectSettings& settings) : built(settings) {
    PreparePixelFrame(built.curve, &frame);
  }
};

class OfxPluginTest : public ::testing::Test {
 protected:
  explicit OfxPluginTest(simofx::Faults faults = {}) : host_(std::move(faults)) {}
  void SetUp() override {
    ASSERT_TRUE(host_.Load(VELMORA_OFX_BINARY));
    ASSERT_EQ(host_.Describe(), kOfxStatOK);
    ASSERT_EQ(host_.CreateInstance(), kOfxStatOK);
  }

  // The instance's parameters are the table's, in its order.
  void Apply(const simhost::EffectSettings& s) { ASSERT_TRUE(simofx::ApplySettings(s, &host_)); }

  void Attach(TestImage& source, TestImage& output) {
    host_.SetClipImage(kOfxImageEffectSimpleSourceClipName, source.Record());
    host_.SetClipImage(kOfxImageEffectOutputClipName, output.Record());
  }

  simofx::OfxHostSim host_;
};

}  // namespace ofx_test
