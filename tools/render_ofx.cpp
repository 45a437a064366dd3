#include "tools/render_ofx.h"

#include <OpenImageIO/parallel.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "ofx_sdk/ofx_constants.h"
#include "simofx/effect_values.h"
#include "simofx/host_image.h"
#include "tools/tool_error.h"

namespace {

#ifdef _WIN32
constexpr const char* kArchitecture = "Win64";
#else
constexpr const char* kArchitecture = "Linux-x86-64";
#endif

// A bundle folder "Name.ofx.bundle" holds its binary as
// Contents/<architecture>/Name.ofx; any other path is taken as the binary.
std::string BinaryOf(const std::string& path) {
  const std::filesystem::path bundle(path);
  if (!std::filesystem::is_directory(bundle)) return path;
  std::string name = bundle.filename().string();
  if (name.empty()) name = bundle.parent_path().filename().string();  // a trailing slash
  const std::string suffix = ".bundle";
  if (name.size() > suffix.size() &&
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
    name.resize(name.size() - suffix.size());
  }
  return (bundle / "Contents" / kArchitecture / name).string();
}

SampleDepth DepthOfPath(const RenderPath& path) {
  switch (path.format) {
    case simhost::HostPixelFormat::ARGB8:
      return SampleDepth::Bits8;
    case simhost::HostPixelFormat::ARGB16:
      return SampleDepth::Bits16;
    default:
      return SampleDepth::Float;
  }
}

// The file's interleaved samples to and from an image of the interface.
// Channels in the image's order: red, green, blue, then alpha if any.
template <typename Sample>
struct Exchange {
  const OIIO::ImageSpec& header;
  int file_channel[4];
  int32_t count;

