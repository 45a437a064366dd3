// The integer pixel formats: each format's load and store around the kernel,
// the pixel functions the host's iterate calls, and the choice of the frame's
// pixel function.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "engine/pair_table.h"
#include "engine/pixel_kernel.h"
#include "engine/pixel_test_entry_points.h"
#include "engine/pixel_transform.h"

// Out of line, and kept with its full argument list: a specialised copy
// without the unused ones would make its callers move their arguments about
// before the jump. Clang makes no such copies and knows no such attribute.
#if defined(__clang__)
#define OUT_OF_LINE_AS_IS [[gnu::noinline]]
#else
#define OUT_OF_LINE_AS_IS [[gnu::noinline, gnu::noclone]]
#endif

namespace {

// A pixel as the short route starts from it: the channels widened, their
// lightness, and the alpha channel as a float in lane 0 of `alpha` (the
// other lanes are the format's business).
struct RouteLanes {
  __m128 alpha;
  WideLanes wide;
  double lightness;
};

// 8-bit codes at the given byte positions, read from the table of their
// values in double precision: the same values as the float lanes widened,
// without the conversions and the shuffles.
template <int kAlpha, int kRed, int kGreen, int kBlue>
inline RouteLanes LoadRouteLanes8(const void* pixel) {
  const auto* codes = static_cast<const uint8_t*>(pixel);
  const double* unit = kWideUnitOf8BitCodes.values;
  const __m128d red = _mm_load_sd(&unit[codes[kRed]]);
  const __m128d green = _mm_load_sd(&unit[codes[kGreen]]);
  const __m128d blue = _mm_load_sd(&unit[codes[kBlue]]);
  const WideLanes wide{_mm_unpacklo_pd(_mm_load_sd(&unit[codes[kAlpha]]), red),
                       _mm_unpacklo_pd(green, blue)};
  return {_mm_cvtpd_ps(wide.ar), wide, LightnessOfChannels(red, green, blue)};
}

// Each format's load and store; for the short routes, its load
// into RouteLanes, the four float lanes again for a pixel that leaves the
// short route (Lanes), and its store for the short route. On the short route
// of an integer frame every channel is at least 0, so 0 <= d and
// every channel X lies within d of it: with a plain table the level e lies in
// [0, 1 + 2^-22], and e / d * (X - d) + e in [0, 2e] up to a few roundings.
// A blend with a mix in [0, 1] weighs that against the input channel, at
// most 2, with weights that are both at least 0 and add up to 1: the result
// stays in the same range, well inside the one the InRange stores take.

struct Argb8 {
  using Pixel = PF_Pixel8;
  static constexpr int kAlpha = 0, kRed = 1, kGreen = 2, kBlue = 3;
  static __m128 Load(const Pixel* p) { return LoadChannels8(p); }
  static void Store(__m128 v, Pixel* p) { StoreChannels8(v, p); }
  static RouteLanes LoadOnRoute(const Pixel* p, const PixelFrame& /*frame*/) {
    return LoadRouteLanes8<0, 1, 2, 3>(p);
  }
  static __m128 Lanes(const RouteLanes& pixel) { return NarrowLanes(pixel.wide); }
  static void StoreInRange(__m128 v, Pixel* p, const PixelFrame& frame) {
    StoreChannels8InRange(v, p, _mm_load_ps(frame.lanes_255));
  }
};

struct Argb16 {
  using Pixel = PF_Pixel16;
  static __m128 Load(const Pixel* p) { return LoadChannels16(p); }
  static void Store(__m128 v, Pixel* p) { StoreChannels16(v, p); }
  // All four lanes of `alpha` are the pixel's.
  static RouteLanes LoadOnRoute(const Pixel* p, const PixelFrame& frame) {
    const __m128 argb = LoadChannels16(p, _mm_load_ps(frame.lanes_two_to_minus_15));
    const WideLanes wide = Widen(argb);
    return {argb, wide, LightnessOf(wide)};
  }
  static __m128 Lanes(const RouteLanes& pixel) { return pixel.alpha; }
  static void StoreInRange(__m128 v, Pixel* p, const PixelFrame& frame) {
    StoreChannels16InRange(v, p, _mm_load_ps(frame.lanes_32768));
  }
};

// Premiere Pro's 8-bit BGRA pixels, typed as PF_Pixel8: byte 0 is blue, 1
// green, 2 red, 3 alpha.
struct Bgra8 {
  using Pixel = PF_Pixel8;
  static constexpr int kAlpha = 3, kRed = 2, kGreen = 1, kBlue = 0;
  static __m128 Load(const Pixel* p) { return LoadChannels8BGRA(p); }
  static void Store(__m128 v, Pixel* p) { StoreChannels8BGRA(v, p); }
  static RouteLanes LoadOnRoute(const Pixel* p, const PixelFrame& /*frame*/) {
    return LoadRouteLanes8<3, 2, 1, 0>(p);
  }
  static __m128 Lanes(const RouteLanes& pixel) { return NarrowLanes(pixel.wide); }
  static void StoreInRange(__m128 v, Pixel* p, const PixelFrame& frame) {
    StoreChannels8BGRAInRange(v, p, _mm_load_ps(frame.lanes_255));
  }
};

template <class Format, PreStep kPre, bool kHdr>
PF_Err Correct(const ToneCurve& curve, const typename Format::Pixel* in,
               typename Format::Pixel* out) {
  Format::Store(CorrectChannels<Clamps::LeftToOutput, kPre, kHdr>(curve, Format::Load(in)), out);
  return 0;
}

// The neutral settings preserving HDR: each channel as it came, through the
// format's conversions (the same code, a 16-bit code above full scale at
// full scale, as every store gives it); the stores clamp as the clamps would.
template <class Format>
PF_Err KeepPixel(void* /*frame*/, A_long /*x*/, A_long /*y*/, typename Format::Pixel* in,
                 typename Format::Pixel* out) {
  Format::Store(Format::Load(in), out);
  return 0;
}

// The general cases stay out of line, so their calls do not weigh on the
// neutral case's function.
template <class Format, bool kHdr>
[[gnu::noinline]] PF_Err CorrectGeneral(const ToneCurve& curve, const typename Format::Pixel* in,
                                        typename Format::Pixel* out) {
  return Correct<Format, PreStep::Applied, kHdr>(curve, in, out);
}

// A pixel function whose refcon is the plain ToneCurve.
template <class Format, bool kHdr>
PF_Err TransformWithCurve(const void* refcon, const typename Format::Pixel* in,
                          typename Format::Pixel* out) {
  const ToneCurve& curve = *static_cast<const ToneCurve*>(refcon);
  if (IsNeutralPreTransform(curve)) return Correct<Format, PreStep::Neutral, kHdr>(curve, in, out);
  return CorrectGeneral<Format, kHdr>(curve, in, out);
}

// Steps 5 to 11 of a pixel that left the short route, from its lightness and
// pre-transformed x.
template <class Format, bool kHdr>
[[gnu::noinline]] PF_Err FinishGeneral(const ToneCurve& curve, __m128 argb, double lightness,
                                       double x, typename Format::Pixel* out) {
  const double level = ExtendOrLookUp(x, curve);
  Format::Store(Recolour<Clamps::LeftToOutput, kHdr>(curve, argb, Widen(argb), lightness, level),
                out);
  return 0;
}

template <class Format, FrameRoute kRoute, bool kHdr>
inline PF_Err CorrectOnRoute(const PixelFrame& frame, const typename Format::Pixel* in,
                             typename Format::Pixel* out) {
  constexpr PreStep kPreStep = PreStepOf(kRoute);
  const RouteLanes pixel = Format::LoadOnRoute(in, frame);
  const double lightness = pixel.lightness;
  const double x = kPreStep == PreStep::Neutral ? lightness : PreTransform(lightness, frame.curve);
  const PlainTable table = PlainTableOf(frame);
  const float position = TablePosition(table, x);
  if (TakesShortRoute<kPreStep, kHdr>(table, position, lightness)) {
    const float level = Interpolate(table, position);
    const __m128 moved =
        MoveChannels<kRoute>(frame.curve, pixel.wide, lightness, static_cast<double>(level),
                             OffsetsStayOnRoute<kHdr>(level));
    Format::StoreInRange(_mm_move_ss(moved, pixel.alpha), out, frame);
    return 0;
  }
  return FinishGeneral<Format, kHdr>(frame.curve, Format::Lanes(pixel), lightness, x, out);
}

// The frames off the Short route, out of line with the pixel function's own
// arguments, so that the Short route's function reaches them by a jump and
// holds nothing for them.
template <class Format, FrameRoute kRoute, bool kHdr>
OUT_OF_LINE_AS_IS PF_Err TransformOnRoute(void* refcon, A_long /*x*/, A_long /*y*/,
                                          typename Format::Pixel* in, typename Format::Pixel* out) {
  return CorrectOnRoute<Format, kRoute, kHdr>(*static_cast<const PixelFrame*>(refcon), in, out);
}

template <class Format, bool kHdr>
OUT_OF_LINE_AS_IS PF_Err TransformOnGeneralRoute(void* refcon, A_long /*x*/, A_long /*y*/,
                                                 typename Format::Pixel* in,
                                                 typename Format::Pixel* out) {
  return TransformWithCurve<Format, kHdr>(&static_cast<const PixelFrame*>(refcon)->curve, in, out);
}

template <class Format, bool kHdr>
OUT_OF_LINE_AS_IS PF_Err TransformOffRoute(void* refcon, A_long x, A_long y,
                                           typename Format::Pixel* in,
                                           typename Format::Pixel* out) {
  const PixelFrame& frame = *static_cast<const PixelFrame*>(refcon);
  if (frame.route == FrameRoute::ShortBlended)
    return TransformOnRoute<Format, FrameRoute::ShortBlended, kHdr>(refcon, x, y, in, out);
  if (frame.route == FrameRoute::ShortPreTransformedBlended)
    return TransformOnRoute<Format, FrameRoute::ShortPreTransformedBlended, kHdr>(refcon, x, y, in,
                                                                                  out);
  return TransformOnGeneralRoute<Format, kHdr>(refcon, x, y, in, out);
}

// The pixel function of each route, for a frame whose route is decided.
template <class Format, bool kHdr>
auto PixelFunctionOfRoute(const PixelFrame& frame) {
  switch (frame.route) {
    case FrameRoute::Short:
      return TransformOnRoute<Format, FrameRoute::Short, kHdr>;
    case FrameRoute::ShortPreTransformed:
      return TransformOnRoute<Format, FrameRoute::ShortPreTransformed, kHdr>;
    case FrameRoute::ShortBlended:
      return TransformOnRoute<Format, FrameRoute::ShortBlended, kHdr>;
    case FrameRoute::ShortPreTransformedBlended:
      return TransformOnRoute<Format, FrameRoute::ShortPreTransformedBlended, kHdr>;
    case FrameRoute::Identity:
      return KeepPixel<Format>;
    default:
      return TransformOnGeneralRoute<Format, kHdr>;
  }
}

template <class Format>
auto PixelFunctionFor(const PixelFrame& frame) {
  if (frame.curve.preserve_hdr != 0) return PixelFunctionOfRoute<Format, true>(frame);
  return PixelFunctionOfRoute<Format, false>(frame);
}

// A pixel function whose refcon is the PixelFrame.
template <class Format, bool kHdr>
PF_Err TransformWithFrame(void* refcon, A_long x, A_long y, typename Format::Pixel* in,
                          typename Format::Pixel* out) {
  const PixelFrame& frame = *static_cast<const PixelFrame*>(refcon);
  if (frame.route == FrameRoute::Short)
    return CorrectOnRoute<Format, FrameRoute::Short, kHdr>(frame, in, out);
  if (frame.route == FrameRoute::ShortPreTransformed)
    return TransformOnRoute<Format, FrameRoute::ShortPreTransformed, kHdr>(refcon, x, y, in, out);
  return TransformOffRoute<Format, kHdr>(refcon, x, y, in, out);
}

// The same for the entry points that decide nothing for the frame.
template <class Format>
PF_Err TransformWithAnyFrame(void* refcon, A_long x, A_long y, typename Format::Pixel* in,
                             typename Format::Pixel* out) {
  const PixelFrame& frame = *static_cast<const PixelFrame*>(refcon);
  if (frame.route == FrameRoute::Identity) return KeepPixel<Format>(refcon, x, y, in, out);
  if (frame.curve.preserve_hdr != 0) return TransformWithFrame<Format, true>(refcon, x, y, in, out);
  return TransformWithFrame<Format, false>(refcon, x, y, in, out);
}

// The same with the plain ToneCurve as the refcon.
template <class Format>
PF_Err TransformWithAnyCurve(void* refcon, A_long x, A_long y, typename Format::Pixel* in,
                             typename Format::Pixel* out) {
  const ToneCurve& curve = *static_cast<const ToneCurve*>(refcon);
  if (IsHdrIdentity(curve)) return KeepPixel<Format>(refcon, x, y, in, out);
  if (curve.preserve_hdr != 0) return TransformWithCurve<Format, true>(refcon, in, out);
  return TransformWithCurve<Format, false>(refcon, in, out);
}

// Steps 4 and 8 to 11 with a table's lightness, ratio and level, in the
// general route's operations (the ratio is 0 where it zeroes the offsets).
template <class Format, bool kBlend>
inline PF_Err MoveByTable(const PixelFrame& frame, const PairLevel& entry,
                          const typename Format::Pixel* in, typename Format::Pixel* out) {
  const RouteLanes pixel = Format::LoadOnRoute(in, frame);
  const __m128 moved = MoveByEntry<kBlend>(entry, frame, pixel.wide.ar, pixel.wide.gb);
  Format::StoreInRange(_mm_move_ss(moved, pixel.alpha), out, frame);
  return 0;
}

// The index of the pair (smallest, largest) of an 8-bit pixel's colour codes.
template <class Format>
inline std::size_t PairIndexOf(const uint8_t* codes) {
  // Indexes as wide as the addresses they form: no extensions between them.
  const std::size_t red = codes[Format::kRed];
  const std::size_t green = codes[Format::kGreen];
  const std::size_t blue = codes[Format::kBlue];
  const std::size_t red_green_low = red < green ? red : green;
  const std::size_t red_green_high = red < green ? green : red;
  const std::size_t smallest = blue < red_green_low ? blue : red_green_low;
  const std::size_t largest = blue > red_green_high ? blue : red_green_high;
  return kPairRows.start[largest] + smallest;
}

// An 8-bit frame with a table of levels by channel pair (engine/pair_table.h):
// the pixel's pair gives its lightness, ratio and level, and the channels
// move, blend and narrow exactly as on the general route.
template <class Format, bool kBlend>
OUT_OF_LINE_AS_IS PF_Err TransformWithPairs(void* refcon, A_long /*x*/, A_long /*y*/,
                                            typename Format::Pixel* in,
                                            typename Format::Pixel* out) {
  const PixelFrame& frame = *static_cast<const PixelFrame*>(refcon);
  const PairLevel& pair = frame.pairs[PairIndexOf<Format>(reinterpret_cast<const uint8_t*>(in))];
  return MoveByTable<Format, kBlend>(frame, pair, in, out);
}

// An 8-bit frame with a table of output codes (engine/pair_table.h): each
// colour channel's code is read from its pair's row, the alpha kept.
template <class Format>
OUT_OF_LINE_AS_IS PF_Err TransformWithCodes(void* refcon, A_long /*x*/, A_long /*y*/,
                                            typename Format::Pixel* in,
                                            typename Format::Pixel* out) {
  const PixelFrame& frame = *static_cast<const PixelFrame*>(refcon);
  const auto* codes = reinterpret_cast<const uint8_t*>(in);
  const uint8_t* row = frame.codes->rows[PairIndexOf<Format>(codes)];
  const uint8_t alpha = codes[Format::kAlpha];
  const uint8_t red = row[codes[Format::kRed]];
  const uint8_t green = row[codes[Format::kGreen]];
  const uint8_t blue = row[codes[Format::kBlue]];
  auto* moved = reinterpret_cast<uint8_t*>(out);
  // Four byte stores: merged into one word, they would cost three shifts and
  // three ors more. The fences order nothing at run time; they only keep the
  // compiler from merging.
  moved[Format::kAlpha] = alpha;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  moved[Format::kRed] = red;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  moved[Format::kGreen] = green;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  moved[Format::kBlue] = blue;
  return 0;
}

// A 16-bit frame with a table of levels by code sum; a pixel whose codes add
// up to more than the table holds takes the frame's route.
template <bool kBlend, bool kHdr>
OUT_OF_LINE_AS_IS PF_Err TransformWithSums(void* refcon, A_long x, A_long y, PF_Pixel16* in,
                                           PF_Pixel16* out) {
  const PixelFrame& frame = *static_cast<const PixelFrame*>(refcon);
  const std::size_t red = in->red;
  const std::size_t green = in->green;
  const std::size_t blue = in->blue;
  const std::size_t red_green_low = red < green ? red : green;
  const std::size_t red_green_high = red < green ? green : red;
  const std::size_t smallest = blue < red_green_low ? blue : red_green_low;
  const std::size_t largest = blue > red_green_high ? blue : red_green_high;
  const std::size_t sum = smallest + largest;
  if (sum >= static_cast<std::size_t>(kSumCount))
    return TransformWithFrame<Argb16, kHdr>(refcon, x, y, in, out);
  return MoveByTable<Argb16, kBlend>(frame, frame.sums[sum], in, out);
}

}  // namespace

