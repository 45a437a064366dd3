// Image files in and out through OpenImageIO, with the samples kept in the file's own
// precision so that nothing is rounded before the effect sees it.
#pragma once

#include <OpenImageIO/imagebuf.h>

#include <filesystem>
#include <memory>
#include <vector>

// Which host path a file's samples take: 8-bit, 16-bit (also 10- and 12-bit files, which
// OpenImageIO widens to 16 bits) or float (half and float files; half widens exactly).
enum class SampleDepth { Bits8, Bits16, Float };

// One image: `header` as the file describes it (sample formats per channel, windows, tiles,
// metadata), for writing it back; `pixels` its samples in the file's channel order, held as
// SampleType of its depth.
struct Image {
  OIIO::ImageSpec header;
  OIIO::ImageBuf pixels;
};

// Where colour and alpha stand among an image's channels, by name in any case: R, G and B
// are colour, A is alpha, every other channel is data to leave alone; -1 where there is
// none. An image whose only channels are Y, or Y and A, is grey: red, green and blue name Y.
struct ColourChannels {
  int red;
  int green;
  int blue;
  int alpha;
};
ColourChannels FindColourChannels(const OIIO::ImageSpec& header);

// Throws BadInput naming the file for formats other than 8-bit, 16-bit, half and float.
SampleDepth DepthOf(const std::filesystem::path& path, const OIIO::TypeDesc& format);
OIIO::TypeDesc SampleType(SampleDepth depth);

// Every image of a file: its subimages (EXR parts, TIFF pages), each with its MIP levels,
// largest first.
struct ImageFile {
  std::vector<std::vector<Image>> subimages;
};

// Throws BadInput naming the file when it is missing, not a regular file, unreadable, cut
// short, deep, too large, without colour channels in any subimage, of a sample format
// outside 8-bit, 16-bit, half and float, or of subimages that differ in sample depth.
ImageFile ReadImageFile(const std::filesystem::path& path);

// What a file holds, from its headers alone: the first level of each subimage, and whether
// any has MIP levels. Throws as ReadImageFile does, but for damage found in the pixels.
struct ImageLayout {
  std::vector<OIIO::ImageSpec> subimages;
  bool mipmapped = false;
};
ImageLayout ReadImageLayout(const std::filesystem::path& path);

// What one output format holds: its writer's own answers and the limits it does not state.
struct FormatLimits;
struct OutputFormat {
  std::shared_ptr<OIIO::ImageOutput> writer;  // asked what it supports, never opened
  const FormatLimits* limits;
};

// Throws BadInput unless `path` names a file in an existing folder with an extension that
// OpenImageIO can write.
OutputFormat OutputFormatOf(const std::filesystem::path& path);

// Throws BadInput when `format` cannot hold what `layout` describes (its channels, size or
// number of images). What it holds otherwise is said on stderr: a format without MIP levels
// gets the largest level only, one that cannot place a data window gets the display window,
// one whose writer refuses the ICC profile gets none.
void CheckOutputHolds(const OutputFormat& format, const std::filesystem::path& input,
                      const ImageLayout& layout, const std::filesystem::path& output);

// Writes what `path`'s format holds of `file`, adapted as CheckOutputHolds says, through a
// temporary file renamed into place. Throws BadInput for what the format cannot hold,
// Failure when writing fails.
void WriteImageFile(const std::filesystem::path& path, ImageFile file);
void WriteImage(const std::filesystem::path& path, Image image);
