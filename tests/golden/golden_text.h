// How the golden reports write numbers: hexadecimal words, and floats as a
// decimal for the reader followed by their bits, which are what counts.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

inline std::string GoldenHex(std::uint64_t value) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 15]);
    value >>= 4;
  } while (value != 0);
  return text;
}

// Nine decimals from exact IEEE operations (floor, a product, a rounding to
// an integer), so every platform writes the same digits; the bits follow in
// brackets. Magnitudes beyond a million are written by their bits alone.
inline std::string GoldenFloat(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  std::string text;
  const double magnitude = std::fabs(static_cast<double>(value));
  if (value != value) {
    text = "nan";
  } else if (magnitude > 1e6) {
    text = std::signbit(value) ? "-big" : "big";
  } else {
    double whole = std::floor(magnitude);
    auto fraction = static_cast<std::int64_t>(std::llround((magnitude - whole) * 1e9));
    if (fraction == 1000000000) {
      whole += 1.0;
      fraction = 0;
    }
    std::string digits = std::to_string(fraction);
    digits.insert(0, 9 - digits.size(), '0');
    text = (std::signbit(value) ? "-" : "") + std::to_string(static_cast<std::int64_t>(whole)) +
           "." + digits;
  }
  return text + "[" + GoldenHex(bits) + "]";
}
