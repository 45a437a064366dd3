// The effect's parameter set and every text the host shows.
//
// The persistent ids, kinds and value encodings below are stored in the host's
// project files: once released they never change, or saved projects lose their
// settings. The ids deliberately differ from the indices.
#pragma once

#include <cstdint>

#include "host_sdk/host_constants.h"
#include "host_sdk/host_records.h"

// Positions in the host's parameter array, by which the render reads values.
enum ParamIndex : int32_t {
  PARAM_INPUT = 0,  // the input layer, supplied by the host, never registered
  PARAM_QUALITY = 1,
  PARAM_OFFSET = 2,
  PARAM_GAMMA = 3,
  PARAM_GAIN = 4,
  PARAM_CONTRAST = 5,
  PARAM_PIVOT = 6,
  PARAM_WIDTH = 7,
  PARAM_SHADOWS_ROLLOFF = 8,
  PARAM_HIGHLIGHTS_ROLLOFF = 9,
  PARAM_BLEND = 10,
  PARAM_CLAMP_WHITE = 11,
  PARAM_CLAMP_BLACK = 12,
  PARAM_COUNT = 13,  // the input layer and the twelve registered parameters
};

// Persistent ids (`uu.id`). No parameter has id 1.
enum ParamDiskId : int32_t {
  DISK_ID_OFFSET = 2,
  DISK_ID_GAMMA = 3,
  DISK_ID_GAIN = 4,
  DISK_ID_CONTRAST = 5,
  DISK_ID_PIVOT = 6,
  DISK_ID_WIDTH = 7,
  DISK_ID_QUALITY = 8,
  DISK_ID_SHADOWS_ROLLOFF = 9,
  DISK_ID_HIGHLIGHTS_ROLLOFF = 10,
  DISK_ID_BLEND = 11,
  DISK_ID_CLAMP_WHITE = 12,
  DISK_ID_CLAMP_BLACK = 13,
};

enum StringId : int32_t {
  STR_NONE = 0,
  STR_NAME = 1,
  STR_DESCRIPTION = 2,
  STR_GAMMA = 3,
  STR_GAIN = 4,
  STR_OFFSET = 5,
  STR_QUALITY = 6,
  STR_QUALITY_CHOICES = 7,
  STR_SHADOWS_ROLLOFF = 8,
  STR_HIGHLIGHTS_ROLLOFF = 9,
  STR_CONTRAST = 10,
  STR_PIVOT = 11,
  STR_CONTRAST_WIDTH = 12,
  STR_BLEND = 13,
  STR_CLAMP_BLACK = 14,
  STR_CLAMP_WHITE = 15,
  STR_COUNT = 16,
};

struct StringEntry {
  int32_t id;  // equal to the entry's position in the table
  char text[256];
};

// Constant for the module's lifetime: the host keeps pointers into it (the
// popup's choice list, the checkboxes' side texts).
extern const StringEntry kStringTable[STR_COUNT];

// The text of string `id`, found by position; `id` must be one of the STR_
// constants below STR_COUNT.
const char* GetString(int32_t id);

// Everything that identifies one registered parameter. Ranges and defaults are
// in the units the user sees: percent for the blend, the choice number for the
// popup, the grey level of an opaque grey for the colour, 0 / 1 for a checkbox.
struct ParamIdentity {
  int32_t index;      // ParamIndex
  int32_t disk_id;    // ParamDiskId, the persistent `uu.id`
  int32_t kind;       // PF_Param_*
  int32_t name_id;    // StringId of the parameter's name
  int32_t flags;      // PF_ParamFlag_*
  int32_t detail_id;  // StringId: the popup's choice list, the text beside a checkbox
  double valid_min;
  double valid_max;
  double slider_min;
  double slider_max;
  double default_value;
  int16_t precision;      // decimals shown
  int16_t display_flags;  // PF_ValueDisplayFlag_*
};

constexpr int32_t kRegisteredParamCount = PARAM_COUNT - 1;

// The one table of the effect's parameters, in registration order; entry i
// registers parameter index i + 1. The simulated host and the tool find the
// effect's values by these persistent ids.
// clang-format off
inline constexpr ParamIdentity kParamIdentities[kRegisteredParamCount] = {
  // index                     disk id                     kind                   name                    flags                          detail               valid        slider       default prec display
  {PARAM_QUALITY,            DISK_ID_QUALITY,            PF_Param_POPUP,        STR_QUALITY,            PF_ParamFlag_CANNOT_TIME_VARY, STR_QUALITY_CHOICES, 1, 5,        1, 5,        3,    0, 0},
  {PARAM_OFFSET,             DISK_ID_OFFSET,             PF_Param_FLOAT_SLIDER, STR_OFFSET,             0,                             STR_NONE,           -5, 5,       -1, 1,        0,    4, 0},
  {PARAM_GAMMA,              DISK_ID_GAMMA,              PF_Param_FLOAT_SLIDER, STR_GAMMA,              0,                             STR_NONE,            0, 10,       0, 2,        1,    2, 0},
  {PARAM_GAIN,               DISK_ID_GAIN,               PF_Param_FLOAT_SLIDER, STR_GAIN,               0,                             STR_NONE,            0, 10,       0, 2,        1,    2, 0},
  {PARAM_CONTRAST,           DISK_ID_CONTRAST,           PF_Param_FLOAT_SLIDER, STR_CONTRAST,           0,                             STR_NONE,         -100, 100,   -100, 100,      0,    2, 0},
  {PARAM_PIVOT,              DISK_ID_PIVOT,              PF_Param_COLOR,        STR_PIVOT,              0,                             STR_NONE,            0, 255,      0, 255,    128,    0, 0},
  {PARAM_WIDTH,              DISK_ID_WIDTH,              PF_Param_FLOAT_SLIDER, STR_CONTRAST_WIDTH,     0,                             STR_NONE,        0.001, 1,    0.001, 1,        1,    2, 0},
  {PARAM_SHADOWS_ROLLOFF,    DISK_ID_SHADOWS_ROLLOFF,    PF_Param_FLOAT_SLIDER, STR_SHADOWS_ROLLOFF,    0,                             STR_NONE,            0, 1,        0, 1,        0,    2, 0},
  {PARAM_HIGHLIGHTS_ROLLOFF, DISK_ID_HIGHLIGHTS_ROLLOFF, PF_Param_FLOAT_SLIDER, STR_HIGHLIGHTS_ROLLOFF, 0,                             STR_NONE,            0, 1,        0, 1,        0,    2, 0},
  {PARAM_BLEND,              DISK_ID_BLEND,              PF_Param_FIX_SLIDER,   STR_BLEND,              0,                             STR_NONE,            0, 100,      0, 100,      0,    1, PF_ValueDisplayFlag_PERCENT},
  // The clamps take their names in the opposite order to their indices.
  {PARAM_CLAMP_WHITE,        DISK_ID_CLAMP_WHITE,        PF_Param_CHECKBOX,     STR_CLAMP_WHITE,        PF_ParamFlag_CANNOT_TIME_VARY, STR_NONE,            0, 1,        0, 1,        0,    0, 0},
  {PARAM_CLAMP_BLACK,        DISK_ID_CLAMP_BLACK,        PF_Param_CHECKBOX,     STR_CLAMP_BLACK,        PF_ParamFlag_CANNOT_TIME_VARY, STR_NONE,            0, 1,        0, 1,        0,    0, 0},
};
// clang-format on

// Registers the twelve parameters in index order through `inter.add_param`.
// The first non-zero code from the host ends the setup and is returned, with
// `num_params` left as it was; otherwise `num_params` becomes PARAM_COUNT.
PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data);
