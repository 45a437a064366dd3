#include "host/entry.h"

#include <new>

#include "host/effect_identity.h"
#include "host/params.h"
#include "host/render.h"
#include "host/smart_render.h"
#include "host/suites.h"
#include "host_sdk/host_constants.h"

#if defined(_WIN32)
#include <windows.h>
#endif

PF_Err About(PF_InData* in_data, PF_OutData* out_data) {
  SuiteHandler suites(in_data->pica_basicP);
  // The version shown is written out here; the version word says the same.
  suites.AnsiSuite()->sprintf(out_data->return_msg, "%s v%d.%d\r%s", GetString(STR_NAME),
                              kEffectVersionMajor, kEffectVersionMinor, GetString(STR_DESCRIPTION));
  return PF_Err_NONE;
}

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data) {
  out_data->my_version = kEffectVersion;
  out_data->out_flags = kEffectOutFlags;
  out_data->out_flags2 = kEffectOutFlags2;
  if (in_data->appl_id != APPL_ID_PREMIERE_PRO) return PF_Err_NONE;

  PixelFormatSuiteHold hold(in_data, out_data);
  hold.Acquire();
  const PF_PixelFormatSuite1* pixel_formats = hold.Suite();
  if (pixel_formats == nullptr) return PF_Err_NONE;
  pixel_formats->ClearSupportedPixelFormats(in_data->effect_ref);
  pixel_formats->AddSupportedPixelFormat(in_data->effect_ref, PrPixelFormat_BGRA_4444_32f);
  pixel_formats->AddSupportedPixelFormat(in_data->effect_ref, PrPixelFormat_BGRA_4444_8u);
  return PF_Err_NONE;  // the release's result is not the setup's
}

extern "C" VELMORA_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                                PF_OutData* out_data, PF_ParamDef* params[],
                                                PF_LayerDef* output, void* extra) {
  try {
    switch (cmd) {
      case PF_Cmd_ABOUT:
        return About(in_data, out_data);
      case PF_Cmd_GLOBAL_SETUP:
        return GlobalSetup(in_data, out_data);
      case PF_Cmd_PARAMS_SETUP:
        return ParamsSetup(in_data, out_data);
      case PF_Cmd_RENDER:
        return Render(in_data, out_data, params, output);
      case PF_Cmd_SMART_PRE_RENDER:
        return SmartPreRender(in_data, static_cast<PF_PreRenderExtra*>(extra));
      case PF_Cmd_SMART_RENDER:
        return SmartRender(in_data, static_cast<PF_SmartRenderExtra*>(extra));
      default:
        return PF_Err_NONE;
    }
  } catch (PF_Err& err) {
    return err;
  } catch (const std::bad_alloc&) {
    return PF_Err_OUT_OF_MEMORY;
  } catch (...) {
    // Nothing may unwind into the host, which cannot catch it.
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
}

#if defined(_WIN32)
// The effect keeps no per-thread state, so thread notifications are not wanted.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
  return TRUE;
}
#endif
