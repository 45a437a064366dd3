// The effect's parameter set and every text the host shows.
//
// The persistent ids, kinds and value encodings below are stored in the host's
// project files: once released they never change, or saved projects lose their
// settings. The ids deliberately differ from the indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "engine/frame_curve.h"
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
  PARAM_PRESERVE_HDR = 13,
  PARAM_COUNT = 14,  // the input layer and the registered parameters
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
  DISK_ID_PRESERVE_HDR = 14,
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
  STR_PRESERVE_HDR = 16,
  STR_PRESERVE_HDR_DETAIL = 17,
  STR_COUNT = 18,
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

// A parameter's value in the effect's own units, decoded from the host's
// encoding (host/param_values.h): the popup's choice, a slider's value, the
// blend in percent, 0 or 1 for a checkbox; a colour as three channels 0..1.
struct ParamValue {
  double number;
  float red;
  float green;
  float blue;
};

// How one parameter's value reaches the engine's input.
using ParamReach = void (*)(const ParamValue& value, EffectInput* input);

// One line per parameter: the only place that knows which control a value feeds.
// clang-format off
namespace param_reach {
inline void Quality(const ParamValue& v, EffectInput* in) { in->quality = static_cast<int32_t>(v.number); }
inline void Offset(const ParamValue& v, EffectInput* in) { in->offset = v.number; }
inline void Gamma(const ParamValue& v, EffectInput* in) { in->gamma = v.number; }
inline void Gain(const ParamValue& v, EffectInput* in) { in->gain = v.number; }
inline void Contrast(const ParamValue& v, EffectInput* in) { in->contrast = v.number; }
inline void Pivot(const ParamValue& v, EffectInput* in) { in->pivot_red = v.red; in->pivot_green = v.green; in->pivot_blue = v.blue; }
inline void Width(const ParamValue& v, EffectInput* in) { in->width = v.number; }
inline void ShadowsRolloff(const ParamValue& v, EffectInput* in) { in->shadows_rolloff = v.number; }
inline void HighlightsRolloff(const ParamValue& v, EffectInput* in) { in->highlights_rolloff = v.number; }
inline void Blend(const ParamValue& v, EffectInput* in) { in->blend_percent = v.number; }
inline void ClampWhite(const ParamValue& v, EffectInput* in) { in->clamp_white = v.number != 0.0; }
inline void ClampBlack(const ParamValue& v, EffectInput* in) { in->clamp_black = v.number != 0.0; }
inline void PreserveHdr(const ParamValue& v, EffectInput* in) { in->preserve_hdr = v.number != 0.0; }
}  // namespace param_reach
// clang-format on

// A parameter's default in each host, and the value a project saved before
// the parameter existed reads (only with PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS,
// which makes the host take the definition's `value` for old projects).
struct ParamDefaults {
  double after_effects;
  double premiere_pro;
  double old_projects;
};

// The same default everywhere: what every parameter released so far has.
constexpr ParamDefaults Everywhere(double value) {
  return ParamDefaults{value, value, value};
}

// Everything every layer knows of one registered parameter. Ranges and
// defaults are in the units the user sees: percent for the blend, the choice
// number for the popup, the grey level of an opaque grey for the colour, 0 / 1
// for a checkbox.
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
  ParamDefaults defaults;
  int16_t precision;      // decimals shown
  int16_t display_flags;  // PF_ValueDisplayFlag_*
  const char* tool_name;  // the tool's flag (without dashes) and preset key
  ParamReach reach;
};

// The parameters in registration order, as a range. Everything that walks the
// parameters takes one, so that a test can hand in a table with more rows.
struct ParamTable {
  const ParamIdentity* first;
  const ParamIdentity* last;
  constexpr const ParamIdentity* begin() const { return first; }
  constexpr const ParamIdentity* end() const { return last; }
  constexpr std::size_t size() const { return static_cast<std::size_t>(last - first); }
  // The row of persistent id `disk_id`, or null.
  constexpr const ParamIdentity* FindDiskId(int32_t disk_id) const {
    for (const ParamIdentity* row = first; row != last; ++row) {
      if (row->disk_id == disk_id) return row;
    }
    return nullptr;
  }
};

