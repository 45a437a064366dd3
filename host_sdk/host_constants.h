// The host's command codes, error codes, flag bits, limits, suite names and pixel-format
// codes, under the host's own names. Values are those of the Windows x64 host; every
// one is checked against the recorded host values by tests/host_sdk/host_abi_test.cpp.
#pragma once

#include <cstdint>
#include <limits>

#include "host_sdk/host_types.h"

// ---- Command selectors: the order is fixed by the host and never changes.
constexpr PF_Cmd PF_Cmd_ABOUT = 0;
constexpr PF_Cmd PF_Cmd_GLOBAL_SETUP = 1;
constexpr PF_Cmd PF_Cmd_UNUSED_0 = 2;
constexpr PF_Cmd PF_Cmd_GLOBAL_SETDOWN = 3;
constexpr PF_Cmd PF_Cmd_PARAMS_SETUP = 4;
constexpr PF_Cmd PF_Cmd_SEQUENCE_SETUP = 5;
constexpr PF_Cmd PF_Cmd_SEQUENCE_RESETUP = 6;
constexpr PF_Cmd PF_Cmd_SEQUENCE_FLATTEN = 7;
constexpr PF_Cmd PF_Cmd_SEQUENCE_SETDOWN = 8;
constexpr PF_Cmd PF_Cmd_DO_DIALOG = 9;
constexpr PF_Cmd PF_Cmd_FRAME_SETUP = 10;
constexpr PF_Cmd PF_Cmd_RENDER = 11;
constexpr PF_Cmd PF_Cmd_FRAME_SETDOWN = 12;
constexpr PF_Cmd PF_Cmd_USER_CHANGED_PARAM = 13;
constexpr PF_Cmd PF_Cmd_UPDATE_PARAMS_UI = 14;
constexpr PF_Cmd PF_Cmd_EVENT = 15;
constexpr PF_Cmd PF_Cmd_GET_EXTERNAL_DEPENDENCIES = 16;
constexpr PF_Cmd PF_Cmd_COMPLETELY_GENERAL = 17;
constexpr PF_Cmd PF_Cmd_QUERY_DYNAMIC_FLAGS = 18;
constexpr PF_Cmd PF_Cmd_AUDIO_RENDER = 19;
constexpr PF_Cmd PF_Cmd_AUDIO_SETUP = 20;
constexpr PF_Cmd PF_Cmd_AUDIO_SETDOWN = 21;
constexpr PF_Cmd PF_Cmd_ARBITRARY_CALLBACK = 22;
constexpr PF_Cmd PF_Cmd_SMART_PRE_RENDER = 23;
constexpr PF_Cmd PF_Cmd_SMART_RENDER = 24;
constexpr PF_Cmd PF_Cmd_RESERVED1 = 25;
constexpr PF_Cmd PF_Cmd_RESERVED2 = 26;
constexpr PF_Cmd PF_Cmd_RESERVED3 = 27;
constexpr PF_Cmd PF_Cmd_GET_FLATTENED_SEQUENCE_DATA = 28;
constexpr PF_Cmd PF_Cmd_TRANSLATE_PARAMS_TO_PREFS = 29;
// 30 to 33 exist only in hosts from 2020 on; older hosts count 30 commands.
constexpr PF_Cmd PF_Cmd_RESERVED4 = 30;
constexpr PF_Cmd PF_Cmd_SMART_RENDER_GPU = 31;
constexpr PF_Cmd PF_Cmd_GPU_DEVICE_SETUP = 32;
constexpr PF_Cmd PF_Cmd_GPU_DEVICE_SETDOWN = 33;
constexpr PF_Cmd PF_Cmd_NUM_CMDS = 34;

