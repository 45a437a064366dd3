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
