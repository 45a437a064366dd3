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

// Where colour and alpha stand among an image's channels. Images with one or two
// channels are grey: red, green and blue all name channel 0. `alpha` is -1 when
// the image has none.
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

// Throws BadInput naming the file when it is missing, unreadable, deep, or of a
// sample format outside 8-bit, 16-bit, half and float.
Image ReadImage(const std::filesystem::path& path);

// Only reads the header; the same failures as ReadImage.
OIIO::ImageSpec ReadImageSpec(const std::filesystem::path& path);

// Throws BadInput unless `path` names a file in an existing folder with an
// extension that OpenImageIO can write.
void CheckWritableOutput(const std::filesystem::path& path);

// Throws BadInput when the format `path` names cannot hold an image of this size.
void CheckOutputHolds(const std::filesystem::path& path, const OIIO::ImageSpec& header);

// Writes `image` with its image description (formats and metadata kept where the file format
// allows), through a temporary file renamed into place.
void WriteImage(const std::filesystem::path& path, const Image& image);