// ---- Error codes returned by the entry point and the callbacks.
constexpr PF_Err PF_Err_NONE = 0;
constexpr PF_Err PF_Err_OUT_OF_MEMORY = 4;
constexpr PF_Err PF_FIRST_ERR = 512;
constexpr PF_Err PF_Err_INTERNAL_STRUCT_DAMAGED = 512;
constexpr PF_Err PF_Err_INVALID_INDEX = 513;
constexpr PF_Err PF_Err_UNRECOGNIZED_PARAM_TYPE = 514;
constexpr PF_Err PF_Err_INVALID_CALLBACK = 515;
constexpr PF_Err PF_Err_BAD_CALLBACK_PARAM = 516;
constexpr PF_Err PF_Interrupt_CANCEL = 517;
constexpr PF_Err PF_Err_CANNOT_PARSE_KEYFRAME_TEXT = 518;

// Codes of the host's basic layer and of the basic suite; suites may return them.
constexpr A_Err A_Err_NONE = 0;
constexpr A_Err A_Err_GENERIC = 1;
constexpr A_Err A_Err_STRUCT = 2;
constexpr A_Err A_Err_PARAMETER = 3;
constexpr A_Err A_Err_ALLOC = 4;
constexpr A_Err A_Err_WRONG_THREAD = 5;
constexpr A_Err A_Err_CONST_PROJECT_MODIFICATION = 6;
constexpr A_Err A_Err_MISSING_SUITE = 13;
constexpr SPErr kSPNoError = 0;

// ---- out_flags. Bit 31 is negative as a signed 32-bit word, as the host sees it.
constexpr PF_OutFlags PF_OutFlag_NONE = 0;
constexpr PF_OutFlags PF_OutFlag_KEEP_RESOURCE_OPEN = 1 << 0;
constexpr PF_OutFlags PF_OutFlag_WIDE_TIME_INPUT = 1 << 1;
constexpr PF_OutFlags PF_OutFlag_NON_PARAM_VARY = 1 << 2;
constexpr PF_OutFlags PF_OutFlag_RESERVED6 = 1 << 3;
constexpr PF_OutFlags PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING = 1 << 4;
constexpr PF_OutFlags PF_OutFlag_I_DO_DIALOG = 1 << 5;
constexpr PF_OutFlags PF_OutFlag_USE_OUTPUT_EXTENT = 1 << 6;
constexpr PF_OutFlags PF_OutFlag_SEND_DO_DIALOG = 1 << 7;
constexpr PF_OutFlags PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1 << 8;
constexpr PF_OutFlags PF_OutFlag_I_EXPAND_BUFFER = 1 << 9;
constexpr PF_OutFlags PF_OutFlag_PIX_INDEPENDENT = 1 << 10;
constexpr PF_OutFlags PF_OutFlag_I_WRITE_INPUT_BUFFER = 1 << 11;
constexpr PF_OutFlags PF_OutFlag_I_SHRINK_BUFFER = 1 << 12;
constexpr PF_OutFlags PF_OutFlag_WORKS_IN_PLACE = 1 << 13;
constexpr PF_OutFlags PF_OutFlag_RESERVED8 = 1 << 14;
constexpr PF_OutFlags PF_OutFlag_CUSTOM_UI = 1 << 15;
constexpr PF_OutFlags PF_OutFlag_RESERVED7 = 1 << 16;
constexpr PF_OutFlags PF_OutFlag_REFRESH_UI = 1 << 17;
constexpr PF_OutFlags PF_OutFlag_NOP_RENDER = 1 << 18;
constexpr PF_OutFlags PF_OutFlag_I_USE_SHUTTER_ANGLE = 1 << 19;
constexpr PF_OutFlags PF_OutFlag_I_USE_AUDIO = 1 << 20;
constexpr PF_OutFlags PF_OutFlag_I_AM_OBSOLETE = 1 << 21;
constexpr PF_OutFlags PF_OutFlag_FORCE_RERENDER = 1 << 22;
constexpr PF_OutFlags PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS = 1 << 23;
constexpr PF_OutFlags PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES = 1 << 24;
constexpr PF_OutFlags PF_OutFlag_DEEP_COLOR_AWARE = 1 << 25;
constexpr PF_OutFlags PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1 << 26;
constexpr PF_OutFlags PF_OutFlag_AUDIO_FLOAT_ONLY = 1 << 27;
constexpr PF_OutFlags PF_OutFlag_AUDIO_IIR = 1 << 28;
constexpr PF_OutFlags PF_OutFlag_I_SYNTHESIZE_AUDIO = 1 << 29;
constexpr PF_OutFlags PF_OutFlag_AUDIO_EFFECT_TOO = 1 << 30;
constexpr PF_OutFlags PF_OutFlag_AUDIO_EFFECT_ONLY = std::numeric_limits<PF_OutFlags>::min();

