// The write side of image_io.h. What a format holds is read from one record, by the
// up-front check and by the writer alike, so that the writer is never handed what its format
// cannot hold (some format libraries end the process instead of reporting it). Every file is
// encoded in memory, checked to decode whole, and only then written to disk through checked
// writes and renamed into place, because the format writers do not always check their own
// file errors (a full disk otherwise leaves a truncated file reported as written).
#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imagebufalgo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/atomic_write.h"
#include "tools/image_io.h"
#include "tools/output_paths.h"
#include "tools/tool_error.h"

// What a writer does not say of itself. JPEG and the writers without alpha would drop or
// misread a fourth channel; DPX's writer and the JPEG library end the process on what they
// cannot hold; JPEG 2000 encodes nothing smaller than its coarsest resolution; TIFF's tiles
// are multiples of 16 pixels.
struct FormatLimits {
  const char* name;
  unsigned channels;  // bit n set: n channels can be written; 0: any number
  int largest_side;   // 0: no limit of the format's own
  int smallest_side;
  int tile_multiple;
};

namespace {

constexpr unsigned kOneToFour = 0b11110;
constexpr FormatLimits kLimits[] = {
    {"", kOneToFour, 0, 1, 1},  // writers that do not say they take any number of channels
    {"", 0, 0, 1, 1},           // writers that do
    {"dpx", 0b11010, 0, 1, 1},
    {"jpeg", 0b11010, 65500, 1, 1},
    {"webp", 0b11000, 16383, 1, 1},
    {"gif", 0b11000, 65535, 1, 1},
    {"targa", kOneToFour, 65535, 1, 1},
    {"jpeg2000", 0b11010, 0, 32, 1},
    {"bmp", 0b11010, 0, 1, 1},
    {"hdr", 0b01000, 0, 1, 1},
    {"pnm", 0b01010, 0, 1, 1},
    {"iff", 0b11000, 8192, 1, 1},
    {"tiff", 0, 0, 1, 16},
};

// Whether the format places this data window within this display window as the file does.
bool HoldsWindows(const OutputFormat& format, const OIIO::ImageSpec& header) {
  const bool same = header.x == header.full_x && header.y == header.full_y &&
                    header.width == header.full_width && header.height == header.full_height;
  if (same && header.x == 0 && header.y == 0) return true;
  const bool negative = std::min({header.x, header.y, header.full_x, header.full_y}) < 0;
  const OIIO::ImageOutput& writer = *format.writer;
  return writer.supports("origin") && (writer.supports("negativeorigin") || !negative) &&
         (writer.supports("displaywindow") || same);
}

// The header `header`'s image is written with: within a format that cannot place its
// data window, the display window at the origin; untiled where the format has no tiles.
OIIO::ImageSpec WrittenHeader(const OutputFormat& format, OIIO::ImageSpec header) {
  if (!HoldsWindows(format, header)) {
    header.x = header.y = header.full_x = header.full_y = 0;
    header.width = header.full_width;
    header.height = header.full_height;
  }
  const int multiple = format.limits->tile_multiple;
  if (!format.writer->supports("tiles") || header.tile_width % multiple != 0 ||
      header.tile_height % multiple != 0) {
    header.tile_width = header.tile_height = header.tile_depth = 0;
  }
  return header;
}

void RefuseUnheld(const OutputFormat& format, const std::filesystem::path& output,
                  const OIIO::ImageSpec& header) {
  const OIIO::ImageSpec written = WrittenHeader(format, header);
  const FormatLimits& limits = *format.limits;
  const std::string holds =
      "output " + output.string() + ": " + format.writer->format_name() + " holds ";
  const std::string size = std::to_string(written.width) + " x " + std::to_string(written.height);
  if (limits.channels != 0 &&
      (written.nchannels > 31 || (limits.channels >> written.nchannels & 1u) == 0)) {
    std::string counts;
    for (int n = 1; n < 5; ++n) {
      if (limits.channels >> n & 1u) counts += (counts.empty() ? "" : ", ") + std::to_string(n);
    }
    throw BadInput(holds + counts + " channels, the image has " +
                   std::to_string(written.nchannels) + " (write .exr or .tif to keep them all)");
  }
  if (limits.largest_side > 0 && std::max(written.width, written.height) > limits.largest_side) {
    throw BadInput(holds + "at most " + std::to_string(limits.largest_side) +
                   " pixels a side, the image is " + size);
  }
  if (std::min(written.width, written.height) < limits.smallest_side) {
    throw BadInput(holds + "at least " + std::to_string(limits.smallest_side) +
                   " pixels a side, the image is " + size);
  }
}

// An in-memory output that behaves as a file: what was written can be read back, as writers
// that revisit what they wrote (TIFF's directories) need.
class MemoryFile final : public OIIO::Filesystem::IOVecOutput {
 public:
  using IOVecOutput::IOVecOutput;
  size_t read(void* bytes, size_t size) override {
    const size_t done = pread(bytes, size, m_pos);
    m_pos += static_cast<int64_t>(done);
    return done;
  }
  size_t pread(void* bytes, size_t size, int64_t offset) override {
    return OIIO::Filesystem::IOMemReader(m_buf.data(), m_buf.size()).pread(bytes, size, offset);
  }
};

// Why the format's writer refuses `header`'s ICC profile, "" when it takes it. PNG's checks
// the profile and fails the whole file on one it finds damaged or unlike the image's colours,
// so an image of the smallest size with as many channels tries it first.
std::string ProfileRefusal(const OutputFormat& format, const OIIO::ImageSpec& header) {
  const OIIO::ParamValue* profile = header.find_attribute("ICCProfile");
  if (profile == nullptr || !format.writer->supports("ioproxy")) return "";
  const int side = format.limits->smallest_side;
  OIIO::ImageBuf tiny(OIIO::ImageSpec(side, side, header.nchannels, OIIO::TypeDesc::UINT8));
  tiny.specmod().attribute("ICCProfile", profile->type(), profile->data());
  std::vector<unsigned char> bytes;
  MemoryFile memory(bytes);
  tiny.set_write_ioproxy(&memory);
  if (tiny.write("tiny", OIIO::TypeUnknown, format.writer->format_name())) return "";
  const std::string reason = tiny.geterror();
  return reason.empty() ? "refused" : reason.substr(0, reason.find('\n'));
}

ToolError WriteFailure(const std::filesystem::path& path, OIIO::ImageOutput& output) {
  return Failure("cannot write " + path.string() + ": " + output.geterror());
}

// Every subimage with the levels the format holds, opened as the writer's multi-image and
// MIP modes want them.
void EncodeLevels(OIIO::ImageOutput& output, const std::string& name,
                  const std::filesystem::path& path, const std::vector<OIIO::ImageSpec>& headers,
                  const ImageFile& file) {
  if (!output.open(name, static_cast<int>(headers.size()), headers.data())) {
    throw WriteFailure(path, output);
  }
  for (std::size_t subimage = 0; subimage < file.subimages.size(); ++subimage) {
    const std::vector<Image>& levels = file.subimages[subimage];
    for (std::size_t level = 0; level < levels.size(); ++level) {
      const auto mode =
          level > 0 ? OIIO::ImageOutput::AppendMIPLevel : OIIO::ImageOutput::AppendSubimage;
      if ((subimage > 0 || level > 0) && !output.open(name, levels[level].header, mode)) {
        throw WriteFailure(path, output);
      }
      const OIIO::ImageBuf& pixels = levels[level].pixels;
      if (!output.write_image(pixels.spec().format, pixels.localpixels())) {
        throw WriteFailure(path, output);
      }
    }
  }
  if (!output.close()) throw WriteFailure(path, output);
}

// Whether `name` (read through `proxy` when given) decodes whole, with as many subimages as
// `headers` and each at its size: what a writer wrote counts as written only then.
bool DecodesWhole(const char* format_name, const std::string& name,
                  OIIO::Filesystem::IOProxy* proxy, const std::vector<OIIO::ImageSpec>& headers) {
  auto input = OIIO::ImageInput::create(format_name);
  OIIO::ImageSpec written;
  bool whole =
      input && (proxy == nullptr || input->set_ioproxy(proxy)) && input->open(name, written);
  for (int subimage = 0; whole && subimage < static_cast<int>(headers.size()); ++subimage) {
    const OIIO::ImageSpec& header = headers[static_cast<std::size_t>(subimage)];
    whole = input->seek_subimage(subimage, 0) && input->spec().width == header.width &&
            input->spec().height == header.height;
    std::vector<unsigned char> samples(whole ? input->spec().image_bytes() : 0);
    whole = whole && input->read_image(subimage, 0, 0, input->spec().nchannels,
                                       input->spec().format, samples.data());
  }
  whole = whole && !input->seek_subimage(static_cast<int>(headers.size()), 0);
  OIIO::geterror();  // the reader's own words add nothing to the caller's message
  return whole;
}

// A memory stream keeps the name for writers that choose by it, but not every writer writes
// a sound file into one (TIFF with metadata does not), so what does not read back whole from
// it is written into a scratch file beside the target instead, read back and removed at
// once. A write to that refused by a file size limit shows as a file that does not decode
// whole.
std::vector<unsigned char> Encode(const std::filesystem::path& path,
                                  const std::vector<OIIO::ImageSpec>& headers,
                                  const ImageFile& file) {
  auto output = OIIO::ImageOutput::create(path.string());
  const std::string format_name = output->format_name();
  std::vector<unsigned char> bytes;
  if (output->supports("ioproxy")) {
    MemoryFile memory(bytes);
    if (output->set_ioproxy(&memory)) EncodeLevels(*output, path.string(), path, headers, file);
    output = OIIO::ImageOutput::create(path.string());  // no writer outlives its stream
    OIIO::Filesystem::IOMemReader reader(bytes.data(), bytes.size());
    if (DecodesWhole(format_name.c_str(), path.string(), &reader, headers)) return bytes;
  }
  // The writer opens the file by name, so it goes in a folder of its own that no one else
  // can put a link into.
  struct Scratch {
    std::string folder;
    std::string name;
    ~Scratch() {
      if (name.empty()) return;
      unlink(name.c_str());
      rmdir(folder.c_str());
    }
  } scratch{
      (path.parent_path().empty() ? "." : path.parent_path().string()) + "/.velmora-encode-XXXXXX",
      ""};
  if (mkdtemp(scratch.folder.data()) == nullptr) {
    throw Failure("cannot write " + path.string() + ": " + std::strerror(errno));
  }
  scratch.name = scratch.folder + "/image";
  EncodeLevels(*output, scratch.name, path, headers, file);
  std::ifstream encoded(scratch.name, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(encoded), std::istreambuf_iterator<char>());
  if (encoded.bad() || !DecodesWhole(format_name.c_str(), scratch.name, nullptr, headers)) {
    throw Failure("cannot write " + path.string() + ": the encoded file does not read back whole");
  }
  return bytes;
}

}  // namespace

