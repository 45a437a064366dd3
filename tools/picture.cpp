#include "tools/picture.h"

#include <OpenImageIO/imagebufalgo.h>
#include <OpenImageIO/strutil.h>
#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <tuple>
#include <utility>

#include "tools/tool_error.h"

namespace {

using Rgb = std::array<double, 3>;

void SetColour(cairo_t* cairo, Rgb colour) {
  cairo_set_source_rgb(cairo, colour[0], colour[1], colour[2]);
}

// An RGB image surface painted in `background`, and its drawing context.
class Picture {
 public:
  Picture(int width, int height, Rgb background)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height),
                 cairo_surface_destroy),
        cairo_(cairo_create(surface_.get()), cairo_destroy) {
    if (cairo_status(cairo()) != CAIRO_STATUS_SUCCESS) {
      throw Failure("cannot make a " + std::to_string(width) + " x " + std::to_string(height) +
                    " picture: " + cairo_status_to_string(cairo_status(cairo())));
    }
    SetColour(cairo(), background);
    cairo_paint(cairo());
  }

  cairo_t* cairo() const { return cairo_.get(); }

  Image ToImage() const {
    // RGB24 keeps each pixel as a native 32-bit word 0x00RRGGBB: bytes B, G, R and one unused.
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "RGB24 read as little-endian bytes");
    cairo_surface_t* surface = surface_.get();
    cairo_surface_flush(surface);
    const OIIO::ImageSpec header(cairo_image_surface_get_width(surface),
                                 cairo_image_surface_get_height(surface), 4, OIIO::TypeDesc::UINT8);
    const OIIO::ImageBuf pixels(header, cairo_image_surface_get_data(surface), OIIO::AutoStride,
                                cairo_image_surface_get_stride(surface));
    OIIO::ImageBuf rgb = OIIO::ImageBufAlgo::channels(pixels, 3, {2, 1, 0}, {}, {"R", "G", "B"});
    return Image{rgb.spec(), std::move(rgb)};
  }

 private:
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface_;
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cairo_;
};

// DejaVu Sans at `size` pixels, antialiased in grey and unhinted, so that text
// is measured the same way it is drawn.
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

constexpr double kPi = 3.14159265358979323846;
constexpr int kPlotSize = 600;
constexpr int kMarginLeft = 90;
constexpr int kMarginRight = 30;
constexpr int kPictureWidth = kMarginLeft + kPlotSize + kMarginRight;
constexpr int kSamplesPerPixel = 2;

constexpr double kTitleSize = 24.0;
constexpr double kTitleBaseline = 38.0;
constexpr double kCaptionSize = 15.0;
constexpr double kCaptionLeading = 1.4;  // row pitch as a multiple of the font size
constexpr const char* kCaptionSeparator = "    ";
constexpr double kLabelSize = 14.0;
constexpr double kLegendSize = 13.0;
constexpr double kBelowPlot = 100.0;

constexpr double kCurveWidth = 1.75;
// The table's dots shrink with their spacing so the curve drawn over them
// stays visible, yet never below a size that shows around the curve.
constexpr double kDotSpacingShare = 0.3;
constexpr double kDotRadiusMin = 1.6;
constexpr double kDotRadiusMax = 3.5;
constexpr double kPivotRadius = 5.0;

constexpr Rgb kBackground{0.10, 0.10, 0.11};
constexpr Rgb kPlotBackground{0.15, 0.15, 0.16};
constexpr Rgb kGrid{0.24, 0.24, 0.26};
constexpr Rgb kUnitSquare{0.45, 0.45, 0.47};
constexpr Rgb kDiagonal{0.40, 0.40, 0.42};
constexpr Rgb kCurve{0.95, 0.95, 0.95};
constexpr Rgb kExtension{1.00, 0.55, 0.15};
constexpr Rgb kTablePoint{0.30, 0.75, 1.00};
constexpr Rgb kPivot{1.00, 0.85, 0.20};
constexpr Rgb kText{0.85, 0.85, 0.85};

// The caption's rows: the items of a line joined by the separator while a row
// holds them, the rest of the line continuing on the next row. An item is split
// only when it is wider than a whole row: then it is cut between characters
// over rows of its own.
std::vector<std::string> CaptionRows(const Caption& caption, double width) {
  Picture scratch(1, 1, kBackground);
  cairo_t* cairo = scratch.cairo();
  UseFont(cairo, kCaptionSize, false);
  std::vector<std::string> rows;
  for (const auto& line : caption) {
    bool open = false;  // the last row may take another item of the line
    for (const std::string& item : line) {
      if (open && TextWidth(cairo, rows.back() + kCaptionSeparator + item) <= width) {
        rows.back() += kCaptionSeparator + item;
        continue;
      }
      open = TextWidth(cairo, item) <= width;
      rows.emplace_back(open ? item : "");
      for (std::size_t at = 0; !open && at < item.size();) {
        std::size_t next = at + 1;  // a character is a whole UTF-8 sequence
        while (next < item.size() && (static_cast<unsigned char>(item[next]) & 0xC0) == 0x80) {
          ++next;
        }
        const std::string character = item.substr(at, next - at);
        if (!rows.back().empty() && TextWidth(cairo, rows.back() + character) > width) {
          rows.emplace_back();
        }
        rows.back() += character;
        at = next;
      }
    }
  }
  return rows;
}

