// The integer frames' tables of levels. In an 8-bit frame a pixel's lightness
// is fixed by its smallest and largest colour code, 32 896 pairs; in a 16-bit
// frame by their sum, since c * 2^-15 is exact and so is the lightness
// (smallest + largest) * 2^-16. For each pair or sum the table holds what
// steps 3 and 5 to 7 of the transform give (the lightness, the level and the
// ratio), computed once for the frame with the general route's own
// arithmetic, so that a pixel only moves its channels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/pixel_frame.h"

// One pair's values, each twice, as the two pairs of double lanes read them.
struct PairLevel {
  double lightness[2];
  double ratio[2];  // 0 where the offsets become 0 (see pair_table.cpp)
  double level[2];
};

constexpr int32_t kPairCount = 256 * 257 / 2;
// Sums of two 16-bit codes up to full scale (32768) each; pixels whose
// codes add up to more take the frame's route.
constexpr int32_t kSumCount = 65537;

// Index of the pair (smallest, largest) for smallest <= largest.
struct PairRows {
  std::size_t start[256];
};

constexpr PairRows MakePairRows() {
  PairRows rows{};
  for (uint32_t largest = 0; largest < 256; ++largest)
    rows.start[largest] = largest * (largest + 1) / 2;
  return rows;
}

inline constexpr PairRows kPairRows = MakePairRows();

struct PairTable {
  alignas(64) PairLevel pairs[kPairCount];
};

struct SumTable {
  alignas(64) PairLevel sums[kSumCount];
};

// The table for an 8-bit frame of `pixels` pixels, prepared and filled, its
// frame pointed at it; or none, the frame left as it was, when the frame is too
// small for the table to pay for itself, when the memory is not there, or when
// the frame's values fall outside what the table's stores take. The caller
// owns the table for the render call; the frame must not outlive it.
std::unique_ptr<PairTable> AttachPairTable(PixelFrame* frame, int64_t pixels);

// The same for a 16-bit frame, by code sum.
std::unique_ptr<SumTable> AttachSumTable(PixelFrame* frame, int64_t pixels);
