#include "tools/render_image.h"

#include <OpenImageIO/parallel.h>

#include <algorithm>
#include <exception>
#include <functional>
#include <memory>

#include "tools/render_ofx.h"
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

// Rows [first, last) of an image between the file's interleaved layout and
// host images of those rows, for one pixel type. `in` and `out` convert a
// channel value between file and host scale.
template <typename HostPixel, typename Sample>
struct Band {
  A_long first;
  A_long last;
  simhost::HostImage source;
  simhost::HostImage destination;

  Band(simhost::HostPixelFormat format, A_long width, A_long first_row, A_long last_row)
      : first(first_row),
        last(last_row),
        source(format, width, last_row - first_row),
        destination(format, width, last_row - first_row) {}

  template <typename In>
  void Fill(const Sample* samples, const OIIO::ImageSpec& header, Sample opaque, In in) {
    const ColourChannels channels = FindColourChannels(header);
    for (A_long y = first; y < last; ++y) {
      for (A_long x = 0; x < header.width; ++x) {
        const Sample* pixel = &samples[PixelIndex(header, x, y)];
        HostPixel& host = source.At<HostPixel>(x, y - first);
        host.red = in(pixel[channels.red]);
        host.green = in(pixel[channels.green]);
        host.blue = in(pixel[channels.blue]);
        host.alpha = channels.alpha >= 0 ? in(pixel[channels.alpha]) : opaque;
      }
    }
  }

  template <typename Out>
  void Return(Sample* samples, const OIIO::ImageSpec& header, Out out) const {
    const ColourChannels channels = FindColourChannels(header);
    for (A_long y = first; y < last; ++y) {
      for (A_long x = 0; x < header.width; ++x) {
        Sample* pixel = &samples[PixelIndex(header, x, y)];
        const HostPixel& host = destination.At<HostPixel>(x, y - first);
        // A grey file keeps one channel; the effect keeps grey pixels grey.
        pixel[channels.blue] = out(host.blue);
        pixel[channels.green] = out(host.green);
        pixel[channels.red] = out(host.red);
        if (channels.alpha >= 0) pixel[channels.alpha] = out(host.alpha);
      }
    }
  }

  static std::size_t PixelIndex(const OIIO::ImageSpec& header, A_long x, A_long y) {
    return (static_cast<std::size_t>(y) * header.width + x) * header.nchannels;
  }
};

// After Effects hands float frames to the smart render only.
PF_Err RenderBand(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                  simhost::HostPixelFormat format, simhost::HostImage* source,
                  simhost::HostImage* destination) {
  if (format != simhost::HostPixelFormat::ARGBFloat) {
    return host.Render(settings, *source, *destination);
  }
  simhost::SmartFrame frame;
  frame.input.image = source;
  frame.output.image = destination;
  return host.SmartRender(settings, frame);
}

// The image through `host`; or, given `more_hosts` and a host of several
// threads, in as many bands of rows at once, the first on `host` and each other
// on a host of its own (a host serves one thread at a time; the module may be
// entered from several). Premiere Pro's float frames are walked by the effect
// on the calling thread, so this is how one float image uses every core. A
// pixel's result depends on that pixel alone, so the bands give what one
// render gives. The samples change only once every band has succeeded.
template <typename HostPixel, typename Sample, typename In, typename Out>
PF_Err RenderThrough(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                     simhost::HostPixelFormat format, Sample opaque, In in, Out out,
                     Sample* samples, const OIIO::ImageSpec& header,
                     const HostMaker& more_hosts = {}) {
  const A_long height = header.height;
  const A_long count =
      more_hosts ? std::max<A_long>(1, std::min<A_long>(host.ThreadCount(), height)) : 1;
  std::vector<Band<HostPixel, Sample>> bands;
  for (A_long band = 0; band < count; ++band) {
    bands.emplace_back(format, header.width, static_cast<A_long>(int64_t{height} * band / count),
                       static_cast<A_long>(int64_t{height} * (band + 1) / count));
  }
  std::vector<std::unique_ptr<simhost::SimulatedHost>> hosts;
  for (A_long band = 1; band < count; ++band) hosts.push_back(more_hosts());
  std::vector<PF_Err> errors(bands.size(), 0);
  std::vector<std::exception_ptr> exceptions(bands.size());
  auto render = [&](std::size_t band, simhost::SimulatedHost* band_host) {
    try {
      bands[band].Fill(samples, header, opaque, in);
      errors[band] =
          RenderBand(*band_host, settings, format, &bands[band].source, &bands[band].destination);
    } catch (...) {
      exceptions[band] = std::current_exception();
    }
  };
  OIIO::parallel_for(0, count, [&](int64_t band) {
    render(static_cast<std::size_t>(band), band == 0 ? &host : hosts[band - 1].get());
  });
  for (const std::exception_ptr& exception : exceptions) {
    if (exception) std::rethrow_exception(exception);
  }
  for (PF_Err error : errors) {
    if (error != 0) return error;
  }
  for (const auto& band : bands) band.Return(samples, header, out);
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
  if (host == HostChoice::OpenFx) return OfxRenderPath(depth);
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
      if (host == HostChoice::PremierePro)
        return {HostMode::PremierePro, HostPixelFormat::BGRAFloat};
      return {HostMode::AfterEffects, HostPixelFormat::ARGBFloat};
  }
  throw BadInput("unsupported image " + file);
}

