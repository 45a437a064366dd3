// Float frames: the walk over a frame's rows, pixel by pixel around the kernel,
// for Premiere Pro's BGRA pixels and After Effects' ARGB ones, and After
// Effects' float pixels one per call.
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "engine/pixel_kernel.h"
#include "engine/pixel_test_entry_points.h"
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

template <PreStep kPre, bool kHdr, class Pixel = FloatPixelBGRA>
void CorrectBGRA(const ToneCurve& curve, const Pixel* in, Pixel* out) {
  StoreLanes(CorrectChannels<Clamps::Apply, kPre, kHdr>(curve, LoadLanes(in)), out);
}

template <bool kHdr>
[[gnu::noinline]] void CorrectBGRAGeneral(const ToneCurve& curve, const FloatPixelBGRA* in,
                                          FloatPixelBGRA* out) {
  CorrectBGRA<PreStep::Applied, kHdr>(curve, in, out);
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

template <FrameRoute kRoute, bool kHdr, class Pixel>
inline void CorrectBGRAOnRoute(const ToneCurve& curve, const FloatRoute& route, const Pixel* in,
                               Pixel* out) {
  StoreLanes(CorrectLanesOnRoute<kRoute, kHdr>(curve, route, LoadLanes(in)), out);
}

// After Effects' float pixels, one per call of its float iterate: PF_PixelFloat
// holds the lanes in the kernel's own order.
template <FrameRoute kRoute, bool kHdr>
PF_Err CorrectFloatPixelOnRoute(void* frame, A_long /*x*/, A_long /*y*/, PF_PixelFloat* in,
                                PF_PixelFloat* out) {
  const PixelFrame& prepared = *static_cast<const PixelFrame*>(frame);
  const FloatRoute route{PlainTableOf(prepared), _mm_set1_ps(prepared.white_limit),
                         _mm_set1_ps(prepared.black_limit)};
  _mm_storeu_ps(&out->alpha,
                CorrectLanesOnRoute<kRoute, kHdr>(prepared.curve, route, _mm_loadu_ps(&in->alpha)));
  return 0;
}

template <PreStep kPre, bool kHdr>
PF_Err CorrectFloatPixel(void* frame, A_long /*x*/, A_long /*y*/, PF_PixelFloat* in,
                         PF_PixelFloat* out) {
  const ToneCurve& curve = static_cast<const PixelFrame*>(frame)->curve;
  _mm_storeu_ps(&out->alpha,
                CorrectChannels<Clamps::Apply, kPre, kHdr>(curve, _mm_loadu_ps(&in->alpha)));
  return 0;
}

// The neutral settings preserving HDR: the pixel as it came, or limited by a
// clamp that is on.
PF_Err KeepFloatPixel(void* /*frame*/, A_long /*x*/, A_long /*y*/, PF_PixelFloat* in,
                      PF_PixelFloat* out) {
  std::memmove(out, in, sizeof *out);
  return 0;
}

PF_Err KeepFloatPixelClamped(void* frame, A_long /*x*/, A_long /*y*/, PF_PixelFloat* in,
                             PF_PixelFloat* out) {
  const ToneCurve& curve = static_cast<const PixelFrame*>(frame)->curve;
  _mm_storeu_ps(&out->alpha, KeepChannels<Clamps::Apply>(curve, _mm_loadu_ps(&in->alpha)));
  return 0;
}

bool ClampsSomething(const ToneCurve& curve) {
  return FieldIsZero(curve.white_slope) || FieldIsZero(curve.black_slope);
}

// Calls correct(in, out) for every pixel of `rows` rows, `destination.width`
// pixels each, from the first pixel of both buffers, each stepping by its own
// signed row stride.
template <class Pixel, class Correction>
void WalkRows(const PF_EffectWorld& source, const PF_EffectWorld& destination, A_long rows,
              Correction correct) {
  const A_long width = destination.width;
  auto* source_row = reinterpret_cast<char*>(source.data);
  auto* destination_row = reinterpret_cast<char*>(destination.data);
  for (A_long y = 0; y < rows; ++y) {
    const auto* in = reinterpret_cast<const Pixel*>(source_row);
    auto* out = reinterpret_cast<Pixel*>(destination_row);
    for (A_long x = 0; x < width; ++x) correct(in + x, out + x);
    source_row += static_cast<std::ptrdiff_t>(source.rowbytes);
    destination_row += static_cast<std::ptrdiff_t>(destination.rowbytes);
  }
}

// The blended routes' walks, out of line so that their loops do not weigh on
// the registers of the unblended ones; the record and the route are copies
// the pixel stores cannot alias, held in registers across the frame.
template <FrameRoute kRoute, bool kHdr, class Pixel>
[[gnu::noinline]] void WalkBlended(const ToneCurve curve, const FloatRoute route,
                                   const PF_EffectWorld& source, const PF_EffectWorld& destination,
                                   A_long rows) {
  WalkRows<Pixel>(source, destination, rows, [&](const Pixel* in, Pixel* out) {
    CorrectBGRAOnRoute<kRoute, kHdr>(curve, route, in, out);
  });
}

// The frame's pixels as they came, each row moved whole, or limited by a
// clamp that is on.
template <class Pixel>
void KeepRows(const ToneCurve& curve, const PF_EffectWorld& source,
              const PF_EffectWorld& destination, A_long rows) {
  if (!ClampsSomething(curve)) {
    const std::size_t row_bytes =
        destination.width > 0 ? static_cast<std::size_t>(destination.width) * sizeof(FloatPixelBGRA)
                              : 0;
    auto* source_row = reinterpret_cast<char*>(source.data);
    auto* destination_row = reinterpret_cast<char*>(destination.data);
    for (A_long y = 0; y < rows; ++y) {
      std::memmove(destination_row, source_row, row_bytes);
      source_row += static_cast<std::ptrdiff_t>(source.rowbytes);
      destination_row += static_cast<std::ptrdiff_t>(destination.rowbytes);
    }
    return;
  }
  WalkRows<Pixel>(source, destination, rows, [&](const Pixel* in, Pixel* out) {
    StoreLanes(KeepChannels<Clamps::Apply>(curve, LoadLanes(in)), out);
  });
}

template <bool kHdr, class Pixel>
void WalkFrameRows(const PixelFrame& frame, const PF_EffectWorld& source,
                   const PF_EffectWorld& destination, A_long rows) {
  const ToneCurve& curve = frame.curve;
  using In = const Pixel*;
  using Out = Pixel*;
  if (frame.route != FrameRoute::General) {
    // Locals the pixel stores cannot alias, so they stay in registers across
    // the frame.
    const FloatRoute route{PlainTableOf(frame), _mm_set1_ps(frame.white_limit),
                           _mm_set1_ps(frame.black_limit)};
    if (frame.route == FrameRoute::Short) {
      WalkRows<Pixel>(source, destination, rows, [&](In in, Out out) {
        CorrectBGRAOnRoute<FrameRoute::Short, kHdr>(curve, route, in, out);
      });
    } else if (frame.route == FrameRoute::ShortPreTransformed) {
      WalkRows<Pixel>(source, destination, rows, [&](In in, Out out) {
        CorrectBGRAOnRoute<FrameRoute::ShortPreTransformed, kHdr>(curve, route, in, out);
      });
    } else if (frame.route == FrameRoute::ShortBlended) {
      WalkBlended<FrameRoute::ShortBlended, kHdr, Pixel>(curve, route, source, destination, rows);
    } else {
      WalkBlended<FrameRoute::ShortPreTransformedBlended, kHdr, Pixel>(curve, route, source,
                                                                       destination, rows);
    }
    return;
  }
  // A copy the pixel stores cannot alias, so its fields stay in registers
  // across the frame instead of being read again for every pixel.
  const ToneCurve local = curve;
  if (IsNeutralPreTransform(local)) {
    WalkRows<Pixel>(source, destination, rows, [&](In in, Out out) {
      CorrectBGRA<PreStep::Neutral, kHdr, Pixel>(local, in, out);
    });
  } else {
    WalkRows<Pixel>(source, destination, rows, [&](In in, Out out) {
      CorrectBGRA<PreStep::Applied, kHdr, Pixel>(local, in, out);
    });
  }
}

template <bool kHdr>
FramePixelFunctionFloat FloatPixelFunctionOf(const PixelFrame& frame) {
  switch (frame.route) {
    case FrameRoute::Short:
      return CorrectFloatPixelOnRoute<FrameRoute::Short, kHdr>;
    case FrameRoute::ShortPreTransformed:
      return CorrectFloatPixelOnRoute<FrameRoute::ShortPreTransformed, kHdr>;
    case FrameRoute::ShortBlended:
      return CorrectFloatPixelOnRoute<FrameRoute::ShortBlended, kHdr>;
    case FrameRoute::ShortPreTransformedBlended:
      return CorrectFloatPixelOnRoute<FrameRoute::ShortPreTransformedBlended, kHdr>;
    case FrameRoute::General:
    case FrameRoute::Identity:
      break;
  }
  // Decided once for the frame: the neutral pre-transform carries no power call.
  if (IsNeutralPreTransform(frame.curve)) return CorrectFloatPixel<PreStep::Neutral, kHdr>;
  return CorrectFloatPixel<PreStep::Applied, kHdr>;
}

}  // namespace

