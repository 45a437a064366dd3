// The image-effect interface's scalar, handle and function types and its plain
// records (geometry, bootstrap, pixels), with the layout both x86-64 targets
// share: only int, unsigned, float, double, size_t and pointers, natural
// alignment. Depends on nothing; every name is the interface's own, so that
// the layouts can be compared with the interface's printout by name.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef int32_t OfxStatus;
typedef double OfxTime;

// Opaque handles: the plug-in never looks inside. The tags are the interface's
// own (note OfxMutex), so that function types built from them are the same
// types a host compiled.
typedef struct OfxPropertySetStruct* OfxPropertySetHandle;
typedef struct OfxImageEffectStruct* OfxImageEffectHandle;
typedef struct OfxImageClipStruct* OfxImageClipHandle;
typedef struct OfxImageMemoryStruct* OfxImageMemoryHandle;
typedef struct OfxParamStruct* OfxParamHandle;
typedef struct OfxParamSetStruct* OfxParamSetHandle;
typedef struct OfxMutex* OfxMutexHandle;

typedef int32_t(OfxPluginEntryPoint)(const char* action, const void* handle,
                                     OfxPropertySetHandle inArgs, OfxPropertySetHandle outArgs);
typedef void(OfxThreadFunctionV1)(uint32_t threadIndex, uint32_t threadMax, void* customArg);
typedef int32_t(OfxCustomParamInterpFuncV1)(OfxParamSetHandle instance, OfxPropertySetHandle inArgs,
                                            OfxPropertySetHandle outArgs);

struct OfxHost {
  OfxPropertySetHandle host;
  const void* (*fetchSuite)(OfxPropertySetHandle host, const char* suiteName, int32_t suiteVersion);
};

struct OfxPlugin {
  const char* pluginApi;
  int32_t apiVersion;
  const char* pluginIdentifier;
  uint32_t pluginVersionMajor;
  uint32_t pluginVersionMinor;
  void (*setHost)(OfxHost* host);
  OfxPluginEntryPoint* mainEntry;
};

struct OfxRangeI {
  int32_t min;
  int32_t max;
};

struct OfxRangeD {
  double min;
  double max;
};

struct OfxPointI {
  int32_t x;
  int32_t y;
};

struct OfxPointD {
  double x;
  double y;
};

// Half-open: x1 <= x < x2, y1 <= y < y2.
struct OfxRectI {
  int32_t x1;
  int32_t y1;
  int32_t x2;
  int32_t y2;
};

struct OfxRectD {
  double x1;
  double y1;
  double x2;
  double y2;
};

struct OfxBytes {
  const uint8_t* data;
  size_t length;
};

// Pixels: channels in memory in the order R, G, B (, A) at every depth.
struct OfxRGBAColourB {
  uint8_t r, g, b, a;
};
struct OfxRGBAColourS {
  uint16_t r, g, b, a;
};
struct OfxRGBAColourF {
  float r, g, b, a;
};
struct OfxRGBAColourD {
  double r, g, b, a;
};
struct OfxRGBColourB {
  uint8_t r, g, b;
};
struct OfxRGBColourS {
  uint16_t r, g, b;
};
struct OfxRGBColourF {
  float r, g, b;
};
struct OfxRGBColourD {
  double r, g, b;
};

// Exported by a plug-in binary, found by name (C linkage, undecorated).
OfxPlugin* OfxGetPlugin(int32_t nth);
int32_t OfxGetNumberOfPlugins(void);
// Optional for both sides; a binary without it is loaded the older way.
int32_t OfxSetHost(const OfxHost* host);

}  // extern "C"

static_assert(sizeof(OfxHost) == 16 && sizeof(OfxPlugin) == 48, "bootstrap records");
static_assert(sizeof(OfxRectI) == 16 && sizeof(OfxRectD) == 32, "rectangles");
static_assert(sizeof(OfxRGBColourS) == 6 && sizeof(OfxRGBAColourF) == 16, "pixels");
