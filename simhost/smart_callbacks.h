// The callbacks the simulated host lends an effect for the smart commands:
// the two extra records' callback blocks, the parameter checkouts, and "PF
// World Suite" version 2.
#pragma once

#include "host_sdk/host_records.h"
#include "host_sdk/smart_render.h"
#include "host_sdk/smart_suites.h"

namespace simhost {

const PF_PreRenderCallbacks* PreRenderCallbacks();
const PF_SmartRenderCallbacks* SmartRenderCallbacks();
const PF_WorldSuite2* WorldSuite2();

// Fills `checkout_param` and `checkin_param`.
void InstallParamCheckouts(PF_InteractCallbacks& inter);

}  // namespace simhost
