#include "tools/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "host/params.h"
#include "simhost/host.h"
#include "tools/effect.h"
#include "tools/flags.h"
#include "tools/tool_error.h"

namespace {

const Effect& TheEffect() {
  static const Effect effect(VELMORA_MODULE);
  return effect;
}

simhost::EffectSettings Apply(const std::string& flag, const std::string& text) {
  simhost::EffectSettings settings = DefaultSettings(TheEffect().Params());
  ApplySetting(FindParam(TheEffect().Params(), flag), text, &settings);
  return settings;
}

TEST(Settings, DefaultsAndOrderComeFromTheModulesRegistration) {
  const auto& params = TheEffect().Params();
  ASSERT_EQ(params.size(), kParamTable.size());
  EXPECT_EQ(params.front().flag, "quality");
  EXPECT_EQ(params.back().flag, "preserve-hdr");
  EXPECT_EQ(FindParam(params, "contrast-width").name, "Contrast width");
  EXPECT_EQ(FindParam(params, "contrast-width").valid_min, static_cast<double>(0.001f));
  const simhost::EffectSettings defaults = DefaultSettings(params);
  EXPECT_EQ(defaults.Choice(PARAM_QUALITY), 3);
  EXPECT_EQ(defaults.Slider(PARAM_GAMMA), 1.0);
  EXPECT_EQ(defaults.Colour(PARAM_PIVOT).red, 128);
  EXPECT_EQ(defaults.Fixed(PARAM_BLEND), 0);
}

TEST(Settings, ValuesAreReadInEveryAcceptedForm) {
  EXPECT_EQ(Apply("quality", "fair").Choice(PARAM_QUALITY), 2);
  EXPECT_EQ(Apply("quality", "10-BIT").Choice(PARAM_QUALITY), 5);
  EXPECT_EQ(Apply("quality", "4").Choice(PARAM_QUALITY), 4);
  EXPECT_EQ(Apply("contrast", "-37.25").Slider(PARAM_CONTRAST), -37.25);
  EXPECT_EQ(Apply("blend", "100").Fixed(PARAM_BLEND), 6553600);
  EXPECT_EQ(Apply("blend", "99.9").Fixed(PARAM_BLEND), 6547046);
  EXPECT_EQ(Apply("clamp-white", "yes").Checkbox(PARAM_CLAMP_WHITE), 1);
  EXPECT_EQ(Apply("clamp-black", "off").Checkbox(PARAM_CLAMP_BLACK), 0);
  const PF_Pixel hex = Apply("pivot", "#0aF080").Colour(PARAM_PIVOT);
  EXPECT_EQ(hex.red, 10);
  EXPECT_EQ(hex.green, 240);
  EXPECT_EQ(hex.blue, 128);
  const PF_Pixel bytes = Apply("pivot", "1,2,255").Colour(PARAM_PIVOT);
  EXPECT_EQ(bytes.red, 1);
  EXPECT_EQ(bytes.blue, 255);
  // Typed at the precision the host keeps the range in, then held inside it.
  EXPECT_EQ(Apply("contrast-width", "0.001").Slider(PARAM_WIDTH), static_cast<double>(0.001f));
}

TEST(Settings, OutOfRangeAndMalformedValuesAreRefused) {
  for (const auto& [flag, text] :
       std::vector<std::pair<std::string, std::string>>{{"gamma", "10.001"},
                                                        {"offset", "inf"},
                                                        {"gain", "nan"},
                                                        {"quality", "2.5"},
                                                        {"quality", "0"},
                                                        {"pivot", "1,2"},
                                                        {"pivot", "1,2,3,4"},
                                                        {"pivot", "#GG0000"},
                                                        {"pivot", " 1,2,3"},
                                                        {"clamp-white", "maybe"},
                                                        {"blend", "-1"},
                                                        {"contrast", ""},
                                                        {"contrast", "5 "}}) {
    EXPECT_THROW(Apply(flag, text), ToolError) << flag << " " << text;
  }
  EXPECT_EQ(Apply("gamma", "-0").Slider(PARAM_GAMMA), 0.0);  // equals the minimum 0
}

TEST(Settings, TextOfEveryValueReadsBackToTheSameSetting) {
  simhost::EffectSettings settings = DefaultSettings(TheEffect().Params());
  settings.Slider(PARAM_CONTRAST) = 0.1 + 0.2;
  settings.Slider(PARAM_OFFSET) = -4.999999999;
  settings.Fixed(PARAM_BLEND) = 12345;
  settings.Colour(PARAM_PIVOT) = {255, 1, 2, 3};
  settings.Checkbox(PARAM_CLAMP_WHITE) = 1;
  for (const RegisteredParam& param : TheEffect().Params()) {
    simhost::EffectSettings copy = DefaultSettings(TheEffect().Params());
    ApplySetting(param, SettingText(param, settings), &copy);
    EXPECT_EQ(SettingText(param, copy), SettingText(param, settings)) << param.flag;
  }
  SettingFlags preset;
  preset.save_preset = preset.preset =
      (std::filesystem::temp_directory_path() / "velmora-settings-test.json").string();
  SavePresetIfAsked(preset, TheEffect().Params(), settings);
  const simhost::EffectSettings read =
      ResolveSettings(preset, TheEffect().Params(), DefaultSettings(TheEffect().Params()));
  for (const RegisteredParam& param : TheEffect().Params()) {
    EXPECT_EQ(SettingText(param, read), SettingText(param, settings)) << param.flag;
  }
  std::filesystem::remove(*preset.preset);
}

// A new instance takes its host's defaults; a preset written before Preserve
// HDR existed opens with it off, as an old project does, in either host.
TEST(Settings, NewInstancesFollowTheHostAndOldPresetsOpenAsOldProjects) {
  const simhost::EffectSettings after_effects =
      TheEffect().NewInstance(simhost::HostMode::AfterEffects);
  EXPECT_EQ(after_effects.Checkbox(PARAM_PRESERVE_HDR), 1);
  EXPECT_EQ(TheEffect().NewInstance(simhost::HostMode::PremierePro).Checkbox(PARAM_PRESERVE_HDR),
            0);
  const auto path = std::filesystem::temp_directory_path() / "velmora-old-preset-test.json";
  std::ofstream(path) << R"({"contrast": 30, "clamp-white": false})";
  SettingFlags flags;
  flags.preset = path.string();
  const simhost::EffectSettings read = ResolveSettings(flags, TheEffect().Params(), after_effects);
  EXPECT_EQ(read.Checkbox(PARAM_PRESERVE_HDR), 0);
  EXPECT_EQ(read.Slider(PARAM_CONTRAST), 30.0);
  std::filesystem::remove(path);
}

// ---- A parameter added to the table: the tool and the simulated host follow
// the table alone.

void FeedsNoControl(const ParamValue&, EffectInput*) {}

// The effect's rows and a checkbox more: on by default in After Effects only,
// off for projects saved before it existed.
ParamTable ExtendedTable() {
  static const std::vector<ParamIdentity> rows = [] {
    std::vector<ParamIdentity> all(std::begin(kParamIdentities), std::end(kParamIdentities));
    all.push_back({PARAM_COUNT, 99, PF_Param_CHECKBOX, STR_NONE,
                   PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS, STR_NONE, 0, 1, 0, 1,
                   ParamDefaults{1, 0, 0}, 0, 0, "extra-switch", FeedsNoControl});
    return all;
  }();
  return ParamTable{rows.data(), rows.data() + rows.size()};
}

PF_ParamValue rendered_extra = -1;

PF_Err ExtendedEffect(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                      PF_LayerDef*, void*) {
  if (cmd == PF_Cmd_PARAMS_SETUP) return RegisterParams(in_data, out_data, ExtendedTable());
  if (cmd == PF_Cmd_RENDER) rendered_extra = params[PARAM_COUNT]->u.bd.value;
  return PF_Err_NONE;
}

TEST(ParamTable, AnExtraRowReachesTheToolsFlagAndTheHostsRenderArray) {
  simhost::SimulatedHost premiere(simhost::HostMode::PremierePro, ExtendedEffect);
  ASSERT_EQ(premiere.ParamsSetup(), PF_Err_NONE);
  EXPECT_EQ(premiere.RegisteredParams().back().def.u.bd.dephault, 0);

  simhost::SimulatedHost host(simhost::HostMode::AfterEffects, ExtendedEffect);
  ASSERT_EQ(host.ParamsSetup(), PF_Err_NONE);
  EXPECT_EQ(host.RegisteredParams().back().def.u.bd.value, 0);  // for old projects
  const auto params = ReadRegisteredParams(host.RegisteredParams(), ExtendedTable());
  const RegisteredParam& extra = FindParam(params, "extra-switch");
  simhost::EffectSettings settings = DefaultSettings(params, ExtendedTable());
  simhost::HostImage input(simhost::HostPixelFormat::ARGB8, 2, 2);
  simhost::HostImage output(simhost::HostPixelFormat::ARGB8, 2, 2);
  ASSERT_EQ(host.Render(settings, input, output), PF_Err_NONE);
  EXPECT_EQ(rendered_extra, 1);  // the default, not the old projects' value
  ApplySetting(extra, "off", &settings);
  ASSERT_EQ(host.Render(settings, input, output), PF_Err_NONE);
  EXPECT_EQ(rendered_extra, 0);
}

}  // namespace
