// The records, callbacks and constants of the host's "smart" pre-render and
// render commands, with exactly the Windows x64 layout the host compiles them
// with (tests/host_sdk/smart_abi_test.cpp checks every member). The host owns
// every record here and lends it for one command; the effect reads the inputs
// and fills only the pre-render output.
//
// Layouts are those of interface 13.28. Older hosts have shorter input records
// (no GPU fields before 13.20, no GuidMixInPtr before 13.9): those members are
// declared for the layout and never read.
#pragma once

#include <cstdint>

#include "host_sdk/host_records.h"

#pragma pack(push, 8)

using PF_ChannelMask = A_long;
using PF_GPU_Framework = A_long;
using PF_RenderOutputFlags = A_short;  // 16 bits, not a 32-bit flag word
using PF_ConstHandle = const void* const*;
// The host calls it to free what the effect left in `pre_render_data`; no
// exception may leave it.
using PF_DeletePreRenderDataFunc = void (*)(void* pre_render_data);

// What is asked of an effect, or what an effect asks of an input. Alignment 4
// and 44 bytes: what follows it in the input records starts at offset 44.
struct PF_RenderRequest {
  PF_LRect rect;  // layer coordinates
  PF_Field field;
  PF_ChannelMask channel_mask;
  PF_Boolean preserve_rgb_of_zero_alpha;
  char unused[3];
  A_long reserved[4];
};

struct PF_PreRenderInput {
  PF_RenderRequest output_request;
  A_short bitdepth;  // bits per channel: 8, 16 or 32
  const void* gpu_data;
  PF_GPU_Framework what_gpu;
  A_u_long device_index;
};

struct PF_PreRenderOutput {
  PF_LRect result_rect;
  PF_LRect max_result_rect;
  PF_Boolean solid;
  PF_Boolean reserved;
  PF_RenderOutputFlags flags;
  void* pre_render_data;  // the host owns it once the command returns
  PF_DeletePreRenderDataFunc delete_pre_render_data_func;
};

// What the host can deliver of one input the effect checked out.
struct PF_CheckoutResult {
  PF_LRect result_rect;
  PF_LRect max_result_rect;
  PF_RationalScale par;
  PF_Boolean solid;
  PF_Boolean reservedB[3];
  A_long ref_width;
  A_long ref_height;
  A_long reserved[6];
};

struct PF_PreRenderCallbacks {
  // `index` 0 is the effect's own input; `checkout_idL` is the effect's own
  // choice, unique within the pre-render.
  PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_idL,
                           const PF_RenderRequest* req, A_long what_time, A_long time_step,
                           A_u_long time_scale, PF_CheckoutResult* checkout_result);
  PF_Err (*GuidMixInPtr)(PF_ProgPtr effect_ref, A_u_long buf_sizeLu, const void* buf);
};

// What `extra` points to in PF_Cmd_SMART_PRE_RENDER.
struct PF_PreRenderExtra {
  PF_PreRenderInput* input;
  PF_PreRenderOutput* output;
  PF_PreRenderCallbacks* cb;
};

struct PF_SmartRenderInput {
  PF_RenderRequest output_request;
  A_short bitdepth;
  void* pre_render_data;
  const void* gpu_data;
  PF_GPU_Framework what_gpu;
  A_u_long device_index;
};

// Both checkouts hand back a pointer to a world the host keeps: the last
// argument is a PF_EffectWorld**, whatever older texts print.
struct PF_SmartRenderCallbacks {
  PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL,
                                  PF_EffectWorld** pixels);
  PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL);
  PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
};

// What `extra` points to in PF_Cmd_SMART_RENDER.
struct PF_SmartRenderExtra {
  PF_SmartRenderInput* input;
  PF_SmartRenderCallbacks* cb;
};

#pragma pack(pop)

static_assert(sizeof(PF_RenderRequest) == 44 && alignof(PF_RenderRequest) == 4,
              "PF_RenderRequest layout");
static_assert(sizeof(PF_PreRenderInput) == 64, "PF_PreRenderInput layout");
static_assert(sizeof(PF_PreRenderOutput) == 56, "PF_PreRenderOutput layout");
static_assert(sizeof(PF_CheckoutResult) == 76, "PF_CheckoutResult layout");
static_assert(sizeof(PF_SmartRenderInput) == 72, "PF_SmartRenderInput layout");

// ---- Interface versions: the version of the effect interface an effect names in its
// property list. Multi-frame rendering needs at least 13.25.
constexpr A_long PF_PLUG_IN_VERSION = 13;
constexpr A_long PF_PLUG_IN_SUBVERS = 28;
constexpr A_long PF_AE182_PLUG_IN_VERSION = 13;
constexpr A_long PF_AE182_PLUG_IN_SUBVERS = 25;
constexpr A_long PF_AE234_PLUG_IN_VERSION = 13;
constexpr A_long PF_AE234_PLUG_IN_SUBVERS = 28;

constexpr PF_OutFlags2 PF_OutFlag2_I_MIX_GUID_DEPENDENCIES = 1 << 21;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA = 1 << 23;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_GPU_RENDER_F32 = 1 << 25;
constexpr PF_OutFlags2 PF_OutFlag2_MUTABLE_RENDER_SEQUENCE_DATA_SLOWER = 1 << 28;

constexpr PF_InFlags PF_InFlag_NONE = 0;
constexpr PF_InFlags PF_InFlag_PROJECT_IS_RENDER_ONLY = 1;

constexpr PF_ChannelMask PF_ChannelMask_ALPHA = 1;
constexpr PF_ChannelMask PF_ChannelMask_RED = 2;
constexpr PF_ChannelMask PF_ChannelMask_GREEN = 4;
constexpr PF_ChannelMask PF_ChannelMask_BLUE = 8;
constexpr PF_ChannelMask PF_ChannelMask_ARGB = 15;

constexpr PF_RenderOutputFlags PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 1;
constexpr PF_RenderOutputFlags PF_RenderOutputFlag_GPU_RENDER_POSSIBLE = 2;
constexpr PF_RenderOutputFlags PF_RenderOutputFlag_RESERVED1 = 4;

constexpr PF_GPU_Framework PF_GPU_Framework_NONE = 0;
constexpr PF_GPU_Framework PF_GPU_Framework_OPENCL = 1;
constexpr PF_GPU_Framework PF_GPU_Framework_METAL = 2;
constexpr PF_GPU_Framework PF_GPU_Framework_CUDA = 3;

constexpr PF_PixelFormat PF_PixelFormat_INVALID = 0x66646162;  // 'badf'
