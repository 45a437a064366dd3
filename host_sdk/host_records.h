// The host's records and callback blocks, with exactly the Windows x64 layout
// the host compiles them with. Member order is the ABI: every member is declared, the
// reserved ones included, and every function pointer has the host's exact signature.
// All records are standard-layout PODs so that their offsets can be checked
// (tests/host_sdk/host_abi_test.cpp compares every member with the recorded host layout).
// The parameter definitions are in host_param_defs.h, the suites in host_suites.h.
//
// Windows x64 has one calling convention, so no convention keyword appears. Functions
// the host calls (the entry point, pixel functions) must not let an exception escape.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_sdk/host_constants.h"
#include "host_sdk/host_param_defs.h"
#include "host_sdk/host_types.h"

#pragma pack(push, 8)

// Records the effect only ever sees behind a pointer.
struct PF_CustomUIInfo;
struct PF_SampPB;
struct PF_CompositeMode;
struct PF_MaskWorld;
struct PF_FloatMatrix;
struct PF_LayerAudioOpaque;
struct PF_CallbackOpaque;

using PF_LayerAudio = PF_LayerAudioOpaque*;
using PF_SndSamplePtr = void*;
using PF_CallbackFunc = PF_CallbackOpaque*;

struct PF_InData;
struct PF_ParamDef;
using PF_ParamDefPtr = PF_ParamDef*;
using PF_ParamList = PF_ParamDef**;

// ---- Functions the effect supplies. Arguments: refcon, x, y, input pixel, output pixel.
// The host may call a pixel function from several threads at once.
using PF_IteratePixel8Func = PF_Err (*)(void* refcon, A_long x, A_long y, PF_Pixel* in,
                                        PF_Pixel* out);
using PF_IteratePixel16Func = PF_Err (*)(void* refcon, A_long x, A_long y, PF_Pixel16* in,
                                         PF_Pixel16* out);
using PF_IteratePixelFloatFunc = PF_Err (*)(void* refcon, A_long x, A_long y, PF_PixelFloat* in,
                                            PF_PixelFloat* out);
using PF_IterateGenericFunc = PF_Err (*)(void* refcon, A_long, A_long, A_long);

struct PF_OutData;
// The entry point; `params` is an argv-style array, entry 0 the input layer.
using PF_FilterProc = PF_Err (*)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                 PF_ParamDef** params, PF_LayerDef* output, void* extra);

// ---- Slot signatures shared by the utility callbacks and the suites, declared once so
// that the two copies of a slot cannot drift apart.
using PF_AnsiUnaryProc = A_FpLong (*)(A_FpLong x);
using PF_AnsiBinaryProc = A_FpLong (*)(A_FpLong x, A_FpLong y);
// Variadic: the caller must also pass floating-point arguments in integer registers.
using PF_AnsiSprintfProc = int (*)(A_char* buffer, const A_char* format, ...);
using PF_AnsiStrcpyProc = A_char* (*)(A_char* dst, const A_char* src);

using PF_IterateProc8 = PF_Err (*)(PF_InData* in_data, A_long progress_base, A_long progress_final,
                                   PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                                   PF_IteratePixel8Func pix_fn, PF_EffectWorld* dst);
using PF_IterateOriginProc8 = PF_Err (*)(PF_InData* in_data, A_long progress_base,
                                         A_long progress_final, PF_EffectWorld* src,
                                         const PF_Rect* area, const PF_Point* origin, void* refcon,
                                         PF_IteratePixel8Func pix_fn, PF_EffectWorld* dst);
using PF_IterateLutProc = PF_Err (*)(PF_InData* in_data, A_long progress_base,
                                     A_long progress_final, PF_EffectWorld* src,
                                     const PF_Rect* area, A_u_char* a_lut0, A_u_char* r_lut0,
                                     A_u_char* g_lut0, A_u_char* b_lut0, PF_EffectWorld* dst);
using PF_IterateGenericProc = PF_Err (*)(A_long iterationsL, void* refconPV,
                                         PF_IterateGenericFunc fn_func);
using PF_IterateProc16 = PF_Err (*)(PF_InData* in_data, A_long progress_base, A_long progress_final,
                                    PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                                    PF_IteratePixel16Func pix_fn, PF_EffectWorld* dst);
using PF_IterateOriginProc16 = PF_Err (*)(PF_InData* in_data, A_long progress_base,
                                          A_long progress_final, PF_EffectWorld* src,
                                          const PF_Rect* area, const PF_Point* origin, void* refcon,
                                          PF_IteratePixel16Func pix_fn, PF_EffectWorld* dst);

