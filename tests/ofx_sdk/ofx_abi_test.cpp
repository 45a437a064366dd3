// Pins our declarations of the image-effect interface to the interface's own
// compiler-printed files (tests/ofx_sdk/data): every line, in order. The layout
// is printed from our records in the files' format (sizes, alignments, member
// offsets and sizes, then the handle and function types), the constants from
// our declared values, and each listing must equal its file exactly, so a
// moved, resized, missing or extra member, and a wrong, missing or extra
// constant, each fail on the line where they differ.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ofx_sdk/ofx_colourspaces.h"
#include "ofx_sdk/ofx_constants.h"
#include "ofx_sdk/ofx_suites.h"
#include "ofx_sdk/ofx_types.h"

namespace {

using Lines = std::vector<std::string>;

Lines ReadLines(const std::string& name) {
  std::ifstream in(std::string(VELMORA_OFX_DATA_DIR) + "/" + name);
  EXPECT_TRUE(in.good()) << "cannot open " << name;
  Lines lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void ExpectSameLines(const Lines& expected, const Lines& actual) {
  ASSERT_FALSE(expected.empty());
  for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
    const std::string want = i < expected.size() ? expected[i] : "(nothing)";
    const std::string have = i < actual.size() ? actual[i] : "(nothing)";
    EXPECT_EQ(want, have) << "line " << i + 1;
  }
}

template <typename T>
void AddRecord(Lines* out, const char* name) {
  out->push_back(std::string(name) + " sizeof " + std::to_string(sizeof(T)));
  out->push_back(std::string(name) + " alignof " + std::to_string(alignof(T)));
}

void AddMember(Lines* out, const char* record, const char* member, size_t offset, size_t size) {
  out->push_back(std::string(record) + "." + member + " " + std::to_string(offset) + " " +
                 std::to_string(size));
}

#define RECORD(T) AddRecord<T>(&lines, #T)
#define MEMBER(T, m) AddMember(&lines, #T, #m, offsetof(T, m), sizeof(std::declval<T&>().m))
#define MEMBERS2(T, a, b) \
  MEMBER(T, a);           \
  MEMBER(T, b)
#define MEMBERS3(T, a, b, c) \
  MEMBERS2(T, a, b);         \
  MEMBER(T, c)
#define MEMBERS4(T, a, b, c, d) \
  MEMBERS3(T, a, b, c);         \
  MEMBER(T, d)
#define TYPE(T) AddRecord<T>(&lines, #T)
#define FUNCTION_TYPE(T) lines.push_back(#T "* sizeof " + std::to_string(sizeof(T*)))

Lines DeclaredLayout() {
  Lines lines;
  RECORD(OfxHost);
  MEMBERS2(OfxHost, host, fetchSuite);
  RECORD(OfxPlugin);
  MEMBERS4(OfxPlugin, pluginApi, apiVersion, pluginIdentifier, pluginVersionMajor);
  MEMBERS3(OfxPlugin, pluginVersionMinor, setHost, mainEntry);
  RECORD(OfxRangeI);
  MEMBERS2(OfxRangeI, min, max);
  RECORD(OfxRangeD);
  MEMBERS2(OfxRangeD, min, max);
  RECORD(OfxPointI);
  MEMBERS2(OfxPointI, x, y);
  RECORD(OfxPointD);
  MEMBERS2(OfxPointD, x, y);
  RECORD(OfxRectI);
  MEMBERS4(OfxRectI, x1, y1, x2, y2);
  RECORD(OfxRectD);
  MEMBERS4(OfxRectD, x1, y1, x2, y2);
  RECORD(OfxBytes);
  MEMBERS2(OfxBytes, data, length);
  RECORD(OfxRGBAColourB);
  MEMBERS4(OfxRGBAColourB, r, g, b, a);
  RECORD(OfxRGBAColourS);
  MEMBERS4(OfxRGBAColourS, r, g, b, a);
  RECORD(OfxRGBAColourF);
  MEMBERS4(OfxRGBAColourF, r, g, b, a);
  RECORD(OfxRGBAColourD);
  MEMBERS4(OfxRGBAColourD, r, g, b, a);
  RECORD(OfxRGBColourB);
  MEMBERS3(OfxRGBColourB, r, g, b);
  RECORD(OfxRGBColourS);
  MEMBERS3(OfxRGBColourS, r, g, b);
  RECORD(OfxRGBColourF);
  MEMBERS3(OfxRGBColourF, r, g, b);
  RECORD(OfxRGBColourD);
  MEMBERS3(OfxRGBColourD, r, g, b);
  RECORD(OfxPropertySuiteV1);
  MEMBERS4(OfxPropertySuiteV1, propSetPointer, propSetString, propSetDouble, propSetInt);
  MEMBERS4(OfxPropertySuiteV1, propSetPointerN, propSetStringN, propSetDoubleN, propSetIntN);
  MEMBERS4(OfxPropertySuiteV1, propGetPointer, propGetString, propGetDouble, propGetInt);
  MEMBERS4(OfxPropertySuiteV1, propGetPointerN, propGetStringN, propGetDoubleN, propGetIntN);
  MEMBERS2(OfxPropertySuiteV1, propReset, propGetDimension);
  RECORD(OfxImageEffectSuiteV1);
  MEMBERS4(OfxImageEffectSuiteV1, getPropertySet, getParamSet, clipDefine, clipGetHandle);
  MEMBERS4(OfxImageEffectSuiteV1, clipGetPropertySet, clipGetImage, clipReleaseImage,
           clipGetRegionOfDefinition);
  MEMBERS3(OfxImageEffectSuiteV1, abort, imageMemoryAlloc, imageMemoryFree);
  MEMBERS2(OfxImageEffectSuiteV1, imageMemoryLock, imageMemoryUnlock);
  RECORD(OfxParameterSuiteV1);
  MEMBERS4(OfxParameterSuiteV1, paramDefine, paramGetHandle, paramSetGetPropertySet,
           paramGetPropertySet);
  MEMBERS4(OfxParameterSuiteV1, paramGetValue, paramGetValueAtTime, paramGetDerivative,
           paramGetIntegral);
  MEMBERS4(OfxParameterSuiteV1, paramSetValue, paramSetValueAtTime, paramGetNumKeys,
           paramGetKeyTime);
  MEMBERS4(OfxParameterSuiteV1, paramGetKeyIndex, paramDeleteKey, paramDeleteAllKeys, paramCopy);
  MEMBERS2(OfxParameterSuiteV1, paramEditBegin, paramEditEnd);
  RECORD(OfxMemorySuiteV1);
  MEMBERS2(OfxMemorySuiteV1, memoryAlloc, memoryFree);
  RECORD(OfxMultiThreadSuiteV1);
  MEMBERS4(OfxMultiThreadSuiteV1, multiThread, multiThreadNumCPUs, multiThreadIndex,
           multiThreadIsSpawnedThread);
  MEMBERS4(OfxMultiThreadSuiteV1, mutexCreate, mutexDestroy, mutexLock, mutexUnLock);
  MEMBER(OfxMultiThreadSuiteV1, mutexTryLock);
  RECORD(OfxMessageSuiteV1);
  MEMBER(OfxMessageSuiteV1, message);
  RECORD(OfxMessageSuiteV2);
  MEMBERS3(OfxMessageSuiteV2, message, setPersistentMessage, clearPersistentMessage);
  RECORD(OfxProgressSuiteV1);
  MEMBERS3(OfxProgressSuiteV1, progressStart, progressUpdate, progressEnd);
  RECORD(OfxProgressSuiteV2);
  MEMBERS3(OfxProgressSuiteV2, progressStart, progressUpdate, progressEnd);
  RECORD(OfxTimeLineSuiteV1);
  MEMBERS3(OfxTimeLineSuiteV1, getTime, gotoTime, getTimeBounds);
  TYPE(OfxStatus);
  TYPE(OfxTime);
  TYPE(OfxPropertySetHandle);
  TYPE(OfxImageEffectHandle);
  TYPE(OfxImageClipHandle);
  TYPE(OfxImageMemoryHandle);
  TYPE(OfxParamHandle);
  TYPE(OfxParamSetHandle);
  TYPE(OfxMutexHandle);
  FUNCTION_TYPE(OfxPluginEntryPoint);
  FUNCTION_TYPE(OfxThreadFunctionV1);
  FUNCTION_TYPE(OfxCustomParamInterpFuncV1);
  return lines;
}

// Each listing comes from the declared constant, not from the text of the list.
Lines DeclaredConstants() {
  Lines lines;
#define OFX_STRING(name, value) lines.push_back(std::string(#name " \"") + name + "\"");
#define OFX_INT(name, value) lines.push_back(#name " " + std::to_string(name));
#include "ofx_sdk/ofx_constants.inc"
#undef OFX_STRING
#undef OFX_INT
  return lines;
}

Lines DeclaredColourspaces() {
  Lines lines;
#define OFX_STRING(name, value) lines.push_back(std::string(#name " \"") + name + "\"");
#define OFX_BOOL(name, value) lines.push_back(std::string(#name) + (name ? " true" : " false"));
#include "ofx_sdk/ofx_colourspaces.inc"
#undef OFX_STRING
#undef OFX_BOOL
  return lines;
}

TEST(OfxAbi, LayoutEqualsBothPrintouts) {
  const Lines declared = DeclaredLayout();
  ExpectSameLines(ReadLines("ofx-api-offsets.txt"), declared);
  ExpectSameLines(ReadLines("ofx-api-offsets-lp64.txt"), declared);
}

TEST(OfxAbi, ConstantsEqualThePrintout) {
  ExpectSameLines(ReadLines("ofx-api-constants.txt"), DeclaredConstants());
}

TEST(OfxAbi, ColourspacesEqualThePrintout) {
  ExpectSameLines(ReadLines("ofx-api-colourspaces.txt"), DeclaredColourspaces());
}

}  // namespace
