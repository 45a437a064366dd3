#include "tools/image_io.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "tools/atomic_write.h"
#include "tools/tool_error.h"

namespace {

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

int ChannelNamed(const OIIO::ImageSpec& header, const std::string& name) {
  for (int i = 0; i < header.nchannels; ++i) {
    if (Lowercase(header.channel_name(i)) == name) return i;
  }
  return -1;
}

std::unique_ptr<OIIO::ImageInput> OpenInput(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) throw BadInput("input not found: " + path.string());
  if (std::filesystem::is_directory(path, error)) {
    throw BadInput("input is a folder, not an image: " + path.string());
  }
  // The effect sees the file's own channel values: no premultiplication on the
  // way in (PNG and some TIFFs would otherwise be associated), none undone on the way out.
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  auto input = OIIO::ImageInput::open(path.string(), &config);
  if (!input) {
    throw BadInput("cannot read input " + path.string() + ": " + OIIO::geterror());
  }
  const OIIO::ImageSpec& header = input->spec();
  if (header.deep) throw BadInput("unsupported image " + path.string() + ": deep images");
  if (header.depth > 1) throw BadInput("unsupported image " + path.string() + ": volume images");
  if (header.nchannels < 1 || header.width < 1 || header.height < 1) {
    throw BadInput("unsupported image " + path.string() + ": no pixels");
  }
  DepthOf(path, header.format);
  return input;
}

template <typename Sample>
void ReadSamples(OIIO::ImageInput& input, const std::filesystem::path& path, OIIO::TypeDesc type,
                 std::vector<Sample>* samples) {
  const OIIO::ImageSpec& header = input.spec();
  samples->resize(static_cast<std::size_t>(header.width) * static_cast<std::size_t>(header.height) *
                  static_cast<std::size_t>(header.nchannels));
  if (!input.read_image(0, 0, 0, header.nchannels, type, samples->data())) {
    throw BadInput("cannot read input " + path.string() + ": " + input.geterror());
  }
}

}  // namespace

ColourChannels FindColourChannels(const OIIO::ImageSpec& header) {
  ColourChannels channels{};
  channels.alpha = header.alpha_channel >= 0 ? header.alpha_channel : ChannelNamed(header, "a");
  if (header.nchannels < 3) {
    channels.red = channels.green = channels.blue = 0;
    if (channels.alpha == 0) channels.alpha = header.nchannels == 2 ? 1 : -1;
    return channels;
  }
  channels.red = ChannelNamed(header, "r");
  channels.green = ChannelNamed(header, "g");
  channels.blue = ChannelNamed(header, "b");
  if (channels.red < 0 || channels.green < 0 || channels.blue < 0) {
    channels.red = 0;
    channels.green = 1;
    channels.blue = 2;
  }
  if (channels.alpha == channels.red || channels.alpha == channels.green ||
      channels.alpha == channels.blue) {
    channels.alpha = -1;
  }
  return channels;
}

SampleDepth DepthOf(const std::filesystem::path& path, const OIIO::TypeDesc& format) {
  if (format == OIIO::TypeDesc::UINT8) return SampleDepth::Bits8;
  if (format == OIIO::TypeDesc::UINT16) return SampleDepth::Bits16;
  if (format == OIIO::TypeDesc::HALF || format == OIIO::TypeDesc::FLOAT) return SampleDepth::Float;
  throw BadInput("unsupported image " + path.string() + ": samples are " +
                 std::string(format.c_str()) + "; supported are 8-bit, 16-bit, half and float");
}

const char* DepthName(SampleDepth depth) {
  switch (depth) {
    case SampleDepth::Bits8:
      return "8-bit";
    case SampleDepth::Bits16:
      return "16-bit";
    case SampleDepth::Float:
      return "float";
  }
  return "?";
}

OIIO::ImageSpec ReadImageSpec(const std::filesystem::path& path) {
  return OpenInput(path)->spec();
}

Image ReadImage(const std::filesystem::path& path) {
  auto input = OpenInput(path);
  Image image;
  image.header = input->spec();
  image.depth = DepthOf(path, image.header.format);
  switch (image.depth) {
    case SampleDepth::Bits8:
      ReadSamples(*input, path, OIIO::TypeDesc::UINT8, &image.samples8);
      break;
    case SampleDepth::Bits16:
      ReadSamples(*input, path, OIIO::TypeDesc::UINT16, &image.samples16);
      break;
    case SampleDepth::Float:
      ReadSamples(*input, path, OIIO::TypeDesc::FLOAT, &image.samples_float);
      break;
  }
  return image;
}

void CheckWritableOutput(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::path folder =
      path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
  if (!std::filesystem::is_directory(folder, error)) {
    throw BadInput("output folder does not exist: " + folder.string());
  }
  if (std::filesystem::is_directory(path, error)) {
    throw BadInput("output is a folder, not an image file: " + path.string());
  }
  if (!OIIO::ImageOutput::create(path.string())) {
    OIIO::geterror();  // clear the pending message
    throw BadInput("unsupported output format: " + path.string() +
                   " (use .png, .tif, .jpg, .exr, .dpx or another extension OpenImageIO writes)");
  }
}

void WriteImage(const std::filesystem::path& path, const Image& image) {
  WriteAtomically(path, [&](const std::filesystem::path& temporary) {
    auto output = OIIO::ImageOutput::create(path.string());
    if (!output) throw BadInput("unsupported output format: " + path.string());
    if (!output->open(temporary.string(), image.header)) {
      throw Failure("cannot write " + path.string() + ": " + output->geterror());
    }
    bool written = false;
    switch (image.depth) {
      case SampleDepth::Bits8:
        written = output->write_image(OIIO::TypeDesc::UINT8, image.samples8.data());
        break;
      case SampleDepth::Bits16:
        written = output->write_image(OIIO::TypeDesc::UINT16, image.samples16.data());
        break;
      case SampleDepth::Float:
        written = output->write_image(OIIO::TypeDesc::FLOAT, image.samples_float.data());
        break;
    }
    if (!written || !output->close()) {
      throw Failure("cannot write " + path.string() + ": " + output->geterror());
    }
  });
}
