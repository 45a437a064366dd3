// What the mode that preserves HDR promises beyond matching its transcription
// (reference_match_test.cpp): neutral settings keep every value, the end
// slopes are the curve's own, colour lives beyond white, and infinities find
// their limits instead of NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/pixel_frame.h"
#include "engine/pixel_test_entry_points.h"
#include "engine/tone_curve.h"
#include "tests/support/engine_fixtures.h"

using velmora_test::Build;
using velmora_test::BuiltCurve;
using velmora_test::CurveSettings;

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();

CurveSettings Hdr(double contrast) {
  CurveSettings settings;
  settings.contrast = contrast;
  settings.preserve_hdr = 1;
  return settings;
}

// The pixels through the float row walk and After Effects' float function.
std::vector<FloatPixelBGRA> Walk(const ToneCurve& curve, std::vector<FloatPixelBGRA> pixels) {
  PixelFrame frame;
  PreparePixelFrame(curve, &frame);
  std::vector<FloatPixelBGRA> walked(pixels.size());
  PF_EffectWorld in{};
  PF_EffectWorld out{};
  in.data = reinterpret_cast<PF_Pixel*>(pixels.data());
  out.data = reinterpret_cast<PF_Pixel*>(walked.data());
  in.width = out.width = static_cast<A_long>(pixels.size());
  in.rowbytes = out.rowbytes = in.width * static_cast<A_long>(sizeof(FloatPixelBGRA));
  TransformFrameRowsBGRA(frame, in, out, 1);
  const FramePixelFunctionFloat one_by_one = PixelFunctionFloatFor(frame);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const FloatPixelBGRA& p = pixels[i];
    PF_PixelFloat argb{p.alpha, p.red, p.green, p.blue};
    PF_PixelFloat result{};
    one_by_one(&frame, 0, 0, &argb, &result);
    const FloatPixelBGRA& w = walked[i];
    const PF_PixelFloat walked_argb{w.alpha, w.red, w.green, w.blue};
    EXPECT_EQ(std::memcmp(&result, &walked_argb, sizeof result), 0) << i;
  }
  return walked;
}

TEST(PreserveHdr, NeutralSettingsKeepEveryValueWithSlopesOfExactlyOne) {
  const float specials[] = {0.0f,
                            -0.0f,
                            1e-45f,
                            -1e-40f,
                            0.25f,
                            1.0f,
                            1.5f,
                            -0.1f,
                            1e30f,
                            -3e38f,
                            kInfinity,
                            -kInfinity,
                            std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::quiet_NaN()};
  std::vector<FloatPixelBGRA> pixels;
  for (float blue : specials) {
    for (float green : specials) {
      for (float red : specials) pixels.push_back({blue, green, red, red});
    }
  }
  for (int32_t size : {32, 1024}) {
    for (double width : {0.001, 0.3, 1.0}) {
      for (double rolloff : {0.0, 0.7}) {
        CurveSettings settings = Hdr(0.0);
        settings.size = size;
        settings.width = width;
        settings.shadows = settings.highlights = rolloff;
        settings.red = 0.9f;  // a coloured pivot
        BuiltCurve built;
        Build(settings, &built);
        EXPECT_EQ(built.curve.white_slope, 1.0f);
        EXPECT_EQ(built.curve.black_slope, 1.0f);
        built.curve.mix = 0.4f;  // a blend of the identity with itself is the identity
        const std::vector<FloatPixelBGRA> walked = Walk(built.curve, pixels);
        ASSERT_EQ(std::memcmp(walked.data(), pixels.data(), pixels.size() * sizeof pixels[0]), 0)
            << "size " << size << ", width " << width << ", roll-off " << rolloff;
      }
    }
  }
}

TEST(PreserveHdr, EndSlopesAreFiniteContinuousAndZeroWhenClamped) {
  for (double width : {0.001, 0.3, 1.0}) {
    for (double rolloff : {0.0, 0.01, 0.5, 1.0}) {
      float previous = 0.0f;
      for (int step = -400; step <= 400; ++step) {
        CurveSettings settings = Hdr(step * 0.25);
        settings.width = width;
        settings.shadows = settings.highlights = rolloff;
        BuiltCurve built;
        Build(settings, &built);
        const float slope = built.curve.white_slope;
        ASSERT_EQ(slope, built.curve.black_slope);
        ASSERT_TRUE(slope >= 1.0f / 37.0f && slope <= 10.0f) << slope;
        // At contrast 0 the table is off and the slope 1 whatever the
        // roll-off; elsewhere a quarter of contrast moves it by little.
        const bool crosses_zero = rolloff != 0.0 && (step == 0 || step == 1);
        if (step > -400 && !crosses_zero) {
          ASSERT_NEAR(slope, previous, 0.02 * previous) << width << ", " << rolloff << ", " << step;
        }
        previous = slope;
      }
    }
  }
  float previous = 0.0f;
  for (int step = 0; step <= 200; ++step) {
    CurveSettings settings = Hdr(30.0);
    settings.highlights = step / 200.0;
    settings.size = step % 2 == 0 ? 32 : 1024;         // the table's size plays no part
    settings.red = static_cast<float>(step) / 200.0f;  // nor does the pivot
    BuiltCurve built;
    Build(settings, &built);
    if (step > 0) {
      ASSERT_NEAR(built.curve.white_slope, previous, 0.05 * previous) << step;
    }
    previous = built.curve.white_slope;
  }
  CurveSettings clamped = Hdr(30.0);
  clamped.clamp_white = clamped.clamp_black = 1;
  BuiltCurve built;
  Build(clamped, &built);
  EXPECT_EQ(built.curve.white_slope, 0.0f);
  EXPECT_EQ(built.curve.black_slope, 0.0f);
}