PF_Err TransformPixel(const ToneCurve& curve, const FloatPixel& in, FloatPixel* out) {
  static_assert(sizeof(FloatPixel) == sizeof(__m128), "FloatPixel is four lanes");
  const __m128 argb = _mm_loadu_ps(&in.alpha);
  if (IsHdrIdentity(curve)) {
    _mm_storeu_ps(&out->alpha, KeepChannels<Clamps::Apply>(curve, argb));
  } else if (curve.preserve_hdr != 0) {
    _mm_storeu_ps(&out->alpha, CorrectChannels<Clamps::Apply, PreStep::Unknown, true>(curve, argb));
  } else {
    _mm_storeu_ps(&out->alpha,
                  CorrectChannels<Clamps::Apply, PreStep::Unknown, false>(curve, argb));
  }
  return 0;
}

PF_Err TransformPixelBGRA(void* refcon, A_long /*x*/, A_long /*y*/, FloatPixelBGRA* in,
                          FloatPixelBGRA* out) {
  const ToneCurve& curve = *static_cast<const ToneCurve*>(refcon);
  if (IsHdrIdentity(curve)) {
    _mm_storeu_ps(&out->blue, ReverseLanes(KeepChannels<Clamps::Apply>(
                                  curve, ReverseLanes(_mm_loadu_ps(&in->blue)))));
  } else if (curve.preserve_hdr != 0) {
    if (IsNeutralPreTransform(curve)) {
      CorrectBGRA<PreStep::Neutral, true>(curve, in, out);
    } else {
      CorrectBGRAGeneral<true>(curve, in, out);
    }
  } else if (IsNeutralPreTransform(curve)) {
    CorrectBGRA<PreStep::Neutral, false>(curve, in, out);
  } else {
    CorrectBGRAGeneral<false>(curve, in, out);
  }
  return 0;
}

