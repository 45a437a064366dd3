#include "simhost/world.h"

#include <cstring>

#include "host_sdk/smart_render.h"
#include "simhost/integer_hash.h"

namespace simhost {
namespace {

// One constant tag per format; a world's `reserved0` points at its tag so the
// host can tell the format of a world it receives back (the world record
// itself only says whether it is 16-bit).
constexpr HostPixelFormat kFormatTags[] = {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16,
                                           HostPixelFormat::BGRA8, HostPixelFormat::BGRAFloat,
                                           HostPixelFormat::ARGBFloat};

const HostPixelFormat* TagOf(HostPixelFormat format) {
  return &kFormatTags[static_cast<int>(format)];
}

}  // namespace

std::size_t PixelSize(HostPixelFormat format) {
  switch (format) {
    case HostPixelFormat::ARGB8:
    case HostPixelFormat::BGRA8:
      return 4;
    case HostPixelFormat::ARGB16:
      return 8;
    case HostPixelFormat::BGRAFloat:
    case HostPixelFormat::ARGBFloat:
      return 16;
  }
  return 4;
}

PrPixelFormat PremiereCodeOf(HostPixelFormat format) {
  switch (format) {
    case HostPixelFormat::ARGB8:
      return PrPixelFormat_ARGB_4444_8u;
    case HostPixelFormat::BGRA8:
      return PrPixelFormat_BGRA_4444_8u;
    case HostPixelFormat::BGRAFloat:
      return PrPixelFormat_BGRA_4444_32f;
    case HostPixelFormat::ARGB16:
    case HostPixelFormat::ARGBFloat:
      break;
  }
  return PrPixelFormat_Invalid;
}

PF_PixelFormat AfterEffectsCodeOf(HostPixelFormat format) {
  switch (format) {
    case HostPixelFormat::ARGB8:
      return PF_PixelFormat_ARGB32;
    case HostPixelFormat::ARGB16:
      return PF_PixelFormat_ARGB64;
    case HostPixelFormat::ARGBFloat:
      return PF_PixelFormat_ARGB128;
    case HostPixelFormat::BGRA8:
    case HostPixelFormat::BGRAFloat:
      break;
  }
  return PF_PixelFormat_INVALID;
}

HostPixelFormat FormatOfWorld(const PF_EffectWorld& world) {
  for (const HostPixelFormat& tag : kFormatTags) {
    if (world.reserved0 == &tag) return tag;
  }
  return (world.world_flags & PF_WorldFlag_DEEP) != 0 ? HostPixelFormat::ARGB16
                                                      : HostPixelFormat::ARGB8;
}

HostImage::HostImage(HostPixelFormat format, A_long width, A_long height, A_long row_padding_bytes,
                     RowOrder order)
    : format_(format),
      packed_row_bytes_(static_cast<std::size_t>(width < 0 ? 0 : width) * PixelSize(format)),
      stride_(packed_row_bytes_ +
              static_cast<std::size_t>(row_padding_bytes < 0 ? 0 : row_padding_bytes)),
      order_(order),
      storage_(2 * kGuardBytes + stride_ * static_cast<std::size_t>(height < 0 ? 0 : height),
               kGuardByte),
      world_{} {
  world_.reserved0 = const_cast<HostPixelFormat*>(TagOf(format));
  world_.world_flags = PF_WorldFlag_WRITEABLE;
  if (format == HostPixelFormat::ARGB16) world_.world_flags |= PF_WorldFlag_DEEP;
  world_.width = width < 0 ? 0 : width;
  world_.height = height < 0 ? 0 : height;
  const auto stride = static_cast<A_long>(stride_);
  world_.rowbytes = order == RowOrder::TopDown ? stride : -stride;
  world_.data = reinterpret_cast<PF_PixelPtr>(storage_.data() + RowOffset(0));
  world_.extent_hint = PF_LRect{0, 0, world_.width, world_.height};
  world_.pix_aspect_ratio = PF_RationalScale{1, 1};
  FillBytes(0);
}

std::size_t HostImage::RowOffset(A_long y) const {
  const auto row = static_cast<std::size_t>(y);
  const auto rows = static_cast<std::size_t>(world_.height);
  // An image without rows has its (empty) first row right after the front guard.
  if (rows == 0) return kGuardBytes;
  const std::size_t stored = order_ == RowOrder::TopDown ? row : rows - 1 - row;
  return kGuardBytes + stored * stride_;
}

std::uint8_t* HostImage::Row(A_long y) {
  return storage_.data() + RowOffset(y);
}
const std::uint8_t* HostImage::Row(A_long y) const {
  return storage_.data() + RowOffset(y);
}

void HostImage::FillBytes(std::uint8_t value) {
  for (A_long y = 0; y < world_.height; ++y) std::memset(Row(y), value, packed_row_bytes_);
}

void HostImage::FillPattern(std::uint32_t seed) {
  for (A_long y = 0; y < world_.height; ++y) {
    std::uint8_t* row = Row(y);
    for (std::size_t i = 0; i < packed_row_bytes_; ++i) {
      const std::uint32_t h =
          IntegerHash(seed * 0x9E3779B9u + static_cast<std::uint32_t>(y) * 0x85EBCA6Bu +
                      static_cast<std::uint32_t>(i));
      if (format_ == HostPixelFormat::BGRAFloat || format_ == HostPixelFormat::ARGBFloat) {
        if (i % sizeof(float) != 0) continue;
        const float value = static_cast<float>(h % 20001u) / 10000.0f - 0.5f;
        std::memcpy(row + i, &value, sizeof value);
      } else if (format_ == HostPixelFormat::ARGB16) {
        if (i % 2 != 0) continue;
        const auto value = static_cast<std::uint16_t>(h % 32769u);
        std::memcpy(row + i, &value, sizeof value);
      } else {
        row[i] = static_cast<std::uint8_t>(h);
      }
    }
  }
}

std::vector<std::uint8_t> HostImage::PixelBytes() const {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(packed_row_bytes_ * static_cast<std::size_t>(world_.height));
  for (A_long y = 0; y < world_.height; ++y) {
    const std::uint8_t* row = Row(y);
    bytes.insert(bytes.end(), row, row + packed_row_bytes_);
  }
  return bytes;
}

bool HostImage::GuardsIntact() const {
  auto all_guard = [](const std::uint8_t* begin, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (begin[i] != kGuardByte) return false;
    }
    return true;
  };
  const std::uint8_t* base = storage_.data();
  if (!all_guard(base, kGuardBytes)) return false;
  if (!all_guard(base + storage_.size() - kGuardBytes, kGuardBytes)) return false;
  for (A_long y = 0; y < world_.height; ++y) {
    if (!all_guard(Row(y) + packed_row_bytes_, stride_ - packed_row_bytes_)) return false;
  }
  return true;
}

}  // namespace simhost
