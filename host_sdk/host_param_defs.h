// The host's parameter definitions, with exactly the Windows x64 layout the
// host compiles them with (checked, like the records, by
// tests/host_sdk/host_abi_test.cpp). PF_ParamDef is what an effect registers
// with add_param and what a render receives for each parameter.
#pragma once

#include <cstddef>

#include "host_sdk/host_constants.h"
#include "host_sdk/host_types.h"

#pragma pack(push, 8)

// ---- Parameter definitions. A text pointer at the end of a definition need only live
// while the definition is registered with add_param.
struct PF_SliderDef {  // integer slider, kept for old projects
  PF_ParamValue value;
  A_char value_str[PF_MAX_PARAM_VALUE_LEN + 1];
  A_char value_desc[PF_MAX_PARAM_DESCRIPTION_LEN + 1];
  PF_ParamValue valid_min;
  PF_ParamValue valid_max;
  PF_ParamValue slider_min;
  PF_ParamValue slider_max;
  PF_ParamValue dephault;
};

struct PF_FixedSliderDef {  // values are 16.16 fixed point: 100 % is 6553600
  PF_Fixed value;
  A_char value_str[PF_MAX_PARAM_VALUE_LEN + 1];
  A_char value_desc[PF_MAX_PARAM_DESCRIPTION_LEN + 1];
  PF_Fixed valid_min;
  PF_Fixed valid_max;
  PF_Fixed slider_min;
  PF_Fixed slider_max;
  PF_Fixed dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
};

// Only the value and phase are doubles; limits and default are floats.
struct PF_FloatSliderDef {
  PF_FpLong value;
  PF_FpLong phase;
  A_char value_desc[PF_MAX_PARAM_DESCRIPTION_LEN + 1];
  PF_FpShort valid_min;
  PF_FpShort valid_max;
  PF_FpShort slider_min;
  PF_FpShort slider_max;
  PF_FpShort dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
  PF_FSliderFlags fs_flags;
  PF_FpShort curve_tolerance;
  PF_Boolean useExponent;  // Premiere Pro only
  PF_FpShort exponent;     // Premiere Pro only
};

struct PF_AngleDef {
  PF_Fixed value;
  PF_Fixed dephault;
  PF_Fixed valid_min;
  PF_Fixed valid_max;
};

struct PF_CheckBoxDef {
  PF_ParamValue value;  // non-zero is on
  PF_Boolean dephault;
  A_char reserved;
  A_short reserved1;
  union {
    const A_char* nameptr;  // text beside the box
  } u;
};

struct PF_ColorDef {
  PF_Pixel value;
  PF_Pixel dephault;
};

struct PF_PointDef {
  PF_Fixed x_value;
  PF_Fixed y_value;
  A_char reserved[3];
  PF_Boolean restrict_bounds;
  PF_Fixed x_dephault;
  PF_Fixed y_dephault;
};

struct PF_PopupDef {
  PF_ParamValue value;  // 1-based choice
  A_short num_choices;
  A_short dephault;
  union {
    const A_char* namesptr;  // choices separated by '|'
  } u;
};

struct PF_ArbitraryDef {
  A_short id;
  A_short pad;
  PF_Handle dephault;
  PF_Handle value;
  void* refconPV;
};

struct PF_PathDef {
  PF_PathID path_id;
  A_long reserved0;
  A_long dephault;
};

struct PF_ButtonDef {
  PF_ParamValue value;
  union {
    const A_char* namesptr;
  } u;
};

struct PF_Point3DDef {
  PF_FpLong x_value;
  PF_FpLong y_value;
  PF_FpLong z_value;
  PF_FpLong x_dephault;
  PF_FpLong y_dephault;
  PF_FpLong z_dephault;
  char reserved[16];
};

union PF_ParamDefUnion {
  PF_LayerDef ld;
  PF_SliderDef sd;
  PF_FixedSliderDef fd;
  PF_AngleDef ad;
  PF_CheckBoxDef bd;
  PF_ColorDef cd;
  PF_PointDef td;
  PF_PopupDef pd;
  PF_FloatSliderDef fs_d;
  PF_ArbitraryDef arb_d;
  PF_PathDef path_d;
  PF_ButtonDef button_d;
  PF_Point3DDef point3d_d;
};

struct PF_ParamDef {
  union {
    A_long id;  // persistent id, set when registering
    PF_ChangeFlags change_flags;
  } uu;
  PF_ParamUIFlags ui_flags;
  A_short ui_width;
  A_short ui_height;
  PF_ParamType param_type;
  A_char name[PF_MAX_EFFECT_PARAM_NAME_LEN + 1];
  PF_ParamFlags flags;
  A_long unused;
  PF_ParamDefUnion u;
};

#pragma pack(pop)

// Every build, the Windows one included, stops here if a layout slips.
static_assert(sizeof(PF_FloatSliderDef) == 88, "PF_FloatSliderDef layout");
static_assert(offsetof(PF_FloatSliderDef, exponent) == 84, "PF_FloatSliderDef.exponent offset");
static_assert(sizeof(PF_FixedSliderDef) == 92, "PF_FixedSliderDef layout");
static_assert(sizeof(PF_PopupDef) == 16, "PF_PopupDef layout");
static_assert(sizeof(PF_CheckBoxDef) == 16, "PF_CheckBoxDef layout");
static_assert(sizeof(PF_ColorDef) == 8, "PF_ColorDef layout");
static_assert(sizeof(PF_ParamDefUnion) == 120, "PF_ParamDefUnion layout");
static_assert(sizeof(PF_ParamDef) == 176, "PF_ParamDef layout");
static_assert(offsetof(PF_ParamDef, u) == 56, "PF_ParamDef.u offset");
