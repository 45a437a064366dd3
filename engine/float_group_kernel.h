// The walk of four float pixels at a step on the short routes without a blend
// (float_groups.h), written once for both instruction sets. The file that
// includes it defines first, in an anonymous namespace, `WideDoubles`: the
// double arithmetic on four lanes (Lanes, Widen, Splat, Add, Sub, Mul, Div,
// Min, Max, Narrow, Store, FromInt32, LowWords, AddToExponent, the lane masks
// NonZeroNumber and Between, and the gathers of four table entries,
// Gather and GatherDoubles), and VELMORA_GROUP_TARGET, the target attribute
// its functions and these carry. The float lanes, the table's position and
// the integer steps stay in SSE2, which either set runs.
//
// With a pre-transform, x^gamma is single_pow.cpp's approximation on four
// lanes with its boundary test; the lanes it cannot decide take SinglePow.
//
// Each lane takes exactly the operations of pixel_kernel.h's short route, in
// its order: the same comparisons for the lightness (a NaN picked as there),
// the same roundings to float, the truncation as its floor, the same products
// and sums of the interpolation, the same division, the same clamps. A pixel
// that the short route does not take is handed to it one at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/float_route.h"
#include "engine/pixel_kernel.h"
#include "engine/power_tables.h"
#include "engine/single_pow.h"

