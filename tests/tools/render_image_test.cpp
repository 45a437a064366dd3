#include "tools/render_image.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tools/effect.h"
#include "tools/settings.h"
#include "tools/tool_error.h"

namespace {

TEST(SixteenBitScale, EveryFileCodeMapsToTheNearestHostCode) {
  for (long v = 0; v <= 65535; ++v) {
    const long h = FileToHost16(static_cast<uint16_t>(v));
    // |h - v * 32768 / 65535| <= 1/2, checked in integers.
    EXPECT_LE(std::labs(2 * (h * 65535 - v * 32768)), 65535) << v;
    const long back = HostToFile16(static_cast<uint16_t>(h));
    EXPECT_LE(std::labs(back - v), 1) << v;
  }
  EXPECT_EQ(FileToHost16(65535), 32768);
  EXPECT_EQ(HostToFile16(32768), 65535);
  EXPECT_EQ(HostToFile16(0), 0);
  EXPECT_EQ(HostToFile16(16384), 32768);  // the one tie, 32767.5, rounds up
}

TEST(SixteenBitScale, EveryHostCodeMapsBackToTheNearestFileCodeAndSurvivesTheTrip) {
  for (long h = 0; h <= 32768; ++h) {
    const long v = HostToFile16(static_cast<uint16_t>(h));
    EXPECT_LE(std::labs(2 * (v * 32768 - h * 65535)), 32768) << h;
    EXPECT_EQ(FileToHost16(static_cast<uint16_t>(v)), h) << h;
  }
  EXPECT_EQ(HostToFile16(40000), 65535);  // beyond white is held at white
}

TEST(RenderPathChoice, FollowsTheFileAndRefusesPathsTheHostLacks) {
  EXPECT_EQ(ChooseRenderPath(SampleDepth::Bits8, HostChoice::Automatic, "f").format,
            simhost::HostPixelFormat::ARGB8);
  EXPECT_EQ(ChooseRenderPath(SampleDepth::Bits8, HostChoice::PremierePro, "f").format,
            simhost::HostPixelFormat::BGRA8);
  EXPECT_EQ(ChooseRenderPath(SampleDepth::Bits16, HostChoice::Automatic, "f").format,
            simhost::HostPixelFormat::ARGB16);
  EXPECT_EQ(ChooseRenderPath(SampleDepth::Float, HostChoice::Automatic, "f").format,
            simhost::HostPixelFormat::ARGBFloat);
  EXPECT_EQ(ChooseRenderPath(SampleDepth::Float, HostChoice::PremierePro, "f").format,
            simhost::HostPixelFormat::BGRAFloat);
  EXPECT_THROW(ChooseRenderPath(SampleDepth::Bits16, HostChoice::PremierePro, "f"), ToolError);
  EXPECT_EQ(ChooseRenderPath(SampleDepth::Float, HostChoice::AfterEffects, "f").format,
            simhost::HostPixelFormat::ARGBFloat);
}

// A float image rendered in bands of rows on several hosts at once equals the
// same image rendered whole on one: no row left out, none rendered twice.
TEST(FloatBands, EqualOneRenderOfTheWholeImage) {
  const Effect effect(VELMORA_MODULE);
  const RenderPath path = ChooseRenderPath(SampleDepth::Float, HostChoice::PremierePro, "f");
  const OIIO::ImageSpec header(5, 7, 4, OIIO::TypeDesc::FLOAT);
  Image whole{header, OIIO::ImageBuf(header)};
  auto* samples = static_cast<float*>(whole.pixels.localpixels());
  for (int i = 0; i < 5 * 7 * 4; ++i) samples[i] = static_cast<float>(i % 23) / 17.0f;
  Image banded = whole;
  const std::vector<float> original(samples, samples + 5 * 7 * 4);
  simhost::EffectSettings settings = DefaultSettings(effect.Params());
  settings.Slider(PARAM_CONTRAST) = 35.0;
  const auto one = effect.MakeHost(path.mode, 1);
  ASSERT_EQ(RenderImage(*one, settings, path, &whole), 0);
  ASSERT_NE(std::vector<float>(samples, samples + 5 * 7 * 4),
            original);  // a band left out would show
  const auto first = effect.MakeHost(path.mode, 3);
  int made = 0;
  const HostMaker more = [&] {
    ++made;
    return effect.MakeHost(path.mode, 1);
  };
  ASSERT_EQ(RenderImage(*first, settings, path, &banded, more), 0);
  EXPECT_EQ(made, 2);
  EXPECT_EQ(0, std::memcmp(samples, banded.pixels.localpixels(), original.size() * sizeof(float)));
}

// Colour found by name wherever it stands; every other channel is data and
// comes back bit for bit.
TEST(RenderImage, LeavesDataChannelsAsTheyWere) {
  const Effect effect(VELMORA_MODULE);
  const RenderPath path = ChooseRenderPath(SampleDepth::Float, HostChoice::Automatic, "f");
  OIIO::ImageSpec header(6, 5, 5, OIIO::TypeDesc::FLOAT);
  header.channelnames = {"Z", "B", "G", "R", "N.x"};
  Image image{header, OIIO::ImageBuf(header)};
  auto* samples = static_cast<float*>(image.pixels.localpixels());
  for (int i = 0; i < 150; ++i) samples[i] = static_cast<float>(i % 19) / 13.0f - 0.1f;
  const std::vector<float> before(samples, samples + 150);
  simhost::EffectSettings settings = DefaultSettings(effect.Params());
  settings.Slider(PARAM_CONTRAST) = 35.0;
  ASSERT_EQ(RenderImage(*effect.MakeHost(path.mode, 1), settings, path, &image), 0);
  int graded = 0;
  for (int i = 0; i < 150; i += 5) {
    EXPECT_EQ(0, std::memcmp(&samples[i], &before[i], sizeof(float))) << "Z of pixel " << i / 5;
    EXPECT_EQ(0, std::memcmp(&samples[i + 4], &before[i + 4], sizeof(float))) << i / 5;
    graded += samples[i + 3] != before[i + 3];
  }
  EXPECT_GT(graded, 0);
}

// A file replaced during a run by one of another depth is read as it now is; its samples
// must not be taken for those of the path chosen before.
TEST(RenderPathChoice, SamplesOfAnotherDepthAreRefused) {
  const Effect effect(VELMORA_MODULE);
  const RenderPath path = ChooseRenderPath(SampleDepth::Bits8, HostChoice::Automatic, "f");
  const OIIO::ImageSpec header(4, 4, 3, OIIO::TypeDesc::UINT16);
  Image image{header, OIIO::ImageBuf(header)};
  const auto host = effect.MakeHost(path.mode, 1);
  EXPECT_THROW(RenderImage(*host, DefaultSettings(effect.Params()), path, &image), ToolError);
}

}  // namespace
