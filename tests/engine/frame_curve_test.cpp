// The render, the tool's curve plot and the tests' predictions all take their
// record from BuildFrameCurve, so a control wired to the wrong field would go
// unseen by comparing them with each other: these pin it on its own.
#include "engine/frame_curve.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "tests/support/engine_fixtures.h"

namespace {

TEST(BuildFrameCurve, EachControlReachesItsField) {
  EffectInput input{};
  input.quality = 4;
  input.offset = 0.1;
  input.gamma = 2.2;
  input.gain = 0.9;
  input.contrast = -30.0;
  input.pivot_red = 0.25f;
  input.pivot_green = 0.5f;
  input.pivot_blue = 0.75f;
  input.width = 0.5;
  input.shadows_rolloff = 0.25;
  input.highlights_rolloff = 0.125;
  input.blend_percent = 50.0;
  input.clamp_white = true;
  std::array<float, kLutCapacity> storage{};
  ToneCurve curve;
  BuildFrameCurve(input, storage.data(), velmora_test::StdSin, velmora_test::StdCos, &curve);

  const CurveControls controls{256, 0.25f, 0.5f, 0.75f, -30.0, 0.5, 0.25, 0.125, 1, 0};
  std::array<float, kLutCapacity> table{};
  ToneCurve expected{};
  BuildLut(&expected, table.data(), controls, velmora_test::StdSin, velmora_test::StdCos);
  EXPECT_EQ(curve.offset, 0.1f);
  EXPECT_EQ(curve.gamma, 2.2f);
  EXPECT_EQ(curve.gain, 0.9f);
  EXPECT_EQ(curve.contrast, -30.0f);
  EXPECT_EQ(curve.mix, 0.5f);
  EXPECT_EQ(curve.lut, storage.data());
  EXPECT_EQ(curve.lut_size, 256);
  EXPECT_EQ(curve.white_slope, 0.0f);
  EXPECT_EQ(curve.black_slope, expected.black_slope);
  EXPECT_EQ(storage, table);
}

TEST(MixForBlend, IsZeroOnlyAtAFullBlend) {
  EXPECT_EQ(MixForBlend(0.0), 1.0f);
  EXPECT_EQ(MixForBlend(100.0), 0.0f);
  EXPECT_GT(MixForBlend(6553599 / 65536.0), 0.0f);  // 100 % less one step of 16.16
  EXPECT_EQ(MixForBlend(25.0), 0.75f);
  EXPECT_EQ(MixForBlend(std::numeric_limits<double>::quiet_NaN()), 1.0f);
}

}  // namespace
