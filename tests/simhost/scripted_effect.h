// A stand-in effect for testing the host itself: each test gives the entry
// point a script, which calls the host's callbacks and suites as it likes.
#pragma once

#include <functional>

#include "host_sdk/host_suites.h"
#include "simhost/host.h"

namespace simhost {

using Script = std::function<PF_Err(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)>;

inline thread_local const Script* active_script = nullptr;

inline PF_Err ScriptedEntry(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                            PF_ParamDef** params, PF_LayerDef* output, void*) {
  return (*active_script)(cmd, in_data, out_data, params, output);
}

// Runs `call` on the host with `script` as the effect.
template <typename Call>
PF_Err WithScript(const Script& script, Call&& call) {
  const Script* previous = active_script;
  active_script = &script;
  const PF_Err err = call();
  active_script = previous;
  return err;
}

inline PF_Err RunScript(SimulatedHost& host, const Script& script, PF_Cmd cmd = PF_Cmd_RENDER) {
  return WithScript(script, [&] { return host.Call(cmd); });
}

template <typename Suite>
const Suite* Acquire(PF_InData* in_data, const char* name, SPErr* code = nullptr,
                     int32_t version = 1) {
  const void* suite = nullptr;
  const SPErr err = in_data->pica_basicP->AcquireSuite(name, version, &suite);
  if (code != nullptr) *code = err;
  return static_cast<const Suite*>(suite);
}

// Acquires a suite, hands it to `use` and releases it; returns what `use` returns.
template <typename Suite, typename Use>
PF_Err UsingSuite(PF_InData* in_data, const char* name, Use&& use) {
  const Suite* suite = Acquire<Suite>(in_data, name);
  const PF_Err result = use(*suite);
  in_data->pica_basicP->ReleaseSuite(name, 1);
  return result;
}

}  // namespace simhost
