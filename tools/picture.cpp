#include "tools/picture.h"

#include <OpenImageIO/imagebufalgo.h>

#include <utility>

#include "tools/tool_error.h"

Picture::Picture(int width, int height, Rgb background)
    : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)),
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

Image Picture::ToImage() const {
  // RGB24 keeps each pixel as a native 32-bit word 0x00RRGGBB: bytes B, G, R and one unused.
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "RGB24 read as little-endian bytes");
  cairo_surface_flush(surface_);
  const OIIO::ImageSpec header(cairo_image_surface_get_width(surface_),
                               cairo_image_surface_get_height(surface_), 4, OIIO::TypeDesc::UINT8);
  const OIIO::ImageBuf surface(header, cairo_image_surface_get_data(surface_), OIIO::AutoStride,
                               cairo_image_surface_get_stride(surface_));
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
