#include "engine/pixel_transform.h"

#include <cstddef>
#include <cstring>
#include <limits>

#include "engine/pixel_frame.h"
#include "engine/pixel_lanes.h"

// Out of line, and kept with its full argument list: a specialised copy
// without the unused ones would make its callers move their arguments about
// before the jump. Clang makes no such copies and knows no such attribute.
#if defined(__clang__)
#define OUT_OF_LINE_AS_IS [[gnu::noinline]]
#else
#define OUT_OF_LINE_AS_IS [[gnu::noinline, gnu::noclone]]
#endif

namespace {

// Whether the pixel's own output clamps matter. The integer adapters clamp at
// 0 and at full scale when they convert back, at the same ends as the clamps
// and after a monotonic multiplication, so for them the clamps change no code.
enum class Clamps { Apply, LeftToOutput };

// Whether the record's pre-transform is neutral (or known not to be, or not
// yet looked at), decided once per pixel (or
// once per frame in the float walk) so that the neutral case, by far the most
// common, carries no power call and no registers saved for one.
enum class Pre { Neutral, Active, Any };

// Lane n of v in every lane; an integer shuffle leaves v itself in place.
template <int n>
inline __m128 Lane(__m128 v) {
  return _mm_castsi128_ps(_mm_shuffle_epi32(_mm_castps_si128(v), _MM_SHUFFLE(n, n, n, n)));
}

// The colour channels in two pairs of double lanes, (alpha, red) and (green,
// blue). Each lane takes exactly the operations of its channel's scalar steps;
// what the alpha lane computes on the way is discarded.
struct WideLanes {
  __m128d ar;
  __m128d gb;
};

inline WideLanes Widen(__m128 argb) {
  return {_mm_cvtps_pd(argb), _mm_cvtps_pd(_mm_movehl_ps(argb, argb))};
}

// Steps 2 and 3 of the transform: the lightness of red, green and blue. The
// largest and smallest channel are picked among the widened values, which are
// the float values exactly and compare as they do; a NaN stays the NaN it was.
// The order of the comparisons decides what a NaN channel does: max(a, b) is
// a > b ? a : b, and min(a, b) is a < b ? a : b, as written out in full in the
// transform's description.
// Red, green and blue each in the low lane.
inline double LightnessOfChannels(__m128d red, __m128d green, __m128d blue) {
  const __m128d largest = _mm_max_sd(_mm_max_sd(red, green), blue);
  const __m128d smallest = _mm_min_sd(_mm_min_sd(red, green), blue);
  return (_mm_cvtsd_f64(smallest) + _mm_cvtsd_f64(largest)) * 0.5;
}

inline double LightnessOf(WideLanes wide) {
  return LightnessOfChannels(_mm_unpackhi_pd(wide.ar, wide.ar), wide.gb,
                             _mm_unpackhi_pd(wide.gb, wide.gb));
}

// The widened lanes back in float: exact, each holds a float's value.
inline __m128 NarrowLanes(WideLanes wide) {
  return _mm_movelh_ps(_mm_cvtpd_ps(wide.ar), _mm_cvtpd_ps(wide.gb));
}

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

// Steps 4 and 6 to 9, with the curve's value `level` at `lightness`, and
// whether the offsets stay (the level is neither at most 0 nor at least 1; the
// caller answers that in the cheapest way its level allows). On the short
// route (below) the lightness is known not to be 0, and whether the blend
// applies is known for the frame. The result is each channel narrowed once to
// float, in the lanes alpha, red, green, blue, the alpha lane still to be
// restored.
enum class Path { General, Short, ShortBlended };

// Step 8, the blend, when it applies, and step 9's one narrowing of each
// channel to float.
inline __m128 BlendAndNarrow(const ToneCurve& curve, bool blend, WideLanes input, __m128d new_ar,
                             __m128d new_gb) {
  if (blend) {
    const double mix = static_cast<double>(curve.mix);
    const __m128d mix_lanes = _mm_set1_pd(mix);
    const __m128d keep_lanes = _mm_set1_pd(1.0 - mix);
    new_ar = _mm_add_pd(_mm_mul_pd(new_ar, mix_lanes), _mm_mul_pd(keep_lanes, input.ar));
    new_gb = _mm_add_pd(_mm_mul_pd(new_gb, mix_lanes), _mm_mul_pd(keep_lanes, input.gb));
  }
  return _mm_movelh_ps(_mm_cvtpd_ps(new_ar), _mm_cvtpd_ps(new_gb));
}

template <Path kPath>
inline __m128 MoveChannels(const ToneCurve& curve, WideLanes input, double lightness, double level,
                           bool offsets_stay) {
  constexpr bool kShort = kPath != Path::General;
  const bool blend = kPath == Path::General ? !FieldIsOne(curve.mix) : kPath == Path::ShortBlended;
  if (kShort && !offsets_stay) {
    // Every offset becomes 0, and each channel ratio * 0 + e is e itself: the
    // ratio is finite (d is not 0, e is a table value) and the sum is +0 only
    // where e is +0 (a plain table holds no -0).
    if (!blend) return _mm_set1_ps(static_cast<float>(level));
    const __m128d level_lanes = _mm_set1_pd(level);
    return BlendAndNarrow(curve, true, input, level_lanes, level_lanes);
  }
  const __m128d lightness_lanes = _mm_set1_pd(lightness);
  __m128d offset_ar = _mm_sub_pd(input.ar, lightness_lanes);
  __m128d offset_gb = _mm_sub_pd(input.gb, lightness_lanes);
  if (!offsets_stay) {
    offset_ar = _mm_setzero_pd();
    offset_gb = _mm_setzero_pd();
  }
  const __m128d level_lanes = _mm_set1_pd(level);
  // The short route divides in both lanes at once: the same division in each.
  const __m128d ratio_lanes = kShort ? _mm_div_pd(level_lanes, lightness_lanes)
                                     : _mm_set1_pd(lightness != 0.0 ? level / lightness : 0.0);
  const __m128d new_ar = _mm_add_pd(_mm_mul_pd(ratio_lanes, offset_ar), level_lanes);
  const __m128d new_gb = _mm_add_pd(_mm_mul_pd(ratio_lanes, offset_gb), level_lanes);
  return BlendAndNarrow(curve, blend, input, new_ar, new_gb);
}

// Steps 6 to 11 on the general path. Every path ends here or on the short
// route below, which shares MoveChannels, so their arithmetic cannot drift
// apart. The alpha lane comes back with its input bits.
template <Clamps kClamps>
inline __m128 Recolour(const ToneCurve& curve, __m128 argb, WideLanes input, double lightness,
                       double level) {
  __m128 out =
      MoveChannels<Path::General>(curve, input, lightness, level, !(level <= 0.0 || level >= 1.0));
  if (kClamps == Clamps::Apply) {
    // min(1, v) is 1 when 1 < v, else v: a NaN stays, like `if (v > 1) v = 1`.
    if (FieldIsZero(curve.white_slope)) out = _mm_min_ps(_mm_set1_ps(1.0f), out);
    // max(0, v) is 0 when 0 > v, else v: a NaN and -0 stay, like `if (v < 0) v = 0`.
    if (FieldIsZero(curve.black_slope)) out = _mm_max_ps(_mm_setzero_ps(), out);
  }
  return _mm_move_ss(out, argb);  // alpha, bit for bit
}

// The whole correction of one pixel's colour channels, on the lanes alpha,
// red, green, blue.
template <Clamps kClamps, Pre kPre>
inline __m128 CorrectChannels(const ToneCurve& curve, __m128 argb) {
  const WideLanes input = Widen(argb);
  const double lightness = LightnessOf(input);
  // Evaluated before the offsets are formed, so that little is held across the
  // power function's call.
  double level;
  if (kPre == Pre::Neutral) {
    level = ExtendOrLookUp(lightness, curve);
  } else if (kPre == Pre::Active) {
    level = ExtendOrLookUp(PreTransform(lightness, curve), curve);
  } else {
    level = EvaluateCurve(lightness, curve);
  }
  return Recolour<kClamps>(curve, argb, input, lightness, level);
}

// ---- the short route ------------------------------------------------------------
//
// A frame on any route but General has a table that applies, a plain table
// and either no blend or a mix in [0, 1] (PixelFrame). A pixel whose table
// position e = m * x lies strictly between 0 and m (x the pre-transformed
// lightness), with a lightness d other than 0, then needs none of the curve's
// other steps: 0 < e < m holds exactly when 0 < x < 1 (the product and both
// roundings are monotonic, and m is exact), so steps 2 to 4 do not apply; step
// 5 is the interpolation below; the ratio's test of d is decided, and so is
// whether the blend applies. What is left is computed exactly as on the
// general path.

// The table as the short route reads it.
struct PlainTable {
  double last;  // m = lut_size - 1
  const float* points;
  uint32_t position_bound;  // PixelFrame::position_bound
};

inline float TablePosition(PlainTable table, double x) {
  return static_cast<float>(table.last * x);
}

// Whether the pixel takes the short route. With a neutral pre-transform x is
// the lightness itself, so it is not 0 once e > 0.
template <Pre kPre>
inline bool TakesShortRoute(PlainTable table, float position, double lightness) {
  uint32_t bits;
  std::memcpy(&bits, &position, sizeof bits);
  const bool inside = bits - 1u < table.position_bound;  // 0 < e < m; NaN and -0 fail
  if (kPre == Pre::Neutral) return inside;
  // A pre-transform can move a NaN lightness into the table; the short route's
  // arithmetic assumes a number, and the general one keeps the NaN channels.
  return inside && lightness != 0.0 && lightness == lightness;
}

// Step 5 for 0 < e < m: truncation is floor(e), and floor(e) + 1 <= m an index
// of the table. A non-whole e has ceil(e) = floor(e) + 1 and the interpolation
// is InterpolateAbove; a whole e has the weights exactly 1 and +0, and with
// a plain table 1 * t[e] + 0 * t[e + 1] is t[e] to the last bit (t[e] is not
// -0, t[e + 1] is finite): the value step 5 returns without interpolating.
inline float Interpolate(PlainTable table, float position) {
  const int64_t lower_index = static_cast<int64_t>(position);
  return InterpolateAbove(table.points, position, lower_index);
}

// Whether a level from the plain table lies strictly between 0 and 1, from its
// bits: those of the floats in (0, 1) less 1 are exactly the numbers below
// 0x3f7fffff, unsigned (+0, -0, 1 and above, negatives and NaN fail). The
// widening to double keeps the value, so this is the general path's test.
inline bool InsideUnit(float level) {
  uint32_t bits;
  std::memcpy(&bits, &level, sizeof bits);
  return bits - 1u < 0x3f7fffffu;
}

inline PlainTable PlainTableOf(const PixelFrame& frame) {
  return {frame.last, frame.curve.lut, frame.position_bound};
}

// ---- integer formats --------------------------------------------------------------
//
// Each format's load and store; for the Neutral and Active routes, its load
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

template <class Format, Pre kPre>
PF_Err Correct(const ToneCurve& curve, const typename Format::Pixel* in,
               typename Format::Pixel* out) {
  Format::Store(CorrectChannels<Clamps::LeftToOutput, kPre>(curve, Format::Load(in)), out);
  return 0;
}

// The general cases stay out of line, so their calls do not weigh on the
// neutral case's function.
template <class Format>
[[gnu::noinline]] PF_Err CorrectGeneral(const ToneCurve& curve, const typename Format::Pixel* in,
                                        typename Format::Pixel* out) {
  return Correct<Format, Pre::Active>(curve, in, out);
}

// A pixel function whose refcon is the plain ToneCurve.
template <class Format>
PF_Err TransformWithCurve(const void* refcon, const typename Format::Pixel* in,
                          typename Format::Pixel* out) {
  const ToneCurve& curve = *static_cast<const ToneCurve*>(refcon);
  if (IsNeutralPreTransform(curve)) return Correct<Format, Pre::Neutral>(curve, in, out);
  return CorrectGeneral<Format>(curve, in, out);
}

// Steps 5 to 11 of a pixel that left the short route, from its lightness and
// pre-transformed x.
template <class Format>
[[gnu::noinline]] PF_Err FinishGeneral(const ToneCurve& curve, __m128 argb, double lightness,
                                       double x, typename Format::Pixel* out) {
  const double level = ExtendOrLookUp(x, curve);
  Format::Store(Recolour<Clamps::LeftToOutput>(curve, argb, Widen(argb), lightness, level), out);
  return 0;
}

template <class Format, Pre kPre, Path kPath>
inline PF_Err CorrectOnRoute(const PixelFrame& frame, const typename Format::Pixel* in,
                             typename Format::Pixel* out) {
  const RouteLanes pixel = Format::LoadOnRoute(in, frame);
  const double lightness = pixel.lightness;
  const double x = kPre == Pre::Neutral ? lightness : PreTransform(lightness, frame.curve);
  const PlainTable table = PlainTableOf(frame);
  const float position = TablePosition(table, x);
  if (TakesShortRoute<kPre>(table, position, lightness)) {
    const float level = Interpolate(table, position);
    const __m128 moved = MoveChannels<kPath>(frame.curve, pixel.wide, lightness,
                                             static_cast<double>(level), InsideUnit(level));
    Format::StoreInRange(_mm_move_ss(moved, pixel.alpha), out, frame);
    return 0;
  }
  return FinishGeneral<Format>(frame.curve, Format::Lanes(pixel), lightness, x, out);
}

// The frames off the neutral route, out of line with the pixel function's own
// arguments, so that the neutral route's function reaches them by a jump and
// holds nothing for them.
template <class Format, Pre kPre, Path kPath>
OUT_OF_LINE_AS_IS PF_Err TransformOnRoute(void* refcon, A_long /*x*/, A_long /*y*/,
                                          typename Format::Pixel* in, typename Format::Pixel* out) {
  return CorrectOnRoute<Format, kPre, kPath>(*static_cast<const PixelFrame*>(refcon), in, out);
}

template <class Format>
OUT_OF_LINE_AS_IS PF_Err TransformOnGeneralRoute(void* refcon, A_long /*x*/, A_long /*y*/,
                                                 typename Format::Pixel* in,
                                                 typename Format::Pixel* out) {
  return TransformWithCurve<Format>(&static_cast<const PixelFrame*>(refcon)->curve, in, out);
}

template <class Format>
OUT_OF_LINE_AS_IS PF_Err TransformOffRoute(void* refcon, A_long x, A_long y,
                                           typename Format::Pixel* in,
                                           typename Format::Pixel* out) {
  const PixelFrame& frame = *static_cast<const PixelFrame*>(refcon);
  if (frame.route == FrameRoute::NeutralBlended)
    return TransformOnRoute<Format, Pre::Neutral, Path::ShortBlended>(refcon, x, y, in, out);
  if (frame.route == FrameRoute::ActiveBlended)
    return TransformOnRoute<Format, Pre::Active, Path::ShortBlended>(refcon, x, y, in, out);
  return TransformOnGeneralRoute<Format>(refcon, x, y, in, out);
}

// The pixel function of each route, for a frame whose route is decided.
template <class Format>
auto PixelFunctionFor(const PixelFrame& frame) {
  switch (frame.route) {
    case FrameRoute::Neutral:
      return TransformOnRoute<Format, Pre::Neutral, Path::Short>;
    case FrameRoute::Active:
      return TransformOnRoute<Format, Pre::Active, Path::Short>;
    case FrameRoute::NeutralBlended:
      return TransformOnRoute<Format, Pre::Neutral, Path::ShortBlended>;
    case FrameRoute::ActiveBlended:
      return TransformOnRoute<Format, Pre::Active, Path::ShortBlended>;
    default:
      return TransformOnGeneralRoute<Format>;
  }
}

// A pixel function whose refcon is the PixelFrame.
template <class Format>
PF_Err TransformWithFrame(void* refcon, A_long x, A_long y, typename Format::Pixel* in,
                          typename Format::Pixel* out) {
  const PixelFrame& frame = *static_cast<const PixelFrame*>(refcon);
  if (frame.route == FrameRoute::Neutral)
    return CorrectOnRoute<Format, Pre::Neutral, Path::Short>(frame, in, out);
  if (frame.route == FrameRoute::Active)
    return TransformOnRoute<Format, Pre::Active, Path::Short>(refcon, x, y, in, out);
  return TransformOffRoute<Format>(refcon, x, y, in, out);
}

// ---- float frames -----------------------------------------------------------------

template <Pre kPre>
void CorrectBGRA(const ToneCurve& curve, const FloatPixelBGRA* in, FloatPixelBGRA* out) {
  static_assert(sizeof(FloatPixelBGRA) == sizeof(__m128), "FloatPixelBGRA is four lanes");
  const __m128 argb = ReverseLanes(_mm_loadu_ps(&in->blue));
  _mm_storeu_ps(&out->blue, ReverseLanes(CorrectChannels<Clamps::Apply, kPre>(curve, argb)));
}

[[gnu::noinline]] void CorrectBGRAGeneral(const ToneCurve& curve, const FloatPixelBGRA* in,
                                          FloatPixelBGRA* out) {
  CorrectBGRA<Pre::Active>(curve, in, out);
}

[[gnu::noinline]] __m128 FinishGeneralFloat(const ToneCurve& curve, __m128 argb, double lightness,
                                            double x) {
  const double level = ExtendOrLookUp(x, curve);
  return Recolour<Clamps::Apply>(curve, argb, Widen(argb), lightness, level);
}

// The float walk's values for a frame on the Neutral or Active route, held in
// registers across the frame.
struct FloatRoute {
  PlainTable table;
  __m128 white_limit;
  __m128 black_limit;
};

template <Pre kPre, Path kPath>
inline void CorrectBGRAOnRoute(const ToneCurve& curve, const FloatRoute& route,
                               const FloatPixelBGRA* in, FloatPixelBGRA* out) {
  const __m128 argb = ReverseLanes(_mm_loadu_ps(&in->blue));
  const WideLanes input = Widen(argb);
  const double lightness = LightnessOf(input);
  const double x = kPre == Pre::Neutral ? lightness : PreTransform(lightness, curve);
  const float position = TablePosition(route.table, x);
  __m128 result;
  if (TakesShortRoute<kPre>(route.table, position, lightness)) {
    const float level = Interpolate(route.table, position);
    const __m128 moved =
        MoveChannels<kPath>(curve, input, lightness, static_cast<double>(level), InsideUnit(level));
    // The clamps as in Recolour; a limit of +-infinity changes nothing.
    const __m128 clamped = _mm_max_ps(route.black_limit, _mm_min_ps(route.white_limit, moved));
    result = _mm_move_ss(clamped, argb);
  } else {
    result = FinishGeneralFloat(curve, argb, lightness, x);
  }
  _mm_storeu_ps(&out->blue, ReverseLanes(result));
}

// Calls correct(in, out) for every pixel of `rows` rows, `destination.width`
// pixels each, from the first pixel of both buffers, each stepping by its own
// signed row stride.
template <class Correction>
void WalkRows(const PF_EffectWorld& source, const PF_EffectWorld& destination, A_long rows,
              Correction correct) {
  const A_long width = destination.width;
  auto* source_row = reinterpret_cast<char*>(source.data);
  auto* destination_row = reinterpret_cast<char*>(destination.data);
  for (A_long y = 0; y < rows; ++y) {
    const auto* in = reinterpret_cast<const FloatPixelBGRA*>(source_row);
    auto* out = reinterpret_cast<FloatPixelBGRA*>(destination_row);
    for (A_long x = 0; x < width; ++x) correct(in + x, out + x);
    source_row += static_cast<std::ptrdiff_t>(source.rowbytes);
    destination_row += static_cast<std::ptrdiff_t>(destination.rowbytes);
  }
}

// The blended routes' walks, out of line so that their loops do not weigh on
// the registers of the unblended ones; the record and the route are copies
// the pixel stores cannot alias, held in registers across the frame.
template <Pre kPre>
[[gnu::noinline]] void WalkBlended(const ToneCurve curve, const FloatRoute route,
                                   const PF_EffectWorld& source, const PF_EffectWorld& destination,
                                   A_long rows) {
  WalkRows(source, destination, rows, [&](const FloatPixelBGRA* in, FloatPixelBGRA* out) {
    CorrectBGRAOnRoute<kPre, Path::ShortBlended>(curve, route, in, out);
  });
}

}  // namespace

