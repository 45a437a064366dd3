#include "engine/pixel_transform.h"

#include <cstddef>

#include "engine/pixel_lanes.h"

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

// The whole correction of one pixel's colour channels, on the lanes alpha,
// red, green, blue. Every path goes through this one function, so their
// arithmetic cannot drift apart. The alpha lane comes back with its input bits.
//
// The colour channels travel in two pairs of double lanes, (alpha, red) and
// (green, blue); each lane takes exactly the operations of its channel's scalar
// steps. What the alpha lane computes on the way is discarded.
template <Clamps kClamps, Pre kPre>
inline __m128 CorrectChannels(const ToneCurve& curve, __m128 argb) {
  const __m128 red = Lane<1>(argb);
  const __m128 green = Lane<2>(argb);
  const __m128 blue = Lane<3>(argb);

  // The order of the comparisons decides what a NaN channel does: max(a, b)
  // is a > b ? a : b, and min(a, b) is a < b ? a : b, as written out in full
  // in the transform's description.
  const float largest = _mm_cvtss_f32(_mm_max_ss(_mm_max_ss(red, green), blue));
  const float smallest = _mm_cvtss_f32(_mm_min_ss(_mm_min_ss(red, green), blue));

  const double lightness = (static_cast<double>(smallest) + static_cast<double>(largest)) * 0.5;
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

  const __m128d input_ar = _mm_cvtps_pd(argb);
  const __m128d input_gb = _mm_cvtps_pd(_mm_movehl_ps(argb, argb));
  const __m128d lightness_lanes = _mm_set1_pd(lightness);
  __m128d offset_ar = _mm_sub_pd(input_ar, lightness_lanes);
  __m128d offset_gb = _mm_sub_pd(input_gb, lightness_lanes);
  if (level <= 0.0 || level >= 1.0) {
    offset_ar = _mm_setzero_pd();
    offset_gb = _mm_setzero_pd();
  }
  const double ratio = lightness != 0.0 ? level / lightness : 0.0;

  const __m128d ratio_lanes = _mm_set1_pd(ratio);
  const __m128d level_lanes = _mm_set1_pd(level);
  __m128d new_ar = _mm_add_pd(_mm_mul_pd(ratio_lanes, offset_ar), level_lanes);
  __m128d new_gb = _mm_add_pd(_mm_mul_pd(ratio_lanes, offset_gb), level_lanes);

  if (!FieldIsOne(curve.mix)) {
    const double mix = static_cast<double>(curve.mix);
    const __m128d mix_lanes = _mm_set1_pd(mix);
    const __m128d keep_lanes = _mm_set1_pd(1.0 - mix);
    new_ar = _mm_add_pd(_mm_mul_pd(new_ar, mix_lanes), _mm_mul_pd(keep_lanes, input_ar));
    new_gb = _mm_add_pd(_mm_mul_pd(new_gb, mix_lanes), _mm_mul_pd(keep_lanes, input_gb));
  }

  // The one narrowing of each channel to float.
  __m128 out = _mm_movelh_ps(_mm_cvtpd_ps(new_ar), _mm_cvtpd_ps(new_gb));
  if (kClamps == Clamps::Apply) {
    // min(1, v) is 1 when 1 < v, else v: a NaN stays, like `if (v > 1) v = 1`.
    if (FieldIsZero(curve.white_slope)) out = _mm_min_ps(_mm_set1_ps(1.0f), out);
    // max(0, v) is 0 when 0 > v, else v: a NaN and -0 stay, like `if (v < 0) v = 0`.
    if (FieldIsZero(curve.black_slope)) out = _mm_max_ps(_mm_setzero_ps(), out);
  }
  return _mm_move_ss(out, argb);  // alpha, bit for bit
}

// The body of each pixel function, once per pre-transform case.
template <Pre kPre>
PF_Err Correct8(const ToneCurve& curve, const PF_Pixel8* in, PF_Pixel8* out) {
  StoreChannels8(CorrectChannels<Clamps::LeftToOutput, kPre>(curve, LoadChannels8(in)), out);
  return 0;
}

template <Pre kPre>
PF_Err Correct16(const ToneCurve& curve, const PF_Pixel16* in, PF_Pixel16* out) {
  StoreChannels16(CorrectChannels<Clamps::LeftToOutput, kPre>(curve, LoadChannels16(in)), out);
  return 0;
}

