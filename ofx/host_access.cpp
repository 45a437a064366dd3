#include "ofx/host_access.h"

#include "ofx_sdk/ofx_constants.h"

namespace velmora_ofx {
namespace {

OfxHost* g_host = nullptr;
HostSuites g_suites;

OfxStatus Tolerated(OfxStatus status) {
  return status == kOfxStatErrUnknown ? kOfxStatOK : status;
}

}  // namespace

void StoreHost(OfxHost* host) {
  g_host = host;
}

OfxStatus FetchSuites() {
  g_suites = HostSuites{};
  if (g_host == nullptr || g_host->fetchSuite == nullptr) return kOfxStatErrMissingHostFeature;
  HostSuites fetched;
  fetched.property = static_cast<const OfxPropertySuiteV1*>(
      g_host->fetchSuite(g_host->host, kOfxPropertySuite, 1));
  fetched.effect = static_cast<const OfxImageEffectSuiteV1*>(
      g_host->fetchSuite(g_host->host, kOfxImageEffectSuite, 1));
  fetched.parameter = static_cast<const OfxParameterSuiteV1*>(
      g_host->fetchSuite(g_host->host, kOfxParameterSuite, 1));
  if (fetched.property == nullptr || fetched.effect == nullptr || fetched.parameter == nullptr) {
    return kOfxStatErrMissingHostFeature;
  }
  g_suites = fetched;
  return kOfxStatOK;
}

void ForgetSuites() {
  g_suites = HostSuites{};
}

const HostSuites& Suites() {
  return g_suites;
}

OfxStatus SetOptionalInt(OfxPropertySetHandle set, const char* name, int32_t value) {
  return Tolerated(g_suites.property->propSetInt(set, name, 0, value));
}

OfxStatus SetOptionalString(OfxPropertySetHandle set, const char* name, const char* value) {
  return Tolerated(g_suites.property->propSetString(set, name, 0, value));
}

std::string GetStringOr(OfxPropertySetHandle set, const char* name, const char* fallback) {
  char* value = nullptr;
  if (set == nullptr || g_suites.property->propGetString(set, name, 0, &value) != kOfxStatOK ||
      value == nullptr) {
    return fallback;
  }
  return value;
}

int32_t GetIntOr(OfxPropertySetHandle set, const char* name, int32_t index, int32_t fallback) {
  int32_t value = fallback;
  if (set == nullptr || g_suites.property->propGetInt(set, name, index, &value) != kOfxStatOK) {
    return fallback;
  }
  return value;
}

}  // namespace velmora_ofx