PF_Err TransformPixel(const ToneCurve& curve, const FloatPixel& in, FloatPixel* out) {
  static_assert(sizeof(FloatPixel) == sizeof(__m128), "FloatPixel is four lanes");
  _mm_storeu_ps(&out->alpha,
                CorrectChannels<Clamps::Apply, Pre::Any>(curve, _mm_loadu_ps(&in.alpha)));
  return 0;
}

PF_Err TransformPixelBGRA(void* refcon, A_long /*x*/, A_long /*y*/, FloatPixelBGRA* in,
                          FloatPixelBGRA* out) {
  const ToneCurve& curve = *static_cast<const ToneCurve*>(refcon);
  if (IsNeutralPreTransform(curve)) {
    CorrectBGRA<Pre::Neutral>(curve, in, out);
  } else {
    CorrectBGRAGeneral(curve, in, out);
  }
  return 0;
}

PF_Err TransformPixel8(void* refcon, A_long /*x*/, A_long /*y*/, PF_Pixel8* in, PF_Pixel8* out) {
  return TransformWithCurve<Argb8>(refcon, in, out);
}

PF_Err TransformPixel16(void* refcon, A_long /*x*/, A_long /*y*/, PF_Pixel16* in, PF_Pixel16* out) {
  return TransformWithCurve<Argb16>(refcon, in, out);
}

