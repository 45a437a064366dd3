// Float ARGB pixels one at a time, for After Effects' float iterate, which
// spreads a frame over the host's threads: PF_PixelFloat holds alpha, red,
// green, blue, the kernel's own lane order.
#include "engine/pixel_kernel.h"
#include "engine/pixel_transform.h"

namespace {

template <PreStep kPre>
PF_Err CorrectFloatPixel(void* frame, A_long /*x*/, A_long /*y*/, PF_PixelFloat* in,
                         PF_PixelFloat* out) {
  static_assert(sizeof(PF_PixelFloat) == sizeof(__m128), "PF_PixelFloat is four lanes");
  const ToneCurve& curve = static_cast<const PixelFrame*>(frame)->curve;
  _mm_storeu_ps(&out->alpha, CorrectChannels<Clamps::Apply, kPre>(curve, _mm_loadu_ps(&in->alpha)));
  return 0;
}

}  // namespace

FramePixelFunctionFloat PixelFunctionFloatFor(const PixelFrame& frame) {
  // Decided once for the frame: the neutral pre-transform carries no power call.
  if (IsNeutralPreTransform(frame.curve)) return CorrectFloatPixel<PreStep::Neutral>;
  return CorrectFloatPixel<PreStep::Applied>;
}
