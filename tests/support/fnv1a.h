// FNV-1a, 64 bits, over bytes: the one hash the test reports and the stored
// golden files use. Its constants are fixed, so a hash written today can be
// recomputed by any later build on any platform. A running hash continues
// from the value the previous call returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::uint64_t kFnv1aStart = 0xcbf29ce484222325ull;

inline std::uint64_t Fnv1a(const void* data, std::size_t size, std::uint64_t hash = kFnv1aStart) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
  return hash;
}

inline std::uint64_t Fnv1a(const std::vector<std::uint8_t>& bytes) {
  return Fnv1a(bytes.data(), bytes.size());
}

// FNV-1a's step taking eight bytes at once, as one little-endian word, for
// the golden files' hashes of whole frames (a gigabyte of output). A product
// carries a change only towards the high bits, so each step folds the high
// half back into the low one: a change in a word's last byte then reaches
// every bit of later steps, as a byte's does in FNV-1a. The bytes after the
// last whole word are taken one at a time by FNV-1a.
inline std::uint64_t FoldedFnv1aWords(const void* data, std::size_t size,
                                      std::uint64_t hash = kFnv1aStart) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word = 0;
    for (int k = 7; k >= 0; --k) word = word << 8 | bytes[i + k];
    hash = (hash ^ word) * 0x100000001b3ull;
    hash ^= hash >> 32;
  }
  return Fnv1a(bytes + i, size - i, hash);
}