void TransformRowsBGRA(const ToneCurve& curve, const PF_EffectWorld& source,
                       const PF_EffectWorld& destination, A_long rows) {
  PixelFrame frame;
  PreparePixelFrame(curve, &frame);
  TransformFrameRowsBGRA(frame, source, destination, rows);
}

template <class Pixel>
void TransformFrameRows(const PixelFrame& frame, const PF_EffectWorld& source,
                        const PF_EffectWorld& destination, A_long rows) {
  if (frame.route == FrameRoute::Identity) {
    KeepRows<Pixel>(frame.curve, source, destination, rows);
  } else if (frame.curve.preserve_hdr != 0) {
    WalkFrameRows<true, Pixel>(frame, source, destination, rows);
  } else {
    WalkFrameRows<false, Pixel>(frame, source, destination, rows);
  }
}

void TransformFrameRowsBGRA(const PixelFrame& frame, const PF_EffectWorld& source,
                            const PF_EffectWorld& destination, A_long rows) {
  TransformFrameRows<FloatPixelBGRA>(frame, source, destination, rows);
}

void TransformFrameRowsARGB(const PixelFrame& frame, const PF_EffectWorld& source,
                            const PF_EffectWorld& destination, A_long rows) {
  TransformFrameRows<PF_PixelFloat>(frame, source, destination, rows);
}

FramePixelFunctionFloat PixelFunctionFloatFor(const PixelFrame& frame) {
  if (frame.route == FrameRoute::Identity) {
    return ClampsSomething(frame.curve) ? KeepFloatPixelClamped : KeepFloatPixel;
  }
  if (frame.curve.preserve_hdr != 0) return FloatPixelFunctionOf<true>(frame);
  return FloatPixelFunctionOf<false>(frame);
}