// ---- out_flags2.
constexpr PF_OutFlags2 PF_OutFlag2_NONE = 0;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS = 1 << 0;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_3D_CAMERA = 1 << 1;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_3D_LIGHTS = 1 << 2;
constexpr PF_OutFlags2 PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG = 1 << 3;
constexpr PF_OutFlags2 PF_OutFlag2_I_AM_THREADSAFE = 1 << 4;
constexpr PF_OutFlags2 PF_OutFlag2_CAN_COMBINE_WITH_DESTINATION = 1 << 5;
constexpr PF_OutFlags2 PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS = 1 << 6;
constexpr PF_OutFlags2 PF_OutFlag2_REVEALS_ZERO_ALPHA = 1 << 7;
constexpr PF_OutFlags2 PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS = 1 << 8;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_SMART_RENDER = 1 << 10;
constexpr PF_OutFlags2 PF_OutFlag2_FLOAT_COLOR_AWARE = 1 << 12;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_THREADED_RENDERING = 1 << 27;  // hosts from 2020 on

// ---- Parameter kinds.
constexpr PF_ParamType PF_Param_RESERVED = -1;
constexpr PF_ParamType PF_Param_LAYER = 0;
constexpr PF_ParamType PF_Param_SLIDER = 1;
constexpr PF_ParamType PF_Param_FIX_SLIDER = 2;
constexpr PF_ParamType PF_Param_ANGLE = 3;
constexpr PF_ParamType PF_Param_CHECKBOX = 4;
constexpr PF_ParamType PF_Param_COLOR = 5;
constexpr PF_ParamType PF_Param_POINT = 6;
constexpr PF_ParamType PF_Param_POPUP = 7;
constexpr PF_ParamType PF_Param_CUSTOM = 8;
constexpr PF_ParamType PF_Param_NO_DATA = 9;
constexpr PF_ParamType PF_Param_FLOAT_SLIDER = 10;
constexpr PF_ParamType PF_Param_ARBITRARY_DATA = 11;
constexpr PF_ParamType PF_Param_PATH = 12;
constexpr PF_ParamType PF_Param_GROUP_START = 13;
constexpr PF_ParamType PF_Param_GROUP_END = 14;
constexpr PF_ParamType PF_Param_BUTTON = 15;
constexpr PF_ParamType PF_Param_RESERVED2 = 16;
constexpr PF_ParamType PF_Param_RESERVED3 = 17;
constexpr PF_ParamType PF_Param_POINT_3D = 18;

// ---- Parameter flags, interface flags and value display.
constexpr PF_ParamFlags PF_ParamFlag_RESERVED1 = 1 << 0;
constexpr PF_ParamFlags PF_ParamFlag_CANNOT_TIME_VARY = 1 << 1;
constexpr PF_ParamFlags PF_ParamFlag_CANNOT_INTERP = 1 << 2;
constexpr PF_ParamFlags PF_ParamFlag_COLLAPSE_TWIRLY = 1 << 5;
constexpr PF_ParamFlags PF_ParamFlag_SUPERVISE = 1 << 6;
constexpr PF_ParamFlags PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS = 1 << 7;
constexpr PF_ParamFlags PF_ParamFlag_EXCLUDE_FROM_HAVE_INPUTS_CHANGED = 1 << 8;
constexpr PF_ParamFlags PF_ParamFlag_SKIP_REVEAL_WHEN_UNHIDDEN = 1 << 9;