// The one table of the effect's parameters, in registration order; entry i
// registers parameter index i + 1. The simulated host and the tool find the
// effect's values by these persistent ids.
// clang-format off
inline constexpr ParamIdentity kParamIdentities[] = {
  // index                     disk id                     kind                   name                    flags                          detail               valid        slider       defaults          prec display                      tool name             reaches
  {PARAM_QUALITY,            DISK_ID_QUALITY,            PF_Param_POPUP,        STR_QUALITY,            PF_ParamFlag_CANNOT_TIME_VARY, STR_QUALITY_CHOICES, 1, 5,        1, 5,        Everywhere(3),    0, 0,                           "quality",            param_reach::Quality},
  {PARAM_OFFSET,             DISK_ID_OFFSET,             PF_Param_FLOAT_SLIDER, STR_OFFSET,             0,                             STR_NONE,           -5, 5,       -1, 1,        Everywhere(0),    4, 0,                           "offset",             param_reach::Offset},
  {PARAM_GAMMA,              DISK_ID_GAMMA,              PF_Param_FLOAT_SLIDER, STR_GAMMA,              0,                             STR_NONE,            0, 10,       0, 2,        Everywhere(1),    2, 0,                           "gamma",              param_reach::Gamma},
  {PARAM_GAIN,               DISK_ID_GAIN,               PF_Param_FLOAT_SLIDER, STR_GAIN,               0,                             STR_NONE,            0, 10,       0, 2,        Everywhere(1),    2, 0,                           "gain",               param_reach::Gain},
  {PARAM_CONTRAST,           DISK_ID_CONTRAST,           PF_Param_FLOAT_SLIDER, STR_CONTRAST,           0,                             STR_NONE,         -100, 100,   -100, 100,      Everywhere(0),    2, 0,                           "contrast",           param_reach::Contrast},
  {PARAM_PIVOT,              DISK_ID_PIVOT,              PF_Param_COLOR,        STR_PIVOT,              0,                             STR_NONE,            0, 255,      0, 255,      Everywhere(128),  0, 0,                           "pivot",              param_reach::Pivot},
  {PARAM_WIDTH,              DISK_ID_WIDTH,              PF_Param_FLOAT_SLIDER, STR_CONTRAST_WIDTH,     0,                             STR_NONE,        0.001, 1,    0.001, 1,      Everywhere(1),    2, 0,                           "contrast-width",     param_reach::Width},
  {PARAM_SHADOWS_ROLLOFF,    DISK_ID_SHADOWS_ROLLOFF,    PF_Param_FLOAT_SLIDER, STR_SHADOWS_ROLLOFF,    0,                             STR_NONE,            0, 1,        0, 1,        Everywhere(0),    2, 0,                           "shadows-rolloff",    param_reach::ShadowsRolloff},
  {PARAM_HIGHLIGHTS_ROLLOFF, DISK_ID_HIGHLIGHTS_ROLLOFF, PF_Param_FLOAT_SLIDER, STR_HIGHLIGHTS_ROLLOFF, 0,                             STR_NONE,            0, 1,        0, 1,        Everywhere(0),    2, 0,                           "highlights-rolloff", param_reach::HighlightsRolloff},
  {PARAM_BLEND,              DISK_ID_BLEND,              PF_Param_FIX_SLIDER,   STR_BLEND,              0,                             STR_NONE,            0, 100,      0, 100,      Everywhere(0),    1, PF_ValueDisplayFlag_PERCENT, "blend",              param_reach::Blend},
  // The clamps take their names in the opposite order to their indices.
  {PARAM_CLAMP_WHITE,        DISK_ID_CLAMP_WHITE,        PF_Param_CHECKBOX,     STR_CLAMP_WHITE,        PF_ParamFlag_CANNOT_TIME_VARY, STR_NONE,            0, 1,        0, 1,        Everywhere(0),    0, 0,                           "clamp-white",        param_reach::ClampWhite},
  {PARAM_CLAMP_BLACK,        DISK_ID_CLAMP_BLACK,        PF_Param_CHECKBOX,     STR_CLAMP_BLACK,        PF_ParamFlag_CANNOT_TIME_VARY, STR_NONE,            0, 1,        0, 1,        Everywhere(0),    0, 0,                           "clamp-black",        param_reach::ClampBlack},
  // Version 1.2. On for a new instance in After Effects; off in projects saved
  // before it existed, and in Premiere Pro, where nothing shows that the host
  // honours the flag that gives old projects their value.
  {PARAM_PRESERVE_HDR,       DISK_ID_PRESERVE_HDR,       PF_Param_CHECKBOX,     STR_PRESERVE_HDR,       PF_ParamFlag_CANNOT_TIME_VARY | PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS, STR_PRESERVE_HDR_DETAIL, 0, 1, 0, 1, ParamDefaults{1, 0, 0}, 0, 0, "preserve-hdr", param_reach::PreserveHdr},
};
// clang-format on

inline constexpr ParamTable kParamTable{std::begin(kParamIdentities), std::end(kParamIdentities)};

// Registers the table's parameters in index order through `inter.add_param`,
// each with its default for the calling host. The first non-zero code from the
// host ends the setup and is returned, with `num_params` left as it was;
// otherwise `num_params` becomes the input layer and the table's rows.
PF_Err RegisterParams(PF_InData* in_data, PF_OutData* out_data, ParamTable table);

// The effect's own table.
inline PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
  return RegisterParams(in_data, out_data, kParamTable);
}

// Row i registers index i + 1, and every index has its row, so the host's
// array and the table agree.
constexpr bool IndicesFollowTheRows(ParamTable table) {
  int32_t expected = PARAM_INPUT + 1;
  for (const ParamIdentity& identity : table) {
    if (identity.index != expected++) return false;
  }
  return expected == PARAM_COUNT;
}
static_assert(IndicesFollowTheRows(kParamTable));
