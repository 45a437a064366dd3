// The effect's settings, kept in After Effects' encodings by the simulated
// hosts' callers, given to an image-effect instance as its parameter values.
#pragma once

#include <vector>

#include "host/params.h"
#include "simhost/effect_settings.h"
#include "simofx/ofx_host.h"

namespace simofx {

// The value as the image-effect host holds it: the option index, the number,
// the colour bytes over 255, 0 or 1.
std::vector<double> OfxValueOf(const simhost::EffectSettings& settings,
                               const ParamIdentity& identity);

// Sets every parameter of the host's instance from `settings`, matched by
// position with the settings' table. False, with nothing set, when the
// instance's parameters are not as many as the table's rows.
bool ApplySettings(const simhost::EffectSettings& settings, OfxHostSim* host);

}  // namespace simofx
