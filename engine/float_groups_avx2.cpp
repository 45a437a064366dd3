// The walks of four float pixels at a step with AVX2: four double lanes to an
// instruction and a gather for the table. Only these functions carry the
// target; the module loads and runs on processors without it, which never
// call them (float_groups.h).
#include <immintrin.h>

#include <cstdint>

#include "engine/float_groups.h"
#include "engine/pixel_kernel.h"

#define VELMORA_GROUP_TARGET [[gnu::target("avx2")]]

namespace {

struct WideDoubles {
  using Lanes = __m256d;
  VELMORA_GROUP_TARGET static Lanes Widen(__m128 v) { return _mm256_cvtps_pd(v); }
  VELMORA_GROUP_TARGET static Lanes Splat(double v) { return _mm256_set1_pd(v); }
  VELMORA_GROUP_TARGET static Lanes Add(Lanes a, Lanes b) { return _mm256_add_pd(a, b); }
  VELMORA_GROUP_TARGET static Lanes Sub(Lanes a, Lanes b) { return _mm256_sub_pd(a, b); }
  VELMORA_GROUP_TARGET static Lanes Mul(Lanes a, Lanes b) { return _mm256_mul_pd(a, b); }
  VELMORA_GROUP_TARGET static Lanes Div(Lanes a, Lanes b) { return _mm256_div_pd(a, b); }
  VELMORA_GROUP_TARGET static Lanes Min(Lanes a, Lanes b) { return _mm256_min_pd(a, b); }
  VELMORA_GROUP_TARGET static Lanes Max(Lanes a, Lanes b) { return _mm256_max_pd(a, b); }
  VELMORA_GROUP_TARGET static __m128 Narrow(Lanes a) { return _mm256_cvtpd_ps(a); }
  VELMORA_GROUP_TARGET static void Store(double* each, Lanes a) { _mm256_store_pd(each, a); }
  // != as the scalar test, which is true for a NaN, and ordered: a number.
  VELMORA_GROUP_TARGET static int NonZeroNumber(Lanes a) {
    return _mm256_movemask_pd(_mm256_and_pd(_mm256_cmp_pd(a, _mm256_setzero_pd(), _CMP_NEQ_UQ),
                                            _mm256_cmp_pd(a, a, _CMP_ORD_Q)));
  }
  VELMORA_GROUP_TARGET static Lanes FromInt32(__m128i v) { return _mm256_cvtepi32_pd(v); }
  // The low 32 bits of each lane's bits.
  VELMORA_GROUP_TARGET static __m128i LowWords(Lanes a) {
    return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(
        _mm256_castpd_si256(a), _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7)));
  }
  // Adds k << 52 to each lane's bits, modulo 2^64.
  VELMORA_GROUP_TARGET static Lanes AddToExponent(Lanes a, __m128i k) {
    return _mm256_castsi256_pd(
        _mm256_add_epi64(_mm256_castpd_si256(a), _mm256_slli_epi64(_mm256_cvtepi32_epi64(k), 52)));
  }
  // Lanes with low < a < high.
  VELMORA_GROUP_TARGET static int Between(Lanes a, double low, double high) {
    return _mm256_movemask_pd(_mm256_and_pd(_mm256_cmp_pd(a, _mm256_set1_pd(low), _CMP_GT_OQ),
                                            _mm256_cmp_pd(a, _mm256_set1_pd(high), _CMP_LT_OQ)));
  }
  VELMORA_GROUP_TARGET static Lanes GatherDoubles(const double* table, __m128i index) {
    // The masked form: the plain one starts from an undefined register, which
    // the compiler takes for a read of an uninitialised value.
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), table, index, all, 8);
  }
  VELMORA_GROUP_TARGET static __m128 Gather(const float* table, __m128i index) {
    return _mm_i32gather_ps(table, index, 4);
  }
};

}  // namespace

#include "engine/float_group_kernel.h"

void WalkGroupsAvx2(const PixelFrame& frame, const PF_EffectWorld& source,
                    const PF_EffectWorld& destination, A_long rows, bool bgra) {
  WalkAnyGroupRows(frame, source, destination, rows, bgra);
}

void PowersAvx2(const float* x, int count, float y, float* powers) {
  PowersOnLanes(x, count, y, powers);
}
