// The suites an effect acquires through the basic suite, with exactly the
// Windows x64 layout the host compiles them with: plain tables of function
// pointers whose slot order is the ABI (checked, like the records, by
// tests/host_sdk/host_abi_test.cpp).
#pragma once

#include "host_sdk/host_records.h"

#pragma pack(push, 8)

// ---- Suites: plain tables of function pointers; slot order is the ABI.

// "PF ANSI Suite" version 1: the ANSI block without its trailing reserved word.
struct PF_ANSICallbacksSuite1 {
  PF_AnsiUnaryProc atan;
  PF_AnsiBinaryProc atan2;  // y first, then x
  PF_AnsiUnaryProc ceil;
  PF_AnsiUnaryProc cos;
  PF_AnsiUnaryProc exp;
  PF_AnsiUnaryProc fabs;
  PF_AnsiUnaryProc floor;
  PF_AnsiBinaryProc fmod;
  PF_AnsiBinaryProc hypot;
  PF_AnsiUnaryProc log;
  PF_AnsiUnaryProc log10;
  PF_AnsiBinaryProc pow;
  PF_AnsiUnaryProc sin;
  PF_AnsiUnaryProc sqrt;
  PF_AnsiUnaryProc tan;
  PF_AnsiSprintfProc sprintf;
  PF_AnsiStrcpyProc strcpy;
  PF_AnsiUnaryProc asin;
  PF_AnsiUnaryProc acos;
};

// "PF Pixel Format Suite" version 1, the Premiere Pro table. The host does not implement
// NewWorldOfPixelFormat and DisposeWorld.
struct PF_PixelFormatSuite1 {
  PF_Err (*AddSupportedPixelFormat)(PF_ProgPtr effect_ref, PrPixelFormat pixelFormat);
  PF_Err (*ClearSupportedPixelFormats)(PF_ProgPtr effect_ref);
  PF_Err (*NewWorldOfPixelFormat)(PF_ProgPtr effect_ref, A_u_long width, A_u_long height,
                                  PF_NewWorldFlags flags, PrPixelFormat pixelFormat,
                                  PF_EffectWorld* world);
  PF_Err (*DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
  PF_Err (*GetPixelFormat)(PF_EffectWorld* inWorld, PrPixelFormat* pixelFormat);
  PF_Err (*GetBlackForPixelFormat)(PrPixelFormat pixelFormat, void* pixelData);
  PF_Err (*GetWhiteForPixelFormat)(PrPixelFormat pixelFormat, void* pixelData);
  PF_Err (*ConvertColorToPixelFormattedData)(PrPixelFormat pixelFormat, float alpha, float red,
                                             float green, float blue, void* pixelData);
};

// "PF ColorParamSuite" version 1. The colour is in the working colour space and may lie
// outside 0..1.
struct PF_ColorParamSuite1 {
  PF_Err (*PF_GetFloatingPointColorFromColorDef)(PF_ProgPtr effect_ref,
                                                 const PF_ParamDef* color_defP,
                                                 PF_PixelFloat* fp_colorP);
};

// "PF Iterate8 Suite" version 1. `area` may be NULL for the whole world.
struct PF_Iterate8Suite1 {
  PF_IterateProc8 iterate;
  PF_IterateOriginProc8 iterate_origin;
  PF_IterateLutProc iterate_lut;
  PF_IterateOriginProc8 iterate_origin_non_clip_src;
  PF_IterateGenericProc iterate_generic;
};

// "PF iterate16 Suite" version 1.
struct PF_Iterate16Suite1 {
  PF_IterateProc16 iterate;
  PF_IterateOriginProc16 iterate_origin;
  PF_IterateOriginProc16 iterate_origin_non_clip_src;
};

// "PF World Transform Suite" version 1.
struct PF_WorldTransformSuite1 {
  PF_CompositeRectProc composite_rect;
  PF_BlendProc blend;
  PF_ConvolveProc convolve;
  PF_CopyProc copy;
  PF_CopyProc copy_hq;
  PF_TransferRectProc transfer_rect;
  PF_TransformWorldProc transform_world;
};

#pragma pack(pop)

// Every build, the Windows one included, stops here if a layout slips.
static_assert(sizeof(PF_ANSICallbacksSuite1) == 152, "PF_ANSICallbacksSuite1 layout");
static_assert(sizeof(PF_PixelFormatSuite1) == 64, "PF_PixelFormatSuite1 layout");
static_assert(sizeof(PF_ColorParamSuite1) == 8, "PF_ColorParamSuite1 layout");
static_assert(sizeof(PF_Iterate8Suite1) == 40, "PF_Iterate8Suite1 layout");
static_assert(sizeof(PF_Iterate16Suite1) == 24, "PF_Iterate16Suite1 layout");
static_assert(sizeof(PF_WorldTransformSuite1) == 56, "PF_WorldTransformSuite1 layout");
