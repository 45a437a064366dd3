// The record the render hands to its pixel functions: the frame's `ToneCurve`
// followed by what can be decided once for the whole frame instead of once
// per pixel. It lives on the render's stack and is only read once filled.
#pragma once

#include <cstdint>

#include "engine/tone_curve.h"
#include "host_sdk/host_types.h"

// The routes of the pixel path. Every pixel can take the general route, which
// follows every step of the transform. A frame whose table applies and is
// plain (TableIsPlain), with no blend or a mix in [0, 1] (which keeps every
// blended integer channel within the range a short route's stores take), also
// has a short route: its pixels whose lightness lies strictly inside the table
// skip the steps that cannot apply to them; the others take the general route.
// The frame's route names its short route by what else it must do:
//  - Short: nothing else (neutral pre-transform, no blend);
//  - ShortPreTransformed: the pre-transform first;
//  - ShortBlended, ShortPreTransformedBlended: the same two, with the blend.
//  - General: no short route, every pixel on the general route.
//  - Identity: a record that preserves HDR at neutral settings
//    (IsHdrIdentity): every pixel as it came, limited by a clamp that is on.
enum class FrameRoute : int32_t {
  Short,
  ShortPreTransformed,
  ShortBlended,
  ShortPreTransformedBlended,
  General,
  Identity
};

struct PairLevel;
struct CodeTable;

struct PixelFrame {
  ToneCurve curve;  // first: the frame's record, exactly as the render filled it
  FrameRoute route;
  // An 8-bit frame's table of levels by channel pair (engine/pair_table.h),
  // or none: then the pixels take the frame's route.
  const PairLevel* pairs;
  // With the pairs, an 8-bit frame's table of output codes, or none.
  const CodeTable* codes;
  // A 16-bit frame's table of levels by code sum, or none.
  const PairLevel* sums;
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
  // The blend's weights in double, mix and 1 - mix, two lanes each.
  alignas(16) double mix_lanes[2];
  alignas(16) double keep_lanes[2];
};

// Fills `frame` from the completed record. The table's storage must outlive
// the frame; it is read, not copied.
void PreparePixelFrame(const ToneCurve& curve, PixelFrame* frame);
