#include "simhost/fault_plan.h"

#include <cstring>

namespace simhost {

const SuiteFault* FaultPlan::FaultFor(const char* name, std::int32_t version) const {
  if (name == nullptr) return nullptr;
  for (const SuiteFault& fault : suite_faults) {
    if (fault.version == version && fault.name == name) return &fault;
  }
  return nullptr;
}

}  // namespace simhost
