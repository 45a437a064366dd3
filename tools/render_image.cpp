#include "tools/render_image.h"

#include <algorithm>

#include "tools/tool_error.h"

namespace {

struct PixelBGRA8 {
  uint8_t blue;
  uint8_t green;
  uint8_t red;
  uint8_t alpha;
};

struct PixelBGRAFloat {
  float blue;
  float green;
  float red;
  float alpha;
};

// The channel values of one file pixel in the host's scale, and back.
template <typename Sample>
struct Rgba {
  Sample red;
  Sample green;
  Sample blue;
  Sample alpha;
};

template <typename HostPixel, typename Sample>
void ToHost(const Rgba<Sample>& value, HostPixel* pixel) {
  pixel->red = value.red;
  pixel->green = value.green;
  pixel->blue = value.blue;
  pixel->alpha = value.alpha;
}

template <typename HostPixel, typename Sample>
Rgba<Sample> FromHost(const HostPixel& pixel) {
  return {pixel.red, pixel.green, pixel.blue, pixel.alpha};
}

// Moves samples between the file's interleaved layout and a host image, for one
// pixel type. `in` and `out` convert a channel value between file and host scale.
template <typename HostPixel, typename Sample, typename In, typename Out>
PF_Err RenderThrough(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                     simhost::HostPixelFormat format, Sample opaque, In in, Out out,
                     std::vector<Sample>* samples, const OIIO::ImageSpec& header) {
  const ColourChannels channels = FindColourChannels(header);
  const std::size_t stride = static_cast<std::size_t>(header.nchannels);
  simhost::HostImage source(format, header.width, header.height);
  simhost::HostImage destination(format, header.width, header.height);
  for (A_long y = 0; y < header.height; ++y) {
    for (A_long x = 0; x < header.width; ++x) {
      const Sample* pixel =
          samples->data() + (static_cast<std::size_t>(y) * header.width + x) * stride;
      const Rgba<Sample> value{in(pixel[channels.red]), in(pixel[channels.green]),
                               in(pixel[channels.blue]),
                               channels.alpha >= 0 ? in(pixel[channels.alpha]) : opaque};
      ToHost(value, &source.At<HostPixel>(x, y));
    }
  }
  // After Effects hands float frames to the smart render only.
  simhost::SmartFrame frame;
  frame.input.image = &source;
  frame.output.image = &destination;
  const PF_Err error = format == simhost::HostPixelFormat::ARGBFloat
                           ? host.SmartRender(settings, frame)
                           : host.Render(settings, source, destination);
  if (error != 0) return error;
  for (A_long y = 0; y < header.height; ++y) {
    for (A_long x = 0; x < header.width; ++x) {
      Sample* pixel = samples->data() + (static_cast<std::size_t>(y) * header.width + x) * stride;
      const Rgba<Sample> value = FromHost<HostPixel, Sample>(destination.At<HostPixel>(x, y));
      // A grey file keeps one channel; the effect keeps grey pixels grey.
      pixel[channels.blue] = out(value.blue);
      pixel[channels.green] = out(value.green);
      pixel[channels.red] = out(value.red);
      if (channels.alpha >= 0) pixel[channels.alpha] = out(value.alpha);
    }
  }
  return 0;
}

template <typename Sample>
Sample Unchanged(Sample value) {
  return value;
}

}  // namespace

RenderPath ChooseRenderPath(SampleDepth depth, HostChoice host, const std::string& file) {
  using simhost::HostMode;
  using simhost::HostPixelFormat;
  switch (depth) {
    case SampleDepth::Bits8:
      if (host == HostChoice::PremierePro) return {HostMode::PremierePro, HostPixelFormat::BGRA8};
      return {HostMode::AfterEffects, HostPixelFormat::ARGB8};
    case SampleDepth::Bits16:
      if (host == HostChoice::PremierePro) {
        throw BadInput(file +
                       " is a 16-bit image, which only the After Effects host renders; "
                       "leave out --host premiere or use --host aftereffects");
      }
      return {HostMode::AfterEffects, HostPixelFormat::ARGB16};
    case SampleDepth::Float:
      if (host == HostChoice::AfterEffects)
        return {HostMode::AfterEffects, HostPixelFormat::ARGBFloat};
      return {HostMode::PremierePro, HostPixelFormat::BGRAFloat};
  }
  throw BadInput("unsupported image " + file);
}

const char* PathName(const RenderPath& path) {
  switch (path.format) {
    case simhost::HostPixelFormat::ARGB8:
      return "After Effects 8-bit";
    case simhost::HostPixelFormat::ARGB16:
      return "After Effects 16-bit";
    case simhost::HostPixelFormat::BGRA8:
      return "Premiere Pro 8-bit BGRA";
    case simhost::HostPixelFormat::BGRAFloat:
      return "Premiere Pro float BGRA";
    case simhost::HostPixelFormat::ARGBFloat:
      return "After Effects float (smart render)";
  }
  return "?";
}

uint16_t FileToHost16(uint16_t file_value) {
  return static_cast<uint16_t>((uint32_t{file_value} * 32768u + 32767u) / 65535u);
}

uint16_t HostToFile16(uint16_t host_value) {
  const uint32_t clamped = std::min<uint32_t>(host_value, 32768u);
  return static_cast<uint16_t>((clamped * 65535u + 16384u) / 32768u);
}

PF_Err RenderImage(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                   const RenderPath& path, Image* image) {
  using simhost::HostPixelFormat;
  switch (path.format) {
    case HostPixelFormat::ARGB8:
      return RenderThrough<PF_Pixel>(host, settings, path.format, uint8_t{255}, Unchanged<uint8_t>,
                                     Unchanged<uint8_t>, &image->samples8, image->header);
    case HostPixelFormat::BGRA8:
      return RenderThrough<PixelBGRA8>(host, settings, path.format, uint8_t{255},
                                       Unchanged<uint8_t>, Unchanged<uint8_t>, &image->samples8,
                                       image->header);
    case HostPixelFormat::ARGB16:
      return RenderThrough<PF_Pixel16>(host, settings, path.format, uint16_t{32768}, FileToHost16,
                                       HostToFile16, &image->samples16, image->header);
    case HostPixelFormat::BGRAFloat:
      return RenderThrough<PixelBGRAFloat>(host, settings, path.format, 1.0f, Unchanged<float>,
                                           Unchanged<float>, &image->samples_float, image->header);
    case HostPixelFormat::ARGBFloat:
      return RenderThrough<PF_PixelFloat>(host, settings, path.format, 1.0f, Unchanged<float>,
                                          Unchanged<float>, &image->samples_float, image->header);
  }
  return 0;
}

PF_Err RenderImageFile(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                       const RenderPath& path, ImageFile* file) {
  for (std::vector<Image>& levels : file->subimages) {
    for (Image& image : levels) {
      if (FindColourChannels(image.header).red < 0) continue;  // data, not a picture
      const PF_Err error = RenderImage(host, settings, path, &image);
      if (error != 0) return error;
    }
  }
  return 0;
}
