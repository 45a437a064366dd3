// The two suites a smart render needs beyond the classic ones: "PF World
// Suite" version 2, which tells a world's pixel format, and "PF iterateFloat
// Suite" version 1, which spreads a float pixel function over the host's
// threads. Slot order is the ABI.
#pragma once

#include <cstdint>

#include "host_sdk/host_records.h"

#pragma pack(push, 8)

// Version 2 only: version 1 under the same name is a different two-slot table.
struct PF_WorldSuite2 {
  PF_Err (*PF_NewWorld)(PF_ProgPtr effect_ref, A_long widthL, A_long heightL, PF_Boolean clear_pixB,
                        PF_PixelFormat pixel_format, PF_EffectWorld* worldP);
  PF_Err (*PF_DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP);
  PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* worldP, PF_PixelFormat* pixel_formatP);
};

using PF_IterateFloatProc = PF_Err (*)(PF_InData* in_data, A_long progress_base,
                                       A_long progress_final, PF_EffectWorld* src,
                                       const PF_Rect* area, void* refcon,
                                       PF_IteratePixelFloatFunc pix_fn, PF_EffectWorld* dst);
using PF_IterateFloatOriginProc = PF_Err (*)(PF_InData* in_data, A_long progress_base,
                                             A_long progress_final, PF_EffectWorld* src,
                                             const PF_Rect* area, const PF_Point* origin,
                                             void* refcon, PF_IteratePixelFloatFunc pix_fn,
                                             PF_EffectWorld* dst);

// `area` null means the whole destination; the pixel function may run on
// several threads at once.
struct PF_IterateFloatSuite1 {
  PF_IterateFloatProc iterate;
  PF_IterateFloatOriginProc iterate_origin;
  PF_IterateFloatOriginProc iterate_origin_non_clip_src;
};

#pragma pack(pop)

static_assert(sizeof(PF_WorldSuite2) == 24, "PF_WorldSuite2 layout");
static_assert(sizeof(PF_IterateFloatSuite1) == 24, "PF_IterateFloatSuite1 layout");

constexpr char kPFWorldSuite[] = "PF World Suite";
constexpr int32_t kPFWorldSuiteVersion2 = 2;
// Lower-case i, as the host spells it.
constexpr char kPFIterateFloatSuite[] = "PF iterateFloat Suite";
constexpr int32_t kPFIterateFloatSuiteVersion1 = 1;
