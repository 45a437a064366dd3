// The values of a render in the host's own encodings, one per row of the
// effect's parameter table (host/params.h) and indexed like the host's
// parameter array, and the parameter array the host builds from them.
#pragma once

#include <cstdint>
#include <vector>

#include "host/params.h"
#include "host_sdk/host_records.h"

namespace simhost {

// One value in the host's encoding of its parameter's kind.
struct HostValue {
  PF_ParamValue whole = 0;  // popup choice, checkbox 0 / 1
  PF_FpLong slider = 0.0;   // float slider
  PF_Fixed fixed = 0;       // fixed slider, 16.16
  PF_Pixel colour{};        // colour
};

// The values of every parameter of a table, by ParamIndex. Each accessor
// throws std::logic_error for an index the table does not have, or whose
// parameter is of another kind.
class EffectSettings {
 public:
  // Every value at the default the effect registers with After Effects.
  EffectSettings() : EffectSettings(kParamTable) {}
  explicit EffectSettings(ParamTable table);

  PF_ParamValue& Choice(int32_t index) { return At(index, PF_Param_POPUP).whole; }
  PF_FpLong& Slider(int32_t index) { return At(index, PF_Param_FLOAT_SLIDER).slider; }
  PF_Fixed& Fixed(int32_t index) { return At(index, PF_Param_FIX_SLIDER).fixed; }
  PF_Pixel& Colour(int32_t index) { return At(index, PF_Param_COLOR).colour; }
  PF_ParamValue& Checkbox(int32_t index) { return At(index, PF_Param_CHECKBOX).whole; }
  PF_ParamValue Choice(int32_t index) const { return At(index, PF_Param_POPUP).whole; }
  PF_FpLong Slider(int32_t index) const { return At(index, PF_Param_FLOAT_SLIDER).slider; }
  PF_Fixed Fixed(int32_t index) const { return At(index, PF_Param_FIX_SLIDER).fixed; }
  PF_Pixel Colour(int32_t index) const { return At(index, PF_Param_COLOR).colour; }
  PF_ParamValue Checkbox(int32_t index) const { return At(index, PF_Param_CHECKBOX).whole; }

  ParamTable Table() const { return table_; }

  // Writes the value of `identity`'s parameter into the value field of `def`
  // for that parameter's kind.
  void WriteValue(const ParamIdentity& identity, PF_ParamDef* def) const;
  // Takes the value of `identity`'s parameter from `def`: its `value`, or its
  // default when `use_default`.
  void ReadValue(const ParamIdentity& identity, const PF_ParamDef& def, bool use_default);

 private:
  HostValue& At(int32_t index, PF_ParamType kind);
  const HostValue& At(int32_t index, PF_ParamType kind) const;

  ParamTable table_;
  std::vector<HostValue> values_;  // entry 0, the input layer's, unused
};

// One definition the effect offered to `inter.add_param`, as it was at the call.
struct RecordedParam {
  PF_ParamIndex index;
  PF_ParamDef def;
  bool name_terminated;  // a NUL within the 32-byte `name`
};

// What the host passes as `params`: entry 0 the input layer (its world in
// `u.ld`), then the definitions the effect registered, in the order it
// registered them, and a final null pointer as the host's argument lists have.
struct RenderParams {
  std::vector<PF_ParamDef> defs;
  std::vector<PF_ParamDef*> list;
};

// Fills `params` as a host does: a copy of each registered definition, in
// registration order, its value taken from `settings` by its persistent id.
// The pointers point into `params` itself, so it must not be copied
// afterwards. Returns false, with `params` unusable, when the registered
// definitions are not those of the settings' table.
bool BuildRenderParams(const EffectSettings& settings, const std::vector<RecordedParam>& registered,
                       const PF_EffectWorld& input, RenderParams& params);

// The persistent ids of the parameters a project of version 1.1 saved.
std::vector<int32_t> DiskIdsOfVersion11();

// Opens a project as the host does: the values of the parameters it saved
// (by persistent id, `saved_disk_ids`) stay as `settings` holds them; every
// other registered parameter takes its definition's `value` when its
// PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS is set, its default otherwise. A
// new instance is a project that saved nothing: every parameter at the
// default the effect registered with this host. Returns false, `settings`
// unchanged, when the definitions are not those of the settings' table.
bool OpenProject(const std::vector<RecordedParam>& registered,
                 const std::vector<int32_t>& saved_disk_ids, EffectSettings& settings);

}  // namespace simhost