OutputFormat OutputFormatOf(const std::filesystem::path& path) {
  CheckOutputPath(path, "output");
  OutputFormat format{OIIO::ImageOutput::create(path.string()), &kLimits[0]};
  if (!format.writer) {
    OIIO::geterror();  // clear the pending message
    throw BadInput("unsupported output format: " + path.string() +
                   " (use .png, .tif, .jpg, .exr, .dpx or another extension OpenImageIO writes)");
  }
  if (format.writer->supports("nchannels")) format.limits = &kLimits[1];
  for (const FormatLimits& limits : kLimits) {
    if (format.writer->format_name() == std::string(limits.name)) format.limits = &limits;
  }
  return format;
}

void CheckOutputHolds(const OutputFormat& format, const std::filesystem::path& input,
                      const ImageLayout& layout, const std::filesystem::path& output) {
  const std::size_t subimages = layout.subimages.size();
  if (subimages > 1 && !format.writer->supports("multiimage")) {
    throw BadInput(input.string() + " holds " + std::to_string(subimages) + " images and " +
                   output.string() + " can hold one; write .exr or .tif to keep them all");
  }
  bool windows = true;
  std::string refusal;
  for (const OIIO::ImageSpec& header : layout.subimages) {
    RefuseUnheld(format, output, header);
    windows = windows && HoldsWindows(format, header);
    if (refusal.empty()) refusal = ProfileRefusal(format, header);
  }
  if (layout.mipmapped && !format.writer->supports("mipmap")) {
    PrintError("note: " + output.string() + " gets only the largest MIP level of " +
               input.string());
  }
  if (!windows) {
    PrintError("note: " + output.string() + " cannot place the data window of " + input.string() +
               "; it gets the display window, cut from the data window and black beyond it");
  }
  if (!refusal.empty()) {
    PrintError("note: " + output.string() + " is written without the ICC profile of " +
               input.string() + ", which its writer refuses (" + refusal + ")");
  }
}

