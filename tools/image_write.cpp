// The write side of image_io.h: every file is encoded in memory, checked to
// decode whole, and only then written to disk through checked writes and
// renamed into place, because the format writers do not always check their own
// file errors (a full disk otherwise leaves a truncated file reported as written).
#include <OpenImageIO/filesystem.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "tools/atomic_write.h"
#include "tools/image_io.h"
#include "tools/output_paths.h"
#include "tools/tool_error.h"

void CheckWritableOutput(const std::filesystem::path& path) {
  CheckOutputPath(path, "output");
  if (!OIIO::ImageOutput::create(path.string())) {
    OIIO::geterror();  // clear the pending message
    throw BadInput("unsupported output format: " + path.string() +
                   " (use .png, .tif, .jpg, .exr, .dpx or another extension OpenImageIO writes)");
  }
}

void CheckOutputSize(const std::filesystem::path& path, const OIIO::ImageSpec& header) {
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

// Opens, writes and closes one file under `name` with an opened writer; throws
// Failure naming `path`, the file the user asked for.
using Encoder = std::function<void(OIIO::ImageOutput& output, const std::string& name)>;

ToolError WriteFailure(const std::filesystem::path& path, OIIO::ImageOutput& output) {
  return Failure("cannot write " + path.string() + ": " + output.geterror());
}

bool WriteSamples(OIIO::ImageOutput& output, const Image& image) {
  switch (image.depth) {
    case SampleDepth::Bits8:
      return output.write_image(OIIO::TypeDesc::UINT8, image.samples8.data());
    case SampleDepth::Bits16:
      return output.write_image(OIIO::TypeDesc::UINT16, image.samples16.data());
    case SampleDepth::Float:
      return output.write_image(OIIO::TypeDesc::FLOAT, image.samples_float.data());
  }
  return false;
}

// Whether `name` (read through `proxy` when given) decodes whole, with as many
// subimages as `headers` and each at its size: what a writer wrote counts as
// written only then.
bool DecodesWhole(const OIIO::ImageOutput& output, const std::string& name,
                  OIIO::Filesystem::IOProxy* proxy, const std::vector<OIIO::ImageSpec>& headers) {
  auto input = OIIO::ImageInput::create(output.format_name());
  OIIO::ImageSpec written;
  bool whole =
      input && (proxy == nullptr || input->set_ioproxy(proxy)) && input->open(name, written);
  for (int subimage = 0; whole && subimage < static_cast<int>(headers.size()); ++subimage) {
    const OIIO::ImageSpec& header = headers[static_cast<std::size_t>(subimage)];
    whole = input->seek_subimage(subimage, 0) && input->spec().width == header.width &&
            input->spec().height == header.height;
    if (whole) {
      std::vector<unsigned char> samples(input->spec().image_bytes());
      whole = input->read_image(subimage, 0, 0, input->spec().nchannels, input->spec().format,
                                samples.data());
    }
  }
  whole = whole && !input->seek_subimage(static_cast<int>(headers.size()), 0);
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
                                                const std::vector<OIIO::ImageSpec>& headers,
                                                const Encoder& encode) {
  const int memory = memfd_create("velmora-output", MFD_CLOEXEC);
  if (memory < 0) throw Failure("cannot write " + path.string() + ": " + std::strerror(errno));
  const std::string name = "/proc/self/fd/" + std::to_string(memory);
  std::vector<unsigned char> bytes;
  bool complete = false;
  try {
    encode(output, name);
    struct stat status {};
    complete = DecodesWhole(output, name, nullptr, headers) && fstat(memory, &status) == 0;
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

// A memory stream keeps the name for writers that choose by it, but not every
// writer writes a sound file into one (TIFF with metadata does not), so what
// does not read back whole from it is written into a memory file instead.
std::vector<unsigned char> EncodeInMemory(const std::filesystem::path& path,
                                          const std::vector<OIIO::ImageSpec>& headers,
                                          const Encoder& encode) {
  auto output = OIIO::ImageOutput::create(path.string());
  if (!output) throw BadInput("unsupported output format: " + path.string());
  std::vector<unsigned char> bytes;
  if (output->supports("ioproxy")) {
    MemoryFile memory(bytes);
    if (output->set_ioproxy(&memory)) encode(*output, path.string());
    output = OIIO::ImageOutput::create(path.string());  // no writer outlives its stream
    OIIO::Filesystem::IOMemReader reader(bytes.data(), bytes.size());
    if (!DecodesWhole(*output, path.string(), &reader, headers)) bytes.clear();
  }
  if (bytes.empty()) bytes = EncodeIntoMemoryFile(*output, path, headers, encode);
  return bytes;
}

// Every subimage with its levels, opened as the writer's multi-image and MIP
// modes want them.
void EncodeLevels(OIIO::ImageOutput& output, const std::string& name,
                  const std::filesystem::path& path, const ImageFile& file) {
  const bool mipmaps = output.supports("mipmap");
  std::vector<OIIO::ImageSpec> headers;
  for (const std::vector<Image>& levels : file.subimages) {
    headers.push_back(levels[0].header);
    if (mipmaps && levels.size() > 1) {
      // MIP levels are written as tiles.
      if (headers.back().tile_width == 0)
        headers.back().tile_width = headers.back().tile_height = 64;
      // OpenEXR writes levels only into a file that says it is a texture.
      if (headers.back().get_string_attribute("textureformat").empty()) {
        headers.back().attribute("textureformat", "Plain Texture");
      }
    }
  }
  if (!output.open(name, static_cast<int>(headers.size()), headers.data())) {
    throw WriteFailure(path, output);
  }
  for (std::size_t subimage = 0; subimage < file.subimages.size(); ++subimage) {
    const std::vector<Image>& levels = file.subimages[subimage];
    for (std::size_t level = 0; level < (mipmaps ? levels.size() : 1); ++level) {
      OIIO::ImageSpec header = level == 0 ? headers[subimage] : levels[level].header;
      header.tile_width = headers[subimage].tile_width;
      header.tile_height = headers[subimage].tile_height;
      const auto mode =
          level > 0 ? OIIO::ImageOutput::AppendMIPLevel : OIIO::ImageOutput::AppendSubimage;
      if ((subimage > 0 || level > 0) && !output.open(name, header, mode)) {
        throw WriteFailure(path, output);
      }
      if (!WriteSamples(output, levels[level])) throw WriteFailure(path, output);
    }
  }
  if (!output.close()) throw WriteFailure(path, output);
}

}  // namespace

void WriteImage(const std::filesystem::path& path, const Image& image) {
  CheckOutputSize(path, image.header);
  const std::vector<unsigned char> bytes =
      EncodeInMemory(path, {image.header}, [&](OIIO::ImageOutput& output, const std::string& name) {
        if (!output.open(name, image.header)) throw WriteFailure(path, output);
        const bool written = WriteSamples(output, image);
        const bool closed = output.close();
        if (!written || !closed) throw WriteFailure(path, output);
      });
  WriteBytesAtomically(path, bytes.data(), bytes.size());
}

void WriteImageFile(const std::filesystem::path& path, const ImageFile& file) {
  const auto format = OIIO::ImageOutput::create(path.string());
  const bool mipmaps = format && format->supports("mipmap");
  if (file.subimages.size() == 1 && (file.subimages[0].size() == 1 || !mipmaps)) {
    WriteImage(path, file.subimages[0][0]);
    return;
  }
  std::vector<OIIO::ImageSpec> headers;
  for (const std::vector<Image>& levels : file.subimages) headers.push_back(levels[0].header);
  CheckOutputSize(path, headers[0]);
  const std::vector<unsigned char> bytes =
      EncodeInMemory(path, headers, [&](OIIO::ImageOutput& output, const std::string& name) {
        EncodeLevels(output, name, path, file);
      });
  WriteBytesAtomically(path, bytes.data(), bytes.size());
}
