#include "tools/curve_plot.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int PLOT_SIZE = 600;
constexpr int MARGIN_LEFT = 90;
constexpr int MARGIN_TOP = 140;
constexpr int MARGIN_RIGHT = 30;
constexpr int MARGIN_BOTTOM = 80;
constexpr int SAMPLES_PER_PIXEL = 2;

constexpr Colour BACKGROUND{0.10f, 0.10f, 0.11f};
constexpr Colour PLOT_AREA{0.15f, 0.15f, 0.16f};
constexpr Colour GRID{0.24f, 0.24f, 0.26f};
constexpr Colour UNIT_SQUARE{0.45f, 0.45f, 0.47f};
constexpr Colour DIAGONAL{0.40f, 0.40f, 0.42f};
constexpr Colour CURVE{0.95f, 0.95f, 0.95f};
constexpr Colour EXTENSION{1.00f, 0.55f, 0.15f};
constexpr Colour TABLE_POINT{0.30f, 0.75f, 1.00f};
constexpr Colour PIVOT{1.00f, 0.85f, 0.20f};
constexpr Colour TEXT{0.85f, 0.85f, 0.85f};

double ToPixelX(double x) {
  return MARGIN_LEFT + (x - PLOT_LOW) / (PLOT_HIGH - PLOT_LOW) * PLOT_SIZE;
}

double ToPixelY(double y) {
  return MARGIN_TOP + (PLOT_HIGH - y) / (PLOT_HIGH - PLOT_LOW) * PLOT_SIZE;
}

std::string TickText(double value) {
  char text[16];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

void DrawAxes(Canvas& canvas) {
  for (int tick = 0; tick <= 6; ++tick) {
    const double value = PLOT_LOW + 0.25 * tick;
    const bool unit_edge = value == 0.0 || value == 1.0;
    const Colour colour = unit_edge ? UNIT_SQUARE : GRID;
    canvas.DrawLine(ToPixelX(value), ToPixelY(PLOT_LOW), ToPixelX(value), ToPixelY(PLOT_HIGH), 1.0,
                    colour);
    canvas.DrawLine(ToPixelX(PLOT_LOW), ToPixelY(value), ToPixelX(PLOT_HIGH), ToPixelY(value), 1.0,
                    colour);
    const std::string label = TickText(value);
    canvas.DrawText(static_cast<int>(ToPixelX(value)) - Canvas::TextWidth(label, 2) / 2,
                    MARGIN_TOP + PLOT_SIZE + 10, label, 2, TEXT);
    canvas.DrawText(MARGIN_LEFT - 10 - Canvas::TextWidth(label, 2),
                    static_cast<int>(ToPixelY(value)) - 7, label, 2, TEXT);
  }
  const std::string x_title = "INPUT LIGHTNESS";
  canvas.DrawText(MARGIN_LEFT + PLOT_SIZE / 2 - Canvas::TextWidth(x_title, 2) / 2,
                  MARGIN_TOP + PLOT_SIZE + 40, x_title, 2, TEXT);
  const std::string y_title = "OUTPUT LIGHTNESS";
  canvas.DrawTextUp(12, MARGIN_TOP + PLOT_SIZE / 2 + Canvas::TextWidth(y_title, 2) / 2, y_title, 2,
                    TEXT);
}

void DrawCurve(Canvas& canvas, const ToneCurve& curve) {
  const int steps = PLOT_SIZE * SAMPLES_PER_PIXEL;
  double previous_x = PLOT_LOW;
  double previous_y = EvaluateCurve(previous_x, curve);
  for (int step = 1; step <= steps; ++step) {
    const double x = PLOT_LOW + (PLOT_HIGH - PLOT_LOW) * step / steps;
    const double y = EvaluateCurve(x, curve);
    const double middle = 0.5 * (previous_x + x);
    const Colour colour = middle < 0.0 || middle > 1.0 ? EXTENSION : CURVE;
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
                   ToPixelY(static_cast<double>(curve.lut[i])), radius, TABLE_POINT);
  }
}

void DrawLegend(Canvas& canvas) {
  struct Entry {
    const char* text;
    Colour colour;
    bool dot;
  };
  const Entry entries[] = {{"CURVE", CURVE, false},
                           {"EXTENSIONS", EXTENSION, false},
                           {"TABLE POINTS", TABLE_POINT, true},
                           {"PIVOT", PIVOT, true},
                           {"DIAGONAL", DIAGONAL, false}};
  int y = MARGIN_TOP + PLOT_SIZE - 5 * 22 - 10;
  const int x = MARGIN_LEFT + PLOT_SIZE - 190;
  for (const Entry& entry : entries) {
    if (entry.dot) {
      canvas.DrawDot(x + 12, y + 7, 4.0, entry.colour);
    } else {
      canvas.DrawLine(x, y + 7, x + 24, y + 7, 2.0, entry.colour);
    }
    canvas.DrawText(x + 34, y, entry.text, 2, TEXT);
    y += 22;
  }
}

}  // namespace

Canvas PlotCurve(const CurveModel& model, const std::vector<std::string>& caption) {
  Canvas canvas(MARGIN_LEFT + PLOT_SIZE + MARGIN_RIGHT, MARGIN_TOP + PLOT_SIZE + MARGIN_BOTTOM,
                BACKGROUND);
  canvas.DrawText(MARGIN_LEFT, 16, "VELMORA TONE CURVE", 3, TEXT);
  int line_top = 50;
  for (const std::string& line : caption) {
    canvas.DrawText(MARGIN_LEFT, line_top, line, 2, TEXT);
    line_top += 20;
  }
  canvas.FillRectangle(MARGIN_LEFT, MARGIN_TOP, MARGIN_LEFT + PLOT_SIZE, MARGIN_TOP + PLOT_SIZE,
                       PLOT_AREA);
  DrawAxes(canvas);
  canvas.SetClip(MARGIN_LEFT, MARGIN_TOP, MARGIN_LEFT + PLOT_SIZE, MARGIN_TOP + PLOT_SIZE);
  canvas.DrawLine(ToPixelX(PLOT_LOW), ToPixelY(PLOT_LOW), ToPixelX(PLOT_HIGH), ToPixelY(PLOT_HIGH),
                  1.0, DIAGONAL);
  DrawCurve(canvas, model.curve);
  DrawTable(canvas, model.curve);
  canvas.DrawDot(ToPixelX(model.pivot_lightness), ToPixelY(model.pivot_lightness), 7.0, BACKGROUND);
  canvas.DrawDot(ToPixelX(model.pivot_lightness), ToPixelY(model.pivot_lightness), 5.0, PIVOT);
  canvas.ResetClip();
  DrawLegend(canvas);
  return canvas;
}
