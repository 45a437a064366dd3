#include "tools/image_io.h"

#include <OpenImageIO/filesystem.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/error_stream.h"
#include "tools/output_paths.h"
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

// Memory for an image grows with its pixels (two host images of 16 bytes a pixel) and its
// samples; past these a header is far more likely damaged or hostile than a real picture.
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;   // 16384 x 16384
constexpr uint64_t kMaxSamples = uint64_t{1} << 31;  // over every level and part of a file

std::string ChannelList(const OIIO::ImageSpec& header) {
  std::string names;
  for (int i = 0; i < header.nchannels; ++i) {
    names += (i > 0 ? ", " : "") + std::string(header.channel_name(i));
  }
  return names;
}

// A DPX header states the file's length; the library reads a shorter file without complaint
// and hands back whatever followed in memory.
void CheckDpxLength(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char head[20] = {};
  if (!file.read(reinterpret_cast<char*>(head), sizeof head)) return;
  const bool big_endian = std::memcmp(head, "SDPX", 4) == 0;
  if (!big_endian && std::memcmp(head, "XPDS", 4) != 0) return;
  uint32_t stated = 0;
  for (int i = 0; i < 4; ++i) {
    stated |= uint32_t{head[16 + i]} << (big_endian ? 24 - 8 * i : 8 * i);
  }
  std::error_code error;
  const uint64_t actual = std::filesystem::file_size(path, error);
  if (!error && actual < stated) {
    throw BadInput("cannot read input " + path.string() + ": the file is cut short (" +
                   std::to_string(actual) + " of " + std::to_string(stated) + " bytes)");
  }
}

std::unique_ptr<OIIO::ImageInput> OpenInput(const std::filesystem::path& path) {
  CheckPathExists(path, "input");
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw BadInput("input is a folder, not an image: " + path.string());
  }
  // Devices and pipes would be read forever or wait for a writer.
  if (!std::filesystem::is_regular_file(path, error)) {
    throw BadInput("input is not a regular file: " + path.string());
  }
  CheckDpxLength(path);
  // The effect sees the file's own channel values: no premultiplication on the
  // way in (PNG and some TIFFs would otherwise be associated), none undone on the way out.
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  auto input = OIIO::ImageInput::open(path.string(), &config);
  if (!input) {
    throw BadInput("cannot read input " + path.string() + ": " + OIIO::geterror());
  }
  return input;
}

// Moves to a subimage and level; past the last one the reader's message is cleared, so that
// it is not taken for a damaged file later.
bool Seek(OIIO::ImageInput& input, int subimage, int level) {
  if (input.seek_subimage(subimage, level)) return true;
  input.geterror();
  return false;
}

// Only OpenEXR files name their channels; elsewhere OpenImageIO's names stand for positions,
// and a file of one or two channels is grey, or grey and alpha (a grey TGA with alpha reads
// as "R, G").
OIIO::ImageSpec HeaderOf(OIIO::ImageInput& input) {
  OIIO::ImageSpec header = input.spec();
  if (std::string(input.format_name()) != "openexr" && header.nchannels <= 2) {
    header.channelnames = {"Y", "A"};
    header.channelnames.resize(static_cast<std::size_t>(header.nchannels));
    header.alpha_channel = header.nchannels == 2 ? 1 : -1;
  }
  return header;
}

// Throws BadInput unless velmora can hold and grade this level of an image.
void CheckLevel(const std::filesystem::path& path, const OIIO::ImageSpec& header) {
  if (header.deep) throw BadInput("unsupported image " + path.string() + ": deep images");
  if (header.depth > 1) throw BadInput("unsupported image " + path.string() + ": volume images");
  if (header.nchannels < 1 || header.width < 1 || header.height < 1) {
    throw BadInput("unsupported image " + path.string() + ": no pixels");
  }
  const uint64_t pixels = uint64_t(header.width) * uint64_t(header.height);
  if (pixels > kMaxPixels) {
    throw BadInput("image too large: " + path.string() + " is " + std::to_string(header.width) +
                   " x " + std::to_string(header.height) +
                   " pixels; velmora takes at most 268435456 pixels (16384 x 16384)");
  }
  DepthOf(path, header.format);
  for (const OIIO::TypeDesc& format : header.channelformats) DepthOf(path, format);
}

