// The built-in test chart of `velmora demo`: grey ramp and steps, ramps of the six
// primary and secondary colours, skin, sky and foliage patches, and a ramp that
// runs on to 2.0 for the float path.
#pragma once

#include "tools/image_io.h"

constexpr int kChartWidth = 640;
constexpr int kChartHeight = 360;
constexpr float kChartFloatRampTop = 2.0f;

// A float RGB image (no alpha), the same on every machine.
Image MakeChart(int width = kChartWidth, int height = kChartHeight);
