// SinglePow: the double power narrowed to float, without the double power
// wherever a cheaper approximation decides the float with certainty.
//
// Why the result is SinglePowByDouble's to the last bit. Let T = x^y exactly,
// P the double power (within an ulp of T in both builds' C libraries) and A
// the approximation below. If |A - T| < 2^-43 T (bound below), then in ulps of
// A's binade, |A - T| < 2^-43 * 2^53 * 1.0001 < 1025 and |A - P| < 1027. The
// float rounding boundaries near A are the midpoints between floats; in A's
// binade they are the doubles whose 29 low bits are 2^28, and across the
// binade's ends they are at least 2^27 ulps away. When the 29 low bits of A are
// at least kMargin = 4096 from 2^28, no boundary lies within 4096 ulps of A,
// so T, P and A lie strictly inside the same rounding interval and
// float(P) = float(A). Otherwise (about one call in 65000) std::pow decides.
//
// The bound. x = 2^k m with m in [1, 2); i = the top 7 bits of m's fraction;
// c = kLogPoints[i].reciprocal.
//  1. r = m c - 1 is exact: m has 24 significant bits and c at most 24, so
//     m c is a double, within 2^-7 of 1, and the subtraction is exact
//     (Sterbenz). |r| <= 2^-8 + 2^-24.
//  2. log2(1 + r) = sum (-1)^(n+1) r^n / (n ln 2); the polynomial stops at
//     n = 5. The rest is below |r|^6 / (6 (1 - |r|) ln 2) < 2^-50. Its
//     evaluation (coefficients rounded, five products and sums of values
//     below 2^-7) errs by less than 2^-58.
//  3. log2(x) = k + (-log2 c) + log2(1 + r). The table's -log2 c is within
//     2^-53 (under 1 in magnitude); adding the polynomial errs by at most
//     2^-54; adding k (|result| < 128) by at most 2^-47. In all
//     |lg - log2 x| < 2^-46.8.
//  4. t = y lg with 0 < y <= 16 and |t| < 127: |t - y log2 x| < 16 * 2^-46.8 +
//     2^-47 < 2^-42.7, so 2^t = T (1 + d) with |d| < 2^-43.2.
//  5. 2^t = 2^(n/128) 2^f with n = round(128 t), exactly f = t - n/128,
//     |f| <= 2^-8. q = f ln 2 (|q| < 2^-8.5) errs relatively by 2^-52;
//     e^q - 1 = q + q^2/2 + ... + q^5/120 errs by less than 2^-60, its
//     evaluation by less than 2^-59; the table's 2^(j/128) by 2^-53; the
//     final product and sum by 2^-53 and 2^-61: A = 2^t (1 + d') with
//     |d'| < 2^-51.9. Scaling by 2^(n >> 7) is exact.
//  So |A / T - 1| < 2^-43.2 + 2^-51.9 + 2^-90 < 2^-43.
//
// The approximation is only tried where the bound was shown: x a positive
// normal float, 0 < y <= 16, and -125 < t < 127, where T is a normal float
// with room to spare. Everything else (0, subnormals, infinities, NaN,
// negative or large exponents) goes to std::pow.
#include "engine/single_pow.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/power_tables.h"

namespace {

constexpr uint64_t kMargin = kPowerMargin;

// ApproximatePower's body, inlined into SinglePow.
inline double Approximate(float x, float y) {
  uint32_t x_bits;
  uint32_t y_bits;
  std::memcpy(&x_bits, &x, sizeof x_bits);
  std::memcpy(&y_bits, &y, sizeof y_bits);
  // x in [2^-126, 2^128) and y in (0, 16], both finite.
  constexpr double kOutside = std::numeric_limits<double>::quiet_NaN();
  if (x_bits - 0x00800000u >= 0x7f000000u || y_bits - 1u >= 0x41800000u) return kOutside;

  const int32_t exponent = static_cast<int32_t>(x_bits >> 23) - 127;
  const LogPoint& point = kLogPoints[(x_bits >> 16) & 127u];
  const uint32_t mantissa_bits = (x_bits & 0x007fffffu) | 0x3f800000u;
  float mantissa;
  std::memcpy(&mantissa, &mantissa_bits, sizeof mantissa);
  const double r = static_cast<double>(mantissa) * point.reciprocal - 1.0;
  const double log_rest = r * (kLog1 + r * (kLog2 + r * (kLog3 + r * (kLog4 + r * kLog5))));
  const double lg = static_cast<double>(exponent) + (point.minus_log2 + log_rest);
  const double t = static_cast<double>(y) * lg;
  if (!(t > -125.0 && t < 127.0)) return kOutside;

  const double scaled = t * 128.0;
  const double whole = (scaled + kRoundingShift) - kRoundingShift;
  const double q = (scaled - whole) * kLn2Over128;
  const double e_q_minus_1 =
      q * (1.0 + q * (0.5 + q * (1.0 / 6.0 + q * (1.0 / 24.0 + q * (1.0 / 120.0)))));
  // n + 2^20 is positive (|n| < 2^15), so its low bits and its shift are n's
  // residue and floor(n / 128) plus 2^13.
  const auto biased = static_cast<uint64_t>(static_cast<int64_t>(whole) + (int64_t{1} << 20));
  const double base = kExp2Points[biased & 127u];
  const double unscaled = base + base * e_q_minus_1;
  uint64_t bits;
  std::memcpy(&bits, &unscaled, sizeof bits);
  bits += ((biased >> 7) - (uint64_t{1} << 13)) << 52;  // times 2^floor(n / 128), modulo 2^64
  double approximation;
  std::memcpy(&approximation, &bits, sizeof approximation);
  return approximation;
}

}  // namespace

double ApproximatePower(float x, float y) {
  return Approximate(x, y);
}

float SinglePow(float x, float y) {
  const double approximation = Approximate(x, y);
  uint64_t bits;
  std::memcpy(&bits, &approximation, sizeof bits);
  // A NaN's low bits are 0, far from 2^28: it is caught by its own test.
  const bool near_boundary =
      ((bits - ((uint64_t{1} << 28) - kMargin)) & ((uint64_t{1} << 29) - 1)) < 2 * kMargin;
  if (approximation != approximation || near_boundary) return SinglePowByDouble(x, y);
  return static_cast<float>(approximation);
}
