#include "tools/settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tools/effect.h"
#include "tools/preset.h"
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
  ASSERT_EQ(params.size(), 12u);
  EXPECT_EQ(params[0].flag, "quality");
  EXPECT_EQ(params[11].flag, "clamp-black");
  EXPECT_EQ(FindParam(params, "contrast-width").name, "Contrast width");
  EXPECT_EQ(FindParam(params, "contrast-width").valid_min, static_cast<double>(0.001f));
  const simhost::EffectSettings defaults = DefaultSettings(params);
  EXPECT_EQ(defaults.quality, 3);
  EXPECT_EQ(defaults.gamma, 1.0);
  EXPECT_EQ(defaults.pivot.red, 128);
  EXPECT_EQ(defaults.blend, 0);
}

TEST(Settings, ValuesAreReadInEveryAcceptedForm) {
  EXPECT_EQ(Apply("quality", "fair").quality, 2);
  EXPECT_EQ(Apply("quality", "10-BIT").quality, 5);
  EXPECT_EQ(Apply("quality", "4").quality, 4);
  EXPECT_EQ(Apply("contrast", "-37.25").contrast, -37.25);
  EXPECT_EQ(Apply("blend", "100").blend, 6553600);
  EXPECT_EQ(Apply("blend", "99.9").blend, 6547046);
  EXPECT_EQ(Apply("clamp-white", "yes").clamp_white, 1);
  EXPECT_EQ(Apply("clamp-black", "off").clamp_black, 0);
  const PF_Pixel hex = Apply("pivot", "#0aF080").pivot;
  EXPECT_EQ(hex.red, 10);
  EXPECT_EQ(hex.green, 240);
  EXPECT_EQ(hex.blue, 128);
  const PF_Pixel bytes = Apply("pivot", "1,2,255").pivot;
  EXPECT_EQ(bytes.red, 1);
  EXPECT_EQ(bytes.blue, 255);
  // Typed at the precision the host keeps the range in, then held inside it.
  EXPECT_EQ(Apply("contrast-width", "0.001").width, static_cast<double>(0.001f));
}

TEST(Settings, OutOfRangeAndMalformedValuesAreRefused) {
  for (const auto& [flag, text] :
       std::vector<std::pair<std::string, std::string>>{{"gamma", "10.001"},
                                                        {"gamma", "-0"},
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
    if (flag == "gamma" && text == "-0") continue;  // -0 equals the minimum 0 and is allowed
    EXPECT_THROW(Apply(flag, text), ToolError) << flag << " " << text;
  }
  EXPECT_EQ(Apply("gamma", "-0").gamma, 0.0);
}

TEST(Settings, TextOfEveryValueReadsBackToTheSameSetting) {
  simhost::EffectSettings settings = DefaultSettings(TheEffect().Params());
  settings.contrast = 0.1 + 0.2;
  settings.offset = -4.999999999;
  settings.blend = 12345;
  settings.pivot = {255, 1, 2, 3};
  settings.clamp_white = 1;
  for (const RegisteredParam& param : TheEffect().Params()) {
    simhost::EffectSettings copy = DefaultSettings(TheEffect().Params());
    ApplySetting(param, SettingText(param, settings), &copy);
    EXPECT_EQ(SettingText(param, copy), SettingText(param, settings)) << param.flag;
  }
  const auto path = std::filesystem::temp_directory_path() / "velmora-settings-test.json";
  WritePreset(path, TheEffect().Params(), settings);
  simhost::EffectSettings read = DefaultSettings(TheEffect().Params());
  ReadPreset(path, TheEffect().Params(), &read);
  EXPECT_EQ(read.quality, settings.quality);
  EXPECT_EQ(read.offset, settings.offset);
  EXPECT_EQ(read.contrast, settings.contrast);
  EXPECT_EQ(read.width, settings.width);
  EXPECT_EQ(read.blend, settings.blend);
  EXPECT_EQ(read.pivot.red, settings.pivot.red);
  EXPECT_EQ(read.pivot.blue, settings.pivot.blue);
  EXPECT_EQ(read.clamp_white, settings.clamp_white);
  EXPECT_EQ(read.clamp_black, settings.clamp_black);
  std::filesystem::remove(path);
}

}  // namespace