template <Pre kPre>
PF_Err Correct8BGRA(const ToneCurve& curve, const PF_Pixel8* in, PF_Pixel8* out) {
  StoreChannels8BGRA(CorrectChannels<Clamps::LeftToOutput, kPre>(curve, LoadChannels8BGRA(in)),
                     out);
  return 0;
}

template <Pre kPre>
void CorrectBGRA(const ToneCurve& curve, const FloatPixelBGRA* in, FloatPixelBGRA* out) {
  static_assert(sizeof(FloatPixelBGRA) == sizeof(__m128), "FloatPixelBGRA is four lanes");
  const __m128 argb = ReverseLanes(_mm_loadu_ps(&in->blue));
  _mm_storeu_ps(&out->blue, ReverseLanes(CorrectChannels<Clamps::Apply, kPre>(curve, argb)));
}

// The general cases stay out of line, so their calls do not weigh on the
// neutral case's function.
[[gnu::noinline]] PF_Err Correct8General(const ToneCurve& curve, const PF_Pixel8* in,
                                         PF_Pixel8* out) {
  return Correct8<Pre::Active>(curve, in, out);
}

[[gnu::noinline]] PF_Err Correct16General(const ToneCurve& curve, const PF_Pixel16* in,
                                          PF_Pixel16* out) {
  return Correct16<Pre::Active>(curve, in, out);
}

[[gnu::noinline]] PF_Err Correct8BGRAGeneral(const ToneCurve& curve, const PF_Pixel8* in,
                                             PF_Pixel8* out) {
  return Correct8BGRA<Pre::Active>(curve, in, out);
}

[[gnu::noinline]] void CorrectBGRAGeneral(const ToneCurve& curve, const FloatPixelBGRA* in,
                                          FloatPixelBGRA* out) {
  CorrectBGRA<Pre::Active>(curve, in, out);
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
  const ToneCurve& curve = *static_cast<const ToneCurve*>(refcon);
  if (IsNeutralPreTransform(curve)) return Correct8<Pre::Neutral>(curve, in, out);
  return Correct8General(curve, in, out);
}

PF_Err TransformPixel16(void* refcon, A_long /*x*/, A_long /*y*/, PF_Pixel16* in, PF_Pixel16* out) {
  const ToneCurve& curve = *static_cast<const ToneCurve*>(refcon);
  if (IsNeutralPreTransform(curve)) return Correct16<Pre::Neutral>(curve, in, out);
  return Correct16General(curve, in, out);
}

// The record's member names are ARGB; the bytes are blue, green, red, alpha.
PF_Err TransformPixel8BGRA(void* refcon, A_long /*x*/, A_long /*y*/, PF_Pixel8* in,
                           PF_Pixel8* out) {
  const ToneCurve& curve = *static_cast<const ToneCurve*>(refcon);
  if (IsNeutralPreTransform(curve)) return Correct8BGRA<Pre::Neutral>(curve, in, out);
  return Correct8BGRAGeneral(curve, in, out);
}

void TransformRowsBGRA(const ToneCurve& curve, const PF_EffectWorld& source,
                       const PF_EffectWorld& destination, A_long rows) {
  // A copy the pixel stores cannot alias, so its fields stay in registers
  // across the frame instead of being read again for every pixel; and the
  // pre-transform case is decided once for the frame.
  const ToneCurve frame = curve;
  const bool neutral = IsNeutralPreTransform(frame);
  const A_long width = destination.width;
  auto* source_row = reinterpret_cast<char*>(source.data);
  auto* destination_row = reinterpret_cast<char*>(destination.data);
  for (A_long y = 0; y < rows; ++y) {
    const auto* in = reinterpret_cast<const FloatPixelBGRA*>(source_row);
    auto* out = reinterpret_cast<FloatPixelBGRA*>(destination_row);
    if (neutral) {
      for (A_long x = 0; x < width; ++x) CorrectBGRA<Pre::Neutral>(frame, in + x, out + x);
    } else {
      for (A_long x = 0; x < width; ++x) CorrectBGRA<Pre::Active>(frame, in + x, out + x);
    }
    source_row += static_cast<std::ptrdiff_t>(source.rowbytes);
    destination_row += static_cast<std::ptrdiff_t>(destination.rowbytes);
  }
}
