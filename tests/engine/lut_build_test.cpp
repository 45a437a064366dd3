#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

#include "tests/support/engine_fixtures.h"

using velmora_test::Build;
using velmora_test::BuiltCurve;
using velmora_test::CurveSettings;
using velmora_test::SixDigits;

namespace {

struct Expectation {
  int32_t slot;
  const char* value;  // six significant digits
};

struct ReferenceCase {
  const char* name;
  CurveSettings settings;
  std::vector<Expectation> entries;
  const char* black_slope;  // nullptr where the reference gives none
  const char* white_slope;
};

CurveSettings With(void (*change)(CurveSettings&)) {
  CurveSettings s;
  change(s);
  return s;
}

const std::vector<ReferenceCase>& ReferenceCases() {
  static const std::vector<ReferenceCase> cases = {
      {"default",
       CurveSettings{},
       {{0, "0.00141449"},
        {1, "0.00806465"},
        {64, "0.501961"},
        {126, "0.992344"},
        {127, "0.998736"}},
       "0.84457",
       "0.811784"},
      {"contrast_50",
       With([](CurveSettings& s) { s.contrast = 50; }),
       {{0, "0.000197464"},
        {1, "0.00136302"},
        {64, "0.501961"},
        {126, "0.998547"},
        {127, "0.999738"}},
       "0.148025",
       "0.151169"},
      {"contrast_minus_50",
       With([](CurveSettings& s) { s.contrast = -50; }),
       {{64, "0.501961"}},
       "3.38088",
       "3.12796"},
      {"pivot_black",
       With([](CurveSettings& s) {
         s.contrast = 50;
         s.red = s.green = s.blue = 0.0f;
       }),
       {{0, "1e-08"}, {1, "0.0216666"}, {127, "0.999827"}},
       "2.75166",
       "0.123539"},
      {"pivot_white",
       With([](CurveSettings& s) {
         s.contrast = 50;
         s.red = s.green = s.blue = 1.0f;
       }),
       {{126, "0.978333"}, {127, "1"}},
       "0.127191",
       "2.75166"},
      {"pivot_252",
       With([](CurveSettings& s) {
         s.contrast = 50;
         s.red = s.green = s.blue = 252.0f / 255.0f;
       }),
       {{126, "0.988235"}, {127, "0.988235"}},
       nullptr,
       "0"},
      {"width_0_001",
       With([](CurveSettings& s) {
         s.contrast = 50;
         s.width = 0.001;
       }),
       {{0, "0.00125116"}, {64, "0.502468"}, {127, "0.998238"}},
       "0.75149",
       "0.737131"},
      {"rolloffs_1",
       With([](CurveSettings& s) {
         s.contrast = 50;
         s.shadows = s.highlights = 1;
       }),
       {{0, "0"}, {1, "9.82101e-06"}, {124, "0.999969"}, {127, "0.999969"}},
       nullptr,
       "0"},
      {"size_1024",
       With([](CurveSettings& s) {
         s.contrast = 50;
         s.size = 1024;
       }),
       {{514, "0.501961"}},
       "0.109696",
       "0.109756"},
      {"size_32",
       With([](CurveSettings& s) { s.size = 32; }),
       {{0, "0.00616396"}, {16, "0.501961"}, {31, "0.994319"}},
       nullptr,
       nullptr},
  };
  return cases;
}

TEST(BuildLut, ReproducesTheReferenceFigures) {
  for (const ReferenceCase& c : ReferenceCases()) {
    SCOPED_TRACE(c.name);
    BuiltCurve built;
    Build(c.settings, &built);
    EXPECT_EQ(built.curve.lut_size, c.settings.size);
    EXPECT_EQ(built.curve.lut, built.table.data());
    for (const Expectation& e : c.entries) {
      EXPECT_EQ(SixDigits(built.table[e.slot]), e.value) << "slot " << e.slot;
    }
    if (c.black_slope) {
      EXPECT_EQ(SixDigits(built.curve.black_slope), c.black_slope);
    }
    if (c.white_slope) {
      EXPECT_EQ(SixDigits(built.curve.white_slope), c.white_slope);
    }
  }
}

TEST(BuildLut, ExactValuesAtThePivotAndTheEnds) {
  const float grey = 128.0f / 255.0f;
  BuiltCurve built;
  Build(CurveSettings{}, &built);
  EXPECT_EQ(built.table[64], grey);  // the pivot slot holds L itself

  CurveSettings black;
  black.contrast = 50;
  black.red = black.green = black.blue = 0.0f;
  Build(black, &built);
  EXPECT_EQ(built.table[0], static_cast<float>(1e-8));

  CurveSettings white = black;
  white.red = white.green = white.blue = 1.0f;
  Build(white, &built);
  EXPECT_EQ(built.table[127], 1.0f);

  CurveSettings near_white = black;
  near_white.red = near_white.green = near_white.blue = 252.0f / 255.0f;
  Build(near_white, &built);
  // The dark segment ends on slot 126 with L; the trailing fill raises by 1e-8,
  // which L cannot hold, so the table ends flat and white is clamped.
  EXPECT_EQ(built.table[127], built.table[126]);
  EXPECT_EQ(built.curve.white_slope, 0.0f);

  CurveSettings rolled = black;
  rolled.red = rolled.green = rolled.blue = grey;
  rolled.shadows = rolled.highlights = 1.0;
  Build(rolled, &built);
  EXPECT_EQ(built.table[0], 0.0f);
  EXPECT_EQ(built.table[124], built.table[127]);
  EXPECT_EQ(built.curve.white_slope, 0.0f);
}

TEST(BuildLut, ClampsZeroTheSlopesButLeaveTheTable) {
  CurveSettings open;
  open.contrast = 50;
  CurveSettings clamped = open;
  clamped.clamp_black = clamped.clamp_white = 1;
  BuiltCurve a;
  BuiltCurve b;
  Build(open, &a);
  Build(clamped, &b);
  EXPECT_EQ(b.curve.black_slope, 0.0f);
  EXPECT_EQ(b.curve.white_slope, 0.0f);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(a.table[i], b.table[i]) << i;

  clamped.clamp_white = 0;
  Build(clamped, &b);
  EXPECT_EQ(b.curve.black_slope, 0.0f);
  EXPECT_EQ(b.curve.white_slope, a.curve.white_slope);
}

TEST(BuildLut, SlopesComeFromTheEndSlotsInSinglePrecision) {
  for (int32_t size : {32, 64, 128, 256, 1024}) {
    CurveSettings s;
    s.size = size;
    s.contrast = 30;
    BuiltCurve built;
    Build(s, &built);
    const float steps = static_cast<float>(size - 1);
    const float black_rise = built.table[1] - built.table[0];
    const float white_rise = built.table[size - 1] - built.table[size - 2];
    EXPECT_EQ(built.curve.black_slope, black_rise * steps) << size;
    EXPECT_EQ(built.curve.white_slope, white_rise * steps) << size;
  }
}

TEST(BuildLut, CallsSineAndCosineFourTimesWithTheContrastAngle) {
  static std::vector<std::pair<char, double>> calls;
  calls.clear();
  auto sine = [](double a) {
    calls.emplace_back('s', a);
    return std::sin(a);
  };
  auto cosine = [](double a) {
    calls.emplace_back('c', a);
    return std::cos(a);
  };
  ToneCurve curve{};
  std::array<float, kLutCapacity> table{};
  BuildLut(&curve, table.data(), {128, 0.5f, 0.5f, 0.5f, 50.0, 1.0, 0.0, 0.0, 0, 0}, sine, cosine);
  ASSERT_EQ(calls.size(), 4u);
  const char order[] = {'s', 'c', 's', 'c'};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(calls[i].first, order[i]);
    EXPECT_EQ(calls[i].second, 0.39269908169872414);  // pi / 8 at contrast 50
  }
}

