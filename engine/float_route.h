// A float pixel on a frame's short route, one at a time: the lanes of the
// host's two float layouts and the step every float walk shares, the pixel by
// pixel walk of float_rows.cpp and the walks of four pixels at a time
// (float_group_kernel.h), which hand it the pixels they cannot take.
//
// Internal to the engine, with internal linkage in each file that includes it,
// as pixel_kernel.h.
#pragma once

#include <type_traits>

#include "engine/pixel_kernel.h"
#include "engine/pixel_transform.h"

namespace {

static_assert(sizeof(FloatPixelBGRA) == sizeof(__m128), "FloatPixelBGRA is four lanes");
static_assert(sizeof(PF_PixelFloat) == sizeof(__m128), "PF_PixelFloat is four lanes");

// A float pixel's lanes in the kernel's order alpha, red, green, blue:
// Premiere Pro's BGRA pixels reversed, After Effects' ARGB ones as they are.
template <class Pixel>
inline __m128 LoadLanes(const Pixel* pixel) {
  const __m128 lanes = _mm_loadu_ps(reinterpret_cast<const float*>(pixel));
  if constexpr (std::is_same_v<Pixel, FloatPixelBGRA>) return ReverseLanes(lanes);
  return lanes;
}

template <class Pixel>
inline void StoreLanes(__m128 argb, Pixel* pixel) {
  if constexpr (std::is_same_v<Pixel, FloatPixelBGRA>) argb = ReverseLanes(argb);
  _mm_storeu_ps(reinterpret_cast<float*>(pixel), argb);
}

template <bool kHdr>
[[gnu::noinline]] __m128 FinishGeneralFloat(const ToneCurve& curve, __m128 argb, double lightness,
                                            double x) {
  const double level = ExtendOrLookUp(x, curve);
  return Recolour<Clamps::Apply, kHdr>(curve, argb, Widen(argb), lightness, level);
}

// The float walk's values for a frame on a short route, held in registers
// across the frame.
struct FloatRoute {
  PlainTable table;
  __m128 white_limit;
  __m128 black_limit;
};

// A pixel's lanes alpha, red, green, blue on a short route.
template <FrameRoute kRoute, bool kHdr>
inline __m128 CorrectLanesOnRoute(const ToneCurve& curve, const FloatRoute& route, __m128 argb) {
  constexpr PreStep kPreStep = PreStepOf(kRoute);
  const WideLanes input = Widen(argb);
  const double lightness = LightnessOf(input);
  const double x = kPreStep == PreStep::Neutral ? lightness : PreTransform(lightness, curve);
  const float position = TablePosition(route.table, x);
  if (TakesShortRoute<kPreStep, kHdr>(route.table, position, lightness)) {
    const float level = Interpolate(route.table, position);
    const __m128 moved = MoveChannels<kRoute>(curve, input, lightness, static_cast<double>(level),
                                              OffsetsStayOnRoute<kHdr>(level));
    // The clamps as in Recolour; a limit of +-infinity changes nothing.
    const __m128 clamped = _mm_max_ps(route.black_limit, _mm_min_ps(route.white_limit, moved));
    return _mm_move_ss(clamped, argb);
  }
  return FinishGeneralFloat<kHdr>(curve, argb, lightness, x);
}

}  // namespace