const char* PathName(const RenderPath& path) {
  if (path.openfx) return OfxPathName(path);
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
                   const RenderPath& path, Image* image, const HostMaker& more_hosts) {
  using simhost::HostPixelFormat;
  const OIIO::TypeDesc held = image->pixels.spec().format;
  const bool eight = path.format == HostPixelFormat::ARGB8 || path.format == HostPixelFormat::BGRA8;
  const bool sixteen = path.format == HostPixelFormat::ARGB16;
  // The path was chosen from the file's header before the run; a file replaced since by
  // one of another depth is refused rather than read as the depth it had.
  if (held != SampleType(eight ? SampleDepth::Bits8
                               : (sixteen ? SampleDepth::Bits16 : SampleDepth::Float))) {
    throw BadInput("the image changed while velmora ran: its samples are now " +
                   std::string(held.c_str()) + ", not for the " + PathName(path) + " path");
  }
  const OIIO::ImageSpec& header = image->header;
  void* samples = image->pixels.localpixels();
  auto* bytes8 = static_cast<uint8_t*>(samples);
  switch (path.format) {
    case HostPixelFormat::ARGB8:
      return RenderThrough<PF_Pixel>(host, settings, path.format, uint8_t{255}, Unchanged<uint8_t>,
                                     Unchanged<uint8_t>, bytes8, header);
    case HostPixelFormat::BGRA8:
      return RenderThrough<PixelBGRA8>(host, settings, path.format, uint8_t{255},
                                       Unchanged<uint8_t>, Unchanged<uint8_t>, bytes8, header);
    case HostPixelFormat::ARGB16:
      return RenderThrough<PF_Pixel16>(host, settings, path.format, uint16_t{32768}, FileToHost16,
                                       HostToFile16, static_cast<uint16_t*>(samples), header);
    case HostPixelFormat::BGRAFloat:
      return RenderThrough<PixelBGRAFloat>(host, settings, path.format, 1.0f, Unchanged<float>,
                                           Unchanged<float>, static_cast<float*>(samples), header,
                                           more_hosts);
    case HostPixelFormat::ARGBFloat:
      // The host's threaded iterate spreads a smart float frame over its threads.
      return RenderThrough<PF_PixelFloat>(host, settings, path.format, 1.0f, Unchanged<float>,
                                          Unchanged<float>, static_cast<float*>(samples), header);
  }
  return 0;
}

PF_Err RenderImageFile(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
                       const RenderPath& path, ImageFile* file, const HostMaker& more_hosts) {
  for (std::vector<Image>& levels : file->subimages) {
    for (Image& image : levels) {
      if (FindColourChannels(image.header).red < 0) continue;  // data, not a picture
      const PF_Err error = RenderImage(host, settings, path, &image, more_hosts);
      if (error != 0) return error;
    }
  }
  return 0;
}
