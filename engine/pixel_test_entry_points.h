// Entry points of the pixel path that the product does not use: the tests and
// the fuzz targets reach the same arithmetic through them, a pixel or a frame
// at a time, with the plain ToneCurve (or a PixelFrame) as the refcon and the
// route chosen per pixel. Each gives the product's functions' results to the
// last bit.
#pragma once

#include "engine/pixel_frame.h"
#include "engine/pixel_transform.h"
#include "engine/tone_curve.h"
#include "host_sdk/host_types.h"

// The working pixel: the layout of the host's PF_PixelFloat.
struct FloatPixel {
  float alpha;
  float red;
  float green;
  float blue;
};

// Both return 0 always; the output clamps apply.
PF_Err TransformPixel(const ToneCurve& curve, const FloatPixel& in, FloatPixel* out);
PF_Err TransformPixelBGRA(void* curve, A_long x, A_long y, FloatPixelBGRA* in, FloatPixelBGRA* out);

// The integer pixel functions with the ToneCurve as the refcon.
PF_Err TransformPixel8(void* curve, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out);
PF_Err TransformPixel16(void* curve, A_long x, A_long y, PF_Pixel16* in, PF_Pixel16* out);
PF_Err TransformPixel8BGRA(void* curve, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out);

// The same with the PixelFrame as the refcon, its route chosen per pixel.
PF_Err TransformFramePixel8(void* frame, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out);
PF_Err TransformFramePixel16(void* frame, A_long x, A_long y, PF_Pixel16* in, PF_Pixel16* out);
PF_Err TransformFramePixel8BGRA(void* frame, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out);

// TransformFrameRowsBGRA on a frame prepared from `curve`.
void TransformRowsBGRA(const ToneCurve& curve, const PF_EffectWorld& source,
                       const PF_EffectWorld& destination, A_long rows);

// Whether every table point lies in [+0, 1]: no -0, no NaN, no infinity, no
// value outside the unit range. For such a table the interpolation at a whole
// position equals the point itself (its weight 1 times the point plus 0 times
// its neighbour), and no corrected channel can leave the range the integer
// conversions take without their clamps. PreparePixelFrame asks it.
bool TableIsPlain(const ToneCurve& curve);
