// The interface's suites: tables of host functions fetched by name and version
// through OfxHost.fetchSuite. The order of the slots is the binary interface.
// The parameter and message suites' value calls are variadic: arguments after
// the fixed ones follow the C default promotions (double, int, pointers).
#pragma once

#include <cstddef>
#include <cstdint>

#include "ofx_sdk/ofx_types.h"

extern "C" {

struct OfxPropertySuiteV1 {
  OfxStatus (*propSetPointer)(OfxPropertySetHandle properties, const char* property, int32_t index,
                              void* value);
  OfxStatus (*propSetString)(OfxPropertySetHandle properties, const char* property, int32_t index,
                             const char* value);
  OfxStatus (*propSetDouble)(OfxPropertySetHandle properties, const char* property, int32_t index,
                             double value);
  OfxStatus (*propSetInt)(OfxPropertySetHandle properties, const char* property, int32_t index,
                          int32_t value);
  OfxStatus (*propSetPointerN)(OfxPropertySetHandle properties, const char* property, int32_t count,
                               void* const* value);
  OfxStatus (*propSetStringN)(OfxPropertySetHandle properties, const char* property, int32_t count,
                              const char* const* value);
  OfxStatus (*propSetDoubleN)(OfxPropertySetHandle properties, const char* property, int32_t count,
                              const double* value);
  OfxStatus (*propSetIntN)(OfxPropertySetHandle properties, const char* property, int32_t count,
                           const int32_t* value);
  OfxStatus (*propGetPointer)(OfxPropertySetHandle properties, const char* property, int32_t index,
                              void** value);
  OfxStatus (*propGetString)(OfxPropertySetHandle properties, const char* property, int32_t index,
                             char** value);
  OfxStatus (*propGetDouble)(OfxPropertySetHandle properties, const char* property, int32_t index,
                             double* value);
  OfxStatus (*propGetInt)(OfxPropertySetHandle properties, const char* property, int32_t index,
                          int32_t* value);
  OfxStatus (*propGetPointerN)(OfxPropertySetHandle properties, const char* property, int32_t count,
                               void** value);
  OfxStatus (*propGetStringN)(OfxPropertySetHandle properties, const char* property, int32_t count,
                              char** value);
  OfxStatus (*propGetDoubleN)(OfxPropertySetHandle properties, const char* property, int32_t count,
                              double* value);
  OfxStatus (*propGetIntN)(OfxPropertySetHandle properties, const char* property, int32_t count,
                           int32_t* value);
  OfxStatus (*propReset)(OfxPropertySetHandle properties, const char* property);
  OfxStatus (*propGetDimension)(OfxPropertySetHandle properties, const char* property,
                                int32_t* count);
};

struct OfxImageEffectSuiteV1 {
  OfxStatus (*getPropertySet)(OfxImageEffectHandle imageEffect, OfxPropertySetHandle* propHandle);
  OfxStatus (*getParamSet)(OfxImageEffectHandle imageEffect, OfxParamSetHandle* paramSet);
  OfxStatus (*clipDefine)(OfxImageEffectHandle imageEffect, const char* name,
                          OfxPropertySetHandle* propertySet);
  OfxStatus (*clipGetHandle)(OfxImageEffectHandle imageEffect, const char* name,
                             OfxImageClipHandle* clip, OfxPropertySetHandle* propertySet);
  OfxStatus (*clipGetPropertySet)(OfxImageClipHandle clip, OfxPropertySetHandle* propHandle);
  OfxStatus (*clipGetImage)(OfxImageClipHandle clip, OfxTime time, const OfxRectD* region,
                            OfxPropertySetHandle* imageHandle);
  OfxStatus (*clipReleaseImage)(OfxPropertySetHandle imageHandle);
  OfxStatus (*clipGetRegionOfDefinition)(OfxImageClipHandle clip, OfxTime time, OfxRectD* bounds);
  int32_t (*abort)(OfxImageEffectHandle imageEffect);
  OfxStatus (*imageMemoryAlloc)(OfxImageEffectHandle instanceHandle, size_t nBytes,
                                OfxImageMemoryHandle* memoryHandle);
  OfxStatus (*imageMemoryFree)(OfxImageMemoryHandle memoryHandle);
  OfxStatus (*imageMemoryLock)(OfxImageMemoryHandle memoryHandle, void** returnedPtr);
  OfxStatus (*imageMemoryUnlock)(OfxImageMemoryHandle memoryHandle);
};

struct OfxParameterSuiteV1 {
  OfxStatus (*paramDefine)(OfxParamSetHandle paramSet, const char* paramType, const char* name,
                           OfxPropertySetHandle* propertySet);
  OfxStatus (*paramGetHandle)(OfxParamSetHandle paramSet, const char* name, OfxParamHandle* param,
                              OfxPropertySetHandle* propertySet);
  OfxStatus (*paramSetGetPropertySet)(OfxParamSetHandle paramSet, OfxPropertySetHandle* propHandle);
  OfxStatus (*paramGetPropertySet)(OfxParamHandle param, OfxPropertySetHandle* propHandle);
  OfxStatus (*paramGetValue)(OfxParamHandle paramHandle, ...);
  OfxStatus (*paramGetValueAtTime)(OfxParamHandle paramHandle, OfxTime time, ...);
  OfxStatus (*paramGetDerivative)(OfxParamHandle paramHandle, OfxTime time, ...);
  OfxStatus (*paramGetIntegral)(OfxParamHandle paramHandle, OfxTime time1, OfxTime time2, ...);
  OfxStatus (*paramSetValue)(OfxParamHandle paramHandle, ...);
  OfxStatus (*paramSetValueAtTime)(OfxParamHandle paramHandle, OfxTime time, ...);
  OfxStatus (*paramGetNumKeys)(OfxParamHandle paramHandle, uint32_t* numberOfKeys);
  OfxStatus (*paramGetKeyTime)(OfxParamHandle paramHandle, uint32_t nthKey, OfxTime* time);
  OfxStatus (*paramGetKeyIndex)(OfxParamHandle paramHandle, OfxTime time, int32_t direction,
                                int32_t* index);
  OfxStatus (*paramDeleteKey)(OfxParamHandle paramHandle, OfxTime time);
  OfxStatus (*paramDeleteAllKeys)(OfxParamHandle paramHandle);
  OfxStatus (*paramCopy)(OfxParamHandle paramTo, OfxParamHandle paramFrom, OfxTime dstOffset,
                         const OfxRangeD* frameRange);
  OfxStatus (*paramEditBegin)(OfxParamSetHandle paramSet, const char* name);
  OfxStatus (*paramEditEnd)(OfxParamSetHandle paramSet);
};

struct OfxMemorySuiteV1 {
  OfxStatus (*memoryAlloc)(void* handle, size_t nBytes, void** allocatedData);
  OfxStatus (*memoryFree)(void* allocatedData);
};

struct OfxMultiThreadSuiteV1 {
  OfxStatus (*multiThread)(OfxThreadFunctionV1* func, uint32_t nThreads, void* customArg);
  OfxStatus (*multiThreadNumCPUs)(uint32_t* nCPUs);
  OfxStatus (*multiThreadIndex)(uint32_t* threadIndex);
  int32_t (*multiThreadIsSpawnedThread)(void);
  OfxStatus (*mutexCreate)(OfxMutexHandle* mutex, int32_t lockCount);
  OfxStatus (*mutexDestroy)(OfxMutexHandle mutex);
  OfxStatus (*mutexLock)(OfxMutexHandle mutex);
  OfxStatus (*mutexUnLock)(OfxMutexHandle mutex);
  OfxStatus (*mutexTryLock)(OfxMutexHandle mutex);
};

struct OfxMessageSuiteV1 {
  OfxStatus (*message)(void* handle, const char* messageType, const char* messageId,
                       const char* format, ...);
};

// A superset of version 1: its first slot is version 1's call.
struct OfxMessageSuiteV2 {
  OfxStatus (*message)(void* handle, const char* messageType, const char* messageId,
                       const char* format, ...);
  OfxStatus (*setPersistentMessage)(void* handle, const char* messageType, const char* messageId,
                                    const char* format, ...);
  OfxStatus (*clearPersistentMessage)(void* handle);
};

struct OfxProgressSuiteV1 {
  OfxStatus (*progressStart)(void* effectInstance, const char* label);
  OfxStatus (*progressUpdate)(void* effectInstance, double progress);
  OfxStatus (*progressEnd)(void* effectInstance);
};

// Not a superset of version 1: progressStart takes a third argument.
struct OfxProgressSuiteV2 {
  OfxStatus (*progressStart)(void* effectInstance, const char* message, const char* messageid);
  OfxStatus (*progressUpdate)(void* effectInstance, double progress);
  OfxStatus (*progressEnd)(void* effectInstance);
};

struct OfxTimeLineSuiteV1 {
  OfxStatus (*getTime)(void* instance, double* time);
  OfxStatus (*gotoTime)(void* instance, double time);
  OfxStatus (*getTimeBounds)(void* instance, double* firstTime, double* lastTime);
};

}  // extern "C"

static_assert(sizeof(OfxPropertySuiteV1) == 144 && sizeof(OfxImageEffectSuiteV1) == 104 &&
                  sizeof(OfxParameterSuiteV1) == 144 && sizeof(OfxMultiThreadSuiteV1) == 72,
              "suite tables");