using PF_CompositeRectProc = PF_Err (*)(PF_ProgPtr effect_ref, PF_Rect* src_rect,
                                        A_long src_opacity, PF_EffectWorld* source_wld,
                                        A_long dest_x, A_long dest_y, PF_Field field_rdr,
                                        PF_XferMode xfer_mode, PF_EffectWorld* dest_wld);
using PF_BlendProc = PF_Err (*)(PF_ProgPtr effect_ref, const PF_EffectWorld* src1,
                                const PF_EffectWorld* src2, PF_Fixed ratio, PF_EffectWorld* dst);
using PF_ConvolveProc = PF_Err (*)(PF_ProgPtr effect_ref, PF_EffectWorld* src, const PF_Rect* area,
                                   PF_KernelFlags flags, A_long kernel_size, void* a_kernel,
                                   void* r_kernel, void* g_kernel, void* b_kernel,
                                   PF_EffectWorld* dst);
// `src_r` and `dst_r` may be NULL for the whole world.
using PF_CopyProc = PF_Err (*)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst,
                               PF_Rect* src_r, PF_Rect* dst_r);
using PF_TransferRectProc = PF_Err (*)(PF_ProgPtr effect_ref, PF_Quality quality,
                                       PF_ModeFlags m_flags, PF_Field field, const PF_Rect* src_rec,
                                       const PF_EffectWorld* src_world,
                                       const PF_CompositeMode* comp_mode,
                                       const PF_MaskWorld* mask_world0, A_long dest_x,
                                       A_long dest_y, PF_EffectWorld* dst_world);
using PF_TransformWorldProc =
    PF_Err (*)(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags, PF_Field field,
               const PF_EffectWorld* src_world, const PF_CompositeMode* comp_mode,
               const PF_MaskWorld* mask_world0, const PF_FloatMatrix* matrices, A_long num_matrices,
               PF_Boolean src2dst_matrix, const PF_Rect* dest_rect, PF_EffectWorld* dst_world);
using PF_SampleProc8 = PF_Err (*)(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y,
                                  const PF_SampPB* params, PF_Pixel* dst_pixel);
using PF_SampleProc16 = PF_Err (*)(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y,
                                   const PF_SampPB* params, PF_Pixel16* dst_pixel);
using PF_SamplingProc = PF_Err (*)(PF_ProgPtr effect_ref, PF_Quality qual, PF_ModeFlags mf,
                                   PF_SampPB* params);
using PF_ColorToFixedProc = PF_Err (*)(PF_ProgPtr effect_ref, PF_Pixel* rgb, PF_Fixed* out3);
using PF_FixedToColorProc = PF_Err (*)(PF_ProgPtr effect_ref, PF_Fixed* in3, PF_Pixel* rgb);
using PF_ColorMeasureProc = PF_Err (*)(PF_ProgPtr effect_ref, PF_Pixel* rgb, A_long* result);

// ---- Audio descriptions, present only because the in and out records embed them.
struct PF_SoundFormatInfo {
  PF_FpLong rateF;
  PF_SoundChannels num_channels;
  PF_SoundFormat format;
  PF_SoundSampleSize sample_size;
};

struct PF_SoundWorld {
  PF_SoundFormatInfo fi;
  A_long num_samples;
  void* dataP;
};

// ---- Interaction callbacks, embedded at the start of PF_InData; frozen by the host.
struct PF_InteractCallbacks {
  PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                           A_long time_step, A_u_long time_scale, PF_ParamDef* param);
  PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
  // `index` -1 appends the definition after the last one registered.
  PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def);
  PF_Err (*abort)(PF_ProgPtr effect_ref);
  PF_Err (*progress)(PF_ProgPtr effect_ref, A_long current, A_long total);
  PF_Err (*register_ui)(PF_ProgPtr effect_ref, PF_CustomUIInfo* cust_info);
  PF_Err (*checkout_layer_audio)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long start_time,
                                 A_long duration, A_u_long time_scale, PF_UFixed rate,
                                 A_long bytes_per_sample, A_long num_channels, A_long fmt_signed,
                                 PF_LayerAudio* audio);
  PF_Err (*checkin_layer_audio)(PF_ProgPtr effect_ref, PF_LayerAudio audio);
  PF_Err (*get_audio_data)(PF_ProgPtr effect_ref, PF_LayerAudio audio, PF_SndSamplePtr* data0,
                           A_long* num_samples0, PF_UFixed* rate0, A_long* bytes_per_sample0,
                           A_long* num_channels0, A_long* fmt_signed0);
  void* reserved_str[3];
  void* reserved[10];
};

