// Float frames: the walk over a frame's rows, pixel by pixel around the kernel,
// for Premiere Pro's BGRA pixels and After Effects' ARGB ones, and After
// Effects' float pixels one per call.
#include <cstddef>
#include <cstring>

#include "engine/float_groups.h"
#include "engine/float_route.h"
#include "engine/pixel_kernel.h"
#include "engine/pixel_test_entry_points.h"
#include "engine/pixel_transform.h"

namespace {

template <PreStep kPre, bool kHdr, class Pixel = FloatPixelBGRA>
void CorrectBGRA(const ToneCurve& curve, const Pixel* in, Pixel* out) {
  StoreLanes(CorrectChannels<Clamps::Apply, kPre, kHdr>(curve, LoadLanes(in)), out);
}

template <bool kHdr>
[[gnu::noinline]] void CorrectBGRAGeneral(const ToneCurve& curve, const FloatPixelBGRA* in,
                                          FloatPixelBGRA* out) {
  CorrectBGRA<PreStep::Applied, kHdr>(curve, in, out);
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
    // The unblended short routes walk in groups (float_groups.h).
    if (frame.route == FrameRoute::ShortBlended) {
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
  constexpr bool kBgra = std::is_same_v<Pixel, FloatPixelBGRA>;
  if (WalksInGroups(frame)) {
    if (ChosenVectorSet() == VectorSet::Avx2) {
      WalkGroupsAvx2(frame, source, destination, rows, kBgra);
    } else {
      WalkGroupsSse2(frame, source, destination, rows, kBgra);
    }
  } else if (frame.route == FrameRoute::Identity) {
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

bool WalksInGroups(const PixelFrame& frame) {
  return frame.route == FrameRoute::Short || frame.route == FrameRoute::ShortPreTransformed;
}

bool Runs(VectorSet set) {
  if (set == VectorSet::Sse2) return true;
  // Reports the instructions and whether the system saves the wide registers.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

VectorSet ChosenVectorSet() {
  static const VectorSet chosen = Runs(VectorSet::Avx2) ? VectorSet::Avx2 : VectorSet::Sse2;
  return chosen;
}
