// The module's one way in for the host, and the two handlers that belong to no
// other file.
#pragma once

#include "host_sdk/host_records.h"

#if defined(_WIN32)
#define VELMORA_EXPORT  // the module-definition file names the one export
#else
#define VELMORA_EXPORT __attribute__((visibility("default")))
#endif

// Dispatches about (0), global setup (1), parameter setup (4), render (11) and
// the smart pre-render (23) and render (24)
// to their handlers and returns the handler's code; every other command returns
// 0 at once and touches nothing. A 516 thrown by a suite handler is returned;
// no exception leaves the module: a failed allocation returns 4 (out of
// memory), anything else thrown 512 (internal structure damaged).
extern "C" VELMORA_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                                PF_OutData* out_data, PF_ParamDef* params[],
                                                PF_LayerDef* output, void* extra);

// Writes "Velmora v1.2", a carriage return and the description into
// `return_msg` through the ANSI suite. A missing suite throws 516.
PF_Err About(PF_InData* in_data, PF_OutData* out_data);

// Stores the version word and the capability flags and, in Premiere Pro,
// registers 32-bit float BGRA and 8-bit BGRA. Always returns 0: a missing pixel
// format suite is shown to the user only.
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data);
