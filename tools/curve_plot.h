// A picture of a tone curve: the interpolated curve (pre-transform included)
// with its extensions below 0 and above 1 in their own colour, the lookup-table
// points, the pivot, the diagonal, and labelled axes from -0.25 to 1.25.
#pragma once

#include <string>
#include <vector>

#include "tools/canvas.h"
#include "tools/curve_model.h"

constexpr double kPlotLow = -0.25;
constexpr double kPlotHigh = 1.25;

// `caption` lines are printed under the title, one per entry.
Canvas PlotCurve(const CurveModel& model, const std::vector<std::string>& caption);
