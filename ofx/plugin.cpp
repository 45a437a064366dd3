// The bundle's two exports and the one entry every action arrives through.
// Action names are compared by content: a host need not pass our literals.
#include <cstring>
#include <new>

#include "host/effect_identity.h"
#include "ofx/describe.h"
#include "ofx/host_access.h"
#include "ofx/render.h"
#include "ofx_sdk/ofx_constants.h"
#include "ofx_sdk/ofx_types.h"

#if defined(_WIN32)
#define VELMORA_OFX_EXPORT __declspec(dllexport)
#else
#define VELMORA_OFX_EXPORT __attribute__((visibility("default")))
#endif

namespace {

constexpr char kPluginIdentifier[] = "com.trevane.velmora";

bool Is(const char* action, const char* name) {
  return std::strcmp(action, name) == 0;
}

OfxStatus Dispatch(const char* action, const void* handle, OfxPropertySetHandle in_args,
                   OfxPropertySetHandle out_args) {
  using namespace velmora_ofx;
  if (Is(action, kOfxActionLoad)) return FetchSuites();
  if (Is(action, kOfxActionUnload)) {
    ForgetSuites();
    return kOfxStatOK;
  }
  // Every other action needs the suites the load fetched.
  if (Suites().property == nullptr) return kOfxStatErrMissingHostFeature;
  auto effect = static_cast<OfxImageEffectHandle>(const_cast<void*>(handle));
  if (Is(action, kOfxActionDescribe)) return DescribeAction(effect);
  if (Is(action, kOfxImageEffectActionDescribeInContext)) {
    return DescribeInContextAction(effect, in_args);
  }
  if (Is(action, kOfxImageEffectActionRender)) return RenderAction(effect, in_args);
  if (Is(action, kOfxImageEffectActionIsIdentity)) {
    return IsIdentityAction(effect, in_args, out_args);
  }
  // Instances keep nothing, so creating and destroying them, and the
  // sequence brackets, need no work; the host's defaults suit the rest.
  if (Is(action, kOfxActionCreateInstance) || Is(action, kOfxActionDestroyInstance) ||
      Is(action, kOfxImageEffectActionBeginSequenceRender) ||
      Is(action, kOfxImageEffectActionEndSequenceRender)) {
    return kOfxStatOK;
  }
  return kOfxStatReplyDefault;
}

OfxStatus MainEntry(const char* action, const void* handle, OfxPropertySetHandle in_args,
                    OfxPropertySetHandle out_args) {
  if (action == nullptr) return kOfxStatErrBadHandle;
  try {
    return Dispatch(action, handle, in_args, out_args);
  } catch (const std::bad_alloc&) {
    return kOfxStatErrMemory;
  } catch (...) {
    return kOfxStatErrFatal;
  }
}

void SetHost(OfxHost* host) {
  velmora_ofx::StoreHost(host);
}

OfxPlugin g_plugin = {kOfxImageEffectPluginApi,
                      kOfxImageEffectPluginApiVersion,
                      kPluginIdentifier,
                      static_cast<uint32_t>(kEffectVersionMajor),
                      static_cast<uint32_t>(kEffectVersionMinor),
                      SetHost,
                      MainEntry};

}  // namespace

extern "C" {

VELMORA_OFX_EXPORT int32_t OfxGetNumberOfPlugins(void) {
  return 1;
}

VELMORA_OFX_EXPORT OfxPlugin* OfxGetPlugin(int32_t nth) {
  return nth == 0 ? &g_plugin : nullptr;
}

}  // extern "C"
