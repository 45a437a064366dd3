// The tool's own pictures (the curve plot, the demo's side by side), drawn with
// cairo on an RGB image surface and handed back as an 8-bit `Image`, so that
// they are written like every other image the tool writes.
#pragma once

#include <cairo.h>

#include <string>

#include "tools/image_io.h"

struct Rgb {
  double red;
  double green;
  double blue;
};

class Picture {
 public:
  // Throws Failure when cairo cannot make a surface of this size.
  Picture(int width, int height, Rgb background);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  cairo_t* cairo() { return cairo_; }

  // 8-bit RGB, without alpha.
  Image ToImage() const;

 private:
  cairo_surface_t* surface_;
  cairo_t* cairo_;
};

void SetColour(cairo_t* cairo, Rgb colour);

// DejaVu Sans at `size` pixels, antialiased in grey and unhinted, so that text
// is measured the same way it is drawn.
void UseFont(cairo_t* cairo, double size, bool bold);

double TextWidth(cairo_t* cairo, const std::string& text);
void ShowText(cairo_t* cairo, double left, double baseline, const std::string& text);
