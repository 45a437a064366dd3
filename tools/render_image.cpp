#include "tools/render_image.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <future>
#include <system_error>
#include <vector>

#include "ofx_sdk/ofx_constants.h"
#include "simofx/effect_values.h"
#include "simofx/host_image.h"
#include "tools/tool_error.h"

namespace {

using simhost::HostPixelFormat;

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

// Where a host image holds the colour and alpha of file rows: column 0 of the
// first of them, the steps to the next pixel and to the next file row, and
// the sample index in a pixel of red, green, blue and alpha (-1: none).
struct HostPixels {
  unsigned char* first_row;
  OIIO::stride_t pixel_bytes;
  OIIO::stride_t row_bytes;
  int channel[4];
};

// The path was chosen from the file's header before the run: an image read
// since with samples of another depth is refused.
void CheckSamplesFor(const RenderPath& path, const Image& image) {
  const OIIO::TypeDesc held = image.pixels.spec().format;
  if (held != SampleType(path.depth)) {
    throw BadInput("the image changed while velmora ran: its samples are now " +
                   std::string(held.c_str()) + ", not for the " + PathName(path) + " path");
  }
}

// File rows [first, last) of the image's colour and alpha to the host's pixels
// or back; every other channel is left alone. A host's alpha that the file
// lacks is made opaque in the file's scale.
void ExchangeSamples(Image* image, int first, int last, const HostPixels& host, bool to_host) {
  const ColourChannels colour = FindColourChannels(image->header);
  const int file[4] = {colour.red, colour.green, colour.blue, colour.alpha};
  const OIIO::ImageSpec& held = image->pixels.spec();
  // Blue, green, red, then alpha: a grey file's one channel takes red last,
  // the same value for a grey pixel.
  for (int k : {2, 1, 0, 3}) {
    if (host.channel[k] < 0 || (file[k] < 0 && !to_host)) continue;
    unsigned char* samples = host.first_row + host.channel[k] * held.format.size();
    if (file[k] < 0) {
      const float opaque = 1.0f;
      OIIO::convert_image(1, held.width, last - first, 1, &opaque, OIIO::TypeFloat, 0, 0, 0,
                          samples, held.format, host.pixel_bytes, host.row_bytes, 0);
      continue;
    }
    const OIIO::ROI rows(held.x, held.x + held.width, held.y + first, held.y + last, held.z,
                         held.z + 1, file[k], file[k] + 1);
    if (!(to_host ? image->pixels.get_pixels(rows, held.format, samples, host.pixel_bytes,
                                             host.row_bytes)
                  : image->pixels.set_pixels(rows, held.format, samples, host.pixel_bytes,
                                             host.row_bytes))) {
      throw Failure("cannot hand the samples over: " + image->pixels.geterror());
    }
  }
}

// Rows [0, rows) as `bands` bands at once, each `render(band, first, last)`.
int RenderInBands(int bands, int rows, const std::function<int(int, int, int)>& render) {
  return RunAtOnce(bands, [&](int band) {
    return render(band, static_cast<int>(int64_t{rows} * band / bands),
                  static_cast<int>(int64_t{rows} * (band + 1) / bands));
  });
}

// `render` on every subimage and level of `file` that has colour channels, in
// turn until one answers other than 0; that answer, or 0.
int RenderPictures(ImageFile* file, const std::function<int(Image*)>& render) {
  for (std::vector<Image>& levels : file->subimages) {
    for (Image& image : levels) {
      if (FindColourChannels(image.header).red < 0) continue;  // data, not a picture
      if (const int answer = render(&image)) return answer;
    }
  }
  return 0;
}

// Every sample of a 16-bit band between file and host scale.
void Rescale(simhost::HostImage& band, uint16_t (*scale)(uint16_t)) {
  for (A_long y = 0; y < band.Height(); ++y) {
    auto* row = reinterpret_cast<uint16_t*>(band.Row(y));
    std::transform(row, row + 4 * static_cast<std::size_t>(band.Width()), row, scale);
  }
}

HostPixels PixelsOf(simhost::HostImage& band) {
  const HostPixelFormat format = band.Format();
  const bool bgra = format == HostPixelFormat::BGRA8 || format == HostPixelFormat::BGRAFloat;
  return {band.Row(0),
          static_cast<OIIO::stride_t>(simhost::PixelSize(format)),
          band.World()->rowbytes,
          {bgra ? 2 : 1, bgra ? 1 : 2, bgra ? 0 : 3, bgra ? 3 : 0}};
}

}  // namespace

