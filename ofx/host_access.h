// The host as the plug-in sees it: the OfxHost record the host handed over and
// the suites fetched from it in the load action. Written only by setHost, load
// and unload, which the host never runs beside a render; read by every other
// action from any thread.
#pragma once

#include <cstdint>
#include <string>

#include "ofx_sdk/ofx_suites.h"
#include "ofx_sdk/ofx_types.h"

namespace velmora_ofx {

struct HostSuites {
  const OfxPropertySuiteV1* property = nullptr;
  const OfxImageEffectSuiteV1* effect = nullptr;
  const OfxParameterSuiteV1* parameter = nullptr;
};

void StoreHost(OfxHost* host);
// The three suites a filter cannot do without; kOfxStatErrMissingHostFeature
// when the host lacks one (then nothing is kept).
OfxStatus FetchSuites();
void ForgetSuites();
const HostSuites& Suites();

// Property access that tolerates a host without the property: a set the host
// answers with kOfxStatErrUnknown is taken as "not supported" and is not an
// error; every other failure is returned.
OfxStatus SetOptionalInt(OfxPropertySetHandle set, const char* name, int32_t value);
OfxStatus SetOptionalString(OfxPropertySetHandle set, const char* name, const char* value);

// The value copied at once (the host's storage lasts only until its next
// call); empty when the host has no such property.
std::string GetStringOr(OfxPropertySetHandle set, const char* name, const char* fallback);
int32_t GetIntOr(OfxPropertySetHandle set, const char* name, int32_t index, int32_t fallback);

}  // namespace velmora_ofx
