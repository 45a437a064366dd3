// A picture of a tone curve: the interpolated curve (pre-transform included)
// with its extensions below 0 and above 1 in their own colour, the lookup-table
// points under it, the pivot, the diagonal, and labelled axes from -0.25 to 1.25.
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
  Image image;  // 8-bit RGB
  PlotArea area;
};

// Lines of items ("contrast 30", ...) printed under the title, one line per entry.
// A line too long for the picture's width continues on the next row, and the
// plot moves down to make room.
using Caption = std::vector<std::vector<std::string>>;

CurvePicture PlotCurve(const CurveModel& model, const Caption& caption);
