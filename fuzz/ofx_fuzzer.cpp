// Fuzz target for the OFX bundle as a hostile host drives it: suites and
// properties the host lacks, any parameter values (choices and booleans out
// of range, NaN and extreme doubles and colours), images of any depth and
// component strings, any origin, padding and row order, records that lie
// (no data, rows closer than a row's pixels, inverted bounds), failing image
// fetches, any render window and time, and aborts.
//
// The bundle's sources are linked in, not loaded, so that coverage and the
// sanitizers see into them; the simulated host calls the plug-in record as it
// calls a loaded one.
//
// What it checks beyond the sanitizers, after every render:
//   - no exception escaped (kOfxStatErrFatal);
//   - every image fetched was released, and nothing else;
//   - the source's bytes are unchanged, and no output byte outside the render
//     window is written.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_reader.h"
#include "ofx_sdk/ofx_constants.h"
#include "simofx/host_image.h"
#include "simofx/ofx_host.h"

namespace {

using simofx::HostImage;

const char* const kSuites[] = {kOfxPropertySuite, kOfxImageEffectSuite, kOfxParameterSuite};
// Properties the plug-in reads or writes: any of them may be unknown to a host.
const char* const kProperties[] = {
    kOfxPropLabel,
    kOfxImageEffectPluginPropGrouping,
    kOfxImageEffectPropSupportedContexts,
    kOfxImageEffectPropSupportedPixelDepths,
    kOfxImageEffectPropSupportedComponents,
    kOfxImageEffectPluginPropHostFrameThreading,
    kOfxImageEffectPluginRenderThreadSafety,
    kOfxParamPropAnimates,
    kOfxParamPropDigits,
    kOfxParamPropChoiceOption,
    kOfxImageEffectPropRenderWindow,
    kOfxPropTime,
    kOfxImagePropData,
    kOfxImagePropBounds,
    kOfxImagePropRowBytes,
    kOfxImageEffectPropPixelDepth,
    kOfxImageEffectPropComponents,
};
const char* const kDepths[] = {kOfxBitDepthByte, kOfxBitDepthShort, kOfxBitDepthFloat,
                               kOfxBitDepthHalf, "OfxBitDepthByteX"};
const char* const kComponents[] = {kOfxImageComponentRGBA, kOfxImageComponentRGB,
                                   kOfxImageComponentAlpha, ""};

simofx::Faults ReadFaults(fuzz::FuzzReader& in) {
  simofx::Faults faults;
  if (in.Below(16) == 0) faults.missing_suites.insert(kSuites[in.Below(3)]);
  const uint32_t unknown = in.Below(4) == 0 ? in.Below(4) : 0;
  for (uint32_t i = 0; i < unknown; ++i) {
    faults.unknown_properties.insert(
        kProperties[in.Below(sizeof kProperties / sizeof kProperties[0])]);
  }
  faults.abort_after = in.Below(4) == 0 ? static_cast<int64_t>(in.Below(40)) : -1;
  return faults;
}

// A value for each parameter of the instance, by its type.
void ReadParams(fuzz::FuzzReader& in, simofx::OfxHostSim& host) {
  for (const std::string& name : host.instance()->params.order) {
    if (!in.Bool()) continue;
    const std::string& type = host.instance()->params.params.at(name)->type;
    if (type == kOfxParamTypeChoice || type == kOfxParamTypeBoolean) {
      host.SetParam(name, {static_cast<double>(in.Int32(-2, 6))});
    } else if (type == kOfxParamTypeRGB) {
      host.SetParam(name, {in.Double(0, 1), in.Double(0, 1), in.Double(0, 1)});
    } else {
      host.SetParam(name, {in.Double(-200, 200)});
    }
  }
}

// An image whose record matches its memory: the origin anywhere (near the
// ends of the int range too), up to 20 x 20 pixels.
HostImage ReadImage(fuzz::FuzzReader& in, const char* depth, const char* components) {
  const int32_t width = static_cast<int32_t>(in.Below(21));
  const int32_t height = static_cast<int32_t>(in.Below(21));
  const int32_t x1 = in.Int32(-40, 40);
  const int32_t y1 = in.Int32(-40, 40);
  const int32_t limit = std::numeric_limits<int32_t>::max() - 20;
  const OfxRectI bounds = {x1 > limit ? limit : x1, y1 > limit ? limit : y1,
                           (x1 > limit ? limit : x1) + width, (y1 > limit ? limit : y1) + height};
  const int32_t channels = std::string(components) == kOfxImageComponentRGB ? 3 : 4;
  // Half-float images are described as such but laid out as shorts.
  const char* layout = std::string(depth) == kOfxBitDepthByte    ? kOfxBitDepthByte
                       : std::string(depth) == kOfxBitDepthFloat ? kOfxBitDepthFloat
                                                                 : kOfxBitDepthShort;
  HostImage image(bounds, channels, layout, static_cast<int32_t>(in.Below(9)), in.Bool(),
                  static_cast<unsigned char>(in.Below(256)));
  return image;
}

// A record that may lie about its memory; the plug-in must refuse it.
simofx::ImageRecord Describe(fuzz::FuzzReader& in, HostImage& image, const char* depth,
                             const char* components, bool* lies) {
  simofx::ImageRecord record = image.Record();
  record.depth = depth;
  record.components = components;
  *lies = false;
  switch (in.Below(16)) {
    case 0:
      record.data = nullptr;
      *lies = true;
      break;
    case 1:
      record.row_bytes = record.row_bytes / 2;
      *lies = image.Height() > 1 && image.Width() > 0;
      break;
    case 2:
      std::swap(record.bounds.x1, record.bounds.x2);
      *lies = image.Width() > 0;
      break;
    default:
      break;
  }
  return record;
}

void RenderOnce(fuzz::FuzzReader& in, simofx::OfxHostSim& host) {
  const char* depth = kDepths[in.Below(sizeof kDepths / sizeof kDepths[0])];
  const char* components = kComponents[in.Below(sizeof kComponents / sizeof kComponents[0])];
  const bool same_format = in.Below(8) != 0;
  const char* source_depth = same_format ? depth : kDepths[in.Below(3)];
  const char* source_components = same_format ? components : kComponents[in.Below(2)];
  HostImage source = ReadImage(in, source_depth, source_components);
  HostImage output = ReadImage(in, depth, components);
  bool source_lies = false, output_lies = false;
  const simofx::ImageRecord source_record =
      Describe(in, source, source_depth, source_components, &source_lies);
  const simofx::ImageRecord output_record = Describe(in, output, depth, components, &output_lies);
  host.SetClipImage(kOfxImageEffectSimpleSourceClipName, source_record, in.Below(8) == 0);
  host.SetClipImage(kOfxImageEffectOutputClipName, output_record, in.Below(16) == 0);
  OfxRectI window = {in.Int32(-60, 60), in.Int32(-60, 60), in.Int32(-60, 60), in.Int32(-60, 60)};
  const std::vector<unsigned char> source_before = source.bytes();
  const std::vector<unsigned char> output_before = output.bytes();

  const OfxStatus status = host.Render(in.Double(-10, 10), window);
  FUZZ_CHECK(status != kOfxStatErrFatal);
  FUZZ_CHECK(host.ledger().Balanced());
  FUZZ_CHECK(source.bytes() == source_before);
  if (output_lies) return;
  const OfxRectI& b = output.bounds();
  // A host without the window property gets the output's bounds rendered.
  if (host.faults().unknown_properties.count(kOfxImageEffectPropRenderWindow) != 0) window = b;
  for (int32_t y = b.y1; y < b.y2; ++y) {
    for (int32_t x = b.x1; x < b.x2; ++x) {
      if (x >= window.x1 && x < window.x2 && y >= window.y1 && y < window.y2) continue;
      const size_t at = static_cast<size_t>(output.Pixel(x, y) - output.bytes().data());
      for (int32_t i = 0; i < output.PixelBytes(); ++i) {
        FUZZ_CHECK(output.bytes()[at + static_cast<size_t>(i)] ==
                   output_before[at + static_cast<size_t>(i)]);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzReader in(data, size);
  simofx::OfxHostSim host(ReadFaults(in));
  if (!host.Attach(OfxGetPlugin(0))) {
    FUZZ_CHECK(!host.faults().missing_suites.empty());
    return 0;
  }
  if (host.Describe() != kOfxStatOK || host.CreateInstance() != kOfxStatOK) return 0;
  const uint32_t renders = 1 + in.Below(3);
  for (uint32_t i = 0; i < renders; ++i) {
    ReadParams(in, host);
    RenderOnce(in, host);
  }
  return 0;
}
