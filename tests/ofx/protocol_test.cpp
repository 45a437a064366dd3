// The bundle as a host drives it: what it declares (pinned by a golden file),
// the identity answer, the actions it has nothing to do for, and every fault
// a host can present, each leaving the ledger of images balanced.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "simofx/descriptor_report.h"
#include "tests/ofx/ofx_fixture.h"

namespace ofx_test {
namespace {

class OfxProtocol : public OfxPluginTest {
 protected:
  void TearDown() override { EXPECT_TRUE(host_.ledger().Balanced()); }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "cannot open " << path;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Names, kinds, order, ranges and defaults of the parameters, the clips and
// the effect's declarations: what hosts store in projects and show to users.
TEST_F(OfxProtocol, DeclarationsEqualTheGoldenListing) {
  EXPECT_EQ(ReadFile(std::string(VELMORA_OFX_DATA_DIR) + "/descriptor.txt"),
            simofx::DescriptorReport(host_));
}

// Identity exactly where the engine leaves every bit of every pixel: a full
// blend, or neutral settings preserving HDR with both clamps off. A host may
// render all the same and must then get the source's bytes, NaN payloads
// included.
TEST_F(OfxProtocol, IdentityExactlyWhereEveryPixelIsKept) {
  simhost::EffectSettings full_blend = BusySettings();
  full_blend.Fixed(PARAM_BLEND) = 100 << 16;
  simhost::EffectSettings neutral_blended;  // a new instance's defaults: HDR on
  neutral_blended.Fixed(PARAM_BLEND) = 30 << 16;
  simhost::EffectSettings clamped = neutral_blended;
  clamped.Checkbox(PARAM_CLAMP_BLACK) = 1;
  simhost::EffectSettings display = neutral_blended;
  display.Checkbox(PARAM_PRESERVE_HDR) = 0;
  simhost::EffectSettings gain = neutral_blended;
  gain.Slider(PARAM_GAIN) = 1.01;
  const struct {
    const char* name;
    simhost::EffectSettings settings;
    bool identity;
  } cases[] = {{"busy", BusySettings(), false},
               {"full blend", full_blend, true},
               {"neutral, HDR", neutral_blended, true},
               {"black clamp", clamped, false},
               {"HDR off", display, false},
               {"gain", gain, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Apply(c.settings);
    std::string clip;
    const OfxStatus answer = host_.IsIdentity(0.0, {0, 0, 4, 4}, &clip);
    EXPECT_EQ(answer, c.identity ? kOfxStatOK : kOfxStatReplyDefault);
    if (!c.identity) continue;
    EXPECT_EQ(clip, kOfxImageEffectSimpleSourceClipName);
    TestImage source({0, 0, 4, 4}, 4, kOfxBitDepthFloat, 0, false, 0xFF);
    TestImage output({0, 0, 4, 4}, 4, kOfxBitDepthFloat);
    Attach(source, output);
    ASSERT_EQ(host_.Render(0.0, {0, 0, 4, 4}), kOfxStatOK);
    EXPECT_EQ(source.bytes(), output.bytes());
  }
}

TEST_F(OfxProtocol, LifecycleActionsSucceedOrTakeTheDefault) {
  for (const char* action :
       {kOfxImageEffectActionBeginSequenceRender, kOfxImageEffectActionEndSequenceRender,
        kOfxActionBeginInstanceChanged, kOfxActionInstanceChanged, kOfxActionEndInstanceChanged,
        kOfxActionPurgeCaches, kOfxActionSyncPrivateData, kOfxImageEffectActionGetClipPreferences,
        kOfxImageEffectActionGetRegionOfDefinition, "NoSuchAction"}) {
    const OfxStatus status = host_.InstanceAction(action);
    EXPECT_TRUE(status == kOfxStatOK || status == kOfxStatReplyDefault) << action << " " << status;
  }
}

// A missing input is transparent black; a missing output is an error.
TEST_F(OfxProtocol, FailedImageFetchesAreHandledAndReleased) {
  const simhost::EffectSettings settings = BusySettings();
  Apply(settings);
  TestImage black({0, 0, 8, 8}, 4, kOfxBitDepthFloat, 0, false, 0);
  TestImage expected({0, 0, 8, 8}, 4, kOfxBitDepthFloat);
  Attach(black, expected);
  ASSERT_EQ(host_.Render(0.0, {0, 0, 8, 8}), kOfxStatOK);

  TestImage output({0, 0, 8, 8}, 4, kOfxBitDepthFloat);
  host_.SetClipImage(kOfxImageEffectSimpleSourceClipName, black.Record(), true);
  host_.SetClipImage(kOfxImageEffectOutputClipName, output.Record());
  ASSERT_EQ(host_.Render(0.0, {0, 0, 8, 8}), kOfxStatOK);
  EXPECT_EQ(expected.bytes(), output.bytes());

  host_.SetClipImage(kOfxImageEffectOutputClipName, output.Record(), true);
  EXPECT_NE(host_.Render(0.0, {0, 0, 8, 8}), kOfxStatOK);
}

TEST_F(OfxProtocol, UnusableImagesAreRefused) {
  TestImage source({0, 0, 8, 8}, 4, kOfxBitDepthFloat);
  TestImage output({0, 0, 8, 8}, 4, kOfxBitDepthByte);
  Attach(source, output);  // depths differ
  EXPECT_EQ(host_.Render(0.0, {0, 0, 8, 8}), kOfxStatErrImageFormat);

  TestImage narrow({0, 0, 8, 8}, 4, kOfxBitDepthFloat);
  simofx::ImageRecord overlapping = narrow.Record();
  overlapping.row_bytes = 16;  // rows closer together than their pixels
  host_.SetClipImage(kOfxImageEffectSimpleSourceClipName, source.Record());
  host_.SetClipImage(kOfxImageEffectOutputClipName, overlapping);
  EXPECT_EQ(host_.Render(0.0, {0, 0, 8, 8}), kOfxStatErrImageFormat);

  simofx::ImageRecord alpha_only = narrow.Record();
  alpha_only.components = kOfxImageComponentAlpha;
  host_.SetClipImage(kOfxImageEffectOutputClipName, alpha_only);
  EXPECT_EQ(host_.Render(0.0, {0, 0, 8, 8}), kOfxStatErrImageFormat);
}

TEST_F(OfxProtocol, AbortStopsBetweenRows) {
  Apply(BusySettings());
  TestImage source({0, 0, 8, 8}, 4, kOfxBitDepthByte, 0, false, 0x40);
  TestImage output({0, 0, 8, 8}, 4, kOfxBitDepthByte, 0, false, 0xA5);
  Attach(source, output);
  host_.faults().abort_after = 3;
  EXPECT_EQ(host_.Render(0.0, {0, 0, 8, 8}), kOfxStatOK);
  for (int32_t y = 0; y < 8; ++y) {
    EXPECT_EQ(output.Pixel(0, y)[0] != 0xA5, y < 3) << "row " << y;
  }
}

// A host without the optional properties: the declarations it does not know
// are skipped, and a render without a window renders the output's bounds.
class WithoutOptionalProperties : public OfxProtocol {
 protected:
  WithoutOptionalProperties() {
    host_.faults().unknown_properties = {kOfxImageEffectPluginPropHostFrameThreading,
                                         kOfxImageEffectPluginRenderThreadSafety,
                                         kOfxPropPluginDescription,
                                         kOfxParamPropAnimates,
                                         kOfxParamPropDigits,
                                         kOfxImageEffectPropRenderWindow};
  }
};

TEST_F(WithoutOptionalProperties, DescribeAndRenderStillWork) {
  TestImage source({0, 0, 4, 4}, 3, kOfxBitDepthByte, 0, false, 0x40);
  TestImage output({0, 0, 4, 4}, 3, kOfxBitDepthByte, 0, false, 0xA5);
  Attach(source, output);
  ASSERT_EQ(host_.Render(0.0, {1, 1, 2, 2}), kOfxStatOK);
  EXPECT_NE(output.Pixel(3, 3)[0], 0xA5);
}

// Without the parameter suite the effect cannot work: it refuses to load.
TEST(OfxLoad, MissingRequiredSuiteRefusesTheLoad) {
  simofx::Faults faults;
  faults.missing_suites = {kOfxParameterSuite};
  simofx::OfxHostSim host(faults);
  EXPECT_FALSE(host.Load(VELMORA_OFX_BINARY));
}

// The same check as the effect module's loader: a binary cut short is never mapped.
TEST(OfxLoad, ABinaryCutShortIsRefusedWithTheReason) {
  const auto cut =
      std::filesystem::temp_directory_path() / ("ofx-cut-" + std::to_string(getpid()) + ".ofx");
  std::filesystem::copy_file(VELMORA_OFX_BINARY, cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
  simofx::OfxHostSim host;
  EXPECT_FALSE(host.Load(cut.string()));
  EXPECT_NE(host.LoadError().find("is cut short"), std::string::npos) << host.LoadError();
  std::filesystem::remove(cut);
}

}  // namespace
}  // namespace ofx_test
