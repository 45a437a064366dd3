// The record the render hands to its pixel functions: the frame's `ToneCurve`
// followed by what can be decided once for the whole frame instead of once
// per pixel. It lives on the render's stack and is only read once filled.
#pragma once

#include <cstdint>

#include "engine/tone_curve.h"
#include "host_sdk/host_types.h"

// Which per-pixel route a frame takes.
//  - Neutral: neutral pre-transform, the table applies, no blend, and the table
//    is plain (below). Pixels whose lightness lies inside the table take the
//    short path; the rest take the general one.
//  - Active: the same with a pre-transform that is not neutral.
//  - NeutralBlended, ActiveBlended: the same two with a blend whose mix lies
//    in [0, 1], which keeps every blended integer channel within the range the
//    short path's stores take.
//  - General: every other frame, every pixel on the general path.
enum class FrameRoute : int32_t { Neutral, Active, NeutralBlended, ActiveBlended, General };

struct PixelFrame {
  ToneCurve curve;  // first: the frame's record, exactly as the render filled it
  FrameRoute route;
  // m = lut_size - 1, converted once; the table position of x is m * x.
  double last;
  // The bits of m as a float, less 1: a float position e lies strictly between
  // 0 and m exactly when its bits less 1, taken unsigned, are below this bound
  // (positive floats order as their bits; -0, negatives and NaN fail).
  uint32_t position_bound;
  // The output clamps as limits for min and max: 1 and 0 where a slope is 0,
  // else +infinity and -infinity, which leave every value (a NaN included) as
  // it is, as a skipped clamp does.
  float white_limit;
  float black_limit;
  // The integer conversions' constants (engine/pixel_lanes.h), read from here
  // by the instructions that use them.
  alignas(16) float lanes_255[4];
  alignas(16) float lanes_32768[4];
  alignas(16) float lanes_two_to_minus_15[4];
};

// Fills `frame` from the completed record. The table's storage must outlive
// the frame; it is read, not copied.
void PreparePixelFrame(const ToneCurve& curve, PixelFrame* frame);

// Whether every table point lies in [+0, 1]: no -0, no NaN, no infinity, no
// value outside the unit range. For such a table the interpolation at a whole
// position equals the point itself (its weight 1 times the point plus 0 times
// its neighbour), and no corrected channel can leave the range the integer
// conversions take without their clamps.
bool TableIsPlain(const ToneCurve& curve);

// TransformRowsBGRA on a frame already prepared, to the last bit the same.
void TransformFrameRowsBGRA(const PixelFrame& frame, const PF_EffectWorld& source,
                            const PF_EffectWorld& destination, A_long rows);

// The host's iterate callbacks for a frame; the refcon is the PixelFrame.
// Results are those of TransformPixel8, TransformPixel16 and
// TransformPixel8BGRA with the frame's curve, to the last bit.
PF_Err TransformFramePixel8(void* frame, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out);
PF_Err TransformFramePixel16(void* frame, A_long x, A_long y, PF_Pixel16* in, PF_Pixel16* out);
PF_Err TransformFramePixel8BGRA(void* frame, A_long x, A_long y, PF_Pixel8* in, PF_Pixel8* out);

// The pixel function of the frame's own route: the results of the functions
// above, without their choice of route for every pixel. For the render, which
// hands it to the host's iterate with the frame as the refcon.
using FramePixelFunction8 = PF_Err (*)(void* frame, A_long x, A_long y, PF_Pixel8* in,
                                       PF_Pixel8* out);
using FramePixelFunction16 = PF_Err (*)(void* frame, A_long x, A_long y, PF_Pixel16* in,
                                        PF_Pixel16* out);
FramePixelFunction8 PixelFunction8For(const PixelFrame& frame);
FramePixelFunction16 PixelFunction16For(const PixelFrame& frame);
FramePixelFunction8 PixelFunction8BGRAFor(const PixelFrame& frame);
