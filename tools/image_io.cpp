#include "tools/image_io.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imagebufalgo.h>
#include <OpenImageIO/strutil.h>

#include <cstring>
#include <fstream>
#include <string>

#include "tools/output_paths.h"
#include "tools/tool_error.h"

namespace {

// Memory for an image grows with its pixels (two host images of 16 bytes a pixel) and its
// samples; past these a header is far more likely damaged or hostile than a real picture.
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;   // 16384 x 16384
constexpr uint64_t kMaxSamples = uint64_t{1} << 31;  // over every level and part of a file

// A file that notes a read reaching past its end. The TIFF library drops a tag whose value
// lies past the end of a cut-short file without a word, and the ICC profile and EXIF often
// sit last.
class EndWatch final : public OIIO::Filesystem::IOFile {
 public:
  using IOFile::IOFile;
  size_t read(void* bytes, size_t size) override { return Noted(IOFile::read(bytes, size), size); }
  size_t pread(void* bytes, size_t size, int64_t offset) override {
    return Noted(IOFile::pread(bytes, size, offset), size);
  }
  bool cut_short = false;

 private:
  size_t Noted(size_t done, size_t asked) {
    cut_short = cut_short || done < asked;
    return done;
  }
};

struct OpenFile {
  std::unique_ptr<EndWatch> watch;  // what readers that take one read through
  std::unique_ptr<OIIO::ImageInput> input;
};

OpenFile OpenInput(const std::filesystem::path& path) {
  CheckPathExists(path, "input");
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw BadInput("input is a folder, not an image: " + path.string());
  }
  // Devices and pipes would be read forever or wait for a writer.
  if (!std::filesystem::is_regular_file(path, error)) {
    throw BadInput("input is not a regular file: " + path.string());
  }
  char head[20] = {};
  std::ifstream(path, std::ios::binary).read(head, sizeof head);
  // A DPX header states the file's length; the library reads a shorter file without complaint.
  const bool big_endian = std::memcmp(head, "SDPX", 4) == 0;
  if (big_endian || std::memcmp(head, "XPDS", 4) == 0) {
    uint64_t stated = 0;
    for (int i = 0; i < 4; ++i) {
      stated |= uint64_t{static_cast<unsigned char>(head[16 + i])}
                << (big_endian ? 24 - 8 * i : 8 * i);
    }
    const uint64_t actual = std::filesystem::file_size(path, error);
    if (!error && actual < stated) {
      throw BadInput("cannot read input " + path.string() + ": the file is cut short (" +
                     std::to_string(actual) + " of " + std::to_string(stated) + " bytes)");
    }
  }
  OpenFile file{std::make_unique<EndWatch>(path.string(), OIIO::Filesystem::IOProxy::Read), {}};
  // The effect sees the file's own channel values: no premultiplication on the
  // way in (PNG and some TIFFs would otherwise be associated), none undone on the way out.
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  file.input = OIIO::ImageInput::create(path.string(), true, &config, file.watch.get());
  if (!file.input) {
    throw BadInput("cannot read input " + path.string() + ": " + OIIO::geterror());
  }
  return file;
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

const char* DepthName(SampleDepth depth) {
  static const char* const kNames[] = {"8-bit", "16-bit", "float"};
  return kNames[static_cast<int>(depth)];
}

// Throws BadInput unless velmora can hold and grade this level of an image. `samples` counts
// those of the file's levels so far, the first of which sets the file's `depth`.
void CheckLevel(const std::filesystem::path& path, const OIIO::ImageSpec& header,
                SampleDepth* depth, uint64_t* samples) {
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
  for (const OIIO::TypeDesc& format : header.channelformats) DepthOf(path, format);
  const SampleDepth own = DepthOf(path, header.format);
  if (*samples == 0) *depth = own;
  if (own != *depth) {
    throw BadInput("unsupported image " + path.string() + ": its parts differ in depth (" +
                   DepthName(*depth) + " and " + DepthName(own) + ")");
  }
  *samples += header.image_pixels() * uint64_t(header.nchannels);
  if (*samples > kMaxSamples) {
    throw BadInput("image too large: " + path.string() + " holds more than " +
                   std::to_string(kMaxSamples) + " samples");
  }
}

// Reads the level the reader stands on into `image` as `held`, the depth's sample type.
void ReadPixels(OIIO::ImageInput& input, const std::filesystem::path& path, Image* image) {
  OIIO::ImageSpec held = image->header;
  held.set_format(SampleType(DepthOf(path, held.format)));
  image->pixels.reset(held, OIIO::InitializePixels::No);
  // Some readers fill a cut-short file with grey and only leave a message behind.
  if (!input.read_image(input.current_subimage(), input.current_miplevel(), 0, held.nchannels,
                        held.format, image->pixels.localpixels()) ||
      input.has_error()) {
    std::string message = input.geterror();
    message = message.substr(0, message.find('\n'));
    throw BadInput("cannot read input " + path.string() + ": " +
                   (message.empty() ? "damaged or cut short" : message));
  }
}

// Every subimage and MIP level of a file, each checked from its header before its pixels are
// read (with `pixels`) or left unread. The file must have something to grade.
ImageFile Load(const std::filesystem::path& path, bool pixels) {
  const OpenFile opened = OpenInput(path);
  OIIO::ImageInput* const input = opened.input.get();
  ImageFile file;
  SampleDepth depth = SampleDepth::Float;
  uint64_t samples = 0;
  int nonfinite = 0;
  bool has_colour = false;
  for (int subimage = 0; Seek(*input, subimage, 0); ++subimage) {
    file.subimages.emplace_back();
    for (int level = 0; Seek(*input, subimage, level); ++level) {
      Image image{HeaderOf(*input), {}};
      CheckLevel(path, image.header, &depth, &samples);
      has_colour = has_colour || FindColourChannels(image.header).red >= 0;
      if (pixels) {
        ReadPixels(*input, path, &image);
        int found = 0;  // counted only: what the effect makes of them is its own
        OIIO::ImageBufAlgo::fixNonFinite(image.pixels, image.pixels,
                                         OIIO::ImageBufAlgo::NONFINITE_NONE, &found);
        nonfinite += found;
      }
      file.subimages.back().push_back(std::move(image));
    }
  }
  if (opened.watch->cut_short && std::string(input->format_name()) == "tiff") {
    throw BadInput("cannot read input " + path.string() +
                   ": the file is cut short (its directories or tags reach past its end)");
  }
  if (!has_colour) {
    throw BadInput("unsupported image " + path.string() + ": no R, G, B channels to grade (" +
                   OIIO::Strutil::join(file.subimages[0][0].header.channelnames, ", ") + ")");
  }
  if (nonfinite > 0) {
    PrintError("note: " + path.string() + " has " + std::to_string(nonfinite) +
               " pixels with an infinite or NaN sample; with Preserve HDR off the effect makes "
               "them NaN");
  }
  return file;
}

}  // namespace