TEST(BuildLut, SingleDarkSampleWritesSlotZero) {
  // Grey 1/255 at 128 points: N * L is below 1, so one dark sample.
  CurveSettings s;
  s.red = s.green = s.blue = 1.0f / 255.0f;
  s.contrast = 40;
  BuiltCurve built;
  built.table.fill(std::numeric_limits<float>::quiet_NaN());
  Build(s, &built);
  // The one dark sample, at parameter 0, is (0, 0); the first bright sample,
  // the pivot, lands on the same slot and is averaged with it.
  const double pivot = static_cast<double>(s.red + s.red) * 0.5;
  EXPECT_EQ(built.table[0], static_cast<float>(pivot / 2.0));
  for (int i = 0; i < 128; ++i) EXPECT_FALSE(std::isnan(built.table[i])) << i;
  for (int i = 1; i < 128; ++i) EXPECT_GE(built.table[i], built.table[i - 1]) << i;
}

TEST(BuildLut, WritesNothingBeyondTheTable) {
  for (int32_t size : {32, 64, 128, 256, 1024}) {
    BuiltCurve built;
    const float sentinel = -12345.0f;
    built.table.fill(sentinel);
    CurveSettings s;
    s.size = size;
    s.contrast = -70;
    Build(s, &built);
    for (int i = 0; i < size; ++i) ASSERT_NE(built.table[i], sentinel) << size << " slot " << i;
    for (int i = size; i < kLutCapacity; ++i) ASSERT_EQ(built.table[i], sentinel) << size;
  }
}

