#include "tools/render_image.h"

#include <algorithm>
#include <future>
#include <vector>

#include "tools/tool_error.h"

namespace {

using simhost::HostPixelFormat;

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
            depth == SampleDepth::Bits8 ? HostPixelFormat::BGRA8 : HostPixelFormat::BGRAFloat};
  }
  const HostPixelFormat format = depth == SampleDepth::Bits8    ? HostPixelFormat::ARGB8
                                 : depth == SampleDepth::Bits16 ? HostPixelFormat::ARGB16
                                                                : HostPixelFormat::ARGBFloat;
  return {simhost::HostMode::AfterEffects, format, host == HostChoice::OpenFx};
}

const char* PathName(const RenderPath& path) {
  // In the order of HostPixelFormat; the bundle takes only the ARGB formats.
  static const char* const kModule[] = {"After Effects 8-bit", "After Effects 16-bit",
                                        "Premiere Pro 8-bit BGRA", "Premiere Pro float BGRA",
                                        "After Effects float (smart render)"};
  static const char* const kOpenFx[] = {"OpenFX 8-bit", "OpenFX 16-bit", "?", "?", "OpenFX float"};
  return (path.openfx ? kOpenFx : kModule)[static_cast<int>(path.format)];
}

SampleDepth CheckSamplesFor(const RenderPath& path, const Image& image) {
  const SampleDepth depth =
      path.format == HostPixelFormat::ARGB8 || path.format == HostPixelFormat::BGRA8
          ? SampleDepth::Bits8
          : (path.format == HostPixelFormat::ARGB16 ? SampleDepth::Bits16 : SampleDepth::Float);
  const OIIO::TypeDesc held = image.pixels.spec().format;
  if (held != SampleType(depth)) {
    throw BadInput("the image changed while velmora ran: its samples are now " +
                   std::string(held.c_str()) + ", not for the " + PathName(path) + " path");
  }
  return depth;
}

uint16_t FileToHost16(uint16_t file_value) {
  return static_cast<uint16_t>((uint32_t{file_value} * 32768u + 32767u) / 65535u);
}

uint16_t HostToFile16(uint16_t host_value) {
  const uint32_t clamped = std::min<uint32_t>(host_value, 32768u);
  return static_cast<uint16_t>((clamped * 65535u + 16384u) / 32768u);
}

void ExchangeSamples(Image* image, int first, int last, const HostPixels& host, bool to_host) {
  const ColourChannels colour = FindColourChannels(image->header);
  const int file[4] = {colour.red, colour.green, colour.blue, colour.alpha};
  const OIIO::ImageSpec& spec = image->pixels.spec();
  // Blue, green, red, then alpha: a grey file's one channel takes red last,
  // the same value for a grey pixel.
  for (int k : {2, 1, 0, 3}) {
    if (file[k] < 0 || host.channel[k] < 0) continue;
    const OIIO::ROI rows(spec.x, spec.x + spec.width, spec.y + first, spec.y + last, spec.z,
                         spec.z + 1, file[k], file[k] + 1);
    unsigned char* samples = host.first_row + host.channel[k] * spec.format.size();
    if (!(to_host ? image->pixels.get_pixels(rows, spec.format, samples, host.pixel_bytes,
                                             host.row_bytes)
                  : image->pixels.set_pixels(rows, spec.format, samples, host.pixel_bytes,
                                             host.row_bytes))) {
      throw Failure("cannot hand the samples over: " + image->pixels.geterror());
    }
  }
}

int RenderInBands(int bands, int rows, const std::function<int(int, int, int)>& render) {
  std::vector<std::future<int>> answers;
  for (int64_t band = 0; band < bands; ++band) {
    answers.push_back(std::async(std::launch::async, render, static_cast<int>(band),
                                 static_cast<int>(rows * band / bands),
                                 static_cast<int>(rows * (band + 1) / bands)));
  }
  int first = 0;
  for (std::future<int>& answer : answers) {
    const int value = answer.get();  // rethrows what the band threw, once all are done
    if (first == 0) first = value;
  }
  return first;
}

// Premiere Pro's float frames are walked by the effect on the calling thread,
// so given `more_hosts` they are rendered in bands of rows at once, each on a
// host of its own (a host serves one thread at a time); a pixel's result
// depends on that pixel alone, so the bands give what one render gives. The
// other paths' hosts spread a frame over their threads themselves.
PF_Err RenderImage(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                   const RenderPath& path, Image* image, const HostMaker& more_hosts) {
  const SampleDepth depth = CheckSamplesFor(path, *image);
  const A_long width = image->header.width;
  const A_long height = image->header.height;
  const int count = more_hosts && path.format == HostPixelFormat::BGRAFloat
                        ? std::max<int>(1, std::min<int>(host.ThreadCount(), height))
                        : 1;
  std::vector<std::unique_ptr<simhost::SimulatedHost>> hosts;
  for (int band = 1; band < count; ++band) hosts.push_back(more_hosts());
  // Each band's first row and output, handed back once every band succeeded.
  std::vector<std::pair<int, std::unique_ptr<simhost::HostImage>>> bands(
      static_cast<std::size_t>(count));
  const PF_Err error = RenderInBands(count, height, [&](int band, int first, int last) {
    simhost::HostImage source(path.format, width, last - first);
    auto output = std::make_unique<simhost::HostImage>(path.format, width, last - first);
    // Alpha opaque in the file's scale (the 16-bit rescale makes it the host's)
    // where the file has none.
    const HostPixels pixels = PixelsOf(source);
    const float one = 1.0f;
    OIIO::convert_image(1, width, last - first, 1, &one, OIIO::TypeFloat, 0, 0, 0,
                        pixels.first_row + pixels.channel[3] * SampleType(depth).size(),
                        SampleType(depth), pixels.pixel_bytes, pixels.row_bytes, 0);
    ExchangeSamples(image, first, last, pixels, true);
    if (depth == SampleDepth::Bits16) Rescale(source, FileToHost16);
    simhost::SimulatedHost& band_host = band == 0 ? host : *hosts[band - 1];
    bands[band] = {first, std::move(output)};
    // After Effects hands float frames to the smart render only.
    if (path.format != HostPixelFormat::ARGBFloat) {
      return band_host.Render(settings, source, *bands[band].second);
    }
    simhost::SmartFrame frame;
    frame.input.image = &source;
    frame.output.image = bands[band].second.get();
    return band_host.SmartRender(settings, frame);
  });
  if (error != 0) return error;
  for (auto& [first, output] : bands) {
    if (depth == SampleDepth::Bits16) Rescale(*output, HostToFile16);
    ExchangeSamples(image, first, first + output->Height(), PixelsOf(*output), false);
  }
  return 0;
}

PF_Err RenderImageFile(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                       const RenderPath& path, ImageFile* file, const HostMaker& more_hosts) {
  return RenderPictures(
      file, [&](Image* image) { return RenderImage(host, settings, path, image, more_hosts); });
}

int RenderPictures(ImageFile* file, const std::function<int(Image*)>& render) {
  for (std::vector<Image>& levels : file->subimages) {
    for (Image& image : levels) {
      if (FindColourChannels(image.header).red < 0) continue;  // data, not a picture
      if (const int answer = render(&image)) return answer;
    }
  }
  return 0;
}