// ---- The ANSI block of the utility callbacks.
struct PF_ANSICallbacks {
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
  A_long ansi_procs[1];
};

// ---- Colour conversions of the utility callbacks; the Fixed arrays hold three values.
struct PF_ColorCallbacks {
  PF_ColorToFixedProc RGBtoHLS;
  PF_FixedToColorProc HLStoRGB;
  PF_ColorToFixedProc RGBtoYIQ;
  PF_FixedToColorProc YIQtoRGB;
  PF_ColorMeasureProc Luminance;
  PF_ColorMeasureProc Hue;
  PF_ColorMeasureProc Lightness;
  PF_ColorMeasureProc Saturation;
};

// ---- Utility callbacks, reached through `in_data->utils`.
struct PF_UtilCallbacks {
  PF_SamplingProc begin_sampling;
  PF_SampleProc8 subpixel_sample;
  PF_SampleProc8 area_sample;
  void* get_batch_func_is_deprecated;
  PF_SamplingProc end_sampling;
  PF_CompositeRectProc composite_rect;
  PF_BlendProc blend;
  PF_ConvolveProc convolve;
  PF_CopyProc copy;
  PF_Err (*fill)(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* dst_rect,
                 PF_EffectWorld* world);
  PF_Err (*gaussian_kernel)(PF_ProgPtr effect_ref, A_FpLong kRadius, PF_KernelFlags flags,
                            A_FpLong multiplier, A_long* diameter, void* kernel);
  PF_IterateProc8 iterate;
  PF_Err (*premultiply)(PF_ProgPtr effect_ref, A_long forward, PF_EffectWorld* dst);
  PF_Err (*premultiply_color)(PF_ProgPtr effect_ref, PF_EffectWorld* src, const PF_Pixel* color,
                              A_long forward, PF_EffectWorld* dst);
  PF_Err (*new_world)(PF_ProgPtr effect_ref, A_long width, A_long height, PF_NewWorldFlags flags,
                      PF_EffectWorld* world);
  PF_Err (*dispose_world)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
  PF_IterateOriginProc8 iterate_origin;
  PF_IterateLutProc iterate_lut;
  PF_TransferRectProc transfer_rect;
  PF_TransformWorldProc transform_world;
  PF_Handle (*host_new_handle)(A_u_longlong size);
  void* (*host_lock_handle)(PF_Handle pf_handle);
  void (*host_unlock_handle)(PF_Handle pf_handle);
  void (*host_dispose_handle)(PF_Handle pf_handle);
  PF_Err (*get_callback_addr)(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags mode_flags,
                              PF_CallbackID which_callback, PF_CallbackFunc* fn_ptr);
  PF_Err (*app)(PF_ProgPtr effect_ref, A_long selector, ...);
  PF_ANSICallbacks ansi;
  PF_ColorCallbacks colorCB;
  PF_Err (*get_platform_data)(PF_ProgPtr effect_ref, PF_PlatDataID which, void* data);
  A_u_longlong (*host_get_handle_size)(PF_Handle pf_handle);
  PF_IterateOriginProc8 iterate_origin_non_clip_src;
  PF_IterateGenericProc iterate_generic;
  PF_Err (*host_resize_handle)(A_u_longlong new_sizeL, PF_Handle* handlePH);
  PF_SampleProc16 subpixel_sample16;
  PF_SampleProc16 area_sample16;
  PF_Err (*fill16)(PF_ProgPtr effect_ref, const PF_Pixel16* color, const PF_Rect* dst_rect,
                   PF_EffectWorld* world);
  PF_Err (*premultiply_color16)(PF_ProgPtr effect_ref, PF_EffectWorld* src, const PF_Pixel16* color,
                                A_long forward, PF_EffectWorld* dst);
  PF_IterateProc16 iterate16;
  PF_IterateOriginProc16 iterate_origin16;
  PF_IterateOriginProc16 iterate_origin_non_clip_src16;
  PF_Err (*get_pixel_data8)(PF_EffectWorld* worldP, PF_PixelPtr pixelsP0, PF_Pixel8** pixPP);
  PF_Err (*get_pixel_data16)(PF_EffectWorld* worldP, PF_PixelPtr pixelsP0, PF_Pixel16** pixPP);
  A_long reserved[1];
};

