// Image files in and out through OpenImageIO, with the samples kept in the
// file's own precision so that nothing is rounded before the effect sees it.
#pragma once

#include <OpenImageIO/imageio.h>

#include <cstdint>
#include <filesystem>
#include <vector>

// Which host path a file's samples take.
enum class SampleDepth {
  Bits8,   // 8-bit files
  Bits16,  // 16-bit files, and 10- and 12-bit ones that OpenImageIO widens to 16 bits
  Float,   // half and float files; half widens to float exactly
};

// One image, interleaved in the file's channel order. Only the vector that
// matches `depth` holds samples.
struct Image {
  OIIO::ImageSpec header;  // resolution, channel names and order, formats and metadata as read
  SampleDepth depth = SampleDepth::Bits8;
  std::vector<uint8_t> samples8;
  std::vector<uint16_t> samples16;
  std::vector<float> samples_float;
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

// Only reads the headers; the same failures as ReadImageFile but those found in the pixels.
// Returns the header of the first subimage's largest level.
OIIO::ImageSpec ReadImageSpec(const std::filesystem::path& path);

// Throws BadInput when `output`'s format cannot hold every subimage of `input`. A format
// without MIP levels gets the largest level only, which is said on stderr.
void CheckOutputHolds(const std::filesystem::path& input, const std::filesystem::path& output);

// Throws BadInput unless `path` names a file in an existing folder with an
// extension that OpenImageIO can write.
void CheckWritableOutput(const std::filesystem::path& path);

// Throws BadInput when the format `path` names cannot hold an image of this size.
void CheckOutputSize(const std::filesystem::path& path, const OIIO::ImageSpec& header);

// Writes `image` with its image description (formats and metadata kept where the file format
// allows), through a temporary file renamed into place.
void WriteImage(const std::filesystem::path& path, const Image& image);

// Writes every subimage and level of `file` as WriteImage writes one image; a file of one
// image goes through WriteImage itself.
void WriteImageFile(const std::filesystem::path& path, const ImageFile& file);
