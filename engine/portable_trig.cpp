#include "engine/portable_trig.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// 2/pi in binary, 1216 bits, most significant first: bit i of the expansion
// (weight 2^-i, i from 1) is bit (32 - i % 32) of word (i - 1) / 32. Computed
// in exact integer arithmetic from Machin's formula for pi; the first words
// agree with every published table of this constant.
constexpr std::uint32_t kTwoOverPi[38] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561,
    0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484,
    0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F,
    0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B,
    0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB};

// pi/2 as the sum of two doubles.
constexpr double kPiOver2Hi = 1.5707963267948966;     // 0x3FF921FB54442D18
constexpr double kPiOver2Lo = 6.123233995736766e-17;  // 0x3C91A62633145C07
constexpr double kPiOver4 = 0.78539816339744828;      // below pi/4: no reduction needed

// Minimax polynomials for sin and cos on [-pi/4, pi/4] (the classic
// coefficients of the freely distributable math library; error below one ulp).
constexpr double S1 = -1.66666666666666324348e-01;
constexpr double S2 = 8.33333333332248946124e-03;
constexpr double S3 = -1.98412698298579493134e-04;
constexpr double S4 = 2.75573137070700676789e-06;
constexpr double S5 = -2.50507602534068634195e-08;
constexpr double S6 = 1.58969099521155010221e-10;
constexpr double C1 = 4.16666666666666019037e-02;
constexpr double C2 = -1.38888888888741095749e-03;
constexpr double C3 = 2.48015872894767294178e-05;
constexpr double C4 = -2.75573143513906633035e-07;
constexpr double C5 = 2.08757232129817482790e-09;
constexpr double C6 = -1.13596475577881948265e-11;

// sin(x + y) for |x + y| <= pi/4, y a small correction to x.
double KernelSin(double x, double y) {
  const double z = x * x;
  const double v = z * x;
  const double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
  if (y == 0.0) return x + v * (S1 + z * r);
  return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x + y| <= pi/4.
double KernelCos(double x, double y) {
  const double z = x * x;
  const double w = z * z;
  const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
  const double hz = 0.5 * z;
  const double one_minus_hz = 1.0 - hz;
  return one_minus_hz + (((1.0 - one_minus_hz) - hz) + (z * r - x * y));
}

// Bits i .. i + 31 of the expansion of 2/pi, bit i the most significant.
std::uint32_t TwoOverPiBits(int i) {
  const int pos = i - 1;
  const int word = pos / 32;
  const int shift = pos % 32;
  if (shift == 0) return kTwoOverPi[word];
  return (kTwoOverPi[word] << shift) | (kTwoOverPi[word + 1] >> (32 - shift));
}

// Bits [low, low + 64) of a little-endian number of 32-bit limbs.
std::uint64_t Bits64(const std::uint32_t* limbs, int limb_count, int low) {
  std::uint64_t out = 0;
  for (int b = 63; b >= 0; --b) {
    const int bit = low + b;
    const int limb = bit / 32;
    const std::uint64_t value = limb < limb_count ? (limbs[limb] >> (bit % 32)) & 1u : 0u;
    out = (out << 1) | value;
  }
  return out;
}

// Splits a double into two halves whose products are exact (no fused
// multiply-add is available or wanted: the build forbids contraction).
void Split(double a, double& hi, double& lo) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  hi = c - (c - a);
  lo = a - hi;
}

struct Reduced {
  int quadrant;  // 0..3
  double hi;     // reduced argument hi + lo, within [-pi/4, pi/4]
  double lo;
};

