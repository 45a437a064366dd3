// Host pixels as one four-lane vector of floats in the working order alpha,
// red, green, blue, and back.
//
// The lanes hold exactly the values of the plain scalar conversions (c / 255,
// c * 2^-15; back, clamped and truncated), which the tests keep in
// tests/engine/reference_transform.h: each lane is converted by the same IEEE
// operation (a division by 255, read from a table of its results, a
// multiplication by 2^-15 or by the full scale), and the clamps are max and min instructions, whose
// choice of operand is that of the scalar comparisons, a NaN included. SSE2 is the base of every
// x86-64 processor, so every system that runs the hosts has it.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "host_sdk/host_types.h"

#if !defined(__SSE2__) && !defined(_M_X64)
#error "The pixel path is written for SSE2, the base instruction set of x86-64"
#endif

using PixelLanes = __m128;  // alpha, red, green, blue

// Four-lane constants. Where the compiler can see their values it rebuilds them
// from one float (a load and a shuffle) in every call; the functions below
// therefore also take them as arguments, which the pixel functions of a frame
// load from the frame's record, so that each instruction reads its constant
// straight from memory.
alignas(16) inline constexpr float kLanes255[4] = {255.0f, 255.0f, 255.0f, 255.0f};
alignas(16) inline constexpr float kLanes32768[4] = {32768.0f, 32768.0f, 32768.0f, 32768.0f};
alignas(16) inline constexpr float kLanesTwoToMinus15[4] = {0.000030517578125f, 0.000030517578125f,
                                                            0.000030517578125f, 0.000030517578125f};

// Lane order of a BGRA pixel turned into ARGB, and back: the same reversal.
inline __m128 ReverseLanes(__m128 v) {
  return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3));
}

// c / 255 in single precision for every 8-bit code c. The compiler folds each
// quotient with the rounding of the division it replaces, so every entry is
// the value the division gives at run time; four loads from this table take
// less time than one packed division, whose latency heads every pixel's chain
// (they are about five instructions more).
struct UnitOf8BitCodes {
  float values[256];
};

constexpr UnitOf8BitCodes MakeUnitOf8BitCodes() {
  UnitOf8BitCodes table{};
  for (int code = 0; code < 256; ++code) {
    table.values[code] = static_cast<float>(code) / 255.0f;
  }
  return table;
}

alignas(64) inline constexpr UnitOf8BitCodes kUnitOf8BitCodes = MakeUnitOf8BitCodes();

// The same floats widened to double, exactly, for the pixel functions that
// take the channels into double precision straight away.
struct WideUnitOf8BitCodes {
  double values[256];
};

constexpr WideUnitOf8BitCodes MakeWideUnitOf8BitCodes() {
  WideUnitOf8BitCodes table{};
  for (int code = 0; code < 256; ++code) {
    table.values[code] = static_cast<double>(kUnitOf8BitCodes.values[code]);
  }
  return table;
}

alignas(64) inline constexpr WideUnitOf8BitCodes kWideUnitOf8BitCodes = MakeWideUnitOf8BitCodes();

// Four 8-bit channels, in memory order, each c / 255 in single precision.
inline __m128 LoadChannels8(const void* pixel) {
  const auto* codes = static_cast<const uint8_t*>(pixel);
  const float* unit = kUnitOf8BitCodes.values;
  const __m128 first = _mm_load_ss(&unit[codes[0]]);
  const __m128 second = _mm_load_ss(&unit[codes[1]]);
  const __m128 third = _mm_load_ss(&unit[codes[2]]);
  const __m128 fourth = _mm_load_ss(&unit[codes[3]]);
  return _mm_movelh_ps(_mm_unpacklo_ps(first, second), _mm_unpacklo_ps(third, fourth));
}

// trunc(clamp(v * 255, 0, 255)) per lane, NaN to 0, stored in lane order.
inline void StoreChannels8(__m128 v, void* pixel) {
  const __m128 full = _mm_load_ps(kLanes255);
  __m128 scaled = _mm_mul_ps(v, full);
  scaled = _mm_max_ps(scaled, _mm_setzero_ps());  // scaled > 0 ? scaled : 0
  scaled = _mm_min_ps(scaled, full);              // scaled < 255 ? scaled : 255
  const __m128i codes = _mm_cvttps_epi32(scaled);
  const __m128i words = _mm_packs_epi32(codes, codes);
  const int32_t word = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
  std::memcpy(pixel, &word, sizeof word);
}

// The same with 8-bit BGRA pixels.
inline __m128 LoadChannels8BGRA(const void* pixel) {
  return ReverseLanes(LoadChannels8(pixel));
}

inline void StoreChannels8BGRA(__m128 v, void* pixel) {
  StoreChannels8(ReverseLanes(v), pixel);
}

// Four 16-bit channels, each c * 2^-15 in single precision.
inline __m128 LoadChannels16(const PF_Pixel16* pixel,
                             __m128 two_to_minus_15 = _mm_load_ps(kLanesTwoToMinus15)) {
  const __m128i words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixel));
  const __m128i codes = _mm_unpacklo_epi16(words, _mm_setzero_si128());
  return _mm_mul_ps(_mm_cvtepi32_ps(codes), two_to_minus_15);
}

// trunc(clamp(v * 32768, 0, 32768)) per lane, NaN to 0. SSE2 packs to signed
// 16 bits only, so the codes are moved down by 32768 for the pack and back
// by flipping the top bit.
inline void StoreChannels16(__m128 v, PF_Pixel16* pixel) {
  const __m128 full = _mm_load_ps(kLanes32768);
  __m128 scaled = _mm_mul_ps(v, full);
  scaled = _mm_max_ps(scaled, _mm_setzero_ps());
  scaled = _mm_min_ps(scaled, full);
  const __m128i half_range = _mm_set1_epi32(32768);
  const __m128i centred = _mm_sub_epi32(_mm_cvttps_epi32(scaled), half_range);
  const __m128i packed = _mm_packs_epi32(centred, centred);
  const __m128i words = _mm_xor_si128(packed, _mm_set1_epi16(static_cast<short>(0x8000)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(pixel), words);
}

// StoreChannels8 for values known to lie in (-1, 511], as the short route's
// channels do: the truncation gives 0..511 without the clamps, and the
// saturating pack brings 256..511 to 255, the code the clamp would have given.
inline void StoreChannels8InRange(__m128 v, void* pixel, __m128 lanes255) {
  const __m128i codes = _mm_cvttps_epi32(_mm_mul_ps(v, lanes255));
  const __m128i words = _mm_packs_epi32(codes, codes);
  const int32_t word = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
  std::memcpy(pixel, &word, sizeof word);
}

inline void StoreChannels8BGRAInRange(__m128 v, void* pixel, __m128 lanes255) {
  StoreChannels8InRange(ReverseLanes(v), pixel, lanes255);
}

// StoreChannels16 for values known to lie in (-1, 2^16): the clamp at full
// scale stays; below it the truncation gives 0..32768 without the clamp at 0.
inline void StoreChannels16InRange(__m128 v, PF_Pixel16* pixel, __m128 full) {
  const __m128 scaled = _mm_min_ps(_mm_mul_ps(v, full), full);
  const __m128i centred = _mm_sub_epi32(_mm_cvttps_epi32(scaled), _mm_set1_epi32(32768));
  const __m128i packed = _mm_packs_epi32(centred, centred);
  const __m128i words = _mm_xor_si128(packed, _mm_set1_epi16(static_cast<short>(0x8000)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(pixel), words);
}
