// The host's callback blocks and suites as the effect sees them, and the
// basic suite that hands the suites out by name and version.
#pragma once

#include "host_sdk/host_records.h"

namespace simhost {

class SimulatedHost;

// The host whose effect call is running on this thread. Most callbacks find
// their host through `effect_ref` or `in_data`; the basic suite's
// AcquireSuite/ReleaseSuite and the pixel format suite's GetPixelFormat get no
// such handle, so the host names itself here for the length of each call into
// the effect. Being per thread, it lets hosts on different threads run at once.
class CurrentHostScope {
 public:
  explicit CurrentHostScope(SimulatedHost* host);
  ~CurrentHostScope();
  CurrentHostScope(const CurrentHostScope&) = delete;
  CurrentHostScope& operator=(const CurrentHostScope&) = delete;

 private:
  SimulatedHost* previous_;
};

// The host named by the innermost CurrentHostScope of this thread, or null.
SimulatedHost* CurrentHost();

// Fills the utility and interaction callbacks of a host's records.
void InstallUtilCallbacks(PF_UtilCallbacks& utils);
void InstallInteractCallbacks(PF_InteractCallbacks& inter);
const SPBasicSuite* BasicSuite();

}  // namespace simhost