void WriteImageFile(const std::filesystem::path& path, ImageFile file) {
  const OutputFormat format = OutputFormatOf(path);
  std::vector<OIIO::ImageSpec> headers;
  for (std::vector<Image>& levels : file.subimages) {
    RefuseUnheld(format, path, levels[0].header);
    const bool without_profile = !ProfileRefusal(format, levels[0].header).empty();
    if (!format.writer->supports("mipmap")) levels.resize(1);
    for (Image& image : levels) {
      if (!HoldsWindows(format, image.header)) {
        image.pixels = OIIO::ImageBufAlgo::cut(image.pixels, image.pixels.roi_full());
      }
      image.header = WrittenHeader(format, image.header);
      if (without_profile) image.header.erase_attribute("ICCProfile.*");  // its fields too
      // MIP levels are written as tiles, and OpenEXR writes them only into a file that says
      // it is a texture.
      if (levels.size() > 1 && image.header.tile_width == 0) {
        image.header.tile_width = image.header.tile_height = 64;
      }
      if (levels.size() > 1 && image.header.get_string_attribute("textureformat").empty()) {
        image.header.attribute("textureformat", "Plain Texture");
      }
    }
    headers.push_back(levels[0].header);
  }
  const std::vector<unsigned char> bytes = Encode(path, headers, file);
  WriteBytesAtomically(path, bytes.data(), bytes.size());
}

void WriteImage(const std::filesystem::path& path, Image image) {
  ImageFile file;
  file.subimages.emplace_back();
  file.subimages[0].push_back(std::move(image));
  WriteImageFile(path, std::move(file));
}
