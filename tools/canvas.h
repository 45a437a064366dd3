// A small RGB raster for the tool's own pictures (the curve plot, the labels of
// the demo), with anti-aliased lines and dots and the built-in bitmap font.
#pragma once

#include <OpenImageIO/imagebuf.h>

#include <filesystem>
#include <string>
#include <vector>

struct Colour {
  float red;
  float green;
  float blue;
};

class Canvas {
 public:
  Canvas(int width, int height, Colour background);

  int width() const { return width_; }
  int height() const { return height_; }
  Colour Pixel(int x, int y) const;

  // Mixes `colour` into pixel (x, y) with weight `coverage` (0..1); outside the
  // canvas nothing happens.
  void Blend(int x, int y, Colour colour, float coverage);
  // Restricts drawing to the rectangle [left, right) x [top, bottom) until reset.
  void SetClip(int left, int top, int right, int bottom);
  void ResetClip() { SetClip(0, 0, width_, height_); }
  void FillRectangle(int left, int top, int right, int bottom, Colour colour);
  // A line of the given width between two points in pixel coordinates, whose
  // edges are anti-aliased by their distance to the segment.
  void DrawLine(double x0, double y0, double x1, double y1, double line_width, Colour colour);
  void DrawDot(double x, double y, double radius, Colour colour);
  // Text with its top-left corner at (left, top), each font pixel `scale` pixels.
  void DrawText(int left, int top, const std::string& text, int scale, Colour colour);
  // Text reading upwards, rotated a quarter turn, starting at (left, bottom).
  void DrawTextUp(int left, int bottom, const std::string& text, int scale, Colour colour);
  static int TextWidth(const std::string& text, int scale);

  // Copies a float RGB block (for example a rendered image) with its top-left at (left, top).
  void Paste(int left, int top, int width, int height, const std::vector<float>& rgb);

  // An 8-bit RGB buffer of the canvas, each channel clamped and rounded to nearest.
  OIIO::ImageBuf ToImageBuf() const;
  // Written as 8-bit through a temporary file; the format follows the extension.
  void Write(const std::filesystem::path& path) const;

 private:
  int width_;
  int height_;
  int clip_left_ = 0;
  int clip_top_ = 0;
  int clip_right_;
  int clip_bottom_;
  std::vector<float> rgb_;
};
