// The per-frame record: which route a frame takes, and the short route's edges
// (whole table positions, the last point, lightness just inside 0 and 1)
// against the plain transcription at zero tolerance.
#include "engine/pixel_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "engine/pixel_test_entry_points.h"
#include "tests/engine/reference_transform.h"
#include "tests/support/engine_fixtures.h"

using velmora_test::BuiltCurve;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

PixelFrame FrameOf(const ToneCurve& curve) {
  PixelFrame frame;
  PreparePixelFrame(curve, &frame);
  return frame;
}

BuiltCurve GreyContrast(int32_t size = 128) {
  velmora_test::CurveSettings settings;
  settings.size = size;
  settings.contrast = 50.0;
  BuiltCurve built;
  velmora_test::Build(settings, &built);
  built.curve.lut = built.table.data();
  return built;
}

TEST(PixelFrame, RouteFollowsThePreTransformTheTableAndTheBlend) {
  BuiltCurve built = GreyContrast();
  ToneCurve& curve = built.curve;
  EXPECT_EQ(FrameOf(curve).route, FrameRoute::Short);
  EXPECT_EQ(FrameOf(curve).curve.lut, curve.lut);  // the record itself, not a copy of the table

  ToneCurve gamma = curve;
  gamma.gamma = 2.2f;
  EXPECT_EQ(FrameOf(gamma).route, FrameRoute::ShortPreTransformed);
  ToneCurve nan_gain = curve;
  nan_gain.gain = kNaN;  // a NaN field turns the pre-transform on
  EXPECT_EQ(FrameOf(nan_gain).route, FrameRoute::ShortPreTransformed);

  ToneCurve flat = curve;
  flat.contrast = -0.0f;  // no table
  EXPECT_EQ(FrameOf(flat).route, FrameRoute::General);
  ToneCurve nan_contrast = curve;
  nan_contrast.contrast = kNaN;  // not 0: the table applies
  EXPECT_EQ(FrameOf(nan_contrast).route, FrameRoute::Short);
  // A blend keeps the short route while the mix lies in [0, 1], where the
  // blended integer channels stay within the short route's stores.
  for (float mix : {0.5f, 0.0f, -0.0f, 0.99999994f}) {
    ToneCurve blended = curve;
    blended.mix = mix;
    EXPECT_EQ(FrameOf(blended).route, FrameRoute::ShortBlended) << mix;
    blended.gamma = 2.2f;
    EXPECT_EQ(FrameOf(blended).route, FrameRoute::ShortPreTransformedBlended) << mix;
  }
  for (float mix : {1.0000001f, 1.5f, -1e-30f, -0.5f, kInf, kNaN}) {
    ToneCurve blended = curve;
    blended.mix = mix;
    EXPECT_EQ(FrameOf(blended).route, FrameRoute::General) << mix;
  }
  ToneCurve blended_flat = flat;
  blended_flat.mix = 0.5f;
  EXPECT_EQ(FrameOf(blended_flat).route, FrameRoute::General);
}

TEST(PixelFrame, OnlyAPlainTableTakesTheShortRoute) {
  EXPECT_TRUE(TableIsPlain(GreyContrast(32).curve));
  EXPECT_TRUE(TableIsPlain(GreyContrast(1024).curve));
  for (float point : {-0.0f, -1e-30f, 1.0000001f, kInf, kNaN, -kNaN}) {
    BuiltCurve built = GreyContrast();
    built.table[17] = point;
    EXPECT_FALSE(TableIsPlain(built.curve)) << point;
    EXPECT_EQ(FrameOf(built.curve).route, FrameRoute::General) << point;
  }
  BuiltCurve ends = GreyContrast();
  ends.table[0] = 0.0f;
  ends.table[127] = 1.0f;
  EXPECT_TRUE(TableIsPlain(ends.curve));
  ToneCurve no_table = ends.curve;
  no_table.lut = nullptr;
  EXPECT_FALSE(TableIsPlain(no_table));
}