// ax = n * pi/2 + r exactly enough for every finite ax > pi/4. The fraction of
// ax * 2/pi is taken from an integer product with a 192-bit window of 2/pi
// (the bits above the window only add multiples of 4 to the quadrant), which
// keeps more than 120 correct bits however close ax lies to a multiple of pi/2.
Reduced Reduce(double ax) {
  int exponent = 0;
  const double mantissa = std::frexp(ax, &exponent);  // ax = mantissa * 2^exponent
  const auto m = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
  const int q = exponent - 53;  // ax = m * 2^q exactly
  const int start = q - 1 > 1 ? q - 1 : 1;

  std::uint32_t window[6];  // little-endian limbs of the 192 bits from `start`
  for (int j = 0; j < 6; ++j) window[5 - j] = TwoOverPiBits(start + 32 * j);

  std::uint32_t product[8] = {};
  const std::uint64_t m_limbs[2] = {m & 0xFFFFFFFFu, m >> 32};
  for (int a = 0; a < 2; ++a) {
    std::uint64_t carry = 0;
    for (int b = 0; b < 6; ++b) {
      const std::uint64_t t = m_limbs[a] * window[b] + product[a + b] + carry;
      product[a + b] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    for (int k = a + 6; carry != 0 && k < 8; ++k) {
      const std::uint64_t t = product[k] + carry;
      product[k] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
  }

  // ax * 2/pi (mod 4) = product * 2^-fraction_bits, fraction_bits in 190..245.
  const int fraction_bits = start + 191 - q;
  int quadrant = static_cast<int>(Bits64(product, 8, fraction_bits) & 3u);
  std::uint64_t frac_hi = Bits64(product, 8, fraction_bits - 64);
  std::uint64_t frac_lo = Bits64(product, 8, fraction_bits - 128);

  // Round to the nearest quadrant: a fraction of one half or more becomes
  // negative (the 128-bit two's complement gives its magnitude).
  bool negative = false;
  if (frac_hi >> 63) {
    quadrant = (quadrant + 1) & 3;
    negative = true;
    frac_hi = ~frac_hi;
    frac_lo = ~frac_lo + 1;
    if (frac_lo == 0) ++frac_hi;
  }
  if (frac_hi == 0 && frac_lo == 0) return {quadrant, 0.0, 0.0};

  int shift = 0;
  while ((frac_hi >> 63) == 0) {
    frac_hi = (frac_hi << 1) | (frac_lo >> 63);
    frac_lo <<= 1;
    ++shift;
  }
  // The fraction as a sum of two doubles, each holding 53 of its bits exactly.
  const double f_hi = std::ldexp(static_cast<double>(frac_hi >> 11), -53 - shift);
  const double f_lo =
      std::ldexp(static_cast<double>(((frac_hi & 0x7FFu) << 42) | (frac_lo >> 22)), -106 - shift);

  // r = f * pi/2 in double-double: the exact product of the high parts plus
  // the cross terms.
  const double p = f_hi * kPiOver2Hi;
  double a_hi, a_lo, b_hi, b_lo;
  Split(f_hi, a_hi, a_lo);
  Split(kPiOver2Hi, b_hi, b_lo);
  const double p_err = ((a_hi * b_hi - p) + a_hi * b_lo + a_lo * b_hi) + a_lo * b_lo;
  const double e = p_err + (f_hi * kPiOver2Lo + f_lo * kPiOver2Hi);
  const double r_hi = p + e;
  const double r_lo = e - (r_hi - p);
  if (negative) return {quadrant, -r_hi, -r_lo};
  return {quadrant, r_hi, r_lo};
}

Reduced ReduceAbs(double ax) {
  if (ax <= kPiOver4) return {0, ax, 0.0};
  return Reduce(ax);
}

}  // namespace

double PortableSin(double x) {
  if (!std::isfinite(x)) return x - x;
  const bool negative = std::signbit(x);
  const Reduced r = ReduceAbs(negative ? -x : x);
  double s = 0.0;
  switch (r.quadrant) {
    case 0:
      s = KernelSin(r.hi, r.lo);
      break;
    case 1:
      s = KernelCos(r.hi, r.lo);
      break;
    case 2:
      s = -KernelSin(r.hi, r.lo);
      break;
    default:
      s = -KernelCos(r.hi, r.lo);
      break;
  }
  return negative ? -s : s;
}

double PortableCos(double x) {
  if (!std::isfinite(x)) return x - x;
  const Reduced r = ReduceAbs(std::fabs(x));
  switch (r.quadrant) {
    case 0:
      return KernelCos(r.hi, r.lo);
    case 1:
      return -KernelSin(r.hi, r.lo);
    case 2:
      return -KernelCos(r.hi, r.lo);
    default:
      return KernelSin(r.hi, r.lo);
  }
}
