// Image files in and out through OpenImageIO, with the samples kept in the
// file's own precision so that nothing is rounded before the effect sees it.
#pragma once

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imageio.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Which host path a file's samples take.
enum class SampleDepth {
  Bits8,   // 8-bit files
  Bits16,  // 16-bit files, and 10- and 12-bit ones that OpenImageIO widens to 16 bits
  Float,   // half and float files; half widens to float exactly
};

// One image. `pixels` holds its samples interleaved in the file's channel order, as uint8,
// uint16 or float by depth (half widens to float exactly); `header` describes it as the file
// does (sample formats per channel, windows, tiles, metadata), for writing it back.
struct Image {
  OIIO::ImageSpec header;
  OIIO::ImageBuf pixels;
};

// Where colour and alpha stand among an image's channels, found by name (in any case):
// R, G and B are colour and A is alpha; every other channel is data to leave alone. An image
// whose only channels are Y, or Y and A, is grey: red, green and blue all name Y. `red`,
// `green` and `blue` are -1 when the image has no colour, `alpha` when it has no alpha.
struct ColourChannels {
  int red;
  int green;
  int blue;
  int alpha;
};

ColourChannels FindColourChannels(const OIIO::ImageSpec& header);

const char* DepthName(SampleDepth depth);

// The path a file of this sample format takes; throws BadInput naming the file
// for formats other than 8-bit, 16-bit, half and float.
SampleDepth DepthOf(const std::filesystem::path& path, const OIIO::TypeDesc& format);

// Every image a file holds: its subimages (EXR parts, TIFF pages), each with its MIP
// levels, largest first. Most files hold one subimage of one level.
struct ImageFile {
  std::vector<std::vector<Image>> subimages;
};

// Throws BadInput naming the file when it is missing, not a regular file, unreadable, cut
// short, deep, too large, without colour channels in any subimage, of a sample format
// outside 8-bit, 16-bit, half and float, or of subimages that differ in sample format.
ImageFile ReadImageFile(const std::filesystem::path& path);

// The sample type `pixels` holds for a depth.
OIIO::TypeDesc SampleType(SampleDepth depth);

// What a file holds, from its headers alone: the first level of each subimage, and whether
// any has MIP levels. Throws as ReadImageFile does, but for damage found in the pixels.
struct ImageLayout {
  std::vector<OIIO::ImageSpec> subimages;
  bool mipmapped = false;
};
ImageLayout ReadImageLayout(const std::filesystem::path& path);

// What one output format holds: its writer's own answers and the limits it does not state.
struct OutputFormat {
  std::string name;  // OpenImageIO's name, "png"
  bool multiimage = false;
  bool mipmap = false;
  bool tiles = false;
  bool origin = false;
  bool negative_origin = false;
  bool display_window = false;
  unsigned channel_counts = 0;  // bit n set: n channels can be written; 0: any number
  int largest_side = 0;         // 0: no limit of the format's own
  int smallest_side = 1;
  int tile_multiple = 1;  // tile sizes the format takes
};

// Throws BadInput unless `path` names a file in an existing folder with an extension that
// OpenImageIO can write.
OutputFormat OutputFormatOf(const std::filesystem::path& path);

// Throws BadInput when `format` cannot hold what `layout` describes (its channels, size or
// number of images). A format without MIP levels gets the largest level only, and one that
// cannot place a data window gets the display window; both are said on stderr.
void CheckOutputHolds(const OutputFormat& format, const std::filesystem::path& input,
                      const ImageLayout& layout, const std::filesystem::path& output);

// Writes every subimage and level of `file` that `path`'s format holds, adapted to it as
// CheckOutputHolds says, through a temporary file renamed into place. Throws BadInput for
// what the format cannot hold, Failure when writing fails.
void WriteImageFile(const std::filesystem::path& path, ImageFile file);

// Writes one image as WriteImageFile writes a file of one image.
void WriteImage(const std::filesystem::path& path, Image image);
