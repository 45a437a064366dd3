// The parameter set as saved projects know it, and the texts the host shows.
//
// The expectations are literal on purpose: a persistent id, a kind, a flag, a
// range or the order changed by mistake breaks every project that was saved
// with the effect, so any such change must fail here first.
#include "host/params.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/entry.h"
#include "host_sdk/host_constants.h"

namespace {

struct FrozenParam {
  int32_t index;
  int32_t disk_id;
  int32_t kind;
  const char* name;
  int32_t flags;
};

// index, persistent id, kind (7 popup, 10 float slider, 5 colour, 2 fixed
// slider, 4 checkbox), name, flags (2 = cannot vary over time): what the host
// is offered, in this order. (The about text is checked where the module's
// own About writes it: tests/host/entry_test.cpp.)
const FrozenParam kFrozen[] = {
    {1, 8, 7, "Quality", 2},
    {2, 2, 10, "Offset", 0},
    {3, 3, 10, "Gamma", 0},
    {4, 4, 10, "Gain", 0},
    {5, 5, 10, "Contrast", 0},
    {6, 6, 5, "Pivot", 0},
    {7, 7, 10, "Contrast width", 0},
    {8, 9, 10, "Shadows Rolloff", 0},
    {9, 10, 10, "Highlights Rolloff", 0},
    {10, 11, 2, "Blend with original", 0},
    {11, 12, 4, "Clamp white on output", 2},
    {12, 13, 4, "Clamp black on output", 2},
    {13, 14, 4, "Preserve HDR", 2 | 128},  // version 1.2; 128: old projects take `value`
};

TEST(Strings, TableIsInIdOrderWithTheExactTexts) {
  const char* const expected[STR_COUNT] = {
      "",
      "Velmora",
      nullptr,  // the description, checked below
      "Gamma",
      "Gain",
      "Offset",
      "Quality",
      "Fast (32 points)|Fair (64 points) |Good (128 points)|8-bit exact (256 points)|"
      "10-bit exact (1024 points)",
      "Shadows Rolloff",
      "Highlights Rolloff",
      "Contrast",
      "Pivot",
      "Contrast width",
      "Blend with original",
      "Clamp black on output",
      "Clamp white on output",
      "Preserve HDR",
      "Colour and level beyond white",
  };
  for (int32_t id = 0; id < STR_COUNT; ++id) {
    EXPECT_EQ(kStringTable[id].id, id);
    EXPECT_EQ(GetString(id), kStringTable[id].text);
    if (expected[id] != nullptr) {
      EXPECT_STREQ(GetString(id), expected[id]) << "id " << id;
    }
  }
  const std::string description = GetString(STR_DESCRIPTION);
  const std::string lead = "Velmora plugin for After Effects and Premiere Pro. ";
  EXPECT_EQ(description.compare(0, lead.size(), lead), 0) << description;
  EXPECT_GT(description.size(), lead.size());
  EXPECT_EQ(description.back(), '.');
}

TEST(Strings, SecondQualityLabelEndsWithABlank) {
  std::vector<std::string> labels;
  std::string text = GetString(STR_QUALITY_CHOICES);
  for (size_t start = 0;;) {
    const size_t bar = text.find('|', start);
    labels.push_back(text.substr(start, bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  ASSERT_EQ(labels.size(), 5u);
  EXPECT_EQ(labels[1], "Fair (64 points) ");
  EXPECT_EQ(labels[2], "Good (128 points)");
}

TEST(Strings, TextsAreZeroPaddedAndNamesFitTheHostField) {
  for (const StringEntry& entry : kStringTable) {
    const size_t length = std::strlen(entry.text);
    for (size_t i = length; i < sizeof entry.text; ++i) ASSERT_EQ(entry.text[i], '\0');
  }
  for (const ParamIdentity& identity : kParamIdentities) {
    EXPECT_LT(std::strlen(GetString(identity.name_id)), 32u);
  }
}

// ---- ParamsSetup against a host that records every definition it is offered.

struct Registration {
  PF_ProgPtr effect_ref;
  PF_ParamIndex index;
  PF_ParamDef def;
};
std::vector<Registration> offered;
int reject_at = -1;  // the 0-based offer that the host refuses
constexpr PF_Err kRejection = 7;
int strcpy_calls = 0;

PF_Err RecordParam(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def) {
  offered.push_back(Registration{effect_ref, index, *def});
  return static_cast<int>(offered.size()) - 1 == reject_at ? kRejection : PF_Err_NONE;
}

A_char* CountingStrcpy(A_char* dst, const A_char* src) {
  ++strcpy_calls;
  return std::strcpy(dst, src);
}

class ParamsSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    offered.clear();
    reject_at = -1;
    strcpy_calls = 0;
    utils_.ansi.strcpy = CountingStrcpy;
    in_data_.utils = &utils_;
    in_data_.inter.add_param = RecordParam;
    in_data_.effect_ref = reinterpret_cast<PF_ProgPtr>(&utils_);
    out_data_.num_params = 99;
  }

  const PF_ParamDef& Def(int32_t index) { return offered.at(static_cast<size_t>(index - 1)).def; }

  PF_UtilCallbacks utils_{};
  PF_InData in_data_{};
  PF_OutData out_data_{};
};

TEST_F(ParamsSetupTest, RegistersTheFrozenDefinitionsInOrderAppendingEach) {
  ASSERT_EQ(ParamsSetup(&in_data_, &out_data_), PF_Err_NONE);
  constexpr size_t kFrozenCount = std::size(kFrozen);
  EXPECT_EQ(out_data_.num_params, static_cast<A_long>(kFrozenCount) + 1);  // and the input
  ASSERT_EQ(offered.size(), kFrozenCount);
  EXPECT_EQ(strcpy_calls, static_cast<int>(kFrozenCount));
  for (size_t i = 0; i < offered.size(); ++i) {
    SCOPED_TRACE(kFrozen[i].name);
    EXPECT_EQ(kParamIdentities[i].index, kFrozen[i].index);
    EXPECT_EQ(offered[i].effect_ref, in_data_.effect_ref);
    EXPECT_EQ(offered[i].index, -1);
    EXPECT_EQ(offered[i].def.uu.id, kFrozen[i].disk_id);
    EXPECT_EQ(offered[i].def.param_type, kFrozen[i].kind);
    EXPECT_STREQ(offered[i].def.name, kFrozen[i].name);
    EXPECT_EQ(offered[i].def.flags, kFrozen[i].flags);
    EXPECT_EQ(offered[i].def.ui_flags, 0);
    EXPECT_EQ(offered[i].def.unused, 0);
  }
}

struct FrozenSlider {
  int32_t index;
  float valid_min, valid_max, slider_min, slider_max, dephault;
  A_short precision;
};

TEST_F(ParamsSetupTest, FloatSlidersCarryTheirRangesDefaultsAndPrecision) {
  ASSERT_EQ(ParamsSetup(&in_data_, &out_data_), PF_Err_NONE);
  const FrozenSlider sliders[] = {
      {PARAM_OFFSET, -5.0f, 5.0f, -1.0f, 1.0f, 0.0f, 4},
      {PARAM_GAMMA, 0.0f, 10.0f, 0.0f, 2.0f, 1.0f, 2},
      {PARAM_GAIN, 0.0f, 10.0f, 0.0f, 2.0f, 1.0f, 2},
      {PARAM_CONTRAST, -100.0f, 100.0f, -100.0f, 100.0f, 0.0f, 2},
      {PARAM_WIDTH, 0.001f, 1.0f, 0.001f, 1.0f, 1.0f, 2},
      {PARAM_SHADOWS_ROLLOFF, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 2},
      {PARAM_HIGHLIGHTS_ROLLOFF, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 2},
  };
  for (const FrozenSlider& expected : sliders) {
    SCOPED_TRACE(expected.index);
    const PF_FloatSliderDef& slider = Def(expected.index).u.fs_d;
    EXPECT_EQ(slider.valid_min, expected.valid_min);
    EXPECT_EQ(slider.valid_max, expected.valid_max);
    EXPECT_EQ(slider.slider_min, expected.slider_min);
    EXPECT_EQ(slider.slider_max, expected.slider_max);
    EXPECT_EQ(slider.dephault, expected.dephault);
    EXPECT_EQ(slider.value, static_cast<double>(expected.dephault));
    EXPECT_EQ(slider.precision, expected.precision);
    EXPECT_EQ(slider.display_flags, 0);
    EXPECT_EQ(slider.curve_tolerance, 0.05f);
    EXPECT_EQ(slider.phase, 0.0);
    EXPECT_EQ(slider.fs_flags, 0u);
    EXPECT_EQ(slider.value_desc[0], '\0');
    EXPECT_EQ(slider.useExponent, 0);
    EXPECT_EQ(slider.exponent, 0.0f);
  }
}

TEST_F(ParamsSetupTest, PopupColourBlendAndCheckboxesAreEncodedAsProjectsExpect) {
  ASSERT_EQ(ParamsSetup(&in_data_, &out_data_), PF_Err_NONE);

  const PF_PopupDef& quality = Def(PARAM_QUALITY).u.pd;
  EXPECT_EQ(quality.value, 3);
  EXPECT_EQ(quality.num_choices, 5);
  EXPECT_EQ(quality.dephault, 3);
  EXPECT_EQ(quality.u.namesptr, GetString(STR_QUALITY_CHOICES));  // the table's own text

  const PF_ColorDef& pivot = Def(PARAM_PIVOT).u.cd;
  for (const PF_Pixel& pixel : {pivot.value, pivot.dephault}) {
    EXPECT_EQ(pixel.alpha, 255);
    EXPECT_EQ(pixel.red, 128);
    EXPECT_EQ(pixel.green, 128);
    EXPECT_EQ(pixel.blue, 128);
  }

  const PF_FixedSliderDef& blend = Def(PARAM_BLEND).u.fd;
  EXPECT_EQ(blend.value, 0);
  EXPECT_EQ(blend.valid_min, 0);
  EXPECT_EQ(blend.valid_max, 0x640000);
  EXPECT_EQ(blend.slider_min, 0);
  EXPECT_EQ(blend.slider_max, 0x640000);
  EXPECT_EQ(blend.dephault, 0);
  EXPECT_EQ(blend.precision, 1);
  EXPECT_EQ(blend.display_flags, PF_ValueDisplayFlag_PERCENT);
  EXPECT_EQ(blend.value_str[0], '\0');
  EXPECT_EQ(blend.value_desc[0], '\0');

  for (int32_t index : {PARAM_CLAMP_WHITE, PARAM_CLAMP_BLACK}) {
    const PF_CheckBoxDef& clamp = Def(index).u.bd;
    EXPECT_EQ(clamp.value, 0);
    EXPECT_EQ(clamp.dephault, 0);
    ASSERT_NE(clamp.u.nameptr, nullptr);
    EXPECT_STREQ(clamp.u.nameptr, "");
  }
}

// Old projects read the definition's value (off); a new instance its default:
// on in After Effects, off in Premiere Pro.
TEST_F(ParamsSetupTest, PreserveHdrIsOnForNewAfterEffectsInstancesOnly) {
  for (const A_long appl_id : {A_long{0}, A_long{APPL_ID_PREMIERE_PRO}}) {
    offered.clear();
    in_data_.appl_id = appl_id;
    ASSERT_EQ(ParamsSetup(&in_data_, &out_data_), PF_Err_NONE);
    const PF_CheckBoxDef& mode = Def(PARAM_PRESERVE_HDR).u.bd;
    EXPECT_EQ(mode.dephault, appl_id == 0 ? 1 : 0) << appl_id;
    EXPECT_EQ(mode.value, 0) << appl_id;
    EXPECT_STREQ(mode.u.nameptr, "Colour and level beyond white");
    EXPECT_LE(std::strlen(mode.u.nameptr), 31u);
  }
}

TEST_F(ParamsSetupTest, EveryDefinitionStartsFromZeroBytes) {
  ASSERT_EQ(ParamsSetup(&in_data_, &out_data_), PF_Err_NONE);
  // The pivot follows four float sliders in the same reused record: nothing of
  // theirs may show through behind its eight bytes.
  const PF_ParamDef& pivot = Def(PARAM_PIVOT);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&pivot.u);
  for (size_t i = sizeof(PF_ColorDef); i < sizeof pivot.u; ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST_F(ParamsSetupTest, RejectionEndsTheSetupWithTheHostsCode) {
  reject_at = 4;  // the fifth definition
  EXPECT_EQ(ParamsSetup(&in_data_, &out_data_), kRejection);
  EXPECT_EQ(offered.size(), 5u);
  EXPECT_EQ(out_data_.num_params, 99);
  EXPECT_EQ(out_data_.out_flags, 0);
  EXPECT_EQ(out_data_.return_msg[0], '\0');
}

// The host cannot catch what unwinds out of the module: whatever a call
// inside throws comes back as an error code.
TEST_F(ParamsSetupTest, WhateverIsThrownInsideTheModuleBecomesAnErrorCode) {
  in_data_.inter.add_param = [](PF_ProgPtr, PF_ParamIndex, PF_ParamDef*) -> PF_Err {
    throw std::bad_alloc();
  };
  EXPECT_EQ(EntryPointFunc(PF_Cmd_PARAMS_SETUP, &in_data_, &out_data_, nullptr, nullptr, nullptr),
            PF_Err_OUT_OF_MEMORY);
  in_data_.inter.add_param = [](PF_ProgPtr, PF_ParamIndex, PF_ParamDef*) -> PF_Err {
    throw std::runtime_error("a host that throws");
  };
  EXPECT_EQ(EntryPointFunc(PF_Cmd_PARAMS_SETUP, &in_data_, &out_data_, nullptr, nullptr, nullptr),
            PF_Err_INTERNAL_STRUCT_DAMAGED);
}

}  // namespace