constexpr PF_ParamUIFlags PF_PUI_NONE = 0;
constexpr PF_ParamUIFlags PF_PUI_INVISIBLE = 1 << 9;

// For a fixed-point slider the percent flag also shows the range as 0..100 %.
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_NONE = 0;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_PERCENT = 1;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_PIXEL = 2;

constexpr PF_FSliderFlags PF_FSliderFlag_NONE = 0;
constexpr PF_FSliderFlags PF_FSliderFlag_WANT_PHASE = 1;

// ---- Worlds, quality, fields, layers, stages.
constexpr PF_WorldFlags PF_WorldFlag_DEEP = 1 << 0;  // 16 bits per channel
constexpr PF_WorldFlags PF_WorldFlag_WRITEABLE = 1 << 1;

constexpr PF_Quality PF_Quality_DRAWING_AUDIO = -1;
constexpr PF_Quality PF_Quality_LO = 0;
constexpr PF_Quality PF_Quality_HI = 1;

constexpr PF_Field PF_Field_FRAME = 0;
constexpr PF_Field PF_Field_UPPER = 1;
constexpr PF_Field PF_Field_LOWER = 2;

constexpr A_long PF_LayerDefault_MYSELF = -1;
constexpr A_long PF_LayerDefault_NONE = 0;

constexpr PF_ModeFlags PF_MF_Alpha_PREMUL = 0;
constexpr PF_ModeFlags PF_MF_Alpha_STRAIGHT = 1;

constexpr PF_NewWorldFlags PF_NewWorldFlag_CLEAR_PIXELS = 1 << 0;
constexpr PF_NewWorldFlags PF_NewWorldFlag_DEEP_PIXELS = 1 << 1;

constexpr PF_Stage PF_Stage_DEVELOP = 0;
constexpr PF_Stage PF_Stage_ALPHA = 1;
constexpr PF_Stage PF_Stage_BETA = 2;
constexpr PF_Stage PF_Stage_RELEASE = 3;

// ---- Text lengths (buffers hold one more byte for the NUL) and channel limits.
constexpr A_long PF_MAX_EFFECT_NAME_LEN = 31;
constexpr A_long PF_MAX_EFFECT_CATEGORY_NAME_LEN = 31;
constexpr A_long PF_MAX_EFFECT_PARAM_NAME_LEN = 31;
constexpr A_long PF_MAX_PARAM_DESCRIPTION_LEN = 31;
constexpr A_long PF_MAX_PARAM_VALUE_LEN = 31;
constexpr A_long PF_MAX_EFFECT_MSG_LEN = 255;

constexpr A_long PF_MAX_CHAN8 = 255;
constexpr A_long PF_HALF_CHAN8 = 128;
constexpr A_long PF_MAX_CHAN16 = 32768;  // not 65535
constexpr A_long PF_HALF_CHAN16 = 16384;

// ---- Interface versions and the effect version word.
constexpr A_long PF_AE_PLUG_IN_VERSION = 13;  // newest interface known: 13.28
constexpr A_long PF_AE_PLUG_IN_SUBVERS = 28;
constexpr A_long PF_AE120_PLUG_IN_VERSION = 13;  // first "CC" release: 13.4
constexpr A_long PF_AE120_PLUG_IN_SUBVERS = 4;
constexpr A_long PF_AE135_PLUG_IN_SUBVERS = 9;  // the 2015 release: 13.9

constexpr A_long PF_Vers_BUILD_SHIFT = 0;
constexpr A_long PF_Vers_STAGE_SHIFT = 9;
constexpr A_long PF_Vers_BUGFIX_SHIFT = 11;
constexpr A_long PF_Vers_SUBVERS_SHIFT = 15;
constexpr A_long PF_Vers_VERS_SHIFT = 19;
constexpr A_long PF_Vers_VERS_HIGH_SHIFT = 26;

