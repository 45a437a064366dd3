// One row of an image-effect image through the engine: the host's R, G, B (,
// A) pixels at 8 bits, 16 bits (white 65535) or float, put into the lanes the
// engine's pixel functions take, transformed, and stored back. Alpha passes
// through untouched at every depth.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/pixel_frame.h"
#include "engine/pixel_transform.h"
#include "ofx_sdk/ofx_types.h"

namespace velmora_ofx {

enum class PixelDepth { Byte, Short, Float };

// An image as the host lays it out: `data` addresses the pixel at the
// bounds' bottom-left corner and rows lie `row_bytes` apart, upwards; the
// distance may be negative and may exceed a row's pixels.
struct ImageView {
  unsigned char* data;
  OfxRectI bounds;
  int32_t row_bytes;
  int32_t channels;  // 3 (RGB) or 4 (RGBA)
  PixelDepth depth;
};

size_t BytesPerPixel(const ImageView& image);

// The address of pixel (x, y), which must lie inside the bounds; the row
// distance is taken in 64 bits, so no product overflows.
inline unsigned char* PixelAddress(const ImageView& image, int32_t x, int32_t y) {
  const int64_t row = static_cast<int64_t>(y) - image.bounds.y1;
  const int64_t column = static_cast<int64_t>(x) - image.bounds.x1;
  return image.data + row * image.row_bytes + column * static_cast<int64_t>(BytesPerPixel(image));
}

// A 16-bit code as the engine's value, c / 65535 narrowed once, and back: the
// nearest code, NaN and everything below 0 giving 0, everything above 1
// giving 65535. Every code comes back as itself.
inline float FromCode65535(uint16_t code) {
  return static_cast<float>(static_cast<double>(code) / 65535.0);
}

inline uint16_t ToCode65535(float value) {
  const double scaled = static_cast<double>(value) * 65535.0;
  if (!(scaled > 0.0)) return 0;
  if (scaled >= 65535.0) return 65535;
  return static_cast<uint16_t>(scaled + 0.5);
}

// The frame's pixel functions, chosen once per render.
struct RowFunctions {
  FramePixelFunction8 byte;
  FramePixelFunctionFloat real;  // float pixels, and 16-bit ones through their adapter
};

RowFunctions RowFunctionsFor(const PixelFrame& frame);

// Pixels x1 <= x < x2 of row y, from `source` (nullptr: transparent black,
// as for a missing input; a pixel outside its bounds likewise) into
// `destination`, which holds the whole span. Both have the same depth and
// channels.
void TransformRow(PixelFrame* frame, const RowFunctions& functions, const ImageView* source,
                  const ImageView& destination, int32_t y, int32_t x1, int32_t x2);

// The same span copied unchanged: the render of a 100 % blend.
void CopyRow(const ImageView* source, const ImageView& destination, int32_t y, int32_t x1,
             int32_t x2);

}  // namespace velmora_ofx