void Line(cairo_t* cairo, double x0, double y0, double x1, double y1) {
  cairo_move_to(cairo, x0, y0);
  cairo_line_to(cairo, x1, y1);
  cairo_stroke(cairo);
}

void Dot(cairo_t* cairo, double x, double y, double radius) {
  cairo_new_sub_path(cairo);
  cairo_arc(cairo, x, y, radius, 0.0, 2.0 * kPi);
  cairo_fill(cairo);
}

void DrawAxes(cairo_t* cairo, const PlotArea& area) {
  const double first = area.left;
  const double last = area.left + area.size;
  cairo_set_line_width(cairo, 1.0);
  UseFont(cairo, kLabelSize, false);
  for (int tick = 0; tick <= 6; ++tick) {
    const double value = kPlotLow + 0.25 * tick;
    // Grid lines through pixel centres stay one pixel wide.
    const double column = std::round(area.Column(value)) + 0.5;
    const double row = std::round(area.Row(value)) + 0.5;
    SetColour(cairo, value == 0.0 || value == 1.0 ? kUnitSquare : kGrid);
    Line(cairo, column, area.top, column, area.top + area.size);
    Line(cairo, first, row, last, row);

    const std::string label = OIIO::Strutil::sprintf("%g", value);
    const double label_width = TextWidth(cairo, label);
    SetColour(cairo, kText);
    ShowText(cairo, area.Column(value) - label_width / 2.0, area.top + area.size + 22.0, label);
    ShowText(cairo, area.left - 10.0 - label_width, area.Row(value) + kLabelSize * 0.35, label);
  }
  const std::string x_title = "Input lightness";
  ShowText(cairo, area.left + (area.size - TextWidth(cairo, x_title)) / 2.0,
           area.top + area.size + 48.0, x_title);
  const std::string y_title = "Output lightness";
  cairo_save(cairo);
  cairo_translate(cairo, 28.0, area.top + area.size / 2.0);
  cairo_rotate(cairo, -kPi / 2.0);
  ShowText(cairo, -TextWidth(cairo, y_title) / 2.0, 0.0, y_title);
  cairo_restore(cairo);
}

void DrawTable(cairo_t* cairo, const PlotArea& area, const ToneCurve& curve) {
  const int last = curve.lut_size - 1;
  const double spacing = area.Column(1.0) - area.Column(0.0);
  const double radius = std::clamp(kDotSpacingShare * spacing / last, kDotRadiusMin, kDotRadiusMax);
  SetColour(cairo, kTablePoint);
  for (int i = 0; i <= last; ++i) {
    Dot(cairo, area.Column(static_cast<double>(i) / last),
        area.Row(static_cast<double>(curve.lut[i])), radius);
  }
}

// Rows far outside the plot are pulled in: cairo's fixed-point coordinates
// would wrap, and a point well past the clip draws the same segment anyway.
double ClampedRow(const PlotArea& area, double output) {
  return std::clamp(area.Row(output), area.top - 4.0 * area.size, area.top + 5.0 * area.size);
}

// One stretch of the curve in one colour, broken where it is not finite.
void DrawStretch(cairo_t* cairo, const PlotArea& area, const ToneCurve& curve, double from,
                 double to, Rgb colour) {
  const int steps = static_cast<int>(
      std::ceil((to - from) / (kPlotHigh - kPlotLow) * area.size * kSamplesPerPixel));
  bool drawing = false;
  for (int step = 0; step <= steps; ++step) {
    const double input = from + (to - from) * step / steps;
    const double output = EvaluateCurve(input, curve);
    if (!std::isfinite(output)) {
      drawing = false;
      continue;
    }
    (drawing ? cairo_line_to : cairo_move_to)(cairo, area.Column(input), ClampedRow(area, output));
    drawing = true;
  }
  SetColour(cairo, colour);
  cairo_stroke(cairo);
}

void DrawCurve(cairo_t* cairo, const PlotArea& area, const ToneCurve& curve) {
  cairo_set_line_width(cairo, kCurveWidth);
  cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cairo, CAIRO_LINE_CAP_ROUND);
  DrawStretch(cairo, area, curve, kPlotLow, 0.0, kExtension);
  DrawStretch(cairo, area, curve, 1.0, kPlotHigh, kExtension);
  DrawStretch(cairo, area, curve, 0.0, 1.0, kCurve);
}

