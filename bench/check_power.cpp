// Every float x in (0, 1] through SinglePow against the double power narrowed
// once, at zero tolerance, for a few exponents (by default the gammas users
// pick most: 2.2, 0.45, 2 and 0.5). Also reports how often the approximation
// came near a rounding boundary and its largest relative error seen, against
// the bound of 2^-43 proven in engine/single_pow.cpp. About a minute for each
// exponent; too long for the test suite.
//
//   velmora_check_power [Y ...]
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/single_pow.h"
#include "engine/tone_curve.h"

int main(int argc, char** argv) {
  std::vector<float> exponents;
  for (int i = 1; i < argc; ++i) exponents.push_back(std::strtof(argv[i], nullptr));
  if (exponents.empty()) exponents = {2.2f, 0.45f, 2.0f, 0.5f};

  int failures = 0;
  for (float y : exponents) {
    uint64_t mismatches = 0;
    uint64_t near_boundary = 0;
    double worst = 0.0;
    for (uint32_t bits = 1; bits <= 0x3f800000u; ++bits) {
      float x;
      std::memcpy(&x, &bits, sizeof x);
      const float fast = SinglePow(x, y);
      const double exact = std::pow(static_cast<double>(x), static_cast<double>(y));
      const auto narrowed = static_cast<float>(exact);
      if (std::memcmp(&fast, &narrowed, sizeof fast) != 0) {
        if (++mismatches <= 10) {
          std::printf("MISMATCH y %a x %a: %a, double power %a\n", static_cast<double>(y),
                      static_cast<double>(x), static_cast<double>(fast),
                      static_cast<double>(narrowed));
        }
      }
      const double approximation = ApproximatePower(x, y);
      if (approximation == approximation) {
        const double error = std::fabs(approximation / exact - 1.0);
        if (error > worst) worst = error;
        uint64_t a;
        std::memcpy(&a, &approximation, sizeof a);
        const uint64_t low = a & ((uint64_t{1} << 29) - 1);
        const uint64_t distance =
            low > (uint64_t{1} << 28) ? low - (uint64_t{1} << 28) : (uint64_t{1} << 28) - low;
        if (distance < 4096) ++near_boundary;
      }
    }
    std::printf(
        "y %-10g every x in (0, 1]: %llu mismatches, %llu near a boundary (std::pow), "
        "largest relative error 2^%.2f (bound 2^-43)\n",
        static_cast<double>(y), static_cast<unsigned long long>(mismatches),
        static_cast<unsigned long long>(near_boundary), std::log2(worst));
    std::fflush(stdout);
    if (mismatches != 0 || !(worst < 0x1p-43)) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
