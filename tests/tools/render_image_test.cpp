#include "tools/render_image.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(ChooseRenderPath(SampleDepth::Float, HostChoice::Automatic, "f").mode,
            simhost::HostMode::PremierePro);
  EXPECT_THROW(ChooseRenderPath(SampleDepth::Bits16, HostChoice::PremierePro, "f"), ToolError);
  EXPECT_EQ(ChooseRenderPath(SampleDepth::Float, HostChoice::AfterEffects, "f").format,
            simhost::HostPixelFormat::ARGBFloat);
}

}  // namespace
