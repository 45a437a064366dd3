// The built-in test chart of `velmora demo`: grey ramp and steps, ramps of the six
// primary and secondary colours, skin, sky and foliage patches, and a ramp that
// runs on to 2.0 for the float path.
#pragma once

#include "tools/image_io.h"

// A float RGB image (no alpha), 640 x 360, the same on every machine.
Image MakeChart();
