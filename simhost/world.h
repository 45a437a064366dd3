// Images as the simulated host owns them, and the `PF_EffectWorld` view of each
// that the effect receives.
//
// Every layout a host may hand over can be built: the four pixel formats, any
// number of padding bytes at the end of each row, rows stored bottom-up
// (negative `rowbytes`), and any extent hint. The pixel buffer is surrounded by
// guard bytes, and the row padding is filled with the same pattern, so a test
// can prove that nothing outside the pixels was written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host_sdk/host_records.h"

namespace simhost {

enum class HostPixelFormat {
  ARGB8,      // After Effects 8-bit: alpha, red, green, blue bytes
  ARGB16,     // After Effects 16-bit: four unsigned 16-bit channels, white 32768
  BGRA8,      // Premiere Pro 8-bit: blue, green, red, alpha bytes
  BGRAFloat,  // Premiere Pro float: four 32-bit floats blue, green, red, alpha
  ARGBFloat,  // After Effects float (smart render only): floats alpha, red, green, blue
};

enum class RowOrder { TopDown, BottomUp };

// Bytes of one pixel of the format.
std::size_t PixelSize(HostPixelFormat format);

// The Premiere Pro code the host reports for a world of this format; formats
// Premiere Pro has no code for report `PrPixelFormat_Invalid`.
PrPixelFormat PremiereCodeOf(HostPixelFormat format);

// The After Effects code "PF World Suite" reports for a world of this format;
// the Premiere Pro formats report `PF_PixelFormat_INVALID`.
PF_PixelFormat AfterEffectsCodeOf(HostPixelFormat format);

// The format of a world the simulated host created (it tags its worlds in the
// host-private `reserved0`). A world built elsewhere is taken by its deep flag:
// 16-bit ARGB if set, else 8-bit ARGB.
HostPixelFormat FormatOfWorld(const PF_EffectWorld& world);

constexpr std::uint8_t kGuardByte = 0xA5;
constexpr std::size_t kGuardBytes = 64;  // before and after the rows

class HostImage {
 public:
  HostImage(HostPixelFormat format, A_long width, A_long height, A_long row_padding_bytes = 0,
            RowOrder order = RowOrder::TopDown);
  HostImage(const HostImage&) = delete;
  HostImage& operator=(const HostImage&) = delete;
  HostImage(HostImage&&) = default;
  HostImage& operator=(HostImage&&) = default;

  HostPixelFormat Format() const { return format_; }
  A_long Width() const { return world_.width; }
  A_long Height() const { return world_.height; }

  // The whole image unless set otherwise.
  void SetExtentHint(const PF_LRect& hint) { world_.extent_hint = hint; }

  PF_EffectWorld* World() { return &world_; }
  const PF_EffectWorld* World() const { return &world_; }

  // First byte of row y (0 is the top row), following `rowbytes`.
  std::uint8_t* Row(A_long y);
  const std::uint8_t* Row(A_long y) const;

  template <typename Pixel>
  Pixel& At(A_long x, A_long y) {
    return reinterpret_cast<Pixel*>(Row(y))[x];
  }
  template <typename Pixel>
  const Pixel& At(A_long x, A_long y) const {
    return reinterpret_cast<const Pixel*>(Row(y))[x];
  }

  // Deterministic pixel bytes that vary from pixel to pixel (for float images,
  // finite values from -0.5 to 1.5), so copies and iterations can be told apart.
  void FillPattern(std::uint32_t seed);
  void FillBytes(std::uint8_t value);

  // The pixel bytes row by row, without padding: equal images compare equal
  // whatever their stride or row order.
  std::vector<std::uint8_t> PixelBytes() const;

  // True while the guard bytes and every row's padding hold `kGuardByte`.
  bool GuardsIntact() const;

 private:
  std::size_t RowOffset(A_long y) const;  // offset of row y in storage_

  HostPixelFormat format_;
  std::size_t packed_row_bytes_;
  std::size_t stride_;  // bytes from one row to the next in storage, padding included
  RowOrder order_;
  std::vector<std::uint8_t> storage_;
  PF_EffectWorld world_;
};

}  // namespace simhost
