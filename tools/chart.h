// The built-in test chart of `velmora demo`: grey ramp and steps, ramps of the six
// primary and secondary colours, skin, sky and foliage patches, and a ramp that
// runs on to 2.0 for the float path.
#pragma once

#include "tools/image_io.h"

constexpr int CHART_WIDTH = 640;
constexpr int CHART_HEIGHT = 360;
constexpr float CHART_FLOAT_RAMP_TOP = 2.0f;

// A float RGB image (no alpha), the same on every machine.
Image MakeChart(int width = CHART_WIDTH, int height = CHART_HEIGHT);
