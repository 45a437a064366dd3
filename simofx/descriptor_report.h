// A text listing of what the plug-in declared: its record, the effect
// descriptor's properties, its clips and its parameters in definition order,
// each property with its values. The same text on every platform, so that
// a golden file pins it and two builds can be compared.
#pragma once

#include <string>

#include "simofx/ofx_host.h"

namespace simofx {

std::string DescriptorReport(OfxHostSim& host);

}  // namespace simofx
