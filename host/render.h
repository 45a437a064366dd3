// The render command: one output frame from the current parameter values.
#pragma once

#include "host_sdk/host_records.h"

// Builds the frame's tone curve and either copies the input (blend 100 %) or
// runs the pixel transform over the frame through the path that fits the host
// and the pixel format. Returns the host's error code; a missing suite of the
// handler is thrown as 516. `out_data` is written only to report a missing
// "PF Pixel Format Suite".
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