void DrawLegend(cairo_t* cairo, double left, double baseline) {
  const std::tuple<const char*, Rgb, bool> entries[] = {{"curve", kCurve, false},
                                                        {"extensions", kExtension, false},
                                                        {"table points", kTablePoint, true},
                                                        {"pivot", kPivot, true},
                                                        {"diagonal", kDiagonal, false}};
  UseFont(cairo, kLegendSize, false);
  cairo_set_line_width(cairo, 2.0);
  const double middle = baseline - kLegendSize * 0.35;
  double x = left;
  for (const auto& [text, colour, dot] : entries) {
    SetColour(cairo, colour);
    if (dot) {
      Dot(cairo, x + 11.0, middle, 4.0);
    } else {
      Line(cairo, x, middle, x + 22.0, middle);
    }
    SetColour(cairo, kText);
    ShowText(cairo, x + 30.0, baseline, text);
    x += 30.0 + TextWidth(cairo, text) + 24.0;
  }
}

}  // namespace

CurveModel::CurveModel(const simhost::EffectSettings& settings) : RenderCurve(settings) {
  const EffectInput input = simhost::EffectInputOf(settings);
  const float sum = std::max({input.pivot_red, input.pivot_green, input.pivot_blue}) +
                    std::min({input.pivot_red, input.pivot_green, input.pivot_blue});
  pivot_lightness = 0.5 * static_cast<double>(sum);
}

CurvePicture PlotCurve(const CurveModel& model, const Caption& caption) {
  // The caption lines up with the plot and ends where it ends.
  const std::vector<std::string> rows = CaptionRows(caption, kPlotSize);
  const double pitch = kCaptionSize * kCaptionLeading;
  const double first_baseline = kTitleBaseline + 30.0;
  const double plot_top = std::ceil(first_baseline + pitch * static_cast<double>(rows.size()));
  const PlotArea area{kMarginLeft, plot_top, kPlotSize};
  const int height = static_cast<int>(plot_top + kPlotSize + kBelowPlot);

  Picture picture(kPictureWidth, height, kBackground);
  cairo_t* cairo = picture.cairo();
  SetColour(cairo, kText);
  UseFont(cairo, kTitleSize, true);
  ShowText(cairo, kMarginLeft, kTitleBaseline, "Velmora tone curve");
  UseFont(cairo, kCaptionSize, false);
  for (std::size_t row = 0; row < rows.size(); ++row) {
    ShowText(cairo, kMarginLeft, first_baseline + pitch * static_cast<double>(row), rows[row]);
  }

  SetColour(cairo, kPlotBackground);
  cairo_rectangle(cairo, area.left, area.top, area.size, area.size);
  cairo_fill(cairo);
  DrawAxes(cairo, area);

  cairo_save(cairo);
  cairo_rectangle(cairo, area.left, area.top, area.size, area.size);
  cairo_clip(cairo);
  SetColour(cairo, kDiagonal);
  cairo_set_line_width(cairo, 1.0);
  Line(cairo, area.Column(kPlotLow), area.Row(kPlotLow), area.Column(kPlotHigh),
       area.Row(kPlotHigh));
  DrawTable(cairo, area, model.curve);
  DrawCurve(cairo, area, model.curve);
  const double pivot_x = area.Column(model.pivot_lightness);
  const double pivot_y = area.Row(model.pivot_lightness);
  SetColour(cairo, kBackground);
  Dot(cairo, pivot_x, pivot_y, kPivotRadius + 2.0);
  SetColour(cairo, kPivot);
  Dot(cairo, pivot_x, pivot_y, kPivotRadius);
  cairo_restore(cairo);

  DrawLegend(cairo, kMarginLeft, area.top + area.size + 80.0);
  return {picture.ToImage(), area};
}

Image SideBySide(const Image& before, const Image& after) {
  constexpr int kGap = 16;
  constexpr int kLabelBand = 44;
  constexpr double kNameSize = 22.0;
  constexpr double kNameBaseline = 32.0;
  const int width = before.header.width;
  Picture picture(2 * width + 3 * kGap, before.header.height + kLabelBand + kGap,
                  {0.08, 0.08, 0.09});
  cairo_t* cairo = picture.cairo();
  SetColour(cairo, {0.9, 0.9, 0.9});
  UseFont(cairo, kNameSize, true);
  ShowText(cairo, kGap, kNameBaseline, "Before");
  ShowText(cairo, 2 * kGap + width, kNameBaseline, "After");
  Image side_by_side = picture.ToImage();
  OIIO::ImageBufAlgo::paste(side_by_side.pixels, kGap, kLabelBand, 0, 0, before.pixels);
  OIIO::ImageBufAlgo::paste(side_by_side.pixels, 2 * kGap + width, kLabelBand, 0, 0, after.pixels);
  return side_by_side;
}
