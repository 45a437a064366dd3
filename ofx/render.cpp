#include "ofx/render.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/frame_curve.h"
#include "engine/pair_table.h"
#include "engine/pixel_frame.h"
#include "engine/portable_trig.h"
#include "engine/tone_curve.h"
#include "ofx/host_access.h"
#include "ofx/image_rows.h"
#include "ofx/parameters.h"
#include "ofx_sdk/ofx_constants.h"

namespace velmora_ofx {
namespace {

// An image fetched from a clip, released when it goes out of scope.
class FetchedImage {
 public:
  FetchedImage() = default;
  FetchedImage(const FetchedImage&) = delete;
  FetchedImage& operator=(const FetchedImage&) = delete;
  ~FetchedImage() {
    if (handle_ != nullptr) Suites().effect->clipReleaseImage(handle_);
  }
  OfxStatus Fetch(OfxImageEffectHandle instance, const char* clip_name, OfxTime time) {
    OfxImageClipHandle clip = nullptr;
    const OfxStatus status = Suites().effect->clipGetHandle(instance, clip_name, &clip, nullptr);
    if (status != kOfxStatOK) return status;
    OfxPropertySetHandle image = nullptr;
    const OfxStatus fetched = Suites().effect->clipGetImage(clip, time, nullptr, &image);
    // A host that fails yet hands out a handle still owns an image we must return.
    handle_ = image;
    if (fetched == kOfxStatOK && image == nullptr) return kOfxStatFailed;
    return fetched;
  }
  OfxPropertySetHandle handle() const { return handle_; }

 private:
  OfxPropertySetHandle handle_ = nullptr;
};

bool ReadDepth(const std::string& text, PixelDepth* depth) {
  if (text == kOfxBitDepthByte) {
    *depth = PixelDepth::Byte;
  } else if (text == kOfxBitDepthShort) {
    *depth = PixelDepth::Short;
  } else if (text == kOfxBitDepthFloat) {
    *depth = PixelDepth::Float;
  } else {
    return false;
  }
  return true;
}

bool ReadChannels(const std::string& text, int32_t* channels) {
  if (text == kOfxImageComponentRGBA) {
    *channels = 4;
  } else if (text == kOfxImageComponentRGB) {
    *channels = 3;
  } else {
    return false;
  }
  return true;
}

// The image's layout, refused when it cannot be addressed safely: no data,
// inverted bounds, or rows closer together than a row's pixels.
OfxStatus ReadImage(OfxPropertySetHandle image, ImageView* view) {
  const OfxPropertySuiteV1& props = *Suites().property;
  void* data = nullptr;
  OfxStatus status = props.propGetPointer(image, kOfxImagePropData, 0, &data);
  if (status == kOfxStatOK)
    status = props.propGetIntN(image, kOfxImagePropBounds, 4, &view->bounds.x1);
  if (status == kOfxStatOK)
    status = props.propGetInt(image, kOfxImagePropRowBytes, 0, &view->row_bytes);
  if (status != kOfxStatOK) return status;
  view->data = static_cast<unsigned char*>(data);
  if (!ReadDepth(GetStringOr(image, kOfxImageEffectPropPixelDepth, ""), &view->depth) ||
      !ReadChannels(GetStringOr(image, kOfxImageEffectPropComponents, ""), &view->channels)) {
    return kOfxStatErrImageFormat;
  }
  const OfxRectI& b = view->bounds;
  const int64_t width = static_cast<int64_t>(b.x2) - b.x1;
  const int64_t height = static_cast<int64_t>(b.y2) - b.y1;
  const int64_t row = width * static_cast<int64_t>(BytesPerPixel(*view));
  if (view->data == nullptr || width < 0 || height < 0 ||
      (height > 1 && std::llabs(static_cast<int64_t>(view->row_bytes)) < row)) {
    return kOfxStatErrImageFormat;
  }
  return kOfxStatOK;
}

OfxRectI Intersection(const OfxRectI& a, const OfxRectI& b) {
  OfxRectI r{std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2),
             std::min(a.y2, b.y2)};
  r.x2 = std::max(r.x2, r.x1);
  r.y2 = std::max(r.y2, r.y1);
  return r;
}

OfxTime ActionTime(OfxPropertySetHandle in_args) {
  double time = 0.0;
  if (in_args == nullptr ||
      Suites().property->propGetDouble(in_args, kOfxPropTime, 0, &time) != kOfxStatOK) {
    return 0.0;
  }
  return time;
}

bool Aborted(OfxImageEffectHandle instance) {
  return Suites().effect->abort != nullptr && Suites().effect->abort(instance) != 0;
}

// The rows of the window, each checked against an abort first.
template <typename RowStep>
OfxStatus EachRow(OfxImageEffectHandle instance, const OfxRectI& window, RowStep step) {
  for (int32_t y = window.y1; y < window.y2; ++y) {
    if (Aborted(instance)) return kOfxStatOK;
    step(y);
  }
  return kOfxStatOK;
}

// Whether the frame gives back every pixel as it came, whatever its value: a
// full blend, or the engine's identity route (neutral settings preserving HDR)
// with no clamp limiting the channels.
bool LeavesEveryPixel(const PixelFrame& frame) {
  if (frame.curve.mix == 0.0f) return true;
  return frame.route == FrameRoute::Identity && !ClampsSomething(frame.curve);
}

OfxStatus RenderImages(OfxImageEffectHandle instance, OfxPropertySetHandle in_args,
                       const ImageView& output, const ImageView* source) {
  if (source != nullptr && (source->depth != output.depth || source->channels != output.channels)) {
    return kOfxStatErrImageFormat;
  }
  // Without a window (the interface's metadata omits it) the whole output.
  OfxRectI window = output.bounds;
  if (Suites().property->propGetIntN(in_args, kOfxImageEffectPropRenderWindow, 4, &window.x1) !=
      kOfxStatOK) {
    window = output.bounds;
  }
  window = Intersection(window, output.bounds);

  EffectInput input{};
  const OfxStatus status = ReadEffectInput(instance, ActionTime(in_args), &input);
  if (status != kOfxStatOK) return status;
  ToneCurve curve;
  float lut_storage[kLutCapacity] = {};
  BuildFrameCurve(input, lut_storage, PortableSin, PortableCos, &curve);
  if (curve.mix == 0.0f) {
    return EachRow(instance, window,
                   [&](int32_t y) { CopyRow(source, output, y, window.x1, window.x2); });
  }
  PixelFrame frame;
  PreparePixelFrame(curve, &frame);
  const int64_t pixels =
      (static_cast<int64_t>(window.x2) - window.x1) * (static_cast<int64_t>(window.y2) - window.y1);
  const auto pairs = output.depth == PixelDepth::Byte ? AttachPairTable(&frame, pixels) : nullptr;
  const RowFunctions functions = RowFunctionsFor(frame);
  return EachRow(instance, window, [&](int32_t y) {
    TransformRow(&frame, functions, source, output, y, window.x1, window.x2);
  });
}

}  // namespace

