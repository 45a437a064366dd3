// After Effects' smart commands: the pre-render, which tells the host what the
// frame needs and gives, and the render, the only way 32-bit float frames
// reach the effect. They run on any render thread, several frames at once:
// nothing here outlives a call or is shared between calls.
#pragma once

#include "host_sdk/host_records.h"
#include "host_sdk/smart_render.h"

// Checks out the effect's own layer with the host's request as it came, and
// answers with what that checkout can deliver: the effect neither grows nor
// shrinks the image, and keeps alpha, so the input's rectangles and opacity
// are the output's. Leaves no per-frame data. A callback's error is returned
// unchanged; a record missing from `extra` gives 516.
PF_Err SmartPreRender(PF_InData* in_data, PF_PreRenderExtra* extra);

// Renders the frame the pre-render described: parameters through
// checkout_param / checkin_param, the input pixels, then the output; 8 and 16
// bits through the classic render's pixel functions and iterate suites, float
// through "PF iterateFloat Suite", a blend of 100 % as the host's copy. Input
// and output meet in layer coordinates; output the input does not cover
// becomes transparent black, and a missing input (a null world, null pixels,
// nothing in common) leaves the whole output so and succeeds. The first error
// of any callback or suite ends the frame and is returned unchanged;
// everything checked out is checked in on every path.
PF_Err SmartRender(PF_InData* in_data, PF_SmartRenderExtra* extra);
