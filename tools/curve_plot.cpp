#include "tools/curve_plot.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int kPlotSize = 600;
constexpr int kMarginLeft = 90;
constexpr int kMarginTop = 140;
constexpr int kMarginRight = 30;
constexpr int kMarginBottom = 80;
constexpr int kSamplesPerPixel = 2;

constexpr Colour kBackground{0.10f, 0.10f, 0.11f};
constexpr Colour kPlotArea{0.15f, 0.15f, 0.16f};
constexpr Colour kGrid{0.24f, 0.24f, 0.26f};
constexpr Colour kUnitSquare{0.45f, 0.45f, 0.47f};
constexpr Colour kDiagonal{0.40f, 0.40f, 0.42f};
constexpr Colour kCurve{0.95f, 0.95f, 0.95f};
constexpr Colour kExtension{1.00f, 0.55f, 0.15f};
constexpr Colour kTablePoint{0.30f, 0.75f, 1.00f};
constexpr Colour kPivot{1.00f, 0.85f, 0.20f};
constexpr Colour kText{0.85f, 0.85f, 0.85f};

double ToPixelX(double x) {
  return kMarginLeft + (x - kPlotLow) / (kPlotHigh - kPlotLow) * kPlotSize;
}

double ToPixelY(double y) {
  return kMarginTop + (kPlotHigh - y) / (kPlotHigh - kPlotLow) * kPlotSize;
}

std::string TickText(double value) {
  char text[16];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

void DrawAxes(Canvas& canvas) {
  for (int tick = 0; tick <= 6; ++tick) {
    const double value = kPlotLow + 0.25 * tick;
    const bool unit_edge = value == 0.0 || value == 1.0;
    const Colour colour = unit_edge ? kUnitSquare : kGrid;
    canvas.DrawLine(ToPixelX(value), ToPixelY(kPlotLow), ToPixelX(value), ToPixelY(kPlotHigh), 1.0,
                    colour);
    canvas.DrawLine(ToPixelX(kPlotLow), ToPixelY(value), ToPixelX(kPlotHigh), ToPixelY(value), 1.0,
                    colour);
    const std::string label = TickText(value);
    canvas.DrawText(static_cast<int>(ToPixelX(value)) - Canvas::TextWidth(label, 2) / 2,
                    kMarginTop + kPlotSize + 10, label, 2, kText);
    canvas.DrawText(kMarginLeft - 10 - Canvas::TextWidth(label, 2),
                    static_cast<int>(ToPixelY(value)) - 7, label, 2, kText);
  }
  const std::string x_title = "INPUT LIGHTNESS";
  canvas.DrawText(kMarginLeft + kPlotSize / 2 - Canvas::TextWidth(x_title, 2) / 2,
                  kMarginTop + kPlotSize + 40, x_title, 2, kText);
  const std::string y_title = "OUTPUT LIGHTNESS";
  canvas.DrawTextUp(12, kMarginTop + kPlotSize / 2 + Canvas::TextWidth(y_title, 2) / 2, y_title, 2,
                    kText);
}

void DrawCurve(Canvas& canvas, const ToneCurve& curve) {
  const int steps = kPlotSize * kSamplesPerPixel;
  double previous_x = kPlotLow;
  double previous_y = EvaluateCurve(previous_x, curve);
  for (int step = 1; step <= steps; ++step) {
    const double x = kPlotLow + (kPlotHigh - kPlotLow) * step / steps;
    const double y = EvaluateCurve(x, curve);
    const double middle = 0.5 * (previous_x + x);
    const Colour colour = middle < 0.0 || middle > 1.0 ? kExtension : kCurve;
    if (std::isfinite(y) && std::isfinite(previous_y)) {
      canvas.DrawLine(ToPixelX(previous_x), ToPixelY(previous_y), ToPixelX(x), ToPixelY(y), 2.0,
                      colour);
    }
    previous_x = x;
    previous_y = y;
  }
}

void DrawTable(Canvas& canvas, const ToneCurve& curve) {
  const double radius = curve.lut_size > 256 ? 1.2 : (curve.lut_size > 64 ? 2.0 : 3.0);
  const int last = curve.lut_size - 1;
  for (int i = 0; i <= last; ++i) {
    canvas.DrawDot(ToPixelX(static_cast<double>(i) / last),
                   ToPixelY(static_cast<double>(curve.lut[i])), radius, kTablePoint);
  }
}

void DrawLegend(Canvas& canvas) {
  struct Entry {
    const char* text;
    Colour colour;
    bool dot;
  };
  const Entry entries[] = {{"CURVE", kCurve, false},
                           {"EXTENSIONS", kExtension, false},
                           {"TABLE POINTS", kTablePoint, true},
                           {"PIVOT", kPivot, true},
                           {"DIAGONAL", kDiagonal, false}};
  int y = kMarginTop + kPlotSize - 5 * 22 - 10;
  const int x = kMarginLeft + kPlotSize - 190;
  for (const Entry& entry : entries) {
    if (entry.dot) {
      canvas.DrawDot(x + 12, y + 7, 4.0, entry.colour);
    } else {
      canvas.DrawLine(x, y + 7, x + 24, y + 7, 2.0, entry.colour);
    }
    canvas.DrawText(x + 34, y, entry.text, 2, kText);
    y += 22;
  }
}

}  // namespace

Canvas PlotCurve(const CurveModel& model, const std::vector<std::string>& caption) {
  Canvas canvas(kMarginLeft + kPlotSize + kMarginRight, kMarginTop + kPlotSize + kMarginBottom,
                kBackground);
  canvas.DrawText(kMarginLeft, 16, "VELMORA TONE CURVE", 3, kText);
  int line_top = 50;
  for (const std::string& line : caption) {
    canvas.DrawText(kMarginLeft, line_top, line, 2, kText);
    line_top += 20;
  }
  canvas.FillRectangle(kMarginLeft, kMarginTop, kMarginLeft + kPlotSize, kMarginTop + kPlotSize,
                       kPlotArea);
  DrawAxes(canvas);
  canvas.SetClip(kMarginLeft, kMarginTop, kMarginLeft + kPlotSize, kMarginTop + kPlotSize);
  canvas.DrawLine(ToPixelX(kPlotLow), ToPixelY(kPlotLow), ToPixelX(kPlotHigh), ToPixelY(kPlotHigh),
                  1.0, kDiagonal);
  DrawCurve(canvas, model.curve);
  DrawTable(canvas, model.curve);
  canvas.DrawDot(ToPixelX(model.pivot_lightness), ToPixelY(model.pivot_lightness), 7.0,
                 kBackground);
  canvas.DrawDot(ToPixelX(model.pivot_lightness), ToPixelY(model.pivot_lightness), 5.0, kPivot);
  canvas.ResetClip();
  DrawLegend(canvas);
  return canvas;
}
