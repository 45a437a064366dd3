// An image in any layout the interface allows, owned by whoever renders
// through the simulated host: `width` x `height` pixels at (x1, y1), rows
// `padding` bytes longer than their pixels, the top row first in memory when
// `top_down` (negative row bytes), every byte first set to `fill`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ofx_sdk/ofx_constants.h"
#include "simofx/ofx_host.h"

namespace simofx {

class HostImage {
 public:
  HostImage(OfxRectI bounds, int32_t channels, const char* depth, int32_t padding = 0,
            bool top_down = false, unsigned char fill = 0xA5)
      : bounds_(bounds), channels_(channels), depth_(depth) {
    channel_bytes_ = depth_ == kOfxBitDepthByte ? 1 : depth_ == kOfxBitDepthShort ? 2 : 4;
    stride_ = Width() * PixelBytes() + padding;
    bytes_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(Height()), fill);
    row_bytes_ = top_down ? -stride_ : stride_;
  }
  int32_t Width() const { return bounds_.x2 - bounds_.x1; }
  int32_t Height() const { return bounds_.y2 - bounds_.y1; }
  int32_t channels() const { return channels_; }
  int32_t PixelBytes() const { return channels_ * channel_bytes_; }
  const std::string& depth() const { return depth_; }
  const OfxRectI& bounds() const { return bounds_; }
  unsigned char* BottomLeft() {
    if (row_bytes_ >= 0 || Height() == 0) return bytes_.data();
    return bytes_.data() + static_cast<size_t>(stride_) * static_cast<size_t>(Height() - 1);
  }
  unsigned char* Pixel(int32_t x, int32_t y) {
    return BottomLeft() + static_cast<int64_t>(y - bounds_.y1) * row_bytes_ +
           static_cast<int64_t>(x - bounds_.x1) * PixelBytes();
  }
  template <typename Channel>
  Channel* At(int32_t x, int32_t y) {
    return reinterpret_cast<Channel*>(Pixel(x, y));
  }
  ImageRecord Record() {
    return {BottomLeft(), bounds_, row_bytes_, depth_,
            channels_ == 4 ? kOfxImageComponentRGBA : kOfxImageComponentRGB};
  }
  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  OfxRectI bounds_;
  int32_t channels_;
  std::string depth_;
  int32_t channel_bytes_;
  int32_t stride_;
  int32_t row_bytes_;
  std::vector<unsigned char> bytes_;
};

}  // namespace simofx