namespace {

// x < bound for 32-bit unsigned lanes, where SSE2 compares signed ones.
inline __m128i BelowUnsigned(__m128i x, uint32_t bound) {
  const __m128i sign = _mm_set1_epi32(INT32_MIN);
  return _mm_cmplt_epi32(_mm_xor_si128(x, sign),
                         _mm_xor_si128(_mm_set1_epi32(static_cast<int32_t>(bound)), sign));
}

// Lanes whose float bits less 1, unsigned, lie below `bound`: TakesShortRoute's
// and OffsetsStayOnRoute's tests.
inline __m128 BitsInside(__m128 v, uint32_t bound) {
  const __m128i less_one = _mm_sub_epi32(_mm_castps_si128(v), _mm_set1_epi32(1));
  return _mm_castsi128_ps(BelowUnsigned(less_one, bound));
}

inline __m128 Select(__m128 mask, __m128 when_set, __m128 otherwise) {
  return _mm_or_ps(_mm_and_ps(mask, when_set), _mm_andnot_ps(mask, otherwise));
}

// FinishGeneralFloat (float_route.h) in this file's instruction set: a call
// from the wide walk into code of the other encoding, with the wide
// registers' upper halves in use, costs hundreds of cycles on some
// processors, and about one pixel in eight of a frame beyond 0..1 comes here.
template <bool kHdr>
VELMORA_GROUP_TARGET [[gnu::noinline]] __m128 FinishGeneralLane(const ToneCurve& curve, __m128 argb,
                                                                double lightness, double x) {
  const double level = ExtendOrLookUp(x, curve);
  return Recolour<Clamps::Apply, kHdr>(curve, argb, Widen(argb), lightness, level);
}

// SinglePow(x, y) in each lane: ApproximatePower's operations in its order,
// and SinglePow's test of the result; the lanes outside the approximation's
// domain or near a float rounding boundary take SinglePow itself.
VELMORA_GROUP_TARGET inline __m128 PowerOfLanes(__m128 x, float y) {
  using W = WideDoubles;
  alignas(16) float base[4];
  _mm_store_ps(base, x);
  uint32_t y_bits;
  std::memcpy(&y_bits, &y, sizeof y_bits);
  int decided = 0;
  __m128 powered = _mm_setzero_ps();
  if (y_bits - 1u < 0x41800000u) {  // 0 < y <= 16
    const __m128i x_bits = _mm_castps_si128(x);
    const int normal = _mm_movemask_ps(_mm_castsi128_ps(
        BelowUnsigned(_mm_sub_epi32(x_bits, _mm_set1_epi32(0x00800000)), 0x7f000000u)));
    const __m128i exponent = _mm_sub_epi32(_mm_srli_epi32(x_bits, 23), _mm_set1_epi32(127));
    const __m128i point = _mm_and_si128(_mm_srli_epi32(x_bits, 16), _mm_set1_epi32(127));
    const __m128 mantissa = _mm_castsi128_ps(_mm_or_si128(
        _mm_and_si128(x_bits, _mm_set1_epi32(0x007fffff)), _mm_set1_epi32(0x3f800000)));
    const auto* points = reinterpret_cast<const double*>(kLogPoints);
    static_assert(sizeof(LogPoint) == 2 * sizeof(double), "two doubles a point");
    const __m128i twice = _mm_add_epi32(point, point);
    const W::Lanes reciprocal = W::GatherDoubles(points, twice);
    const W::Lanes minus_log2 = W::GatherDoubles(points + 1, twice);
    const W::Lanes r = W::Sub(W::Mul(W::Widen(mantissa), reciprocal), W::Splat(1.0));
    const W::Lanes log_rest = W::Mul(
        r,
        W::Add(
            W::Splat(kLog1),
            W::Mul(r, W::Add(W::Splat(kLog2),
                             W::Mul(r, W::Add(W::Splat(kLog3),
                                              W::Mul(r, W::Add(W::Splat(kLog4),
                                                               W::Mul(r, W::Splat(kLog5))))))))));
    const W::Lanes lg = W::Add(W::FromInt32(exponent), W::Add(minus_log2, log_rest));
    const W::Lanes t = W::Mul(W::Splat(static_cast<double>(y)), lg);
    const int in_range = W::Between(t, -125.0, 127.0);
    const W::Lanes scaled = W::Mul(t, W::Splat(128.0));
    const W::Lanes shifted = W::Add(scaled, W::Splat(kRoundingShift));
    const W::Lanes whole = W::Sub(shifted, W::Splat(kRoundingShift));
    const W::Lanes q = W::Mul(W::Sub(scaled, whole), W::Splat(kLn2Over128));
    const W::Lanes e_q_minus_1 = W::Mul(
        q,
        W::Add(
            W::Splat(1.0),
            W::Mul(
                q,
                W::Add(W::Splat(0.5),
                       W::Mul(q, W::Add(W::Splat(1.0 / 6.0),
                                        W::Mul(q, W::Add(W::Splat(1.0 / 24.0),
                                                         W::Mul(q, W::Splat(1.0 / 120.0))))))))));
    // n = round(128 t) in the low bits of the shifted sum; its residue and
    // floor(n / 128) as single_pow.cpp takes them from n + 2^20.
    const __m128i n = W::LowWords(shifted);
    const W::Lanes two_to_fraction =
        W::GatherDoubles(kExp2Points, _mm_and_si128(n, _mm_set1_epi32(127)));
    const W::Lanes unscaled = W::Add(two_to_fraction, W::Mul(two_to_fraction, e_q_minus_1));
    const W::Lanes approximation = W::AddToExponent(unscaled, _mm_srai_epi32(n, 7));
    // The 29 low bits within kPowerMargin of 2^28 depend on the 32 low ones.
    const __m128i from_boundary =
        _mm_and_si128(_mm_sub_epi32(W::LowWords(approximation),
                                    _mm_set1_epi32((1 << 28) - static_cast<int32_t>(kPowerMargin))),
                      _mm_set1_epi32((1 << 29) - 1));
    const int near_boundary =
        _mm_movemask_ps(_mm_castsi128_ps(BelowUnsigned(from_boundary, 2 * kPowerMargin)));
    decided = normal & in_range & ~near_boundary;
    powered = W::Narrow(approximation);
  }
  if (decided == 0xf) return powered;
  alignas(16) float result[4];
  _mm_store_ps(result, powered);
  for (int lane = 0; lane < 4; ++lane) {
    if ((decided >> lane & 1) == 0) result[lane] = SinglePow(base[lane], y);
  }
  return _mm_load_ps(result);
}

VELMORA_GROUP_TARGET void PowersOnLanes(const float* x, int count, float y, float* powers) {
  for (int i = 0; i + 4 <= count; i += 4)
    _mm_storeu_ps(powers + i, PowerOfLanes(_mm_loadu_ps(x + i), y));
}

// PreTransform on four lanes.
VELMORA_GROUP_TARGET inline WideDoubles::Lanes PreTransformLanes(WideDoubles::Lanes x,
                                                                 const ToneCurve& curve) {
  using W = WideDoubles;
  if (FieldIsOne(curve.gamma)) {
    return W::Add(W::Mul(W::Splat(static_cast<double>(curve.gain)), x),
                  W::Splat(static_cast<double>(curve.offset)));
  }
  // max(x, 0) is x > 0 ? x : 0: a NaN becomes 0, as there.
  const __m128 base = W::Narrow(W::Max(x, W::Splat(0.0)));
  const __m128 powered = PowerOfLanes(base, curve.gamma);
  const __m128 scaled = _mm_mul_ps(powered, _mm_set1_ps(curve.gain));
  return W::Widen(_mm_add_ps(scaled, _mm_set1_ps(curve.offset)));
}

// Four pixels' lanes by channel: for ARGB pixels the transposed rows are
// alpha, red, green, blue; for BGRA ones blue, green, red, alpha.
struct Channels {
  __m128 alpha, red, green, blue;
};

template <class Pixel>
inline Channels LoadGroup(const Pixel* in) {
  const auto* first = reinterpret_cast<const float*>(in);
  __m128 row0 = _mm_loadu_ps(first);
  __m128 row1 = _mm_loadu_ps(first + 4);
  __m128 row2 = _mm_loadu_ps(first + 8);
  __m128 row3 = _mm_loadu_ps(first + 12);
  _MM_TRANSPOSE4_PS(row0, row1, row2, row3);
  if constexpr (std::is_same_v<Pixel, FloatPixelBGRA>) return {row3, row2, row1, row0};
  return {row0, row1, row2, row3};
}

template <class Pixel>
inline void StoreGroup(const Channels& c, Pixel* out) {
  const bool bgra = std::is_same_v<Pixel, FloatPixelBGRA>;
  __m128 row0 = bgra ? c.blue : c.alpha;
  __m128 row1 = bgra ? c.green : c.red;
  __m128 row2 = bgra ? c.red : c.green;
  __m128 row3 = bgra ? c.alpha : c.blue;
  _MM_TRANSPOSE4_PS(row0, row1, row2, row3);
  auto* first = reinterpret_cast<float*>(out);
  _mm_storeu_ps(first, row0);
  _mm_storeu_ps(first + 4, row1);
  _mm_storeu_ps(first + 8, row2);
  _mm_storeu_ps(first + 12, row3);
}

// One colour channel of four pixels: K = l * (X - d) + e, narrowed once; the
// level itself where the offsets go; then the clamps.
VELMORA_GROUP_TARGET inline __m128 MoveChannel(__m128 channel, WideDoubles::Lanes lightness,
                                               WideDoubles::Lanes ratio,
                                               WideDoubles::Lanes level_wide, __m128 level,
                                               __m128 offsets_stay, const FloatRoute& route) {
  using W = WideDoubles;
  const W::Lanes offset = W::Sub(W::Widen(channel), lightness);
  const __m128 moved = W::Narrow(W::Add(W::Mul(ratio, offset), level_wide));
  const __m128 kept = Select(offsets_stay, moved, level);
  return _mm_max_ps(route.black_limit, _mm_min_ps(route.white_limit, kept));
}

template <FrameRoute kRoute, bool kHdr, class Pixel>
VELMORA_GROUP_TARGET inline void CorrectGroup(const ToneCurve& curve, const FloatRoute& route,
                                              const Pixel* in, Pixel* out) {
  using W = WideDoubles;
  constexpr PreStep kPreStep = PreStepOf(kRoute);
  Channels c = LoadGroup(in);
  const W::Lanes red = W::Widen(c.red);
  const W::Lanes green = W::Widen(c.green);
  const W::Lanes blue = W::Widen(c.blue);
  const W::Lanes largest = W::Max(W::Max(red, green), blue);
  const W::Lanes smallest = W::Min(W::Min(red, green), blue);
  const W::Lanes lightness = W::Mul(W::Add(smallest, largest), W::Splat(0.5));
  W::Lanes x = lightness;
  if (kPreStep == PreStep::Applied) x = PreTransformLanes(lightness, curve);
  const __m128 position = W::Narrow(W::Mul(W::Splat(route.table.last), x));
  const __m128 inside = BitsInside(position, route.table.position_bound);
  int taken = _mm_movemask_ps(inside);
  if (kPreStep == PreStep::Applied) {
    taken &= kHdr ? W::Between(lightness, 0.0, HUGE_VAL) : W::NonZeroNumber(lightness);
  }
  // Lanes outside the table read its first interval, and their results are
  // replaced.
  const __m128 safe_position = _mm_and_ps(inside, position);
  const __m128i lower_index = _mm_cvttps_epi32(safe_position);
  const __m128 lower = _mm_cvtepi32_ps(lower_index);
  const __m128 upper = _mm_add_ps(lower, _mm_set1_ps(1.0f));
  const __m128 upper_weight = _mm_sub_ps(upper, safe_position);
  const __m128 lower_weight = _mm_sub_ps(safe_position, lower);
  const __m128 from_lower = _mm_mul_ps(upper_weight, W::Gather(route.table.points, lower_index));
  const __m128 from_upper =
      _mm_mul_ps(lower_weight, W::Gather(route.table.points + 1, lower_index));
  const __m128 level = _mm_add_ps(from_lower, from_upper);
  const __m128 offsets_stay = BitsInside(level, kHdr ? 0x3f800000u : 0x3f7fffffu);
  const W::Lanes level_wide = W::Widen(level);
  const W::Lanes ratio = W::Div(level_wide, lightness);

  c.red = MoveChannel(c.red, lightness, ratio, level_wide, level, offsets_stay, route);
  c.green = MoveChannel(c.green, lightness, ratio, level_wide, level, offsets_stay, route);
  c.blue = MoveChannel(c.blue, lightness, ratio, level_wide, level, offsets_stay, route);
  if (taken == 0xf) {
    StoreGroup(c, out);
    return;
  }
  // The pixels the short route does not take, from the input before the
  // group's stores, which may overwrite it.
  // Their lightness and x are the lanes' own, which the short route would
  // have found before handing them on.
  alignas(32) double lightness_of[4];
  alignas(32) double x_of[4];
  W::Store(lightness_of, lightness);
  W::Store(x_of, x);
  __m128 elsewhere[4] = {};
  for (int lane = 0; lane < 4; ++lane) {
    if ((taken >> lane & 1) == 0) {
      elsewhere[lane] =
          FinishGeneralLane<kHdr>(curve, LoadLanes(in + lane), lightness_of[lane], x_of[lane]);
    }
  }
  StoreGroup(c, out);
  for (int lane = 0; lane < 4; ++lane) {
    if ((taken >> lane & 1) == 0) StoreLanes(elsewhere[lane], out + lane);
  }
}

template <FrameRoute kRoute, bool kHdr, class Pixel>
VELMORA_GROUP_TARGET void WalkGroupRows(const PixelFrame& frame, const PF_EffectWorld& source,
                                        const PF_EffectWorld& destination, A_long rows) {
  // Copies the pixel stores cannot alias, held in registers across the frame.
  const ToneCurve curve = frame.curve;
  const FloatRoute route{PlainTableOf(frame), _mm_set1_ps(frame.white_limit),
                         _mm_set1_ps(frame.black_limit)};
  const A_long width = destination.width;
  auto* source_row = reinterpret_cast<char*>(source.data);
  auto* destination_row = reinterpret_cast<char*>(destination.data);
  for (A_long y = 0; y < rows; ++y) {
    const auto* in = reinterpret_cast<const Pixel*>(source_row);
    auto* out = reinterpret_cast<Pixel*>(destination_row);
    A_long x = 0;
    for (; x + 4 <= width; x += 4) CorrectGroup<kRoute, kHdr>(curve, route, in + x, out + x);
    for (; x < width; ++x) {
      StoreLanes(CorrectLanesOnRoute<kRoute, kHdr>(curve, route, LoadLanes(in + x)), out + x);
    }
    source_row += static_cast<std::ptrdiff_t>(source.rowbytes);
    destination_row += static_cast<std::ptrdiff_t>(destination.rowbytes);
  }
}

template <class Pixel>
VELMORA_GROUP_TARGET void WalkGroupRowsOf(const PixelFrame& frame, const PF_EffectWorld& source,
                                          const PF_EffectWorld& destination, A_long rows) {
  const bool hdr = frame.curve.preserve_hdr != 0;
  if (frame.route == FrameRoute::Short) {
    if (hdr) {
      WalkGroupRows<FrameRoute::Short, true, Pixel>(frame, source, destination, rows);
    } else {
      WalkGroupRows<FrameRoute::Short, false, Pixel>(frame, source, destination, rows);
    }
  } else if (hdr) {
    WalkGroupRows<FrameRoute::ShortPreTransformed, true, Pixel>(frame, source, destination, rows);
  } else {
    WalkGroupRows<FrameRoute::ShortPreTransformed, false, Pixel>(frame, source, destination, rows);
  }
}

VELMORA_GROUP_TARGET void WalkAnyGroupRows(const PixelFrame& frame, const PF_EffectWorld& source,
                                           const PF_EffectWorld& destination, A_long rows,
                                           bool bgra) {
  if (bgra) {
    WalkGroupRowsOf<FloatPixelBGRA>(frame, source, destination, rows);
  } else {
    WalkGroupRowsOf<PF_PixelFloat>(frame, source, destination, rows);
  }
}

}  // namespace
