// The 64-bit FNV-1a hash of a byte string: a short, stable name for a frame's
// bytes in reports that two builds must print alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora_test {

inline std::uint64_t Fnv1a(const std::uint8_t* bytes, std::size_t size) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
  return hash;
}

inline std::uint64_t Fnv1a(const std::vector<std::uint8_t>& bytes) {
  return Fnv1a(bytes.data(), bytes.size());
}

}  // namespace velmora_test