// The version word of `my_version`: build 9 bits, stage 2, bug fix 4, minor 4, major 3,
// and the major version's high part (major >> 3, 4 bits) from bit 26.
constexpr A_u_long PF_VERSION(A_u_long major, A_u_long minor, A_u_long bugfix, A_u_long stage,
                              A_u_long build) {
  return (((major >> 3) & 0xFu) << PF_Vers_VERS_HIGH_SHIFT) |
         ((major & 0x7u) << PF_Vers_VERS_SHIFT) | ((minor & 0xFu) << PF_Vers_SUBVERS_SHIFT) |
         ((bugfix & 0xFu) << PF_Vers_BUGFIX_SHIFT) | ((stage & 0x3u) << PF_Vers_STAGE_SHIFT) |
         ((build & 0x1FFu) << PF_Vers_BUILD_SHIFT);
}

// ---- Suites: names exactly as the host spells them ("iterate16" has a lower-case i).
constexpr char kPFANSISuite[] = "PF ANSI Suite";
constexpr char kPFPixelFormatSuite[] = "PF Pixel Format Suite";
constexpr char kPFColorParamSuite[] = "PF ColorParamSuite";
constexpr char kPFIterate8Suite[] = "PF Iterate8 Suite";
constexpr char kPFIterate16Suite[] = "PF iterate16 Suite";
constexpr char kPFWorldTransformSuite[] = "PF World Transform Suite";
constexpr char kSPBasicSuite[] = "SP Basic Suite";

constexpr int32_t kPFANSISuiteVersion1 = 1;
// Version 1 is the 8-slot table of Premiere Pro; version 2, under the same name, is a
// different 2-slot table.
constexpr int32_t kPFPixelFormatSuiteVersion1 = 1;
constexpr int32_t kPFPixelFormatSuiteVersion2 = 2;
constexpr int32_t kPFColorParamSuiteVersion1 = 1;
constexpr int32_t kPFIterate8SuiteVersion1 = 1;
constexpr int32_t kPFIterate16SuiteVersion1 = 1;
constexpr int32_t kPFWorldTransformSuiteVersion1 = 1;
constexpr int32_t kSPBasicSuiteVersion = 4;

// ---- Pixel formats: four-character codes with the first character in the lowest byte.
constexpr PrPixelFormat PrPixelFormat_BGRA_4444_8u = 0x61726762;   // 'bgra': bytes B, G, R, A
constexpr PrPixelFormat PrPixelFormat_BGRA_4444_32f = 0x61724742;  // 'BGra': floats B, G, R, A
constexpr PrPixelFormat PrPixelFormat_BGRA_4444_16u = 0x61726742;  // 'Bgra'
constexpr PrPixelFormat PrPixelFormat_ARGB_4444_8u = 0x62677261;   // 'argb'
constexpr PrPixelFormat PrPixelFormat_VUYA_4444_8u = 0x61797576;   // 'vuya'
constexpr PrPixelFormat PrPixelFormat_VUYA_4444_32f = 0x61795556;  // 'VUya'
constexpr PrPixelFormat PrPixelFormat_Invalid = 0x66646162;        // 'badf'
constexpr PrPixelFormat PrPixelFormat_Any = 0;

constexpr PF_PixelFormat PF_PixelFormat_ARGB32 = 0x62677261;   // 'argb'
constexpr PF_PixelFormat PF_PixelFormat_ARGB64 = 0x36316561;   // 'ae16'
constexpr PF_PixelFormat PF_PixelFormat_ARGB128 = 0x32336561;  // 'ae32'
constexpr PF_PixelFormat PF_PixelFormat_BGRA32 = 0x61726762;   // 'bgra'

// ---- Host identification. `appl_id` packs its creator code the other way round from the
// pixel formats: the first character is the highest byte. The host defines no name for it.
constexpr A_long APPL_ID_PREMIERE_PRO = 0x50724D72;  // 'PrMr'
