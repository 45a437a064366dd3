#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "tools/picture.h"

namespace {

using Pixel = std::array<int, 3>;

Pixel At(const Image& image, int x, int y) {
  const std::size_t at = (static_cast<std::size_t>(y) * image.header.width + x) * 3;
  const auto* samples = static_cast<const uint8_t*>(image.pixels.localpixels()) + at;
  return {samples[0], samples[1], samples[2]};
}

// The pixel around where the curve passes `input` that `score` likes best: a
// line drawn antialiased covers the pixel at its exact position only partly.
int BestAroundCurve(const CurvePicture& plot, const CurveModel& model, double input,
                    int (*score)(const Pixel&)) {
  const int x = static_cast<int>(plot.area.Column(input));
  const int y = static_cast<int>(plot.area.Row(EvaluateCurve(input, model.curve)));
  int best = -1000;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) best = std::max(best, score(At(plot.image, x + dx, y + dy)));
  }
  return best;
}

int Whiteness(const Pixel& p) {
  return std::min({p[0], p[1], p[2]});
}
int Orangeness(const Pixel& p) {
  return std::min(p[0] - p[2], p[1] - p[2]);
}

TEST(CurvePlot, TheCurveLiesOverTheTablePointsInItsOwnColoursAtEveryTableSize) {
  // The table's blue has a red code below 80 and the background is dark, so only
  // the curve's own white scores high; orange is the one colour whose red and
  // green both stand far above its blue.
  for (int quality = 1; quality <= 5; ++quality) {
    simhost::EffectSettings settings;
    settings.Choice(PARAM_QUALITY) = quality;
    settings.Slider(PARAM_CONTRAST) = 30.0;
    const auto model = std::make_unique<CurveModel>(settings);
    const CurvePicture plot = PlotCurve(*model, {{"contrast 30"}});
    for (double input = 0.05; input < 0.96; input += 0.05) {
      if (std::fabs(input - model->pivot_lightness) < 0.03) continue;
      EXPECT_GT(BestAroundCurve(plot, *model, input, Whiteness), 180)
          << "quality " << quality << " at " << input;
    }
    for (double input : {-0.2, -0.1, 1.1, 1.2}) {
      EXPECT_GT(BestAroundCurve(plot, *model, input, Orangeness), 80)
          << "quality " << quality << " at " << input;
    }
  }
}

TEST(CurvePlot, ACaptionOfAnyLengthStaysInsideThePictureAboveThePlot) {
  const auto model = std::make_unique<CurveModel>(simhost::EffectSettings{});
  const CurvePicture short_caption = PlotCurve(*model, {{"contrast 0"}});
  std::vector<std::string> items(12, "a fairly long caption item -0.123456");
  items.push_back(std::string(200, 'W'));  // too wide even for a row of its own
  const CurvePicture plot = PlotCurve(*model, {items, {"end slopes 1 / 1"}});

  EXPECT_EQ(plot.image.header.width, short_caption.image.header.width);
  EXPECT_GT(plot.area.top, short_caption.area.top + 60.0);  // the rows pushed the plot down
  const Pixel background = At(plot.image, 0, 0);
  const int margin = static_cast<int>(plot.area.left + plot.area.size) + 1;
  for (int y = 0; y < static_cast<int>(plot.area.top); ++y) {
    for (int x = margin; x < plot.image.header.width; ++x) {
      ASSERT_EQ(At(plot.image, x, y), background) << x << ", " << y;
    }
  }
}

}  // namespace
