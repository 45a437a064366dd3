#include "engine/pixel_transform.h"

#include <cstddef>

#include "engine/channel_conversion.h"

namespace {

struct Channels {
  float red;
  float green;
  float blue;
};

// The whole correction of one pixel's colour channels. Both float layouts go
// through this one function, so their arithmetic cannot drift apart.
inline Channels CorrectChannels(const ToneCurve& curve, float red, float green, float blue) {
  // The order of the comparisons decides what a NaN channel does.
  float largest = red > green ? red : green;
  largest = largest > blue ? largest : blue;
  float smallest = red < green ? red : green;
  smallest = smallest < blue ? smallest : blue;

  const double lightness = (static_cast<double>(smallest) + static_cast<double>(largest)) * 0.5;
  double red_offset = static_cast<double>(red) - lightness;
  double green_offset = static_cast<double>(green) - lightness;
  double blue_offset = static_cast<double>(blue) - lightness;

  const double level = EvaluateCurve(lightness, curve);
  if (level <= 0.0 || level >= 1.0) {
    red_offset = 0.0;
    green_offset = 0.0;
    blue_offset = 0.0;
  }
  const double ratio = lightness != 0.0 ? level / lightness : 0.0;

  double new_red = ratio * red_offset + level;
  double new_green = ratio * green_offset + level;
  double new_blue = ratio * blue_offset + level;

  if (curve.mix != 1.0f) {
    const double mix = static_cast<double>(curve.mix);
    const double keep = 1.0 - mix;
    new_red = new_red * mix + keep * static_cast<double>(red);
    new_green = new_green * mix + keep * static_cast<double>(green);
    new_blue = new_blue * mix + keep * static_cast<double>(blue);
  }

  Channels out{static_cast<float>(new_red), static_cast<float>(new_green),
               static_cast<float>(new_blue)};
  if (curve.white_slope == 0.0f) {
    if (out.red > 1.0f) out.red = 1.0f;
    if (out.green > 1.0f) out.green = 1.0f;
    if (out.blue > 1.0f) out.blue = 1.0f;
  }
  if (curve.black_slope == 0.0f) {
    if (out.red < 0.0f) out.red = 0.0f;
    if (out.green < 0.0f) out.green = 0.0f;
    if (out.blue < 0.0f) out.blue = 0.0f;
  }
  return out;
}

}  // namespace

PF_Err TransformPixel(const ToneCurve& curve, const FloatPixel& in, FloatPixel* out) {
  const Channels corrected = CorrectChannels(curve, in.red, in.green, in.blue);
  out->alpha = in.alpha;
  out->red = corrected.red;
  out->green = corrected.green;
  out->blue = corrected.blue;
  return 0;
}

PF_Err TransformPixelBGRA(void* curve, A_long /*x*/, A_long /*y*/, FloatPixelBGRA* in,
                          FloatPixelBGRA* out) {
  const Channels corrected =
      CorrectChannels(*static_cast<const ToneCurve*>(curve), in->red, in->green, in->blue);
  out->blue = corrected.blue;
  out->green = corrected.green;
  out->red = corrected.red;
  out->alpha = in->alpha;
  return 0;
}

PF_Err TransformPixel8(void* curve, A_long /*x*/, A_long /*y*/, PF_Pixel8* in, PF_Pixel8* out) {
  const FloatPixel working{FromChannel8(in->alpha), FromChannel8(in->red), FromChannel8(in->green),
                           FromChannel8(in->blue)};
  FloatPixel result;
  const PF_Err err = TransformPixel(*static_cast<const ToneCurve*>(curve), working, &result);
  out->alpha = ToChannel8(result.alpha);
  out->red = ToChannel8(result.red);
  out->green = ToChannel8(result.green);
  out->blue = ToChannel8(result.blue);
  return err;
}

PF_Err TransformPixel16(void* curve, A_long /*x*/, A_long /*y*/, PF_Pixel16* in, PF_Pixel16* out) {
  const FloatPixel working{FromChannel16(in->alpha), FromChannel16(in->red),
                           FromChannel16(in->green), FromChannel16(in->blue)};
  FloatPixel result;
  const PF_Err err = TransformPixel(*static_cast<const ToneCurve*>(curve), working, &result);
  out->alpha = ToChannel16(result.alpha);
  out->red = ToChannel16(result.red);
  out->green = ToChannel16(result.green);
  out->blue = ToChannel16(result.blue);
  return err;
}

PF_Err TransformPixel8BGRA(void* curve, A_long /*x*/, A_long /*y*/, PF_Pixel8* in, PF_Pixel8* out) {
  // The record's member names are ARGB; the bytes are blue, green, red, alpha.
  const A_u_char* source = &in->alpha;
  A_u_char* target = &out->alpha;
  const FloatPixel working{FromChannel8(source[3]), FromChannel8(source[2]),
                           FromChannel8(source[1]), FromChannel8(source[0])};
  FloatPixel result;
  const PF_Err err = TransformPixel(*static_cast<const ToneCurve*>(curve), working, &result);
  target[0] = ToChannel8(result.blue);
  target[1] = ToChannel8(result.green);
  target[2] = ToChannel8(result.red);
  target[3] = ToChannel8(result.alpha);
  return err;
}

void TransformRowsBGRA(const ToneCurve& curve, const PF_EffectWorld& source,
                       const PF_EffectWorld& destination, A_long rows) {
  const A_long width = destination.width;
  auto* source_row = reinterpret_cast<char*>(source.data);
  auto* destination_row = reinterpret_cast<char*>(destination.data);
  void* refcon = const_cast<ToneCurve*>(&curve);
  for (A_long y = 0; y < rows; ++y) {
    auto* in = reinterpret_cast<FloatPixelBGRA*>(source_row);
    auto* out = reinterpret_cast<FloatPixelBGRA*>(destination_row);
    for (A_long x = 0; x < width; ++x) TransformPixelBGRA(refcon, x, y, in + x, out + x);
    source_row += static_cast<std::ptrdiff_t>(source.rowbytes);
    destination_row += static_cast<std::ptrdiff_t>(destination.rowbytes);
  }
}
