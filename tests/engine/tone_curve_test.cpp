#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "tests/support/engine_fixtures.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A record over a hand-made table whose entries are all different, so any
// wrong index or weight shows.
struct HandMadeCurve {
  std::vector<float> table;
  ToneCurve curve{};

  explicit HandMadeCurve(int32_t size) : table(static_cast<size_t>(size)) {
    for (int32_t i = 0; i < size; ++i) {
      table[i] = static_cast<float>(i) / static_cast<float>(size - 1) * 0.9f +
                 0.01f * static_cast<float>(i % 3);
    }
    curve.offset = 0.0f;
    curve.gamma = 1.0f;
    curve.gain = 1.0f;
    curve.contrast = 25.0f;
    curve.mix = 1.0f;
    curve.black_slope = 0.5f;
    curve.white_slope = 0.75f;
    curve.lut_size = size;
    curve.lut = table.data();
  }
};

TEST(EvaluateCurve, NeutralRecordKeepsValuesAndExtendsTheEnds) {
  const ToneCurve open = velmora_test::NeutralCurve(0.8f, 0.6f);
  EXPECT_EQ(EvaluateCurve(0.3, open), 0.3);
  EXPECT_EQ(EvaluateCurve(1.7, open), 1.0 + static_cast<double>(0.6f) * (1.7 - 1.0));
  EXPECT_EQ(EvaluateCurve(-0.2, open), -0.2 * static_cast<double>(0.8f));
  EXPECT_EQ(EvaluateCurve(kInf, open), kInf);
  EXPECT_EQ(EvaluateCurve(-kInf, open), -kInf);

  const ToneCurve clamped = velmora_test::NeutralCurve(0.0f, 0.0f);
  EXPECT_EQ(EvaluateCurve(1.7, clamped), 1.0);
  EXPECT_EQ(EvaluateCurve(-0.2, clamped), 0.0);
  EXPECT_EQ(EvaluateCurve(kInf, clamped), 1.0);
  EXPECT_EQ(EvaluateCurve(-kInf, clamped), 0.0);
}

TEST(EvaluateCurve, ExactEndsWhateverTheSlopesAndTable) {
  for (int32_t size : {32, 128, 1024}) {
    HandMadeCurve hand(size);
    for (float slope : {0.0f, 0.3f, 5.0f}) {
      hand.curve.black_slope = slope;
      hand.curve.white_slope = slope;
      EXPECT_EQ(velmora_test::DoubleBits(EvaluateCurve(1.0, hand.curve)),
                velmora_test::DoubleBits(1.0));
      EXPECT_EQ(velmora_test::DoubleBits(EvaluateCurve(0.0, hand.curve)),
                velmora_test::DoubleBits(slope == 0.0f ? 0.0 : 0.0 * slope));
    }
  }
}

TEST(EvaluateCurve, PreTransform) {
  ToneCurve linear = velmora_test::NeutralCurve(0.5f, 0.5f);
  linear.gain = 2.0f;
  // gamma 1: gain * x + offset in double, negative x unlimited.
  EXPECT_EQ(EvaluateCurve(-0.25, linear), -0.5 * 0.5);
  EXPECT_EQ(EvaluateCurve(0.3, linear), 0.6);

  ToneCurve squared = velmora_test::NeutralCurve(0.5f, 0.5f);
  squared.gamma = 2.0f;
  squared.offset = 0.1f;
  // Negative x is limited to 0 before the power; the offset follows in single.
  EXPECT_EQ(EvaluateCurve(-0.25, squared), static_cast<double>(0.1f));
  EXPECT_EQ(EvaluateCurve(kNaN, squared), static_cast<double>(0.1f));
  const float third = static_cast<float>(0.3);
  const float powered = third * third;
  EXPECT_EQ(EvaluateCurve(0.3, squared), static_cast<double>(powered + 0.1f));

  ToneCurve flat = velmora_test::NeutralCurve(0.0f, 0.0f);
  flat.gamma = 0.0f;
  flat.gain = 0.5f;
  flat.offset = 0.25f;
  for (double x : {-3.0, -0.0, 0.0, 0.2, 0.9, 4.0}) {
    EXPECT_EQ(EvaluateCurve(x, flat), 0.75) << x;  // x^0 is 1 for every x
  }

  // A NaN field is not equal to its neutral value: the pre-transform runs.
  ToneCurve nan_offset = velmora_test::NeutralCurve(0.5f, 0.5f);
  nan_offset.offset = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(std::isnan(EvaluateCurve(0.3, nan_offset)));
}

