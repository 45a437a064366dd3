#include "tools/chart.h"

#include <array>

namespace {

struct Rgb {
  float red;
  float green;
  float blue;
};

constexpr Rgb BACKGROUND{0.18f, 0.18f, 0.18f};

constexpr std::array<Rgb, 6> RAMP_COLOURS{{
    {1.0f, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 1.0f},
    {0.0f, 0.0f, 1.0f},
    {1.0f, 0.0f, 1.0f},
}};

// Four skin tones from light to deep, three skies, three foliage greens.
constexpr std::array<Rgb, 10> PATCHES{{
    {0.87f, 0.69f, 0.58f},
    {0.76f, 0.56f, 0.44f},
    {0.56f, 0.38f, 0.29f},
    {0.36f, 0.23f, 0.17f},
    {0.62f, 0.76f, 0.92f},
    {0.42f, 0.60f, 0.85f},
    {0.26f, 0.42f, 0.70f},
    {0.45f, 0.58f, 0.24f},
    {0.27f, 0.40f, 0.15f},
    {0.15f, 0.24f, 0.10f},
}};

// Bands as fractions of the height, top to bottom.
constexpr float GREY_RAMP_END = 0.14f;
constexpr float GREY_STEPS_END = 0.26f;
constexpr float COLOUR_RAMPS_END = 0.56f;
constexpr float PATCHES_TOP = 0.59f;
constexpr float PATCHES_END = 0.80f;
constexpr float FLOAT_RAMP_TOP = 0.83f;
constexpr int GREY_STEP_COUNT = 11;

Rgb ChartColour(int x, int y, int width, int height) {
  const float across = (static_cast<float>(x) + 0.5f) / static_cast<float>(width);
  const float down = (static_cast<float>(y) + 0.5f) / static_cast<float>(height);
  if (down < GREY_RAMP_END) return {across, across, across};
  if (down < GREY_STEPS_END) {
    const int step = static_cast<int>(across * GREY_STEP_COUNT);
    const float level = static_cast<float>(step) / static_cast<float>(GREY_STEP_COUNT - 1);
    return {level, level, level};
  }
  if (down < COLOUR_RAMPS_END) {
    const float band = (down - GREY_STEPS_END) / (COLOUR_RAMPS_END - GREY_STEPS_END);
    const Rgb& colour = RAMP_COLOURS[static_cast<std::size_t>(band * RAMP_COLOURS.size())];
    return {colour.red * across, colour.green * across, colour.blue * across};
  }
  if (down >= PATCHES_TOP && down < PATCHES_END) {
    const float slot = across * static_cast<float>(PATCHES.size());
    const auto index = static_cast<std::size_t>(slot);
    const float inside = slot - static_cast<float>(index);
    if (inside > 0.08f && inside < 0.92f) return PATCHES[index];
    return BACKGROUND;
  }
  if (down >= FLOAT_RAMP_TOP) {
    const float level = across * CHART_FLOAT_RAMP_TOP;
    return {level, level, level};
  }
  return BACKGROUND;
}

}  // namespace

Image MakeChart(int width, int height) {
  Image chart;
  chart.header = OIIO::ImageSpec(width, height, 3, OIIO::TypeDesc::FLOAT);
  chart.depth = SampleDepth::Float;
  chart.samples_float.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb colour = ChartColour(x, y, width, height);
      const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
      chart.samples_float[at] = colour.red;
      chart.samples_float[at + 1] = colour.green;
      chart.samples_float[at + 2] = colour.blue;
    }
  }
  return chart;
}
