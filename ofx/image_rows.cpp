#include "ofx/image_rows.h"

#include <cstring>

namespace velmora_ofx {
namespace {

bool Inside(const ImageView& image, int32_t x, int32_t y) {
  return x >= image.bounds.x1 && x < image.bounds.x2 && y >= image.bounds.y1 && y < image.bounds.y2;
}

// The source pixel's bytes, or nullptr where the input is transparent black.
const unsigned char* SourcePixel(const ImageView* source, int32_t x, int32_t y) {
  if (source == nullptr || !Inside(*source, x, y)) return nullptr;
  return PixelAddress(*source, x, y);
}

template <typename Channel>
void LoadChannels(const unsigned char* pixel, int32_t channels, Channel* rgba) {
  rgba[3] = Channel{};
  if (pixel == nullptr) {
    rgba[0] = rgba[1] = rgba[2] = Channel{};
    return;
  }
  std::memcpy(rgba, pixel, sizeof(Channel) * static_cast<size_t>(channels));
}

template <typename Channel>
void StoreChannels(const Channel* rgba, int32_t channels, unsigned char* pixel) {
  std::memcpy(pixel, rgba, sizeof(Channel) * static_cast<size_t>(channels));
}

void TransformByte(PixelFrame* frame, FramePixelFunction8 function, const unsigned char* from,
                   int32_t channels, unsigned char* to) {
  uint8_t rgba[4];
  LoadChannels(from, channels, rgba);
  PF_Pixel8 in{rgba[3], rgba[0], rgba[1], rgba[2]};
  PF_Pixel8 out{};
  function(frame, 0, 0, &in, &out);
  const uint8_t result[4] = {out.red, out.green, out.blue, out.alpha};
  StoreChannels(result, channels, to);
}

void TransformFloat(PixelFrame* frame, FramePixelFunctionFloat function, const unsigned char* from,
                    int32_t channels, unsigned char* to) {
  float rgba[4];
  LoadChannels(from, channels, rgba);
  PF_PixelFloat in{rgba[3], rgba[0], rgba[1], rgba[2]};
  PF_PixelFloat out{};
  function(frame, 0, 0, &in, &out);
  const float result[4] = {out.red, out.green, out.blue, out.alpha};
  StoreChannels(result, channels, to);
}

// 16-bit codes through the float function: each colour code by c / 65535 in,
// the nearest code out; the alpha code is copied, never converted.
void TransformShort(PixelFrame* frame, FramePixelFunctionFloat function, const unsigned char* from,
                    int32_t channels, unsigned char* to) {
  uint16_t codes[4];
  LoadChannels(from, channels, codes);
  PF_PixelFloat in{0.0f, FromCode65535(codes[0]), FromCode65535(codes[1]), FromCode65535(codes[2])};
  PF_PixelFloat out{};
  function(frame, 0, 0, &in, &out);
  const uint16_t result[4] = {ToCode65535(out.red), ToCode65535(out.green), ToCode65535(out.blue),
                              codes[3]};
  StoreChannels(result, channels, to);
}

// Visits pixels x1 <= x < x2 of row y; `from` is nullptr where the input is
// transparent black.
template <typename Step>
void EachPixel(const ImageView* source, const ImageView& destination, int32_t y, int32_t x1,
               int32_t x2, Step step) {
  for (int32_t x = x1; x < x2; ++x)
    step(SourcePixel(source, x, y), PixelAddress(destination, x, y));
}

}  // namespace

size_t BytesPerPixel(const ImageView& image) {
  const size_t channel = image.depth == PixelDepth::Byte    ? 1
                         : image.depth == PixelDepth::Short ? 2
                                                            : 4;
  return channel * static_cast<size_t>(image.channels);
}

RowFunctions RowFunctionsFor(const PixelFrame& frame) {
  return {PixelFunction8For(frame), PixelFunctionFloatFor(frame)};
}

void TransformRow(PixelFrame* frame, const RowFunctions& functions, const ImageView* source,
                  const ImageView& destination, int32_t y, int32_t x1, int32_t x2) {
  const int32_t channels = destination.channels;
  switch (destination.depth) {
    case PixelDepth::Byte:
      EachPixel(source, destination, y, x1, x2, [&](const unsigned char* from, unsigned char* to) {
        TransformByte(frame, functions.byte, from, channels, to);
      });
      break;
    case PixelDepth::Short:
      EachPixel(source, destination, y, x1, x2, [&](const unsigned char* from, unsigned char* to) {
        TransformShort(frame, functions.real, from, channels, to);
      });
      break;
    case PixelDepth::Float:
      EachPixel(source, destination, y, x1, x2, [&](const unsigned char* from, unsigned char* to) {
        TransformFloat(frame, functions.real, from, channels, to);
      });
      break;
  }
}

void CopyRow(const ImageView* source, const ImageView& destination, int32_t y, int32_t x1,
             int32_t x2) {
  const size_t bytes = BytesPerPixel(destination);
  EachPixel(source, destination, y, x1, x2, [&](const unsigned char* from, unsigned char* to) {
    if (from == nullptr) {
      std::memset(to, 0, bytes);
    } else {
      std::memcpy(to, from, bytes);
    }
  });
}

}  // namespace velmora_ofx