TEST(EvaluateCurve, ExtensionsSeeThePreTransformedValue) {
  ToneCurve curve = velmora_test::NeutralCurve(0.0f, 0.4f);
  curve.gain = 3.0f;
  EXPECT_EQ(EvaluateCurve(0.5, curve), 1.0 + static_cast<double>(0.4f) * (1.5 - 1.0));
}

TEST(EvaluateCurve, TableLookupInterpolatesInSinglePrecision) {
  struct Case {
    int32_t size;
    double x;
    int32_t lower;
    float lower_weight;  // weight of lut[lower]; lut[lower + 1] gets 1 - it
  };
  const Case cases[] = {{32, 0.5, 15, 0.5f}, {64, 0.25, 15, 0.25f}};
  for (const Case& c : cases) {
    HandMadeCurve hand(c.size);
    const float expected =
        c.lower_weight * hand.table[c.lower] + (1.0f - c.lower_weight) * hand.table[c.lower + 1];
    EXPECT_EQ(EvaluateCurve(c.x, hand.curve), static_cast<double>(expected)) << c.size;
  }

  HandMadeCurve size256(256);
  EXPECT_EQ(EvaluateCurve(0.2, size256.curve), static_cast<double>(size256.table[51]));
  HandMadeCurve size1024(1024);
  EXPECT_EQ(EvaluateCurve(0.9999999999, size1024.curve), static_cast<double>(size1024.table[1023]));

  // The general case, computed the long way.
  HandMadeCurve size128(128);
  for (double x = 0.001; x < 1.0; x += 0.0137) {
    const float position = static_cast<float>(127.0 * x);
    const float upper = std::ceil(position);
    const float lower = std::floor(position);
    float expected;
    if (position == upper) {
      expected = size128.table[static_cast<int>(position)];
    } else {
      const float a = (upper - position) * size128.table[static_cast<int>(lower)];
      const float b = (position - lower) * size128.table[static_cast<int>(upper)];
      expected = a + b;
    }
    ASSERT_EQ(EvaluateCurve(x, size128.curve), static_cast<double>(expected)) << x;
  }
}

TEST(EvaluateCurve, JustBelowOneNeverReadsPastTheTable) {
  HandMadeCurve hand(32);
  const double below_one = std::nextafter(1.0, 0.0);
  // 31 * x rounds to 31 in single precision: the last entry, not beyond.
  EXPECT_EQ(EvaluateCurve(below_one, hand.curve), static_cast<double>(hand.table[31]));
}

TEST(EvaluateCurve, NaNReturnsNaNWithoutReadingTheTable) {
  HandMadeCurve hand(128);
  hand.curve.lut = nullptr;  // a read would crash
  EXPECT_TRUE(std::isnan(EvaluateCurve(kNaN, hand.curve)));
  hand.curve.contrast = 0.0f;
  EXPECT_TRUE(std::isnan(EvaluateCurve(kNaN, hand.curve)));
}

TEST(EvaluateCurve, ContrastZeroSkipsTheTable) {
  ToneCurve curve = velmora_test::NeutralCurve(1.0f, 1.0f);
  for (double x : {1e-300, 0.125, 0.5, 0.999999}) EXPECT_EQ(EvaluateCurve(x, curve), x);
}

}  // namespace
