// Well-spread bits from a small integer, such as a pixel's position: for test
// patterns and benchmark frames that must look random yet be the same on
// every platform.
#pragma once

#include <cstdint>

namespace simhost {

inline std::uint32_t IntegerHash(std::uint32_t value) {
  value ^= value >> 16;
  value *= 0x7FEB352Du;
  value ^= value >> 15;
  value *= 0x846CA68Bu;
  value ^= value >> 16;
  return value;
}

}  // namespace simhost
