// The effect as the tool sees it: a module loaded from a file, asked for its
// parameter set once, and simulated hosts to render with.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "simhost/host.h"
#include "tools/settings.h"

// The native module of this build, unless --module names another.
std::string DefaultModulePath();

class Effect {
 public:
  // Throws BadInput when the file cannot be loaded as a module, Failure when the
  // module's parameter setup fails or registers a parameter set the tool does not know.
  explicit Effect(const std::string& module_path);

  // The parameters as After Effects registers them (ranges and names are the
  // same in every host; defaults can differ, see NewInstance).
  const std::vector<RegisteredParam>& Params() const { return params_; }

  // The values of a new instance of the effect in the host of `mode`: every
  // parameter at the default the module registers with that host.
  simhost::EffectSettings NewInstance(simhost::HostMode mode) const;

  // A host in `mode` that has run global and parameter setup, ready to render.
  // `threads` is the number of threads its iterate uses.
  std::unique_ptr<simhost::SimulatedHost> MakeHost(simhost::HostMode mode, int threads) const;

 private:
  std::string path_;
  simhost::LoadedModule module_;
  std::vector<RegisteredParam> params_;
};

// "1.0.0 (develop, build 1)" for a version word such as the module's `my_version`.
std::string VersionText(A_u_long word);

// "514 (PF_Err_UNRECOGNIZED_PARAM_TYPE: pixel format not recognised)", followed by
// the module's own message when it set the display flag.
std::string DescribeModuleError(PF_Err error, simhost::SimulatedHost& host);