PF_Err TransformPixel8BGRA(void* refcon, A_long /*x*/, A_long /*y*/, PF_Pixel8* in,
                           PF_Pixel8* out) {
  return TransformWithCurve<Bgra8>(refcon, in, out);
}

PF_Err TransformFramePixel8(void* frame, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out) {
  return TransformWithFrame<Argb8>(frame, x, y, in, out);
}

PF_Err TransformFramePixel16(void* frame, A_long x, A_long y, PF_Pixel16* in, PF_Pixel16* out) {
  return TransformWithFrame<Argb16>(frame, x, y, in, out);
}

PF_Err TransformFramePixel8BGRA(void* frame, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out) {
  return TransformWithFrame<Bgra8>(frame, x, y, in, out);
}

FramePixelFunction8 PixelFunction8For(const PixelFrame& frame) {
  return PixelFunctionFor<Argb8>(frame);
}

FramePixelFunction16 PixelFunction16For(const PixelFrame& frame) {
  return PixelFunctionFor<Argb16>(frame);
}

FramePixelFunction8 PixelFunction8BGRAFor(const PixelFrame& frame) {
  return PixelFunctionFor<Bgra8>(frame);
}

void TransformRowsBGRA(const ToneCurve& curve, const PF_EffectWorld& source,
                       const PF_EffectWorld& destination, A_long rows) {
  PixelFrame frame;
  PreparePixelFrame(curve, &frame);
  TransformFrameRowsBGRA(frame, source, destination, rows);
}

