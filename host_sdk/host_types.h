// The host's scalar types, pixels, rectangles and image records, with exactly the
// Windows x64 layout the host uses. Every type is defined from a fixed-width type,
// never from `long`, so that a native Linux x86-64 build has the same layout.
//
// This header is the one piece of the host interface that the tone engine may
// see: the adapters read and write these pixels and image records.
#pragma once

#include <cstdint>

// The host compiles these records with packing 8, which on x86-64 is natural alignment;
// pinning it here keeps a stray narrower pack in an including file from changing them.
#pragma pack(push, 8)

using A_long = int32_t;
using A_u_long = uint32_t;
using A_short = int16_t;
using A_u_short = uint16_t;
using A_char = char;
using A_u_char = uint8_t;
using A_FpLong = double;
using A_FpShort = float;
using A_u_longlong = uint64_t;
using A_intptr_t = int64_t;
using A_Boolean = uint8_t;
using A_Err = A_long;

using PF_Err = A_long;
using PF_Fixed = A_long;  // signed 16.16 fixed point
using PF_UFixed = A_u_long;
using PF_FpLong = double;
using PF_FpShort = float;
using PF_Boolean = A_char;  // one byte on Windows, not bool
using PF_ParamValue = A_long;
using PF_ParamIndex = A_long;
using PF_ValueDisplayFlags = A_short;
using PF_FSliderFlags = A_u_long;

using PF_Cmd = A_long;
using PF_Quality = A_long;
using PF_Field = A_long;
using PF_ParamType = A_long;
using PF_ParamFlags = A_long;
using PF_ParamUIFlags = A_long;
using PF_ChangeFlags = A_long;
using PF_WorldFlags = A_long;
using PF_OutFlags = A_long;
using PF_OutFlags2 = A_long;
using PF_InFlags = A_long;
using PF_ModeFlags = A_long;
using PF_TransferMode = A_long;
using PF_XferMode = A_long;
using PF_NewWorldFlags = A_long;
using PF_CallbackID = A_long;
using PF_PlatDataID = A_long;
using PF_PixelFormat = A_long;
using PF_Stage = A_long;
using PF_KernelFlags = A_u_long;
using PF_SampleEdgeBehav = A_u_long;
using PF_PathID = A_u_long;
using PF_Plane = A_u_long;
using PF_SoundFormat = A_short;
using PF_SoundSampleSize = A_short;
using PF_SoundChannels = A_short;
using PrPixelFormat = int32_t;

// Results of the basic suite. SPBoolean is four bytes on Windows (one byte elsewhere).
using SPErr = int32_t;
using SPBoolean = int32_t;

struct PF_ProgressInfo;  // opaque host handle behind `effect_ref`
using PF_ProgPtr = PF_ProgressInfo*;
using PF_Handle = void**;

struct PF_Pixel {
  A_u_char alpha;
  A_u_char red;
  A_u_char green;
  A_u_char blue;
};
using PF_Pixel8 = PF_Pixel;
using PF_UnionablePixel = PF_Pixel;

// 16-bit channels: full scale is 32768, not 65535.
struct PF_Pixel16 {
  A_u_short alpha;
  A_u_short red;
  A_u_short green;
  A_u_short blue;
};

struct PF_PixelFloat {
  PF_FpShort alpha;
  PF_FpShort red;
  PF_FpShort green;
  PF_FpShort blue;
};
using PF_Pixel32 = PF_PixelFloat;

struct PF_LRect {
  A_long left;
  A_long top;
  A_long right;
  A_long bottom;
};
using PF_Rect = PF_LRect;
using PF_UnionableRect = PF_LRect;

struct PF_Point {
  A_long h;
  A_long v;
};

struct PF_RationalScale {
  A_long num;
  A_u_long den;
};

struct PF_SpecVersion {
  A_short major;
  A_short minor;
};

using PF_PixelPtr = PF_Pixel*;

// An image as the host hands it over. Row y starts at `data + y * rowbytes`
// bytes; `rowbytes` is signed and may exceed `width` times the pixel size.
struct PF_LayerDef {
  void* reserved0;
  void* reserved1;
  PF_WorldFlags world_flags;  // bit 0: 16 bits per channel
  PF_PixelPtr data;
  A_long rowbytes;
  A_long width;
  A_long height;
  PF_UnionableRect extent_hint;
  void* platform_ref;
  A_long reserved_long1;
  void* reserved_long4;
  PF_RationalScale pix_aspect_ratio;
  void* reserved_long2;
  A_long origin_x;
  A_long origin_y;
  A_long reserved_long3;
  A_long dephault;
};
using PF_EffectWorld = PF_LayerDef;

static_assert(sizeof(PF_LRect) == 16, "PF_LRect layout");
static_assert(sizeof(PF_Point) == 8, "PF_Point layout");
static_assert(sizeof(PF_RationalScale) == 8, "PF_RationalScale layout");
static_assert(sizeof(PF_SpecVersion) == 4, "PF_SpecVersion layout");
static_assert(sizeof(PF_Boolean) == 1, "PF_Boolean is one byte");
static_assert(sizeof(PF_Pixel) == 4, "PF_Pixel layout");
static_assert(sizeof(PF_Pixel16) == 8, "PF_Pixel16 layout");
static_assert(sizeof(PF_PixelFloat) == 16, "PF_PixelFloat layout");
static_assert(sizeof(PF_LayerDef) == 120, "PF_LayerDef layout");

#pragma pack(pop)