  explicit Exchange(const OIIO::ImageSpec& h) : header(h) {
    const ColourChannels c = FindColourChannels(header);
    file_channel[0] = c.red;
    file_channel[1] = c.green;
    file_channel[2] = c.blue;
    file_channel[3] = c.alpha;
    count = c.alpha >= 0 ? 4 : 3;
  }
  Sample* FilePixel(Sample* samples, int32_t x, int32_t y) const {
    return samples + (static_cast<std::size_t>(y) * header.width + x) * header.nchannels;
  }
  // File row y is the image's row height - 1 - y: the top row stays on top.
  Sample* ImagePixel(simofx::HostImage& image, int32_t x, int32_t y) const {
    return image.At<Sample>(x, header.height - 1 - y);
  }
  void Fill(Sample* samples, simofx::HostImage* image) const {
    for (int32_t y = 0; y < header.height; ++y) {
      for (int32_t x = 0; x < header.width; ++x) {
        const Sample* pixel = FilePixel(samples, x, y);
        Sample* to = ImagePixel(*image, x, y);
        for (int32_t c = 0; c < count; ++c) to[c] = pixel[file_channel[c]];
      }
    }
  }
  // Blue, green, then red, as the other hosts' paths write them: a grey
  // file's one channel takes red, the same value for a grey pixel.
  void Return(simofx::HostImage& image, Sample* samples) const {
    static const int32_t kOrder[4] = {2, 1, 0, 3};
    for (int32_t y = 0; y < header.height; ++y) {
      for (int32_t x = 0; x < header.width; ++x) {
        Sample* pixel = FilePixel(samples, x, y);
        const Sample* from = ImagePixel(image, x, y);
        for (int32_t c : kOrder) {
          if (c < count) pixel[file_channel[c]] = from[c];
        }
      }
    }
  }
};

// The whole image as `tiles` bands of rows, rendered at once; the first
// status other than kOfxStatOK.
OfxStatus RenderTiles(simofx::OfxHostSim& host, const OfxRectI& bounds, int tiles) {
  const int32_t height = bounds.y2 - bounds.y1;
  const int32_t count = std::max(1, std::min<int32_t>(tiles, height));
  std::vector<OfxStatus> statuses(static_cast<std::size_t>(count), kOfxStatOK);
  OIIO::parallel_for(0, count, [&](int64_t tile) {
    const auto edge = [&](int64_t k) {
      return static_cast<int32_t>(bounds.y1 + int64_t{height} * k / count);
    };
    statuses[static_cast<std::size_t>(tile)] =
        host.Render(0.0, {bounds.x1, edge(tile), bounds.x2, edge(tile + 1)});
  });
  for (OfxStatus status : statuses) {
    if (status != kOfxStatOK) return status;
  }
  return kOfxStatOK;
}

template <typename Sample>
OfxStatus RenderSamples(simofx::OfxHostSim& host, const char* depth, int tiles,
                        const OfxRectI& bounds, Image* image) {
  const Exchange<Sample> exchange(image->header);
  auto* samples = static_cast<Sample*>(image->pixels.localpixels());
  simofx::HostImage source(bounds, exchange.count, depth, 0, true);
  simofx::HostImage output(bounds, exchange.count, depth, 0, true);
  exchange.Fill(samples, &source);
  host.SetClipImage(kOfxImageEffectSimpleSourceClipName, source.Record());
  host.SetClipImage(kOfxImageEffectOutputClipName, output.Record());
  const OfxStatus status = RenderTiles(host, bounds, tiles);
  host.SetClipImage(kOfxImageEffectSimpleSourceClipName, {});
  host.SetClipImage(kOfxImageEffectOutputClipName, {});
  if (status == kOfxStatOK) exchange.Return(output, samples);
  return status;
}

const char* StatusName(OfxStatus status) {
#define OFX_STRING(constant, value)
#define OFX_INT(constant, value) \
  if (status == (value) && std::strncmp(#constant, "kOfxStat", 8) == 0) return #constant;
#include "ofx_sdk/ofx_constants.inc"
#undef OFX_STRING
#undef OFX_INT
  return "not a status of the interface";
}

}  // namespace

std::string DefaultBundlePath() {
  return VELMORA_DEFAULT_OFX_BUNDLE;
}

RenderPath OfxRenderPath(SampleDepth depth) {
  using simhost::HostPixelFormat;
  const HostPixelFormat format = depth == SampleDepth::Bits8    ? HostPixelFormat::ARGB8
                                 : depth == SampleDepth::Bits16 ? HostPixelFormat::ARGB16
                                                                : HostPixelFormat::ARGBFloat;
  return {simhost::HostMode::AfterEffects, format, true};
}

const char* OfxPathName(const RenderPath& path) {
  switch (path.format) {
    case simhost::HostPixelFormat::ARGB8:
      return "OpenFX 8-bit";
    case simhost::HostPixelFormat::ARGB16:
      return "OpenFX 16-bit";
    default:
      return "OpenFX float";
  }
}

std::string OfxStatusText(OfxStatus status) {
  return std::to_string(status) + " (" + StatusName(status) + ")";
}

OfxBundle::OfxBundle(const std::string& path, int threads) : threads_(std::max(1, threads)) {
  const std::string binary = BinaryOf(path);
  std::error_code error;
  if (!std::filesystem::exists(binary, error)) {
    throw BadInput("no image-effect plug-in at " + binary);
  }
  if (!host_.Load(binary)) throw BadInput(host_.LoadError());
  OfxStatus status = host_.Describe();
  if (status == kOfxStatOK) status = host_.CreateInstance();
  if (status != kOfxStatOK) {
    throw Failure("the bundle " + binary + " answered " + OfxStatusText(status) +
                  " when described or instantiated");
  }
}

OfxStatus OfxBundle::RenderFile(const simhost::EffectSettings& settings, const RenderPath& path,
                                ImageFile* file) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!simofx::ApplySettings(settings, &host_)) {
    throw Failure("the bundle's parameters are not the " + std::to_string(settings.Table().size()) +
                  " the tool knows");
  }
  for (std::vector<Image>& levels : file->subimages) {
    for (Image& image : levels) {
      if (FindColourChannels(image.header).red < 0) continue;  // data, not a picture
      const OfxStatus status = RenderImage(path, &image);
      if (status != kOfxStatOK) return status;
    }
  }
  return kOfxStatOK;
}

OfxStatus OfxBundle::RenderImage(const RenderPath& path, Image* image) {
  const OfxRectI bounds{0, 0, image->header.width, image->header.height};
  if (bounds.x2 <= 0 || bounds.y2 <= 0) return kOfxStatOK;  // no pixels
  // As a host does: no render where the effect says it changes nothing.
  std::string clip;
  if (host_.IsIdentity(0.0, bounds, &clip) == kOfxStatOK &&
      clip == kOfxImageEffectSimpleSourceClipName) {
    return kOfxStatOK;
  }
  // The path was chosen from the file's header before the run; a file
  // replaced since by one of another depth is refused.
  const SampleDepth depth = DepthOfPath(path);
  if (image->pixels.spec().format != SampleType(depth)) {
    throw BadInput("the image changed while velmora ran: it is no longer for the " +
                   std::string(OfxPathName(path)) + " path");
  }
  switch (depth) {
    case SampleDepth::Bits8:
      return RenderSamples<uint8_t>(host_, kOfxBitDepthByte, threads_, bounds, image);
    case SampleDepth::Bits16:
      return RenderSamples<uint16_t>(host_, kOfxBitDepthShort, threads_, bounds, image);
    case SampleDepth::Float:
      break;
  }
  return RenderSamples<float>(host_, kOfxBitDepthFloat, threads_, bounds, image);
}
