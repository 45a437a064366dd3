#include "tools/picture.h"

#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "tools/tool_error.h"

namespace {

uint8_t ToCode(double value) {
  return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

Picture::Picture(int width, int height, Rgb background)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)),
      cairo_(cairo_create(surface_)) {
  if (cairo_status(cairo_) != CAIRO_STATUS_SUCCESS) {
    const std::string reason = cairo_status_to_string(cairo_status(cairo_));
    cairo_destroy(cairo_);
    cairo_surface_destroy(surface_);
    throw Failure("cannot make a " + std::to_string(width) + " x " + std::to_string(height) +
                  " picture: " + reason);
  }
  SetColour(cairo_, background);
  cairo_paint(cairo_);
}

Picture::~Picture() {
  cairo_destroy(cairo_);
  cairo_surface_destroy(surface_);
}

void Picture::PasteRgb(int left, int top, int width, int height, const float* rgb) {
  cairo_surface_flush(surface_);
  unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  for (int y = std::max(0, -top); y < height && top + y < height_; ++y) {
    for (int x = std::max(0, -left); x < width && left + x < width_; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
      // RGB24 keeps each pixel as a native 32-bit word 0x00RRGGBB.
      const uint32_t pixel = static_cast<uint32_t>(ToCode(rgb[at])) << 16 |
                             static_cast<uint32_t>(ToCode(rgb[at + 1])) << 8 | ToCode(rgb[at + 2]);
      std::memcpy(data + static_cast<std::size_t>(top + y) * stride + 4 * (left + x), &pixel, 4);
    }
  }
  cairo_surface_mark_dirty(surface_);
}

Image Picture::ToImage() const {
  cairo_surface_flush(surface_);
  // RGB24 keeps each pixel as a native 32-bit word 0x00RRGGBB: bytes B, G, R, unused.
  const OIIO::ImageBuf surface(OIIO::ImageSpec(width_, height_, 4, OIIO::TypeDesc::UINT8),
                               cairo_image_surface_get_data(surface_), OIIO::AutoStride,
                               cairo_image_surface_get_stride(surface_));
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "RGB24 read as little-endian bytes");
  OIIO::ImageBuf rgb = OIIO::ImageBufAlgo::channels(surface, 3, {2, 1, 0}, {}, {"R", "G", "B"});
  return Image{rgb.spec(), std::move(rgb)};
}

void SetColour(cairo_t* cairo, Rgb colour) {
  cairo_set_source_rgb(cairo, colour.red, colour.green, colour.blue);
}

void UseFont(cairo_t* cairo, double size, bool bold) {
  cairo_select_font_face(cairo, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cairo, size);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cairo, options);
  cairo_font_options_destroy(options);
}

double TextWidth(cairo_t* cairo, const std::string& text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cairo, text.c_str(), &extents);
  return extents.x_advance;
}

void ShowText(cairo_t* cairo, double left, double baseline, const std::string& text) {
  cairo_move_to(cairo, left, baseline);
  cairo_show_text(cairo, text.c_str());
}

namespace {

// `text` cut between characters into pieces at most `width` wide (a piece has at
// least one character).
std::vector<std::string> CutToWidth(cairo_t* cairo, const std::string& text, double width) {
  std::vector<std::string> pieces;
  std::string piece;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t next = at + 1;
    while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
    const std::string character = text.substr(at, next - at);
    if (!piece.empty() && TextWidth(cairo, piece + character) > width) {
      pieces.push_back(piece);
      piece.clear();
    }
    piece += character;
    at = next;
  }
  if (!piece.empty()) pieces.push_back(piece);
  return pieces;
}

}  // namespace

std::vector<std::string> PackIntoRows(cairo_t* cairo, const std::vector<std::string>& items,
                                      const std::string& separator, double width) {
  std::vector<std::string> rows;
  bool row_full = true;
  for (const std::string& item : items) {
    if (TextWidth(cairo, item) > width) {
      for (std::string& piece : CutToWidth(cairo, item, width)) rows.push_back(std::move(piece));
      row_full = true;
      continue;
    }
    if (!row_full) {
      const std::string longer = rows.back() + separator + item;
      if (TextWidth(cairo, longer) <= width) {
        rows.back() = longer;
        continue;
      }
    }
    rows.push_back(item);
    row_full = false;
  }
  return rows;
}