PF_Err TransformPixel8(void* refcon, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out) {
  return TransformWithAnyCurve<Argb8>(refcon, x, y, in, out);
}

PF_Err TransformPixel16(void* refcon, A_long x, A_long y, PF_Pixel16* in, PF_Pixel16* out) {
  return TransformWithAnyCurve<Argb16>(refcon, x, y, in, out);
}

PF_Err TransformPixel8BGRA(void* refcon, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out) {
  return TransformWithAnyCurve<Bgra8>(refcon, x, y, in, out);
}

PF_Err TransformFramePixel8(void* frame, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out) {
  return TransformWithAnyFrame<Argb8>(frame, x, y, in, out);
}

PF_Err TransformFramePixel16(void* frame, A_long x, A_long y, PF_Pixel16* in, PF_Pixel16* out) {
  return TransformWithAnyFrame<Argb16>(frame, x, y, in, out);
}

PF_Err TransformFramePixel8BGRA(void* frame, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out) {
  return TransformWithAnyFrame<Bgra8>(frame, x, y, in, out);
}

namespace {

// The code table's or the pair table's function where the frame has them.
template <class Format>
FramePixelFunction8 PixelFunction8Of(const PixelFrame& frame) {
  if (frame.pairs == nullptr) return PixelFunctionFor<Format>(frame);
  if (frame.codes != nullptr) return TransformWithCodes<Format>;
  if (FieldIsOne(frame.curve.mix)) return TransformWithPairs<Format, false>;
  return TransformWithPairs<Format, true>;
}

}  // namespace

FramePixelFunction8 PixelFunction8For(const PixelFrame& frame) {
  return PixelFunction8Of<Argb8>(frame);
}

namespace {

template <bool kHdr>
FramePixelFunction16 SumsFunction(const PixelFrame& frame) {
  if (FieldIsOne(frame.curve.mix)) return TransformWithSums<false, kHdr>;
  return TransformWithSums<true, kHdr>;
}

}  // namespace

FramePixelFunction16 PixelFunction16For(const PixelFrame& frame) {
  if (frame.sums == nullptr) return PixelFunctionFor<Argb16>(frame);
  if (frame.curve.preserve_hdr != 0) return SumsFunction<true>(frame);
  return SumsFunction<false>(frame);
}

FramePixelFunction8 PixelFunction8BGRAFor(const PixelFrame& frame) {
  return PixelFunction8Of<Bgra8>(frame);
}
