// x to the power y in single precision, the same bits on every build: the
// curve's pre-transform (tone_curve.cpp) raises every pixel's lightness to the
// gamma with it.
#pragma once

#include <cmath>

// The C libraries' own powf differ between our Linux and Windows builds by an
// ulp now and then; the correctly rounded double power narrowed once gives the
// same bits on both.
inline float SinglePowByDouble(float x, float y) {
  return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y)));
}

// The same value, SinglePowByDouble(x, y) to the last bit for every x and y,
// mostly without the double power's cost (single_pow.cpp).
float SinglePow(float x, float y);

// The approximation behind SinglePow, open to the checks that measure it:
// x^y within a relative 2^-43 (the bound is proven in single_pow.cpp) where x
// is a positive normal float, 0 < y <= 16 and x^y lies in (2^-125, 2^127); a
// NaN everywhere else.
double ApproximatePower(float x, float y);