RenderPath ChooseRenderPath(SampleDepth depth, HostChoice host, const std::string& file) {
  if (host == HostChoice::PremierePro) {
    if (depth == SampleDepth::Bits16) {
      throw BadInput(file +
                     " is a 16-bit image, which only the After Effects host renders; "
                     "leave out --host premiere or use --host aftereffects");
    }
    return {simhost::HostMode::PremierePro,
            depth == SampleDepth::Bits8 ? HostPixelFormat::BGRA8 : HostPixelFormat::BGRAFloat,
            depth};
  }
  const HostPixelFormat format = depth == SampleDepth::Bits8    ? HostPixelFormat::ARGB8
                                 : depth == SampleDepth::Bits16 ? HostPixelFormat::ARGB16
                                                                : HostPixelFormat::ARGBFloat;
  return {simhost::HostMode::AfterEffects, format, depth, host == HostChoice::OpenFx};
}

const char* PathName(const RenderPath& path) {
  // In the order of HostPixelFormat; the bundle takes only the ARGB formats.
  static const char* const kModule[] = {"After Effects 8-bit", "After Effects 16-bit",
                                        "Premiere Pro 8-bit BGRA", "Premiere Pro float BGRA",
                                        "After Effects float (smart render)"};
  static const char* const kOpenFx[] = {"OpenFX 8-bit", "OpenFX 16-bit", "?", "?", "OpenFX float"};
  return (path.openfx ? kOpenFx : kModule)[static_cast<int>(path.format)];
}

int RunAtOnce(int count, const std::function<int(int)>& task) {
  std::vector<std::future<int>> answers;
  for (int i = 1; i < count; ++i) {
    try {
      answers.push_back(std::async(std::launch::async, task, i));
    } catch (const std::system_error&) {
      answers.push_back(std::async(std::launch::deferred, task, i));  // run by get() below
    }
  }
  int first = task(0);
  for (std::future<int>& answer : answers) {
    const int value = answer.get();  // rethrows what the task threw
    if (first == 0) first = value;
  }
  return first;
}

uint16_t FileToHost16(uint16_t file_value) {
  return static_cast<uint16_t>((uint32_t{file_value} * 32768u + 32767u) / 65535u);
}

uint16_t HostToFile16(uint16_t host_value) {
  const uint32_t clamped = std::min<uint32_t>(host_value, 32768u);
  return static_cast<uint16_t>((clamped * 65535u + 16384u) / 32768u);
}

// Premiere Pro's float frames are walked by the effect on the calling thread, hence
// the bands, each on a host of its own (a host serves one thread at a time); a pixel's
// result depends on that pixel alone, so the bands give what one render gives. The
// other paths' hosts spread a frame over their threads themselves.
PF_Err RenderImage(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                   const RenderPath& path, Image* image, const HostMaker& more_hosts) {
  CheckSamplesFor(path, *image);
  const A_long width = image->header.width;
  const A_long height = image->header.height;
  const int count = more_hosts && path.format == HostPixelFormat::BGRAFloat
                        ? std::max<int>(1, std::min<int>(host.ThreadCount(), height))
                        : 1;
  std::vector<std::unique_ptr<simhost::SimulatedHost>> hosts;
  for (int band = 1; band < count; ++band) hosts.push_back(more_hosts());
  // Each band's output, handed back once every band succeeded.
  std::vector<std::unique_ptr<simhost::HostImage>> outputs(static_cast<std::size_t>(count));
  const PF_Err error = RenderInBands(count, height, [&](int band, int first, int last) {
    simhost::HostImage source(path.format, width, last - first);
    outputs[band] = std::make_unique<simhost::HostImage>(path.format, width, last - first);
    ExchangeSamples(image, first, last, PixelsOf(source), true);
    if (path.depth == SampleDepth::Bits16) Rescale(source, FileToHost16);
    simhost::SimulatedHost& band_host = band == 0 ? host : *hosts[band - 1];
    // After Effects hands float frames to the smart render only.
    if (path.format != HostPixelFormat::ARGBFloat) {
      return band_host.Render(settings, source, *outputs[band]);
    }
    simhost::SmartFrame frame;
    frame.input.image = &source;
    frame.output.image = outputs[band].get();
    return band_host.SmartRender(settings, frame);
  });
  if (error != 0) return error;
  int first = 0;
  for (const auto& output : outputs) {
    if (path.depth == SampleDepth::Bits16) Rescale(*output, HostToFile16);
    ExchangeSamples(image, first, first + output->Height(), PixelsOf(*output), false);
    first += output->Height();
  }
  return 0;
}

PF_Err RenderImageFile(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                       const RenderPath& path, ImageFile* file, const HostMaker& more_hosts) {
  return RenderPictures(
      file, [&](Image* image) { return RenderImage(host, settings, path, image, more_hosts); });
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
  CheckSamplesFor(path, *image);
  const char* depth = kDepths[static_cast<int>(path.depth)];
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
