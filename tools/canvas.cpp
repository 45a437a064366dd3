#include "tools/canvas.h"

#include <algorithm>
#include <cmath>

#include "tools/atomic_write.h"
#include "tools/bitmap_font.h"
#include "tools/tool_error.h"

namespace {

double DistanceToSegment(double px, double py, double x0, double y0, double x1, double y1) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double length_squared = dx * dx + dy * dy;
  double t = 0.0;
  if (length_squared > 0.0) {
    t = std::clamp(((px - x0) * dx + (py - y0) * dy) / length_squared, 0.0, 1.0);
  }
  const double nx = x0 + t * dx - px;
  const double ny = y0 + t * dy - py;
  return std::sqrt(nx * nx + ny * ny);
}

// Without a bound, a line to a far-away point would walk a huge box of pixels.
double ClampCoordinate(double value, int limit) {
  return std::clamp(value, -4.0 * limit, 5.0 * limit);
}

}  // namespace

Canvas::Canvas(int width, int height, Colour background)
    : width_(width),
      height_(height),
      clip_right_(width),
      clip_bottom_(height),
      rgb_(static_cast<std::size_t>(width) * height * 3) {
  FillRectangle(0, 0, width, height, background);
}

Colour Canvas::Pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * width_ + x) * 3;
  return {rgb_[at], rgb_[at + 1], rgb_[at + 2]};
}

void Canvas::Blend(int x, int y, Colour colour, float coverage) {
  if (x < clip_left_ || y < clip_top_ || x >= clip_right_ || y >= clip_bottom_ ||
      !(coverage > 0.0f)) {
    return;
  }
  const float weight = std::min(coverage, 1.0f);
  const std::size_t at = (static_cast<std::size_t>(y) * width_ + x) * 3;
  rgb_[at] += (colour.red - rgb_[at]) * weight;
  rgb_[at + 1] += (colour.green - rgb_[at + 1]) * weight;
  rgb_[at + 2] += (colour.blue - rgb_[at + 2]) * weight;
}

void Canvas::SetClip(int left, int top, int right, int bottom) {
  clip_left_ = std::max(left, 0);
  clip_top_ = std::max(top, 0);
  clip_right_ = std::min(right, width_);
  clip_bottom_ = std::min(bottom, height_);
}

void Canvas::FillRectangle(int left, int top, int right, int bottom, Colour colour) {
  for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y) {
    for (int x = std::max(left, 0); x < std::min(right, width_); ++x) Blend(x, y, colour, 1.0f);
  }
}

void Canvas::DrawLine(double x0, double y0, double x1, double y1, double line_width,
                      Colour colour) {
  x0 = ClampCoordinate(x0, width_);
  x1 = ClampCoordinate(x1, width_);
  y0 = ClampCoordinate(y0, height_);
  y1 = ClampCoordinate(y1, height_);
  const double half = line_width / 2.0;
  const int left = std::max(0, static_cast<int>(std::floor(std::min(x0, x1) - half - 1.0)));
  const int right =
      std::min(width_ - 1, static_cast<int>(std::ceil(std::max(x0, x1) + half + 1.0)));
  const int top = std::max(0, static_cast<int>(std::floor(std::min(y0, y1) - half - 1.0)));
  const int bottom =
      std::min(height_ - 1, static_cast<int>(std::ceil(std::max(y0, y1) + half + 1.0)));
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const double distance = DistanceToSegment(x + 0.5, y + 0.5, x0, y0, x1, y1);
      Blend(x, y, colour, static_cast<float>(std::clamp(half + 0.5 - distance, 0.0, 1.0)));
    }
  }
}

void Canvas::DrawDot(double x, double y, double radius, Colour colour) {
  DrawLine(x, y, x, y, 2.0 * radius, colour);
}

void Canvas::DrawText(int left, int top, const std::string& text, int scale, Colour colour) {
  int pen = left;
  for (char character : text) {
    const auto rows = GlyphRows(character);
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int column = 0; column < kGlyphWidth; ++column) {
        if ((rows[row] >> (kGlyphWidth - 1 - column) & 1) == 0) continue;
        FillRectangle(pen + column * scale, top + row * scale, pen + (column + 1) * scale,
                      top + (row + 1) * scale, colour);
      }
    }
    pen += kGlyphAdvance * scale;
  }
}

void Canvas::DrawTextUp(int left, int bottom, const std::string& text, int scale, Colour colour) {
  int pen = bottom;
  for (char character : text) {
    const auto rows = GlyphRows(character);
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int column = 0; column < kGlyphWidth; ++column) {
        if ((rows[row] >> (kGlyphWidth - 1 - column) & 1) == 0) continue;
        const int x = left + row * scale;
        const int y = pen - (column + 1) * scale;
        FillRectangle(x, y, x + scale, y + scale, colour);
      }
    }
    pen -= kGlyphAdvance * scale;
  }
}

int Canvas::TextWidth(const std::string& text, int scale) {
  return text.empty() ? 0 : (static_cast<int>(text.size()) * kGlyphAdvance - 1) * scale;
}

void Canvas::Paste(int left, int top, int width, int height, const std::vector<float>& rgb) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
      Blend(left + x, top + y, {rgb[at], rgb[at + 1], rgb[at + 2]}, 1.0f);
    }
  }
}

OIIO::ImageBuf Canvas::ToImageBuf() const {
  OIIO::ImageBuf buffer(OIIO::ImageSpec(width_, height_, 3, OIIO::TypeDesc::UINT8));
  std::vector<uint8_t> bytes(rgb_.size());
  for (std::size_t i = 0; i < rgb_.size(); ++i) {
    const float clamped = std::clamp(rgb_[i], 0.0f, 1.0f);
    bytes[i] = static_cast<uint8_t>(std::lround(clamped * 255.0f));
  }
  buffer.set_pixels(OIIO::ROI::All(), OIIO::TypeDesc::UINT8, bytes.data());
  return buffer;
}

void Canvas::Write(const std::filesystem::path& path) const {
  const OIIO::ImageBuf buffer = ToImageBuf();
  std::string format = path.extension().string();
  if (!format.empty()) format.erase(0, 1);
  WriteAtomically(path, [&](const std::filesystem::path& temporary) {
    if (!buffer.write(temporary.string(), OIIO::TypeDesc::UINT8, format)) {
      throw Failure("cannot write " + path.string() + ": " + buffer.geterror());
    }
  });
}
