// A stand-in effect module for the tool's tests: every command goes to the real
// module, except that a render whose first input pixel is 8-bit (13, 13, 13)
// returns 514 without touching the output, as the effect does for a pixel
// format it does not recognise.
#include <dlfcn.h>

#include "host_sdk/host_records.h"

namespace {

using Entry = PF_Err (*)(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

constexpr PF_Cmd kRender = 11;
constexpr uint8_t kMarker = 13;
constexpr PF_Err kFailure = 514;

Entry RealEntry() {
  static Entry entry = [] {
    void* module = dlopen(VELMORA_REAL_MODULE, RTLD_NOW | RTLD_LOCAL);
    return module == nullptr ? nullptr : reinterpret_cast<Entry>(dlsym(module, "EntryPointFunc"));
  }();
  return entry;
}

bool IsMarked(PF_ParamDef** params) {
  const auto* first = reinterpret_cast<const PF_Pixel*>(params[0]->u.ld.data);
  return first->red == kMarker && first->green == kMarker && first->blue == kMarker;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(
    PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params, PF_LayerDef* output,
    void* extra) {
  if (RealEntry() == nullptr) return 1;
  if (cmd == kRender && IsMarked(params)) return kFailure;
  return RealEntry()(cmd, in_data, out_data, params, output, extra);
}
