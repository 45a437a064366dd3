// The bundle under the simulated image-effect host: loaded, described and
// instantiated; test images in any layout the interface allows; the effect's
// settings applied by parameter name; and the frame the engine builds from
// the same settings, which every render must match.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "engine/frame_curve.h"
#include "engine/pixel_frame.h"
#include "engine/tone_curve.h"
#include "ofx_sdk/ofx_constants.h"
#include "simhost/effect_settings.h"
#include "simhost/frame_controls.h"
#include "simhost/portable_trig.h"
#include "simofx/host_image.h"
#include "simofx/ofx_host.h"

namespace ofx_test {

using TestImage = simofx::HostImage;

// Settings every part of the curve takes part in: pre-transform, contrast,
// a coloured pivot, roll-offs, a blend and the white clamp.
inline simhost::EffectSettings BusySettings() {
  simhost::EffectSettings s;
  s.quality = 4;
  s.offset = 0.02;
  s.gamma = 1.3;
  s.gain = 1.1;
  s.contrast = 35.0;
  s.pivot = {255, 140, 120, 100};
  s.width = 0.6;
  s.shadows_rolloff = 0.3;
  s.highlights_rolloff = 0.2;
  s.blend = 20 << 16;
  s.clamp_white = 1;
  return s;
}

// The engine's frame for the settings, built as After Effects' render builds it.
struct PredictedFrame {
  float lut[kLutCapacity] = {};
  PixelFrame frame;
  explicit PredictedFrame(const simhost::EffectSettings& settings) {
    const FrameControls controls =
        simhost::FrameControlsOf(settings, LutSizeForQuality(settings.quality));
    ToneCurve curve;
    BuildFrameCurve(controls, lut, simhost::PortableSin, simhost::PortableCos, &curve);
    PreparePixelFrame(curve, &frame);
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

  void Apply(const simhost::EffectSettings& s) {
    host_.SetParam("Quality", {static_cast<double>(s.quality - 1)});
    host_.SetParam("Offset", {s.offset});
    host_.SetParam("Gamma", {s.gamma});
    host_.SetParam("Gain", {s.gain});
    host_.SetParam("Contrast", {s.contrast});
    host_.SetParam("Pivot", {s.pivot.red / 255.0, s.pivot.green / 255.0, s.pivot.blue / 255.0});
    host_.SetParam("ContrastWidth", {s.width});
    host_.SetParam("ShadowsRolloff", {s.shadows_rolloff});
    host_.SetParam("HighlightsRolloff", {s.highlights_rolloff});
    host_.SetParam("BlendWithOriginal", {s.blend / 65536.0});
    host_.SetParam("ClampWhiteOnOutput", {static_cast<double>(s.clamp_white)});
    host_.SetParam("ClampBlackOnOutput", {static_cast<double>(s.clamp_black)});
  }

  void Attach(TestImage& source, TestImage& output) {
    host_.SetClipImage(kOfxImageEffectSimpleSourceClipName, source.Spec());
    host_.SetClipImage(kOfxImageEffectOutputClipName, output.Spec());
  }

  simofx::OfxHostSim host_;
};

}  // namespace ofx_test
