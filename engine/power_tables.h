// Constant tables of the fast single-precision power (single_pow.cpp).
#pragma once

// For the 128 intervals [1 + i/128, 1 + (i+1)/128) of a mantissa m:
// `reciprocal` c, near 1 / (1 + (i + 0.5)/128), a multiple of 2^-24 below 1
// (at most 24 significant bits), and `minus_log2` = -log2(c), the double
// nearest it.
struct LogPoint {
  double reciprocal;
  double minus_log2;
};

extern const LogPoint kLogPoints[128];

// 2^(j/128) for j = 0..127, each the double nearest it.
extern const double kExp2Points[128];

// The constants of the approximation, shared by the walks that take it on
// several lanes (float_group_kernel.h).
inline constexpr unsigned kPowerMargin = 4096;  // ulps of A kept from a float rounding boundary
// (-1)^(n+1) / (n ln 2), each the nearest double.
inline constexpr double kLog1 = 0x1.71547652b82fep+0;
inline constexpr double kLog2 = -0x1.71547652b82fep-1;
inline constexpr double kLog3 = 0x1.ec709dc3a03fdp-2;
inline constexpr double kLog4 = -0x1.71547652b82fep-2;
inline constexpr double kLog5 = 0x1.2776c50ef9bfep-2;
inline constexpr double kLn2Over128 = 0x1.62e42fefa39efp-8;  // ln 2 / 128
inline constexpr double kRoundingShift = 0x1.8p52;  // adding it rounds |v| < 2^51 to a whole
