// The walks of four float pixels at a step with SSE2: each double operation
// on two instructions of two lanes.
#include <emmintrin.h>

#include <cstdint>

#include "engine/float_groups.h"
#include "engine/pixel_kernel.h"

#define VELMORA_GROUP_TARGET

namespace {

struct WideDoubles {
  struct Lanes {
    __m128d low;
    __m128d high;
  };
  static Lanes Widen(__m128 v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
  static Lanes Splat(double v) { return {_mm_set1_pd(v), _mm_set1_pd(v)}; }
  static Lanes Add(Lanes a, Lanes b) {
    return {_mm_add_pd(a.low, b.low), _mm_add_pd(a.high, b.high)};
  }
  static Lanes Sub(Lanes a, Lanes b) {
    return {_mm_sub_pd(a.low, b.low), _mm_sub_pd(a.high, b.high)};
  }
  static Lanes Mul(Lanes a, Lanes b) {
    return {_mm_mul_pd(a.low, b.low), _mm_mul_pd(a.high, b.high)};
  }
  static Lanes Div(Lanes a, Lanes b) {
    return {_mm_div_pd(a.low, b.low), _mm_div_pd(a.high, b.high)};
  }
  static Lanes Min(Lanes a, Lanes b) {
    return {_mm_min_pd(a.low, b.low), _mm_min_pd(a.high, b.high)};
  }
  static Lanes Max(Lanes a, Lanes b) {
    return {_mm_max_pd(a.low, b.low), _mm_max_pd(a.high, b.high)};
  }
  static __m128 Narrow(Lanes a) { return _mm_movelh_ps(_mm_cvtpd_ps(a.low), _mm_cvtpd_ps(a.high)); }
  static void Store(double* each, Lanes a) {
    _mm_store_pd(each, a.low);
    _mm_store_pd(each + 2, a.high);
  }
  static int MaskOf(__m128d low, __m128d high) {
    return _mm_movemask_pd(low) | _mm_movemask_pd(high) << 2;
  }
  static int NonZeroNumber(Lanes a) {
    const __m128d zero = _mm_setzero_pd();
    return MaskOf(_mm_and_pd(_mm_cmpneq_pd(a.low, zero), _mm_cmpord_pd(a.low, a.low)),
                  _mm_and_pd(_mm_cmpneq_pd(a.high, zero), _mm_cmpord_pd(a.high, a.high)));
  }
  static Lanes FromInt32(__m128i v) {
    return {_mm_cvtepi32_pd(v), _mm_cvtepi32_pd(_mm_shuffle_epi32(v, _MM_SHUFFLE(3, 2, 3, 2)))};
  }
  // The low 32 bits of each lane's bits.
  static __m128i LowWords(Lanes a) {
    return _mm_castps_si128(
        _mm_shuffle_ps(_mm_castpd_ps(a.low), _mm_castpd_ps(a.high), _MM_SHUFFLE(2, 0, 2, 0)));
  }
  // Adds k << 52 to each lane's bits, modulo 2^64.
  static Lanes AddToExponent(Lanes a, __m128i k) {
    const __m128i high_words = _mm_slli_epi32(k, 20);
    const __m128i zero = _mm_setzero_si128();
    return {_mm_castsi128_pd(
                _mm_add_epi32(_mm_castpd_si128(a.low), _mm_unpacklo_epi32(zero, high_words))),
            _mm_castsi128_pd(
                _mm_add_epi32(_mm_castpd_si128(a.high), _mm_unpackhi_epi32(zero, high_words)))};
  }
  // Lanes with low < a < high.
  static int Between(Lanes a, double low, double high) {
    const __m128d lows = _mm_set1_pd(low);
    const __m128d highs = _mm_set1_pd(high);
    return MaskOf(_mm_and_pd(_mm_cmpgt_pd(a.low, lows), _mm_cmplt_pd(a.low, highs)),
                  _mm_and_pd(_mm_cmpgt_pd(a.high, lows), _mm_cmplt_pd(a.high, highs)));
  }
  static Lanes GatherDoubles(const double* table, __m128i index) {
    alignas(16) int32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
    return {_mm_setr_pd(table[at[0]], table[at[1]]), _mm_setr_pd(table[at[2]], table[at[3]])};
  }
  static __m128 Gather(const float* table, __m128i index) {
    alignas(16) int32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
    return _mm_setr_ps(table[at[0]], table[at[1]], table[at[2]], table[at[3]]);
  }
};

}  // namespace

#include "engine/float_group_kernel.h"

void WalkGroupsSse2(const PixelFrame& frame, const PF_EffectWorld& source,
                    const PF_EffectWorld& destination, A_long rows, bool bgra) {
  WalkAnyGroupRows(frame, source, destination, rows, bgra);
}

void PowersSse2(const float* x, int count, float y, float* powers) {
  PowersOnLanes(x, count, y, powers);
}
