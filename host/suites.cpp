#include "host/suites.h"

#include "host_sdk/host_constants.h"

const SuiteSlotName kSuiteSlotNames[SUITE_SLOT_COUNT] = {
    {kPFANSISuite, kPFANSISuiteVersion1},
    {kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1},
    {kPFIterate8Suite, kPFIterate8SuiteVersion1},
    {kPFIterate16Suite, kPFIterate16SuiteVersion1},
    {kPFColorParamSuite, kPFColorParamSuiteVersion1},
    {kPFWorldSuite, kPFWorldSuiteVersion2},
    {kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1},
};

SuiteHandler::SuiteHandler(SPBasicSuite* basic) : basic_(basic), slots_{} {
  if (basic_ == nullptr) throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
}

SuiteHandler::~SuiteHandler() {
  for (int32_t slot = 0; slot < SUITE_SLOT_COUNT; ++slot) {
    if (slots_[slot] != nullptr) {
      basic_->ReleaseSuite(kSuiteSlotNames[slot].name, kSuiteSlotNames[slot].version);
    }
  }
}

const void* SuiteHandler::Suite(SuiteSlot slot) {
  if (slots_[slot] == nullptr) {
    const void* suite = nullptr;
    const SPErr err =
        basic_->AcquireSuite(kSuiteSlotNames[slot].name, kSuiteSlotNames[slot].version, &suite);
    // A pointer that comes with an error code is not trusted; the slot stays
    // empty, so nothing is released for it either.
    if (err != kSPNoError || suite == nullptr) throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
    slots_[slot] = suite;
  }
  return slots_[slot];
}

const PF_ANSICallbacksSuite1* SuiteHandler::AnsiSuite() {
  return static_cast<const PF_ANSICallbacksSuite1*>(Suite(SUITE_SLOT_ANSI));
}

const PF_WorldTransformSuite1* SuiteHandler::WorldTransformSuite() {
  return static_cast<const PF_WorldTransformSuite1*>(Suite(SUITE_SLOT_WORLD_TRANSFORM));
}

const PF_Iterate8Suite1* SuiteHandler::Iterate8Suite() {
  return static_cast<const PF_Iterate8Suite1*>(Suite(SUITE_SLOT_ITERATE8));
}

const PF_Iterate16Suite1* SuiteHandler::Iterate16Suite() {
  return static_cast<const PF_Iterate16Suite1*>(Suite(SUITE_SLOT_ITERATE16));
}

const PF_ColorParamSuite1* SuiteHandler::ColorParamSuite() {
  return static_cast<const PF_ColorParamSuite1*>(Suite(SUITE_SLOT_COLOR_PARAM));
}

const PF_WorldSuite2* SuiteHandler::WorldSuite() {
  return static_cast<const PF_WorldSuite2*>(Suite(SUITE_SLOT_WORLD));
}

const PF_IterateFloatSuite1* SuiteHandler::IterateFloatSuite() {
  return static_cast<const PF_IterateFloatSuite1*>(Suite(SUITE_SLOT_ITERATE_FLOAT));
}

namespace {

// The message is the format itself; it holds no conversion.
PF_Err Report(const PF_InData* in_data, PF_OutData* out_data, const char* message) {
  out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
  in_data->utils->ansi.sprintf(out_data->return_msg, message);
  return PF_Err_BAD_CALLBACK_PARAM;
}

}  // namespace

PF_Err AcquireSuiteOrReport(const PF_InData* in_data, PF_OutData* out_data, const char* name,
                            int32_t version, const void** suite) {
  if (in_data->pica_basicP != nullptr) in_data->pica_basicP->AcquireSuite(name, version, suite);
  if (*suite == nullptr) return Report(in_data, out_data, "Not able to acquire AEFX Suite.");
  return PF_Err_NONE;
}

PF_Err ReleaseSuiteOrReport(const PF_InData* in_data, PF_OutData* out_data, const char* name,
                            int32_t version) {
  if (in_data->pica_basicP == nullptr) {
    return Report(in_data, out_data, "Not able to release AEFX Suite.");
  }
  in_data->pica_basicP->ReleaseSuite(name, version);
  return PF_Err_NONE;
}

PF_Err PixelFormatSuiteHold::Acquire() {
  return AcquireSuiteOrReport(in_data_, out_data_, kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1,
                              &suite_);
}

PF_Err PixelFormatSuiteHold::Release() {
  if (suite_ == nullptr) return PF_Err_NONE;
  suite_ = nullptr;
  return ReleaseSuiteOrReport(in_data_, out_data_, kPFPixelFormatSuite,
                              kPFPixelFormatSuiteVersion1);
}
