#include "engine/portable_trig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Distance in units in the last place between two finite doubles of any sign.
std::int64_t UlpDistance(double a, double b) {
  auto ordered = [](double v) {
    std::int64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
  };
  const std::int64_t d = ordered(a) - ordered(b);
  return d < 0 ? -d : d;
}

// The C library's sine and cosine are close to correctly rounded on glibc;
// ours may differ by an ulp, the one tolerance this comparison allows for.
constexpr std::int64_t kMaxUlps = 1;

void ExpectClose(double x) {
  EXPECT_LE(UlpDistance(PortableSin(x), std::sin(x)), kMaxUlps)
      << "sin(" << x << "): " << PortableSin(x) << " vs " << std::sin(x);
  EXPECT_LE(UlpDistance(PortableCos(x), std::cos(x)), kMaxUlps)
      << "cos(" << x << "): " << PortableCos(x) << " vs " << std::cos(x);
}

TEST(PortableTrig, SpecialValuesAreExact) {
  EXPECT_EQ(PortableSin(0.0), 0.0);
  EXPECT_FALSE(std::signbit(PortableSin(0.0)));
  EXPECT_TRUE(std::signbit(PortableSin(-0.0)));
  EXPECT_EQ(PortableCos(0.0), 1.0);
  EXPECT_EQ(PortableCos(-0.0), 1.0);
  const double tiny = 1e-300;
  EXPECT_EQ(PortableSin(tiny), tiny);
  EXPECT_EQ(PortableSin(std::numeric_limits<double>::denorm_min()),
            std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(PortableCos(tiny), 1.0);
  EXPECT_TRUE(std::isnan(PortableSin(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(PortableCos(-std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(PortableSin(std::numeric_limits<double>::quiet_NaN())));
}

TEST(PortableTrig, QuadrantPointsAndTheirNeighbours) {
  const double pi = 3.141592653589793;
  for (int k = -8; k <= 8; ++k) {
    const double x = k * (pi / 2);
    ExpectClose(x);
    ExpectClose(std::nextafter(x, 100.0));
    ExpectClose(std::nextafter(x, -100.0));
  }
  EXPECT_EQ(PortableSin(pi / 2), 1.0);
  EXPECT_EQ(PortableCos(pi), -1.0);
  // The cosine at the double nearest pi/2 is the tiny remainder pi/2 - x.
  EXPECT_EQ(PortableCos(pi / 2), 6.123233995736766e-17);
  ExpectClose(0.78539816339744828);  // the edge of the unreduced range
  ExpectClose(0.78539816339744839);
}

TEST(PortableTrig, DenseSweepOfTheCurveAngles) {
  // The effect asks for angles of up to a quarter turn either way; sweep far
  // beyond that.
  for (int i = -200000; i <= 200000; ++i) ExpectClose(i * 1.0e-4 + 1.0e-9 * (i % 7));
}

TEST(PortableTrig, LargeAndHardArguments) {
  std::vector<double> arguments = {1e6, 1e9, 1e15, 1e22, 1e100, 1e300, 1.7976931348623157e308,
                                   // close to multiples of pi/2, where reduction is hardest
                                   6381956970095103.0 * 1125899906842624.0, 355.0, 103993.0,
                                   1073741823.5};
  std::uint64_t state = 0x243F6A8885A308D3u;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const int exponent = static_cast<int>(state >> 58) * 16 - 40;  // 2^-40 .. 2^968
    const double mantissa = static_cast<double>(state >> 11) / 9007199254740992.0 + 0.5;
    arguments.push_back((i % 2 != 0 ? -1.0 : 1.0) * std::ldexp(mantissa, exponent));
  }
  for (double x : arguments) ExpectClose(x);
  EXPECT_EQ(PortableSin(1e22), -0.8522008497671888);  // a classic reduction check
}

TEST(PortableTrig, TheArgumentClosestToAMultipleOfHalfPi) {
  // 6381956970095103 * 2^797 lies within 2^-61 of a multiple of pi/2, the
  // hardest case of argument reduction among all doubles. The expected value
  // is the reduced argument computed with exact rational arithmetic; glibc's
  // own cosine is 8 ulps off here, so this case is not compared with it.
  const double x = std::ldexp(6381956970095103.0, 797);
  EXPECT_EQ(PortableCos(x), -4.687165924254628e-19);
  EXPECT_EQ(PortableCos(-x), -4.687165924254628e-19);
}

}  // namespace
