// The render, the tool's curve plot and the tests' predictions all take their
// record from BuildFrameCurve, so a control wired to the wrong field would go
// unseen by comparing them with each other: these pin it on its own.
#include "engine/frame_curve.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/support/engine_fixtures.h"

namespace {

TEST(BuildFrameCurve, EachControlReachesItsField) {
  FrameControls controls{};
  controls.offset = 0.1;
  controls.gamma = 2.2;
  controls.gain = 0.9;
  controls.table = {256, 0.25f, 0.5f, 0.75f, -30.0, 0.5, 0.25, 0.125, 1, 0};
  controls.blend = 3276800;  // 50 %
  std::array<float, kLutCapacity> storage{};
  ToneCurve curve;
  BuildFrameCurve(controls, storage.data(), velmora_test::StdSin, velmora_test::StdCos, &curve);

  std::array<float, kLutCapacity> table{};
  ToneCurve expected{};
  BuildLut(&expected, table.data(), controls.table, velmora_test::StdSin, velmora_test::StdCos);
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
  EXPECT_EQ(MixForBlend(0), 1.0f);
  EXPECT_EQ(MixForBlend(6553600), 0.0f);
  EXPECT_GT(MixForBlend(6553599), 0.0f);  // 100 % less one step of 16.16
  EXPECT_EQ(MixForBlend(1638400), 0.75f);
}

}  // namespace