void TransformFrameRowsBGRA(const PixelFrame& frame, const PF_EffectWorld& source,
                            const PF_EffectWorld& destination, A_long rows) {
  const ToneCurve& curve = frame.curve;
  using In = const FloatPixelBGRA*;
  using Out = FloatPixelBGRA*;
  if (frame.route != FrameRoute::General) {
    // Locals the pixel stores cannot alias, so they stay in registers across
    // the frame.
    const FloatRoute route{PlainTableOf(frame), _mm_set1_ps(frame.white_limit),
                           _mm_set1_ps(frame.black_limit)};
    if (frame.route == FrameRoute::Neutral) {
      WalkRows(source, destination, rows, [&](In in, Out out) {
        CorrectBGRAOnRoute<Pre::Neutral, Path::Short>(curve, route, in, out);
      });
    } else if (frame.route == FrameRoute::Active) {
      WalkRows(source, destination, rows, [&](In in, Out out) {
        CorrectBGRAOnRoute<Pre::Active, Path::Short>(curve, route, in, out);
      });
    } else if (frame.route == FrameRoute::NeutralBlended) {
      WalkBlended<Pre::Neutral>(curve, route, source, destination, rows);
    } else {
      WalkBlended<Pre::Active>(curve, route, source, destination, rows);
    }
    return;
  }
  // A copy the pixel stores cannot alias, so its fields stay in registers
  // across the frame instead of being read again for every pixel.
  const ToneCurve local = curve;
  if (IsNeutralPreTransform(local)) {
    WalkRows(source, destination, rows,
             [&](In in, Out out) { CorrectBGRA<Pre::Neutral>(local, in, out); });
  } else {
    WalkRows(source, destination, rows,
             [&](In in, Out out) { CorrectBGRA<Pre::Active>(local, in, out); });
  }
}

