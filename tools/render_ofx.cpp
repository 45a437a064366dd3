#include "tools/render_ofx.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "ofx_sdk/ofx_constants.h"
#include "simofx/effect_values.h"
#include "simofx/host_image.h"
#include "tools/module_file.h"
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
  std::filesystem::path bundle(path);
  if (!std::filesystem::is_directory(bundle)) return path;
  if (!bundle.has_filename()) bundle = bundle.parent_path();  // a trailing slash
  const auto name = bundle.extension() == ".bundle" ? bundle.stem() : bundle.filename();
  return (bundle / "Contents" / kArchitecture / name).string();
}

}  // namespace

std::string DefaultBundlePath() {
  return VELMORA_DEFAULT_OFX_BUNDLE;
}

std::string OfxStatusText(OfxStatus status) {
  const char* name = nullptr;  // the first of the interface's statuses of that value
#define OFX_STRING(constant, value)
#define OFX_INT(constant, value) \
  if (!name && status == (value) && std::strncmp(#constant, "kOfxStat", 8) == 0) name = #constant;
#include "ofx_sdk/ofx_constants.inc"
#undef OFX_STRING
#undef OFX_INT
  return std::to_string(status) + " (" + (name ? name : "not a status of the interface") + ")";
}

OfxBundle::OfxBundle(const std::string& path, int threads) : threads_(std::max(1, threads)) {
  const std::string binary = BinaryOf(path);
  std::error_code error;
  if (!std::filesystem::exists(binary, error)) {
    throw BadInput("no image-effect plug-in at " + binary);
  }
  ModuleFile(binary).CheckLibraryWhole();
  if (!host_.Load(binary)) {
    throw BadInput("cannot load " + binary + " as an image-effect plug-in");
  }
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
  return RenderPictures(file, [&](Image* image) { return RenderImage(path, image); });
}

OfxStatus OfxBundle::RenderImage(const RenderPath& path, Image* image) {
  const int32_t width = image->header.width;
  const int32_t height = image->header.height;
  if (width <= 0 || height <= 0) return kOfxStatOK;  // no pixels
  // As a host does: no render where the effect says it changes nothing.
  std::string clip;
  if (host_.IsIdentity(0.0, {0, 0, width, height}, &clip) == kOfxStatOK &&
      clip == kOfxImageEffectSimpleSourceClipName) {
    return kOfxStatOK;
  }
  static const char* const kDepths[] = {kOfxBitDepthByte, kOfxBitDepthShort, kOfxBitDepthFloat};
  const char* depth = kDepths[static_cast<int>(CheckSamplesFor(path, *image))];
  const int32_t channels = FindColourChannels(image->header).alpha >= 0 ? 4 : 3;
  simofx::HostImage source({0, 0, width, height}, channels, depth, 0, true);
  simofx::HostImage output({0, 0, width, height}, channels, depth, 0, true);
  // Memory holds the top row first, so the file's rows run forward through it.
  const auto pixels = [&](simofx::HostImage& held) {
    return HostPixels{held.Pixel(0, height - 1),
                      held.PixelBytes(),
                      -held.Record().row_bytes,
                      {0, 1, 2, channels == 4 ? 3 : -1}};
  };
  ExchangeSamples(image, 0, height, pixels(source), true);
  host_.SetClipImage(kOfxImageEffectSimpleSourceClipName, source.Record());
  host_.SetClipImage(kOfxImageEffectOutputClipName, output.Record());
  const OfxStatus status =
      RenderInBands(std::min(threads_, height), height, [&](int, int first, int last) {
        return host_.Render(0.0, {0, first, width, last});
      });
  host_.SetClipImage(kOfxImageEffectSimpleSourceClipName, {});
  host_.SetClipImage(kOfxImageEffectOutputClipName, {});
  if (status == kOfxStatOK) ExchangeSamples(image, 0, height, pixels(output), false);
  return status;
}
