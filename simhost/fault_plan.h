// Which host calls fail, and how. An empty plan is a host that never fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host_sdk/host_records.h"

namespace simhost {

// The code the basic suite returns for a suite it does not know (the suite
// architecture's "missing suite").
constexpr std::int32_t kSuiteNotFound = 13;

struct SuiteFault {
  enum class Kind {
    Missing,           // returns `code` and writes a null pointer
    CodeWithPointer,   // returns `code` but still writes the suite pointer
    ZeroWithoutSuite,  // returns 0 and writes a null pointer
  };
  std::string name;
  std::int32_t version = 1;
  Kind kind = Kind::Missing;
  std::int32_t code = kSuiteNotFound;
};

struct FaultPlan {
  bool no_basic_suite = false;  // `pica_basicP` is null
  std::vector<SuiteFault> suite_faults;
  std::int32_t release_code = 0;  // every ReleaseSuite returns this

  int add_param_fail_at = 0;  // 1-based definition that fails; 0: none
  PF_Err add_param_code = PF_Err_INTERNAL_STRUCT_DAMAGED;

  PF_Err color_conversion_code = 0;  // returned without writing the colour
  PF_Err iterate_code = 0;           // returned before any pixel is visited
  PF_Err copy_code = 0;              // utils copy and World Transform copy/copy_hq
  PF_Err get_pixel_format_code = 0;  // returned after reporting (or not) the format

  // The smart commands' callbacks: each code is returned in place of the call's
  // work. `iterate_code` above covers "PF iterateFloat Suite" too.
  PF_Err checkout_layer_code = 0;
  PF_Err checkout_layer_pixels_code = 0;
  PF_Err checkin_layer_pixels_code = 0;
  PF_Err checkout_output_code = 0;
  int checkout_param_fail_at = 0;  // 1-based checkout that fails; 0: none
  PF_Err checkout_param_code = PF_Err_INTERNAL_STRUCT_DAMAGED;
  PF_Err checkin_param_code = 0;       // after the parameter is taken back
  PF_Err world_pixel_format_code = 0;  // "PF World Suite" PF_GetPixelFormat, after reporting

  FaultPlan& FailSuite(const std::string& name, SuiteFault::Kind kind = SuiteFault::Kind::Missing,
                       std::int32_t code = kSuiteNotFound, std::int32_t version = 1) {
    suite_faults.push_back(SuiteFault{name, version, kind, code});
    return *this;
  }
  const SuiteFault* FaultFor(const char* name, std::int32_t version) const;
};

}  // namespace simhost
