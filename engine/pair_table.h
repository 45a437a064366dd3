// The integer frames' tables of levels. In an 8-bit frame a pixel's lightness
// is fixed by its smallest and largest colour code, 32 896 pairs; in a 16-bit
// frame by their sum, since c * 2^-15 is exact and so is the lightness
// (smallest + largest) * 2^-16. For each pair or sum the table holds what
// steps 3 and 5 to 7 of the transform give (the lightness, the level and the
// ratio), computed once for the frame with the general route's own
// arithmetic, so that a pixel only moves its channels.
#pragma once

#include <emmintrin.h>

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

// A large 8-bit frame goes one step further: every colour channel of a pixel
// lies between its smallest and largest code, and with the pair's entry the
// general route's arithmetic is the same in every channel lane, so a
// channel's output code is a function of the pair and its own code alone.
// Each pair (smallest, largest) has a row of the output codes of
// smallest..largest, the rows in the order of the pairs.
constexpr std::size_t kCodeCount = std::size_t{256} * 257 * 258 / 6;

struct CodeTable {
  // Each pair's row, less its smallest code, so that rows[pair][c] is the
  // output code of c: within the table, since a pair's row starts at least
  // one byte a pair after the first.
  const uint8_t* rows[kPairCount];
  // Seven bytes more: the rows are filled eight codes at a time.
  alignas(64) uint8_t codes[kCodeCount + 7];
};

struct PairTable {
  alignas(64) PairLevel pairs[kPairCount];
  std::unique_ptr<CodeTable> codes;  // or none: the frame is too small for it
};

// Steps 4 and 6 to 9 of the general route with an entry's lightness, ratio
// and level, on two pairs of channel lanes: every lane takes the same
// operations, so a lane's result depends on its channel and the entry alone.
// The result is each lane narrowed once to float.
template <bool kBlend>
inline __m128 MoveByEntry(const PairLevel& entry, const PixelFrame& frame, __m128d ar, __m128d gb) {
  const __m128d lightness = _mm_load_pd(entry.lightness);
  const __m128d ratio = _mm_load_pd(entry.ratio);
  const __m128d level = _mm_load_pd(entry.level);
  __m128d new_ar = _mm_add_pd(_mm_mul_pd(ratio, _mm_sub_pd(ar, lightness)), level);
  __m128d new_gb = _mm_add_pd(_mm_mul_pd(ratio, _mm_sub_pd(gb, lightness)), level);
  if (kBlend) {  // BlendAndNarrow's operations, its weights read from the frame
    const __m128d mix = _mm_load_pd(frame.mix_lanes);
    const __m128d keep = _mm_load_pd(frame.keep_lanes);
    new_ar = _mm_add_pd(_mm_mul_pd(new_ar, mix), _mm_mul_pd(keep, ar));
    new_gb = _mm_add_pd(_mm_mul_pd(new_gb, mix), _mm_mul_pd(keep, gb));
  }
  return _mm_movelh_ps(_mm_cvtpd_ps(new_ar), _mm_cvtpd_ps(new_gb));
}

struct SumTable {
  alignas(64) PairLevel sums[kSumCount];
};

// The table for an 8-bit frame of `pixels` pixels, prepared and filled, its
// frame pointed at it; or none, the frame left as it was, when the frame is too
// small for the table to pay for itself, when the memory is not there, or when
// the frame's values fall outside what the table's stores take. A frame large
// enough gets the table of output codes too, where the memory is there. The
// caller owns the tables for the render call; the frame must not outlive them.
std::unique_ptr<PairTable> AttachPairTable(PixelFrame* frame, int64_t pixels);

// The same for a 16-bit frame, by code sum.
std::unique_ptr<SumTable> AttachSumTable(PixelFrame* frame, int64_t pixels);
