#include "engine/pixel_frame.h"

#include <cstring>
#include <limits>

#include "engine/pixel_lanes.h"
#include "engine/pixel_test_entry_points.h"

bool TableIsPlain(const ToneCurve& curve) {
  if (curve.lut == nullptr || curve.lut_size < 2 || curve.lut_size > kLutCapacity) return false;
  for (int32_t i = 0; i < curve.lut_size; ++i) {
    uint32_t bits;
    std::memcpy(&bits, &curve.lut[i], sizeof bits);
    if (bits > 0x3f800000u) return false;  // -0, negative, NaN, above 1
  }
  return true;
}

void PreparePixelFrame(const ToneCurve& curve, PixelFrame* frame) {
  frame->curve = curve;
  frame->pairs = nullptr;
  frame->codes = nullptr;
  frame->sums = nullptr;
  frame->last = static_cast<double>(curve.lut_size - 1);
  const float last = static_cast<float>(curve.lut_size - 1);
  std::memcpy(&frame->position_bound, &last, sizeof last);
  frame->position_bound -= 1u;
  const bool blended = !FieldIsOne(curve.mix);
  // A NaN mix fails the range test and keeps the frame on the general route.
  const bool mix_in_range = curve.mix >= 0.0f && curve.mix <= 1.0f;
  const bool short_route = !FieldIsZero(curve.contrast) && mix_in_range && TableIsPlain(curve);
  const bool neutral = IsNeutralPreTransform(curve);
  if (IsHdrIdentity(curve)) {
    frame->route = FrameRoute::Identity;
  } else if (!short_route) {
    frame->route = FrameRoute::General;
  } else if (blended) {
    frame->route = neutral ? FrameRoute::ShortBlended : FrameRoute::ShortPreTransformedBlended;
  } else {
    frame->route = neutral ? FrameRoute::Short : FrameRoute::ShortPreTransformed;
  }
  const float infinity = std::numeric_limits<float>::infinity();
  frame->white_limit = FieldIsZero(curve.white_slope) ? 1.0f : infinity;
  frame->black_limit = FieldIsZero(curve.black_slope) ? 0.0f : -infinity;
  std::memcpy(frame->lanes_255, kLanes255, sizeof kLanes255);
  std::memcpy(frame->lanes_32768, kLanes32768, sizeof kLanes32768);
  const double mix = static_cast<double>(curve.mix);
  frame->mix_lanes[0] = frame->mix_lanes[1] = mix;
  frame->keep_lanes[0] = frame->keep_lanes[1] = 1.0 - mix;
  std::memcpy(frame->lanes_two_to_minus_15, kLanesTwoToMinus15, sizeof kLanesTwoToMinus15);
}
