// The approximation behind SinglePow (declared in tone_curve.h), open to the
// checks that measure it.
#pragma once

// x^y within a relative 2^-43 (the bound is proven in single_pow.cpp) where x
// is a positive normal float, 0 < y <= 16 and x^y lies in (2^-125, 2^127); a
// NaN everywhere else.
double ApproximatePower(float x, float y);
