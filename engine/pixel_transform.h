// The per-pixel lightness transform and the adapters between the host's pixel
// formats and it: what the render calls, once per frame, on a prepared frame
// (pixel_frame.h). The files: pixel_kernel.h, the steps below on four lanes;
// integer_pixels.cpp, the integer formats and the choice of the frame's pixel
// function; float_rows.cpp, the float row walk; pixel_frame.cpp, the frame.
//
// A pixel's lightness d is the mean of its largest and smallest colour channel.
// It goes through `EvaluateCurve`, and each colour channel keeps its distance
// from the lightness scaled by e / d, so the ratios between channels (the hue)
// stay. A pixel whose new lightness e is <= 0 or >= 1 becomes a grey of level e.
// Then the result is blended with the input by the record's `mix` and, where a
// slope is 0, clamped at that end. Alpha is copied and never clamped.
//
// The steps, with R, G, B the input's colour channels (the implementation
// refers to them by number):
//   1. The output alpha is the input alpha, bit for bit.
//   2. max and min of R, G, B in float: max = R > G ? R : G, then max > B ? max
//      : B; min likewise with <. This order decides what a NaN channel does.
//   3. d = (min + max) * 0.5, in double.
//   4. Offsets dR = R - d, dG = G - d, dB = B - d, in double.
//   5. e = EvaluateCurve(d).
//   6. If e <= 0 or e >= 1 the offsets become 0 (a NaN e keeps them).
//   7. Ratio l = e / d where d != 0 (a NaN d divides too), else 0.
//   8. Each channel K = l * dX + e, in double.
//   9. If mix != 1: K * mix + (1 - mix) * X, in double. Each channel is then
//      narrowed to float, once.
//  10. If white_slope == 0, a stored channel above 1 becomes 1.
//  11. If black_slope == 0, a stored channel below 0 becomes 0.
//  12. The status is 0.
#pragma once

#include "engine/pixel_frame.h"
#include "host_sdk/host_types.h"

// A pixel of a 32-bit float BGRA frame.
struct FloatPixelBGRA {
  float blue;
  float green;
  float red;
  float alpha;
};

// The pixel function of the frame's own route, for the host's iterate with the
// frame as the refcon. Channels come in by c / 255 (8-bit) or c * 2^-15
// (16-bit, full scale 32768) and go back by truncating the clamped scaled
// value, never rounding: 0.5 is stored as 127 and as 16384; NaN as 0.
// Premiere's 8-bit BGRA pixels reach the callback typed as PF_Pixel8: byte 0
// is blue, 1 green, 2 red, 3 alpha.
using FramePixelFunction8 = PF_Err (*)(void* frame, A_long x, A_long y, PF_Pixel8* in,
                                       PF_Pixel8* out);
using FramePixelFunction16 = PF_Err (*)(void* frame, A_long x, A_long y, PF_Pixel16* in,
                                        PF_Pixel16* out);
FramePixelFunction8 PixelFunction8For(const PixelFrame& frame);
FramePixelFunction16 PixelFunction16For(const PixelFrame& frame);
FramePixelFunction8 PixelFunction8BGRAFor(const PixelFrame& frame);

// Float pixels (alpha, red, green, blue, white 1.0) one at a time with the
// frame as the refcon: values beyond 0..1, NaN and infinities as the float row
// walks take them, to the last bit. The OFX bundle converts its RGBA and RGB
// rows through it; the hosts' float frames take the row walks below.
using FramePixelFunctionFloat = PF_Err (*)(void* frame, A_long x, A_long y, PF_PixelFloat* in,
                                           PF_PixelFloat* out);
FramePixelFunctionFloat PixelFunctionFloatFor(const PixelFrame& frame);

// Walks `rows` rows of a float BGRA frame, `destination.width` pixels each,
// from the first pixel of both buffers, stepping each by its own signed row
// stride. The source must hold at least that many pixels in as many rows.
void TransformFrameRowsBGRA(const PixelFrame& frame, const PF_EffectWorld& source,
                            const PF_EffectWorld& destination, A_long rows);
// The same for After Effects' float ARGB frames (PF_PixelFloat), whose lanes
// are already in the kernel's order.
void TransformFrameRowsARGB(const PixelFrame& frame, const PF_EffectWorld& source,
                            const PF_EffectWorld& destination, A_long rows);
