// The smallest module a host can load: its entry point answers the about
// command with a fixed text and every other command with the command code.
#include <cstring>

#include "host_sdk/host_records.h"

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData*,
                                                                        PF_OutData* out_data,
                                                                        PF_ParamDef**, PF_LayerDef*,
                                                                        void*) {
  if (cmd == PF_Cmd_ABOUT && out_data != nullptr) {
    std::strcpy(out_data->return_msg, "test module");
    return PF_Err_NONE;
  }
  return cmd;
}
