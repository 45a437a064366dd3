// The tool's own pictures (the curve plot, the demo's side by side), drawn with
// cairo and handed back as an 8-bit RGB `Image`, so that they are written like
// every other image the tool writes.
#pragma once

#include <string>
#include <vector>

#include "simhost/frame_controls.h"
#include "tools/image_io.h"

// The tone curve of a set of effect values as the render builds it, for
// plotting, and the lightness of their pivot.
struct CurveModel : simhost::RenderCurve {
  explicit CurveModel(const simhost::EffectSettings& settings);
  double pivot_lightness;
};

constexpr double kPlotLow = -0.25;
constexpr double kPlotHigh = 1.25;

// Where the plot's square lies in the picture, in pixels.
struct PlotArea {
  double left;
  double top;
  double size;

  double Column(double input) const {
    return left + (input - kPlotLow) / (kPlotHigh - kPlotLow) * size;
  }
  double Row(double output) const {
    return top + (kPlotHigh - output) / (kPlotHigh - kPlotLow) * size;
  }
};

struct CurvePicture {
  Image image;
  PlotArea area;
};

// Lines of items ("contrast 30", ...) printed under the title, one line per entry.
// A line too long for the picture's width continues on the next row, and the
// plot moves down to make room.
using Caption = std::vector<std::vector<std::string>>;

// The interpolated curve (pre-transform included) with its extensions below 0
// and above 1 in their own colour, the table points under it, the pivot, the
// diagonal, and labelled axes from kPlotLow to kPlotHigh.
CurvePicture PlotCurve(const CurveModel& model, const Caption& caption);

// `before` and `after` side by side under their names, each channel clamped to
// 0..1 and rounded to the nearest code.
Image SideBySide(const Image& before, const Image& after);