// Inputs the host never sends are brought into range first; inside the ranges
// nothing changes.
TEST(BuildLut, OutOfRangeInputsAreLimitedToTheirRanges) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const float fnan = std::numeric_limits<float>::quiet_NaN();
  struct Pair {
    const char* name;
    CurveSettings wild;
    CurveSettings tame;
  };
  CurveSettings base;
  base.contrast = 35;
  auto with = [&](void (*change)(CurveSettings&)) {
    CurveSettings s = base;
    change(s);
    return s;
  };
  const std::vector<Pair> pairs = {
      {"pivot above 1", with([](CurveSettings& s) { s.red = s.green = s.blue = 7.5f; }),
       with([](CurveSettings& s) { s.red = s.green = s.blue = 1.0f; })},
      {"pivot below 0", with([](CurveSettings& s) { s.red = s.green = s.blue = -2.0f; }),
       with([](CurveSettings& s) { s.red = s.green = s.blue = 0.0f; })},
      {"contrast above 100", with([](CurveSettings& s) { s.contrast = 1e9; }),
       with([](CurveSettings& s) { s.contrast = 100; })},
      {"contrast below -100", with([](CurveSettings& s) { s.contrast = -400; }),
       with([](CurveSettings& s) { s.contrast = -100; })},
      {"width 0", with([](CurveSettings& s) { s.width = 0; }),
       with([](CurveSettings& s) { s.width = 0.001; })},
      {"width 3", with([](CurveSettings& s) { s.width = 3; }),
       with([](CurveSettings& s) { s.width = 1; })},
      {"negative rolloffs", with([](CurveSettings& s) { s.shadows = s.highlights = -1; }),
       with([](CurveSettings& s) { s.shadows = s.highlights = 0; })},
      {"size 100", with([](CurveSettings& s) { s.size = 100; }),
       with([](CurveSettings& s) { s.size = 128; })},
      {"size 4096", with([](CurveSettings& s) { s.size = 4096; }),
       with([](CurveSettings& s) { s.size = 128; })},
  };
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.name);
    BuiltCurve wild;
    BuiltCurve tame;
    Build(p.wild, &wild);
    Build(p.tame, &tame);
    ASSERT_EQ(wild.curve.lut_size, tame.curve.lut_size);
    for (int i = 0; i < tame.curve.lut_size; ++i) ASSERT_EQ(wild.table[i], tame.table[i]) << i;
    EXPECT_EQ(wild.curve.black_slope, tame.curve.black_slope);
    EXPECT_EQ(wild.curve.white_slope, tame.curve.white_slope);
  }

  // NaN goes to the documented value of each range.
  CurveSettings nan_inputs;
  nan_inputs.red = nan_inputs.green = nan_inputs.blue = fnan;
  nan_inputs.contrast = nan;
  nan_inputs.width = nan;
  nan_inputs.shadows = nan;
  nan_inputs.highlights = nan;
  CurveSettings documented;
  documented.red = documented.green = documented.blue = 0.0f;
  BuiltCurve a;
  BuiltCurve b;
  Build(nan_inputs, &a);
  Build(documented, &b);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(a.table[i], b.table[i]) << i;
}