// ---- the frame record ---------------------------------------------------------------

bool TableIsPlain(const ToneCurve& curve) {
  if (curve.lut == nullptr || curve.lut_size < 2 || curve.lut_size > LUT_CAPACITY) return false;
  for (int32_t i = 0; i < curve.lut_size; ++i) {
    uint32_t bits;
    std::memcpy(&bits, &curve.lut[i], sizeof bits);
    if (bits > 0x3f800000u) return false;  // -0, negative, NaN, above 1
  }
  return true;
}

void PreparePixelFrame(const ToneCurve& curve, PixelFrame* frame) {
  frame->curve = curve;
  frame->last = static_cast<double>(curve.lut_size - 1);
  const float last = static_cast<float>(curve.lut_size - 1);
  std::memcpy(&frame->position_bound, &last, sizeof last);
  frame->position_bound -= 1u;
  const bool blended = !FieldIsOne(curve.mix);
  // A NaN mix fails the range test and keeps the frame on the general route.
  const bool mix_in_range = curve.mix >= 0.0f && curve.mix <= 1.0f;
  const bool short_route = !FieldIsZero(curve.contrast) && mix_in_range && TableIsPlain(curve);
  const bool neutral = IsNeutralPreTransform(curve);
  if (!short_route) {
    frame->route = FrameRoute::General;
  } else if (blended) {
    frame->route = neutral ? FrameRoute::NeutralBlended : FrameRoute::ActiveBlended;
  } else {
    frame->route = neutral ? FrameRoute::Neutral : FrameRoute::Active;
  }
  const float infinity = std::numeric_limits<float>::infinity();
  frame->white_limit = FieldIsZero(curve.white_slope) ? 1.0f : infinity;
  frame->black_limit = FieldIsZero(curve.black_slope) ? 0.0f : -infinity;
  std::memcpy(frame->lanes_255, kLanes255, sizeof kLanes255);
  std::memcpy(frame->lanes_32768, kLanes32768, sizeof kLanes32768);
  std::memcpy(frame->lanes_two_to_minus_15, kLanesTwoToMinus15, sizeof kLanesTwoToMinus15);
}