TEST(PixelFrame, ClampLimitsFollowTheSlopes) {
  BuiltCurve built = GreyContrast();
  built.curve.white_slope = 0.0f;
  built.curve.black_slope = 0.7f;
  PixelFrame frame = FrameOf(built.curve);
  EXPECT_EQ(frame.white_limit, 1.0f);
  EXPECT_EQ(frame.black_limit, -kInf);
  built.curve.white_slope = kNaN;  // not 0: no clamp
  built.curve.black_slope = -0.0f;
  frame = FrameOf(built.curve);
  EXPECT_EQ(frame.white_limit, kInf);
  EXPECT_EQ(frame.black_limit, 0.0f);
}

// Grey pixels put the lightness exactly where the test wants it: at every
// whole table position, one float either side of it, and at the float
// neighbours of 0 and 1, for every table size and pre-transform kind, through
// the float walk and the 16-bit frame function.
TEST(PixelFrame, ShortRouteEdgesMatchThePlainArithmetic) {
  for (int32_t size : {32, 64, 128, 256, 1024}) {
    for (auto [gamma, mix] : {std::pair{1.0f, 1.0f}, {2.2f, 1.0f}, {1.0f, 0.4f}, {2.2f, 0.7f}}) {
      BuiltCurve built = GreyContrast(size);
      built.curve.gamma = gamma;
      built.curve.mix = mix;
      built.curve.white_slope = 0.0f;  // the float walk's clamp as well
      const ToneCurve& curve = built.curve;
      std::vector<float> levels = {
          std::numeric_limits<float>::denorm_min(), 1e-30f, 0.99999994f, 1.0f, 0.0f, -0.0f};
      for (int32_t i = 0; i < size; ++i) {
        const float at = static_cast<float>(i) / static_cast<float>(size - 1);
        levels.insert(levels.end(), {std::nextafter(at, 0.0f), at, std::nextafter(at, 2.0f)});
      }
      std::vector<FloatPixelBGRA> source;
      for (float v : levels) source.push_back({v, v, v, 0.5f});
      source.push_back({0.25f, kNaN, 0.5f, 1.0f});  // NaN red, lightness still inside
      std::vector<FloatPixelBGRA> walked(source.size());
      PF_EffectWorld in{};
      PF_EffectWorld out{};
      in.data = reinterpret_cast<PF_Pixel*>(source.data());
      out.data = reinterpret_cast<PF_Pixel*>(walked.data());
      in.width = out.width = static_cast<A_long>(source.size());
      in.rowbytes = out.rowbytes = in.width * static_cast<A_long>(sizeof(FloatPixelBGRA));
      TransformRowsBGRA(curve, in, out, 1);

      PixelFrame frame = FrameOf(curve);
      for (size_t i = 0; i < source.size(); ++i) {
        const FloatPixelBGRA& s = source[i];
        const FloatPixel expected =
            velmora_reference::TransformPixel(curve, {s.alpha, s.red, s.green, s.blue});
        using velmora_test::SameFloat;
        ASSERT_TRUE(SameFloat(walked[i].red, expected.red) &&
                    SameFloat(walked[i].green, expected.green) &&
                    SameFloat(walked[i].blue, expected.blue))
            << "size " << size << ", gamma " << gamma << ", mix " << mix << ", pixel " << i
            << " level " << s.red;

        const float level = s.green;
        if (!(level >= 0.0f && level <= 2.0f)) continue;
        const auto code = static_cast<A_u_short>(level * 32768.0f);
        PF_Pixel16 pixel{32768, code, code, code};
        PF_Pixel16 got{};
        PF_Pixel16 through_route{};
        TransformFramePixel16(&frame, 0, 0, &pixel, &got);
        PixelFunction16For(frame)(&frame, 0, 0, &pixel, &through_route);
        const PF_Pixel16 want = velmora_reference::TransformPixel16(curve, pixel);
        const auto same = [&](const PF_Pixel16& p) {
          return p.alpha == want.alpha && p.red == want.red && p.green == want.green &&
                 p.blue == want.blue;
        };
        ASSERT_TRUE(same(got) && same(through_route))
            << "size " << size << ", gamma " << gamma << ", mix " << mix << ", code " << code;
      }
    }
  }
}

}  // namespace