ColourChannels FindColourChannels(const OIIO::ImageSpec& header) {
  const auto named = [&header](const char* name) {
    for (int i = 0; i < header.nchannels; ++i) {
      if (OIIO::Strutil::iequals(header.channel_name(i), name)) return i;
    }
    return -1;
  };
  ColourChannels channels{named("r"), named("g"), named("b"), named("a")};
  if (channels.red >= 0 && channels.green >= 0 && channels.blue >= 0) return channels;
  // Grey only where nothing else could be meant: one luminance channel, with or without alpha.
  const int grey = named("y");
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

OIIO::TypeDesc SampleType(SampleDepth depth) {
  static const OIIO::TypeDesc kTypes[] = {OIIO::TypeDesc::UINT8, OIIO::TypeDesc::UINT16,
                                          OIIO::TypeDesc::FLOAT};
  return kTypes[static_cast<int>(depth)];
}

ImageLayout ReadImageLayout(const std::filesystem::path& path) {
  ImageLayout layout;
  for (const std::vector<Image>& levels : Load(path, false).subimages) {
    layout.subimages.push_back(levels[0].header);
    layout.mipmapped = layout.mipmapped || levels.size() > 1;
  }
  return layout;
}

ImageFile ReadImageFile(const std::filesystem::path& path) {
  return Load(path, true);
}
