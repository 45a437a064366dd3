#include "tools/chart.h"

#include <array>

namespace {

using Rgb = std::array<float, 3>;

constexpr int kChartWidth = 640;
constexpr int kChartHeight = 360;
constexpr float kFloatRampPeak = 2.0f;
constexpr Rgb kBackground{0.18f, 0.18f, 0.18f};

constexpr std::array<Rgb, 6> kRampColours{{
    {1.0f, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 1.0f},
    {0.0f, 0.0f, 1.0f},
    {1.0f, 0.0f, 1.0f},
}};

// Four skin tones from light to deep, three skies, three foliage greens.
constexpr std::array<Rgb, 10> kPatches{{
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
constexpr float kGreyRampEnd = 0.14f;
constexpr float kGreyStepsEnd = 0.26f;
constexpr float kColourRampsEnd = 0.56f;
constexpr float kPatchesTop = 0.59f;
constexpr float kPatchesEnd = 0.80f;
constexpr float kFloatRampTop = 0.83f;
constexpr int kGreyStepCount = 11;

Rgb ChartColour(int x, int y) {
  const float across = (static_cast<float>(x) + 0.5f) / static_cast<float>(kChartWidth);
  const float down = (static_cast<float>(y) + 0.5f) / static_cast<float>(kChartHeight);
  if (down < kGreyRampEnd) return {across, across, across};
  if (down < kGreyStepsEnd) {
    const int step = static_cast<int>(across * kGreyStepCount);
    const float level = static_cast<float>(step) / static_cast<float>(kGreyStepCount - 1);
    return {level, level, level};
  }
  if (down < kColourRampsEnd) {
    const float band = (down - kGreyStepsEnd) / (kColourRampsEnd - kGreyStepsEnd);
    const Rgb& colour = kRampColours[static_cast<std::size_t>(band * kRampColours.size())];
    return {colour[0] * across, colour[1] * across, colour[2] * across};
  }
  if (down >= kPatchesTop && down < kPatchesEnd) {
    const float slot = across * static_cast<float>(kPatches.size());
    const auto index = static_cast<std::size_t>(slot);
    const float inside = slot - static_cast<float>(index);
    if (inside > 0.08f && inside < 0.92f) return kPatches[index];
    return kBackground;
  }
  if (down >= kFloatRampTop) {
    const float level = across * kFloatRampPeak;
    return {level, level, level};
  }
  return kBackground;
}

}  // namespace

Image MakeChart() {
  const OIIO::ImageSpec header(kChartWidth, kChartHeight, 3, OIIO::TypeDesc::FLOAT);
  Image chart{header, OIIO::ImageBuf(header)};
  for (OIIO::ImageBuf::Iterator<float> pixel(chart.pixels); !pixel.done(); ++pixel) {
    const Rgb colour = ChartColour(pixel.x(), pixel.y());
    for (int channel = 0; channel < 3; ++channel) pixel[channel] = colour[channel];
  }
  return chart;
}
