// The effect's parameters as image-effect parameters, defined and read by
// walking the one parameter table (host/params.h): the same names, order,
// ranges and defaults as in After Effects, each kind mapped to the
// interface's nearest type (a popup to a choice, the colour to RGB, the
// percentage and the sliders to doubles, the checkboxes to booleans).
#pragma once

#include <string>

#include "engine/frame_curve.h"
#include "host/params.h"
#include "ofx_sdk/ofx_types.h"

namespace velmora_ofx {

// The parameter's name in the host's project files: its label without spaces
// and punctuation ("Contrast width" is "ContrastWidth"). Fixed once released.
std::string ParamName(const ParamIdentity& identity);

// Defines every parameter of the table on a descriptor, in table order.
OfxStatus DefineParameters(OfxImageEffectHandle descriptor);

// The engine's input from the values at `time`, each through its table row's
// way into the input.
OfxStatus ReadEffectInput(OfxImageEffectHandle instance, OfxTime time, EffectInput* input);

}  // namespace velmora_ofx