// ---- The basic suite, given in `in_data->pica_basicP`; it hands out every other suite.
struct SPBasicSuite {
  // Writes the suite's function table through `suite`; kSPNoError on success.
  SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
  SPErr (*ReleaseSuite)(const char* name, int32_t version);
  SPBoolean (*IsEqual)(const char* token1, const char* token2);
  SPErr (*AllocateBlock)(size_t size, void** block);
  SPErr (*FreeBlock)(void* block);
  SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
  SPErr (*Undefined)();
};

// ---- Input record: what the host tells the effect. Read only.
struct PF_InData {
  PF_InteractCallbacks inter;
  PF_UtilCallbacks* utils;
  PF_ProgPtr effect_ref;  // passed back as the first argument of callbacks
  PF_Quality quality;
  PF_SpecVersion version;
  A_long serial_num;
  A_long appl_id;  // APPL_ID_PREMIERE_PRO in Premiere Pro
  A_long num_params;
  A_long reserved;
  A_long what_cpu;
  A_long what_fpu;
  A_long current_time;
  A_long time_step;
  A_long total_time;
  A_long local_time_step;
  A_u_long time_scale;
  PF_Field field;
  PF_Fixed shutter_angle;
  A_long width;
  A_long height;
  PF_Rect extent_hint;
  A_long output_origin_x;
  A_long output_origin_y;
  PF_RationalScale downsample_x;
  PF_RationalScale downsample_y;
  PF_RationalScale pixel_aspect_ratio;
  PF_InFlags in_flags;
  PF_Handle global_data;
  PF_Handle sequence_data;
  PF_Handle frame_data;
  A_long start_sampL;
  A_long dur_sampL;
  A_long total_sampL;
  PF_SoundWorld src_snd;
  SPBasicSuite* pica_basicP;
  A_long pre_effect_source_origin_x;
  A_long pre_effect_source_origin_y;
  PF_Fixed shutter_phase;
};

// ---- Output record: what the effect tells the host.
struct PF_OutData {
  A_u_long my_version;
  A_char name[PF_MAX_EFFECT_NAME_LEN + 1];
  PF_Handle global_data;
  A_long num_params;
  PF_Handle sequence_data;
  A_long flat_sdata_size;
  PF_Handle frame_data;
  A_long width;
  A_long height;
  PF_Point origin;
  PF_OutFlags out_flags;
  // Shown as an error when PF_OutFlag_DISPLAY_ERROR_MESSAGE is set; NUL-terminated.
  A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
  A_long start_sampL;
  A_long dur_sampL;
  PF_SoundWorld dest_snd;
  PF_OutFlags2 out_flags2;
};

#pragma pack(pop)

// Every build, the Windows one included, stops here if a layout slips.
static_assert(sizeof(PF_SoundFormatInfo) == 16, "PF_SoundFormatInfo layout");
static_assert(sizeof(PF_SoundWorld) == 32, "PF_SoundWorld layout");
static_assert(sizeof(PF_InteractCallbacks) == 176, "PF_InteractCallbacks layout");
static_assert(sizeof(PF_ANSICallbacks) == 160, "PF_ANSICallbacks layout");
static_assert(sizeof(PF_ColorCallbacks) == 64, "PF_ColorCallbacks layout");
static_assert(sizeof(PF_UtilCallbacks) == 552, "PF_UtilCallbacks layout");
static_assert(offsetof(PF_UtilCallbacks, ansi) == 208, "PF_UtilCallbacks.ansi offset");
static_assert(offsetof(PF_UtilCallbacks, reserved) == 544, "PF_UtilCallbacks.reserved offset");
static_assert(sizeof(SPBasicSuite) == 56, "SPBasicSuite layout");
static_assert(sizeof(PF_InData) == 408, "PF_InData layout");
static_assert(offsetof(PF_InData, reserved) == 212, "PF_InData.reserved offset");
static_assert(offsetof(PF_InData, pica_basicP) == 384, "PF_InData.pica_basicP offset");
static_assert(sizeof(PF_OutData) == 408, "PF_OutData layout");
static_assert(offsetof(PF_OutData, return_msg) == 100, "PF_OutData.return_msg offset");
static_assert(offsetof(PF_OutData, out_flags2) == 400, "PF_OutData.out_flags2 offset");
static_assert(sizeof(PF_Boolean) == 1 && sizeof(SPBoolean) == 4, "boolean widths");
