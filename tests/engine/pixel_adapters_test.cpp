#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "engine/pixel_test_entry_points.h"
#include "tests/engine/reference_transform.h"
#include "tests/support/engine_fixtures.h"

using velmora_reference::FromChannel16;
using velmora_reference::FromChannel8;
using velmora_reference::ToChannel16;
using velmora_reference::ToChannel8;
using velmora_test::Build;
using velmora_test::BuiltCurve;
using velmora_test::CurveSettings;

namespace {

TEST(ChannelConversion, EveryCodeRoundTrips) {
  for (int code = 0; code <= 255; ++code) {
    const auto byte = static_cast<A_u_char>(code);
    ASSERT_EQ(ToChannel8(FromChannel8(byte)), byte) << code;
  }
  for (int code = 0; code <= 32768; ++code) {
    const auto word = static_cast<A_u_short>(code);
    ASSERT_EQ(ToChannel16(FromChannel16(word)), word) << code;
  }
}

TEST(ChannelConversion, TruncatesAndClamps) {
  struct Case {
    float value;
    int byte;
    int word;
  };
  const Case cases[] = {
      {0.5f, 127, 16384},
      {0.999f, 254, 32735},
      {0.99999994f, 254, 32767},
      {1.0f, 255, 32768},
      {1.3f, 255, 32768},
      {-0.2f, 0, 0},
      {-0.0f, 0, 0},
      {std::numeric_limits<float>::quiet_NaN(), 0, 0},
      {std::numeric_limits<float>::infinity(), 255, 32768},
      {-std::numeric_limits<float>::infinity(), 0, 0},
      {3e38f, 255, 32768},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToChannel8(c.value), c.byte) << c.value;
    EXPECT_EQ(ToChannel16(c.value), c.word) << c.value;
  }
  // 16-bit codes above full scale read as values above 1.0.
  EXPECT_GT(FromChannel16(40000), 1.0f);
  EXPECT_EQ(FromChannel16(32768), 1.0f);
}

TEST(PixelAdapters, NeutralSettingsLeaveEveryPixelUnchanged) {
  ToneCurve curve = velmora_test::NeutralCurve();
  for (int code = 0; code <= 255; ++code) {
    const auto c = static_cast<A_u_char>(code);
    PF_Pixel8 in{c, c, static_cast<A_u_char>(255 - code), static_cast<A_u_char>(code / 2)};
    PF_Pixel8 out{};
    ASSERT_EQ(TransformPixel8(&curve, 0, 0, &in, &out), 0);
    ASSERT_EQ(out.alpha, in.alpha);
    ASSERT_EQ(out.red, in.red);
    ASSERT_EQ(out.green, in.green);
    ASSERT_EQ(out.blue, in.blue);
  }
  for (int code = 0; code <= 32768; ++code) {
    const auto c = static_cast<A_u_short>(code);
    PF_Pixel16 in{c, c, static_cast<A_u_short>(32768 - code), static_cast<A_u_short>(code / 3)};
    PF_Pixel16 out{};
    ASSERT_EQ(TransformPixel16(&curve, 0, 0, &in, &out), 0);
    ASSERT_EQ(out.alpha, in.alpha);
    ASSERT_EQ(out.red, in.red);
    ASSERT_EQ(out.green, in.green);
    ASSERT_EQ(out.blue, in.blue);
  }
}

TEST(PixelAdapters, EightBitGoesThroughTheFloatTransform) {
  BuiltCurve built;
  CurveSettings s;
  s.contrast = 50;
  Build(s, &built);
  built.curve.mix = 0.8f;
  PF_Pixel8 in{200, 30, 120, 250};
  PF_Pixel8 out{};
  TransformPixel8(&built.curve, 3, 4, &in, &out);
  FloatPixel expected{};
  TransformPixel(built.curve,
                 FloatPixel{200.0f / 255.0f, 30.0f / 255.0f, 120.0f / 255.0f, 250.0f / 255.0f},
                 &expected);
  EXPECT_EQ(out.alpha, 200);
  EXPECT_EQ(out.red, ToChannel8(expected.red));
  EXPECT_EQ(out.green, ToChannel8(expected.green));
  EXPECT_EQ(out.blue, ToChannel8(expected.blue));
  EXPECT_NE(out.red, in.red);  // the contrast did something
}

TEST(PixelAdapters, BgraAndArgbAgreeOnEveryChannelValue) {
  std::mt19937 random(3);
  for (double contrast : {-60.0, 0.0, 70.0}) {
    BuiltCurve built;
    CurveSettings s;
    s.contrast = contrast;
    s.clamp_black = 1;
    Build(s, &built);
    built.curve.mix = contrast > 0 ? 0.5f : 1.0f;
    built.curve.gamma = contrast < 0 ? 1.8f : 1.0f;
    for (int i = 0; i < 200000; ++i) {
      const auto a = static_cast<A_u_char>(random());
      const auto r = static_cast<A_u_char>(random());
      const auto g = static_cast<A_u_char>(random());
      const auto b = static_cast<A_u_char>(random());
      PF_Pixel8 argb_in{a, r, g, b};
      PF_Pixel8 argb_out{};
      TransformPixel8(&built.curve, 0, 0, &argb_in, &argb_out);
      PF_Pixel8 bgra_in{b, g, r, a};  // bytes in BGRA order
      PF_Pixel8 bgra_out{};
      TransformPixel8BGRA(&built.curve, 0, 0, &bgra_in, &bgra_out);
      ASSERT_EQ(bgra_out.alpha, argb_out.blue);
      ASSERT_EQ(bgra_out.red, argb_out.green);
      ASSERT_EQ(bgra_out.green, argb_out.red);
      ASSERT_EQ(bgra_out.blue, argb_out.alpha);
    }
  }
  // The documented example: blue 10, green 20, red 30, alpha 255.
  BuiltCurve built;
  CurveSettings s;
  s.contrast = 25;
  Build(s, &built);
  PF_Pixel8 bgra_in{10, 20, 30, 255};
  PF_Pixel8 bgra_out{};
  TransformPixel8BGRA(&built.curve, 0, 0, &bgra_in, &bgra_out);
  PF_Pixel8 argb_in{255, 30, 20, 10};
  PF_Pixel8 argb_out{};
  TransformPixel8(&built.curve, 0, 0, &argb_in, &argb_out);
  EXPECT_EQ(bgra_out.alpha, argb_out.blue);
  EXPECT_EQ(bgra_out.red, argb_out.green);
  EXPECT_EQ(bgra_out.green, argb_out.red);
  EXPECT_EQ(bgra_out.blue, argb_out.alpha);
}

TEST(PixelAdapters, SixteenBitCodesAboveFullScaleAreClampedOnTheWayOut) {
  BuiltCurve built;
  CurveSettings s;
  s.contrast = 20;
  Build(s, &built);
  PF_Pixel16 in{65535, 65535, 40000, 33000};
  PF_Pixel16 out{};
  TransformPixel16(&built.curve, 0, 0, &in, &out);
  EXPECT_EQ(out.alpha, 32768);  // alpha above full scale is limited too
  EXPECT_LE(out.red, 32768);
  EXPECT_LE(out.green, 32768);
  EXPECT_LE(out.blue, 32768);
}

}  // namespace
