#include "tools/image_io.h"

#include <OpenImageIO/filesystem.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include "tools/atomic_write.h"
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
  CheckOutputPath(path, "output");
  if (!OIIO::ImageOutput::create(path.string())) {
    OIIO::geterror();  // clear the pending message
    throw BadInput("unsupported output format: " + path.string() +
                   " (use .png, .tif, .jpg, .exr, .dpx or another extension OpenImageIO writes)");
  }
}

void CheckOutputHolds(const std::filesystem::path& path, const OIIO::ImageSpec& header) {
  // The JPEG library ends the process on an image it cannot hold instead of reporting it.
  constexpr int kLargestJpegSide = 65500;
  auto output = OIIO::ImageOutput::create(path.string());
  if (output && std::string(output->format_name()) == "jpeg" &&
      (header.width > kLargestJpegSide || header.height > kLargestJpegSide)) {
    throw BadInput("output " + path.string() + ": JPEG holds at most " +
                   std::to_string(kLargestJpegSide) + " pixels a side, the image is " +
                   std::to_string(header.width) + " x " + std::to_string(header.height));
  }
}

namespace {

const char* const kNotWhole = "the encoded file does not read back whole";

void Encode(OIIO::ImageOutput& output, const std::string& name, const std::filesystem::path& path,
            const Image& image) {
  if (!output.open(name, image.header)) {
    throw Failure("cannot write " + path.string() + ": " + output.geterror());
  }
  bool written = false;
  switch (image.depth) {
    case SampleDepth::Bits8:
      written = output.write_image(OIIO::TypeDesc::UINT8, image.samples8.data());
      break;
    case SampleDepth::Bits16:
      written = output.write_image(OIIO::TypeDesc::UINT16, image.samples16.data());
      break;
    case SampleDepth::Float:
      written = output.write_image(OIIO::TypeDesc::FLOAT, image.samples_float.data());
      break;
  }
  const bool closed = output.close();
  if (!written || !closed) {
    throw Failure("cannot write " + path.string() + ": " + output.geterror());
  }
}

// Whether `name` (read through `proxy` when given) decodes whole at the
// image's size: what a writer wrote counts as written only then.
bool DecodesWhole(const OIIO::ImageOutput& output, const std::string& name,
                  OIIO::Filesystem::IOProxy* proxy, const OIIO::ImageSpec& header) {
  auto input = OIIO::ImageInput::create(output.format_name());
  OIIO::ImageSpec written;
  bool whole = input && (proxy == nullptr || input->set_ioproxy(proxy)) &&
               input->open(name, written) && written.width == header.width &&
               written.height == header.height;
  if (whole) {
    std::vector<unsigned char> samples(written.image_bytes());
    whole = input->read_image(0, 0, 0, written.nchannels, written.format, samples.data());
  }
  OIIO::geterror();  // the reader's own words add nothing to the caller's message
  return whole;
}

// An in-memory output that behaves as a file: writes go where the last seek
// left off, and what was written can be read back, as writers that revisit
// what they wrote (TIFF's directories) need.
class MemoryFile final : public OIIO::Filesystem::IOVecOutput {
 public:
  using IOVecOutput::IOVecOutput;
  size_t write(const void* bytes, size_t size) override {
    const size_t done = pwrite(bytes, size, m_pos);
    m_pos += static_cast<int64_t>(done);
    return done;
  }
  size_t read(void* bytes, size_t size) override {
    const size_t done = pread(bytes, size, m_pos);
    m_pos += static_cast<int64_t>(done);
    return done;
  }
  size_t pread(void* bytes, size_t size, int64_t offset) override {
    if (offset < 0 || static_cast<size_t>(offset) >= m_buf.size()) return 0;
    size = std::min(size, m_buf.size() - static_cast<size_t>(offset));
    std::memcpy(bytes, m_buf.data() + offset, size);
    return size;
  }
};

// Writers that cannot write to memory streams write into a file in memory,
// which behaves as a file on disk but cannot run out of space; a write to it
// refused by a file size limit shows as a file that does not decode whole.
std::vector<unsigned char> EncodeIntoMemoryFile(OIIO::ImageOutput& output,
                                                const std::filesystem::path& path,
                                                const Image& image) {
  const int memory = memfd_create("velmora-output", MFD_CLOEXEC);
  if (memory < 0) throw Failure("cannot write " + path.string() + ": " + std::strerror(errno));
  const std::string name = "/proc/self/fd/" + std::to_string(memory);
  std::vector<unsigned char> bytes;
  bool complete = false;
  try {
    Encode(output, name, path, image);
    struct stat status {};
    complete = DecodesWhole(output, name, nullptr, image.header) && fstat(memory, &status) == 0;
    bytes.resize(complete ? static_cast<std::size_t>(status.st_size) : 0);
    for (std::size_t done = 0; complete && done < bytes.size();) {
      const ssize_t read =
          pread(memory, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      complete = read > 0;
      done += complete ? static_cast<std::size_t>(read) : 0;
    }
  } catch (...) {
    close(memory);
    throw;
  }
  close(memory);
  if (!complete) throw Failure("cannot write " + path.string() + ": " + kNotWhole);
  return bytes;
}

}  // namespace

void WriteImage(const std::filesystem::path& path, const Image& image) {
  auto output = OIIO::ImageOutput::create(path.string());
  if (!output) throw BadInput("unsupported output format: " + path.string());
  CheckOutputHolds(path, image.header);
  // Encoded in memory, so that every byte reaches the disk through checked
  // writes: the writers do not always check their own file errors. A memory
  // stream keeps the name for writers that choose by it, but not every writer
  // writes a sound file into one (TIFF with metadata does not here), so what
  // does not read back whole from it is written into a memory file instead.
  std::vector<unsigned char> bytes;
  if (output->supports("ioproxy")) {
    MemoryFile memory(bytes);
    if (output->set_ioproxy(&memory)) Encode(*output, path.string(), path, image);
    output = OIIO::ImageOutput::create(path.string());  // no writer outlives its stream
    OIIO::Filesystem::IOMemReader reader(bytes.data(), bytes.size());
    if (!DecodesWhole(*output, path.string(), &reader, image.header)) bytes.clear();
  }
  if (bytes.empty()) bytes = EncodeIntoMemoryFile(*output, path, image);
  WriteBytesAtomically(path, bytes.data(), bytes.size());
}
