// The render command: one output frame from the current parameter values.
#pragma once

#include "engine/pixel_frame.h"
#include "engine/tone_curve.h"
#include "host/suites.h"
#include "host_sdk/host_records.h"

// Builds the frame's tone curve and either copies the input (blend 100 %) or
// runs the pixel transform over the frame through the path that fits the host
// and the pixel format. Returns the host's error code; a missing suite of the
// handler is thrown as 516. `out_data` is written only to report a missing
// "PF Pixel Format Suite".
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);

// The frame's curve record from the parameter values in `params` (indexed by
// ParamIndex), its table in `lut_storage` (kLutCapacity floats, which must
// outlive the record). Both renders build their curve here. Returns the colour
// suite's error, which leaves the record unusable.
PF_Err BuildRenderCurve(PF_InData* in_data, SuiteHandler& suites, PF_ParamDef* params[],
                        float* lut_storage, ToneCurve* curve);

// The output as a copy of the input, for a blend of 100 %: Premiere Pro's
// utility copy, After Effects' World Transform copy (its high-quality one at
// high render quality).
PF_Err CopyInput(PF_InData* in_data, SuiteHandler& suites, PF_EffectWorld* input,
                 PF_LayerDef* output);

// The frame's 8-bit (or, when `deep`, 16-bit) pixels through After Effects'
// iterate suites, with the table of levels the frame is large enough for.
PF_Err IterateIntegerFrame(PF_InData* in_data, SuiteHandler& suites, PixelFrame* frame,
                           PF_EffectWorld* input, PF_LayerDef* output, A_long rows, bool deep);
