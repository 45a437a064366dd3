// Access to the host's suites, which the basic suite hands out by name and
// version; every acquisition is undone by a release with the same name and
// version.
//
// Two disciplines:
// - `SuiteHandler` serves one command handler for its whole run: a suite is
//   acquired the first time the handler asks for it, a failure is thrown as the
//   error code 516 (a PF_Err), and everything acquired is released when the
//   handler ends, however it ends.
// - `AcquireSuiteOrReport` / `ReleaseSuiteOrReport` serve "PF Pixel Format
//   Suite", which only Premiere Pro has, held for a scope by
//   `PixelFormatSuiteHold`. They never throw: a failure shows the user a
//   message through PF_OutData and returns 516.
#pragma once

#include <cstdint>

#include "host_sdk/host_records.h"
#include "host_sdk/host_suites.h"
#include "host_sdk/smart_suites.h"

// The suites a handler knows, in the order in which it releases them.
enum SuiteSlot : int32_t {
  SUITE_SLOT_ANSI = 0,
  SUITE_SLOT_WORLD_TRANSFORM = 1,
  SUITE_SLOT_ITERATE8 = 2,
  SUITE_SLOT_ITERATE16 = 3,
  SUITE_SLOT_COLOR_PARAM = 4,
  SUITE_SLOT_WORLD = 5,
  SUITE_SLOT_ITERATE_FLOAT = 6,
  SUITE_SLOT_COUNT = 7,
};

struct SuiteSlotName {
  const char* name;
  int32_t version;
};

extern const SuiteSlotName kSuiteSlotNames[SUITE_SLOT_COUNT];

class SuiteHandler {
 public:
  // Throws 516 when `basic` is null, before anything is acquired.
  explicit SuiteHandler(SPBasicSuite* basic);
  ~SuiteHandler();
  SuiteHandler(const SuiteHandler&) = delete;
  SuiteHandler& operator=(const SuiteHandler&) = delete;

  // Each acquires its suite on first use and returns the same pointer after
  // that. A non-zero code from the host, or a null suite, throws 516 and leaves
  // the slot empty; nothing is written for the user in that case.
  const PF_ANSICallbacksSuite1* AnsiSuite();
  const PF_WorldTransformSuite1* WorldTransformSuite();
  const PF_Iterate8Suite1* Iterate8Suite();
  const PF_Iterate16Suite1* Iterate16Suite();
  const PF_ColorParamSuite1* ColorParamSuite();
  const PF_WorldSuite2* WorldSuite();
  const PF_IterateFloatSuite1* IterateFloatSuite();

 private:
  const void* Suite(SuiteSlot slot);

  SPBasicSuite* basic_;
  const void* slots_[SUITE_SLOT_COUNT];
};

// The caller sets `*suite` to null beforehand. The host's own return code is
// not examined: the suite counts as acquired when the pointer is no longer
// null. Otherwise (also without a basic suite) the display-error flag is set,
// "Not able to acquire AEFX Suite." is written into `return_msg`, and the
// result is 516.
PF_Err AcquireSuiteOrReport(const PF_InData* in_data, PF_OutData* out_data, const char* name,
                            int32_t version, const void** suite);

// Releases through the basic suite and returns 0, whatever the host answers.
// Without a basic suite it sets the display-error flag, writes "Not able to
// release AEFX Suite." and returns 516.
PF_Err ReleaseSuiteOrReport(const PF_InData* in_data, PF_OutData* out_data, const char* name,
                            int32_t version);

// "PF Pixel Format Suite" for a scope: acquired by `Acquire`, released once,
// by `Release` or when the object ends, however the scope ends.
class PixelFormatSuiteHold {
 public:
  PixelFormatSuiteHold(const PF_InData* in_data, PF_OutData* out_data)
      : in_data_(in_data), out_data_(out_data) {}
  ~PixelFormatSuiteHold() { Release(); }
  PixelFormatSuiteHold(const PixelFormatSuiteHold&) = delete;
  PixelFormatSuiteHold& operator=(const PixelFormatSuiteHold&) = delete;

  // AcquireSuiteOrReport's result; afterwards `Suite` is the suite, or null.
  PF_Err Acquire();
  const PF_PixelFormatSuite1* Suite() const {
    return static_cast<const PF_PixelFormatSuite1*>(suite_);
  }
  // ReleaseSuiteOrReport's result, or 0 when nothing is held.
  PF_Err Release();

 private:
  const PF_InData* in_data_;
  PF_OutData* out_data_;
  const void* suite_ = nullptr;
};