OfxStatus RenderAction(OfxImageEffectHandle instance, OfxPropertySetHandle in_args) {
  const OfxTime time = ActionTime(in_args);
  FetchedImage output;
  OfxStatus status = output.Fetch(instance, kOfxImageEffectOutputClipName, time);
  if (status != kOfxStatOK) return status;
  ImageView output_view{};
  status = ReadImage(output.handle(), &output_view);
  if (status != kOfxStatOK) return status;

  // No source image there: the input is transparent black, unless the host
  // is stopping the render.
  FetchedImage source;
  status = source.Fetch(instance, kOfxImageEffectSimpleSourceClipName, time);
  if (status == kOfxStatFailed) {
    if (Aborted(instance)) return kOfxStatOK;
    return RenderImages(instance, in_args, output_view, nullptr);
  }
  if (status != kOfxStatOK) return status;
  ImageView source_view{};
  status = ReadImage(source.handle(), &source_view);
  if (status != kOfxStatOK) return status;
  return RenderImages(instance, in_args, output_view, &source_view);
}

OfxStatus IsIdentityAction(OfxImageEffectHandle instance, OfxPropertySetHandle in_args,
                           OfxPropertySetHandle out_args) {
  EffectInput input{};
  const OfxStatus status = ReadEffectInput(instance, ActionTime(in_args), &input);
  if (status != kOfxStatOK) return status;
  ToneCurve curve;
  float lut_storage[kLutCapacity] = {};
  BuildFrameCurve(input, lut_storage, PortableSin, PortableCos, &curve);
  PixelFrame frame;
  PreparePixelFrame(curve, &frame);
  if (!LeavesEveryPixel(frame)) return kOfxStatReplyDefault;
  return Suites().property->propSetString(out_args, kOfxPropName, 0,
                                          kOfxImageEffectSimpleSourceClipName);
}

}  // namespace velmora_ofx