// Every subimage and MIP level of an open file, checked before any pixel is read. The file
// must have something to grade and its images one sample depth.
OIIO::ImageSpec CheckImageFile(OIIO::ImageInput& input, const std::filesystem::path& path) {
  const OIIO::ImageSpec first = HeaderOf(input);
  uint64_t samples = 0;
  bool has_colour = false;
  for (int subimage = 0; Seek(input, subimage, 0); ++subimage) {
    for (int level = 0; Seek(input, subimage, level); ++level) {
      const OIIO::ImageSpec header = HeaderOf(input);
      CheckLevel(path, header);
      if (DepthOf(path, header.format) != DepthOf(path, first.format)) {
        throw BadInput("unsupported image " + path.string() + ": its parts differ in depth (" +
                       DepthName(DepthOf(path, first.format)) + " and " +
                       DepthName(DepthOf(path, header.format)) + ")");
      }
      samples += header.image_pixels() * uint64_t(header.nchannels);
      if (samples > kMaxSamples) {
        throw BadInput("image too large: " + path.string() + " holds more than " +
                       std::to_string(kMaxSamples) + " samples");
      }
      has_colour = has_colour || FindColourChannels(header).red >= 0;
    }
  }
  if (!has_colour) {
    throw BadInput("unsupported image " + path.string() + ": no R, G, B channels to grade (" +
                   ChannelList(first) + ")");
  }
  return first;
}

template <typename Sample>
void ReadSamples(OIIO::ImageInput& input, const std::filesystem::path& path, int subimage,
                 int level, OIIO::TypeDesc type, std::vector<Sample>* samples) {
  const OIIO::ImageSpec& header = input.spec();
  samples->resize(header.image_pixels() * static_cast<std::size_t>(header.nchannels));
  // Some readers fill a cut-short file with grey and only leave a message behind.
  if (!input.read_image(subimage, level, 0, header.nchannels, type, samples->data()) ||
      input.has_error()) {
    std::string message = input.geterror();
    message = message.substr(0, message.find('\n'));
    throw BadInput("cannot read input " + path.string() + ": " +
                   (message.empty() ? "damaged or cut short" : message));
  }
}

Image ReadLevel(OIIO::ImageInput& input, const std::filesystem::path& path, int subimage,
                int level) {
  Image image;
  image.header = HeaderOf(input);
  image.depth = DepthOf(path, image.header.format);
  switch (image.depth) {
    case SampleDepth::Bits8:
      ReadSamples(input, path, subimage, level, OIIO::TypeDesc::UINT8, &image.samples8);
      break;
    case SampleDepth::Bits16:
      ReadSamples(input, path, subimage, level, OIIO::TypeDesc::UINT16, &image.samples16);
      break;
    case SampleDepth::Float:
      ReadSamples(input, path, subimage, level, OIIO::TypeDesc::FLOAT, &image.samples_float);
      break;
  }
  return image;
}

}  // namespace

ColourChannels FindColourChannels(const OIIO::ImageSpec& header) {
  ColourChannels channels{};
  channels.red = ChannelNamed(header, "r");
  channels.green = ChannelNamed(header, "g");
  channels.blue = ChannelNamed(header, "b");
  channels.alpha = ChannelNamed(header, "a");
  if (channels.red >= 0 && channels.green >= 0 && channels.blue >= 0) return channels;
  // Grey only where nothing else could be meant: one luminance channel, with or without alpha.
  const int grey = ChannelNamed(header, "y");
  const bool only_grey = grey >= 0 && header.nchannels == (channels.alpha >= 0 ? 2 : 1);
  channels.red = channels.green = channels.blue = only_grey ? grey : -1;
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
  auto input = OpenInput(path);
  return CheckImageFile(*input, path);
}

ImageFile ReadImageFile(const std::filesystem::path& path) {
  auto input = OpenInput(path);
  CheckImageFile(*input, path);
  ImageFile file;
  for (int subimage = 0; Seek(*input, subimage, 0); ++subimage) {
    file.subimages.emplace_back();
    for (int level = 0; Seek(*input, subimage, level); ++level) {
      file.subimages.back().push_back(ReadLevel(*input, path, subimage, level));
    }
  }
  return file;
}

void CheckOutputHolds(const std::filesystem::path& input, const std::filesystem::path& output) {
  auto reader = OpenInput(input);
  int subimages = 0;
  bool mipmapped = false;
  while (Seek(*reader, subimages, 0)) {
    mipmapped = mipmapped || Seek(*reader, subimages, 1);
    ++subimages;
  }
  auto writer = OIIO::ImageOutput::create(output.string());
  if (!writer) return;  // CheckWritableOutput names the format
  if (subimages > 1 && !writer->supports("multiimage")) {
    throw BadInput(input.string() + " holds " + std::to_string(subimages) + " images and " +
                   output.string() + " can hold one; write .exr or .tif to keep them all");
  }
  if (mipmapped && !writer->supports("mipmap")) {
    PrintError("note: " + output.string() + " gets only the largest MIP level of " +
               input.string());
  }
}