// A float project's pivot may have channels beyond 0..1; only its lightness,
// the mean of its largest and smallest channel, shapes the curve, so it is
// that lightness, not each channel, that is held to 0..1.
TEST(BuildLut, PivotKeepsItsChannelsAndOnlyItsLightnessIsLimited) {
  auto table_of = [](float red, float green, float blue) {
    CurveSettings settings;
    settings.contrast = 40;
    settings.red = red;
    settings.green = green;
    settings.blue = blue;
    BuiltCurve built;
    Build(settings, &built);
    return std::vector<float>(built.table.begin(), built.table.begin() + built.curve.lut_size);
  };
  const float fnan = std::numeric_limits<float>::quiet_NaN();
  // Lightness (1.5 + 0.2) / 2 = 0.85, inside the range: the grey of that level.
  EXPECT_EQ(table_of(1.5f, 0.2f, 0.2f), table_of(0.85f, 0.85f, 0.85f));
  EXPECT_EQ(table_of(3.0f, 2.0f, 1.5f), table_of(1.0f, 1.0f, 1.0f));
  EXPECT_EQ(table_of(-0.5f, -3.0f, -1.0f), table_of(0.0f, 0.0f, 0.0f));
  EXPECT_EQ(table_of(fnan, fnan, fnan), table_of(0.0f, 0.0f, 0.0f));
}

// Random inputs of every kind, run under the sanitizers too: every slot of the
// table is written, nothing beyond it, and no float-to-integer conversion sees
// a value it cannot hold.
TEST(BuildLut, AnyInputsStayInsideTheTable) {
  std::mt19937 random(20261207);
  const double specials[] = {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             -0.0,
                             1e308,
                             -1e308,
                             5e-324};
  auto any_double = [&]() -> double {
    switch (random() % 4) {
      case 0:
        return specials[random() % std::size(specials)];
      case 1:
        return std::uniform_real_distribution<double>(-3.0, 3.0)(random);
      case 2:
        return std::uniform_real_distribution<double>(-300.0, 300.0)(random);
      default:
        return std::uniform_real_distribution<double>(0.0, 1.0)(random);
    }
  };
  auto weird_sine = [](double a) {
    return a > 1.0 ? std::numeric_limits<double>::quiet_NaN() : 7.0 * std::sin(a);
  };
  auto weird_cosine = [](double a) { return a < 0.5 ? -1e300 : std::cos(a); };
  const int32_t sizes[] = {32, 64, 128, 256, 1024, 0, -5, 1, 2, 3, 33, 2048, 1 << 30};
  for (int iteration = 0; iteration < 4000; ++iteration) {
    std::array<float, kLutCapacity + 16> storage;
    const float sentinel = -98765.0f;
    storage.fill(sentinel);
    ToneCurve curve{};
    const int32_t size = sizes[random() % std::size(sizes)];
    const bool weird = iteration % 5 == 0;
    BuildLut(&curve, storage.data(),
             {size, static_cast<float>(any_double()), static_cast<float>(any_double()),
              static_cast<float>(any_double()), any_double() * 100.0, any_double(), any_double(),
              any_double(), static_cast<int32_t>(random() % 2), static_cast<int32_t>(random() % 2)},
             weird ? +weird_sine : velmora_test::StdSin,
             weird ? +weird_cosine : velmora_test::StdCos);
    ASSERT_TRUE(curve.lut_size == 32 || curve.lut_size == 64 || curve.lut_size == 128 ||
                curve.lut_size == 256 || curve.lut_size == 1024);
    for (int i = 0; i < curve.lut_size; ++i) ASSERT_NE(storage[i], sentinel) << i;
    for (size_t i = curve.lut_size; i < storage.size(); ++i) ASSERT_EQ(storage[i], sentinel);
    if (!weird) {
      for (int i = 0; i < curve.lut_size; ++i) {
        ASSERT_GE(storage[i], 0.0f);
        ASSERT_LE(storage[i], 1.0f);
      }
    }
  }
}

TEST(LutSizeForQuality, MapsTheFiveChoicesAndFallsBackTo128) {
  EXPECT_EQ(LutSizeForQuality(1), 32);
  EXPECT_EQ(LutSizeForQuality(2), 64);
  EXPECT_EQ(LutSizeForQuality(3), 128);
  EXPECT_EQ(LutSizeForQuality(4), 256);
  EXPECT_EQ(LutSizeForQuality(5), 1024);
  for (int32_t other : {0, -1, 6, 1000, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(LutSizeForQuality(other), 128) << other;
  }
}

}  // namespace