TEST(PreserveHdr, SaturatedColourKeepsItsRatiosBeyondWhite) {
  BuiltCurve built;
  Build(Hdr(30.0), &built);
  std::vector<FloatPixelBGRA> ramps;
  for (int step = 1; step <= 400; ++step) {
    const float red = static_cast<float>(step) / 100.0f;  // up to 4.0
    ramps.push_back({0.1f * red, 0.3f * red, red, 1.0f});
    ramps.push_back({red, 0.05f * red, 0.6f * red, 1.0f});
  }
  const std::vector<FloatPixelBGRA> graded = Walk(built.curve, ramps);
  int beyond_white = 0;
  for (std::size_t i = 0; i < ramps.size(); ++i) {
    const FloatPixelBGRA& in = ramps[i];
    const FloatPixelBGRA& out = graded[i];
    const double lightness = (std::fmax(std::fmax(in.red, in.green), in.blue) +
                              std::fmin(std::fmin(in.red, in.green), in.blue)) *
                             0.5;
    if (EvaluateCurve(lightness, built.curve) < 1.0) continue;
    ++beyond_white;
    ASSERT_NE(out.red, out.green) << i;
    const double tolerance = 4.0 * std::numeric_limits<float>::epsilon();
    EXPECT_NEAR(out.green / out.red, in.green / in.red, tolerance * in.green / in.red) << i;
    EXPECT_NEAR(out.blue / out.red, in.blue / in.red, tolerance * in.blue / in.red) << i;
  }
  EXPECT_GT(beyond_white, 300);
}

TEST(PreserveHdr, InfiniteChannelsTakeTheirLimitNeverNaN) {
  const float values[] = {kInfinity, -kInfinity, 0.0f, 0.5f, -0.25f, 2.0f, 1e30f};
  std::vector<FloatPixelBGRA> pixels;
  for (float blue : values) {
    for (float green : values) {
      for (float red : values) {
        const bool up = red == kInfinity || green == kInfinity || blue == kInfinity;
        const bool down = red == -kInfinity || green == -kInfinity || blue == -kInfinity;
        if (up != down) pixels.push_back({blue, green, red, 1.0f});  // a limit exists
        if (!up && !down && red == 1e30f) pixels.push_back({blue, green, red, 1.0f});
      }
    }
  }
  struct Setting {
    float offset, gamma, gain, mix;
    int32_t clamp_white;
  };
  const Setting settings[] = {{0.0f, 1.0f, 1.0f, 1.0f, 0}, {0.1f, 2.2f, 1.0f, 1.0f, 0},
                              {0.0f, 0.5f, 2.0f, 0.5f, 0}, {0.2f, 2.2f, 0.0f, 1.0f, 0},
                              {0.0f, 1.0f, 0.0f, 1.0f, 0}, {0.0f, 1.0f, 1.0f, 0.0f, 1}};
  for (const Setting& s : settings) {
    CurveSettings curve_settings = Hdr(30.0);
    curve_settings.clamp_white = s.clamp_white;
    BuiltCurve built;
    Build(curve_settings, &built);
    built.curve.offset = s.offset;
    built.curve.gamma = s.gamma;
    built.curve.gain = s.gain;
    built.curve.mix = s.mix;
    const std::vector<FloatPixelBGRA> out = Walk(built.curve, pixels);
    for (std::size_t i = 0; i < out.size(); ++i) {
      ASSERT_FALSE(std::isnan(out[i].red) || std::isnan(out[i].green) || std::isnan(out[i].blue))
          << "gamma " << s.gamma << ", gain " << s.gain << ", pixel " << i << ": " << pixels[i].red
          << ", " << pixels[i].green << ", " << pixels[i].blue;
    }
  }
  // Neutral pre-transform: the infinity stays, the rest scale by the slope.
  BuiltCurve built;
  Build(Hdr(30.0), &built);
  const float slope = built.curve.white_slope;
  const FloatPixelBGRA out = Walk(built.curve, {{0.25f, 0.5f, kInfinity, 1.0f}})[0];
  EXPECT_EQ(out.red, kInfinity);
  EXPECT_EQ(out.green, static_cast<float>(0.5 * static_cast<double>(slope)));
  EXPECT_EQ(out.blue, static_cast<float>(0.25 * static_cast<double>(slope)));
}

}  // namespace
