// Rendering through the loaded module, compared at zero difference with the
// engine's own answer, and every way a render can fail.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "host_sdk/host_constants.h"
#include "tests/host/effect_under_host.h"

namespace {

using simhost::CopyVia;
using simhost::EffectSettings;
using simhost::HostImage;
using simhost::HostMode;
using simhost::HostPixelFormat;
using simhost::IterateVia;
using simhost::RowOrder;
using simhost::SimulatedHost;
using velmora_test::ApplyReference;
using velmora_test::EffectModule;
using velmora_test::ModeFor;
using velmora_test::NamedSettings;
using velmora_test::ReferenceCurve;
using velmora_test::SettingsCases;

constexpr A_long kWidth = 13;
constexpr A_long kHeight = 7;
constexpr A_long kPadding = 16;           // bytes after each row, whole float pixels
constexpr PF_Fixed kBlendFull = 6553600;  // 100 %

const char* FormatName(HostPixelFormat format) {
  switch (format) {
    case HostPixelFormat::ARGB8:
      return "ARGB8";
    case HostPixelFormat::ARGB16:
      return "ARGB16";
    case HostPixelFormat::BGRA8:
      return "BGRA8";
    case HostPixelFormat::BGRAFloat:
      return "BGRAFloat";
    case HostPixelFormat::ARGBFloat:
      return "ARGBFloat";
  }
  return "unknown";
}

const HostPixelFormat kAllFormats[] = {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16,
                                       HostPixelFormat::BGRA8, HostPixelFormat::BGRAFloat};

// One render: a patterned input, an output pre-filled with another pattern so
// that untouched pixels are recognisable, and the host that renders.
struct Frame {
  explicit Frame(HostPixelFormat format, RowOrder order = RowOrder::TopDown)
      : host(ModeFor(format), EffectModule().Entry()),
        input(format, kWidth, kHeight, kPadding, order),
        output(format, kWidth, kHeight, kPadding, order) {
    input.FillPattern(11);
    output.FillPattern(29);
    output_before = output.PixelBytes();
  }

  PF_Err Render(const EffectSettings& settings) { return host.Render(settings, input, output); }

  // What the engine makes of the input over the whole frame.
  std::vector<std::uint8_t> Expected(const EffectSettings& settings) {
    const ReferenceCurve reference(settings);
    HostImage expected(input.Format(), kWidth, kHeight);
    expected.FillPattern(29);
    ApplyReference(reference.curve, input, expected, kHeight, kWidth);
    return expected.PixelBytes();
  }

  bool Untouched() const { return output.PixelBytes() == output_before; }

  SimulatedHost host;
  HostImage input;
  HostImage output;
  std::vector<std::uint8_t> output_before;
};

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error(); }
};

// ---- Every format against the engine, over a spread of settings.

class RenderMatchesEngine
    : public ::testing::TestWithParam<std::tuple<HostPixelFormat, NamedSettings>> {
 protected:
  void SetUp() override { ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error(); }
};

TEST_P(RenderMatchesEngine, AtZeroDifference) {
  const HostPixelFormat format = std::get<0>(GetParam());
  const EffectSettings& settings = std::get<1>(GetParam()).settings;
  Frame frame(format);
  ASSERT_EQ(frame.Render(settings), PF_Err_NONE);
  EXPECT_EQ(frame.output.PixelBytes(), frame.Expected(settings));
  EXPECT_TRUE(frame.output.GuardsIntact());
  EXPECT_TRUE(frame.input.GuardsIntact());
  EXPECT_TRUE(frame.host.Ledger().Balanced()) << frame.host.Ledger().Describe();
  EXPECT_EQ(frame.host.OutData().out_flags, 0);
  EXPECT_EQ(frame.host.OutData().return_msg[0], '\0');
  EXPECT_TRUE(frame.host.Copies().empty());
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, RenderMatchesEngine,
                         ::testing::Combine(::testing::ValuesIn(kAllFormats),
                                            ::testing::ValuesIn(SettingsCases())),
                         [](const auto& param_info) {
                           return std::string(FormatName(std::get<0>(param_info.param))) + "_" +
                                  std::get<1>(param_info.param).name;
                         });

// Frames large enough for the integer tables of levels, which the render
// builds for the frame and the pixel functions read.
TEST_F(RenderTest, LargeIntegerFramesMatchTheEngine) {
  constexpr A_long kSide = 1024;
  EffectSettings blended;
  blended.Slider(PARAM_CONTRAST) = 40.0;
  blended.Fixed(PARAM_BLEND) = 30 * 65536;  // 30 %
  EffectSettings gamma;
  gamma.Slider(PARAM_GAMMA) = 0.6;
  gamma.Slider(PARAM_OFFSET) = 0.02;
  for (HostPixelFormat format :
       {HostPixelFormat::ARGB8, HostPixelFormat::BGRA8, HostPixelFormat::ARGB16}) {
    for (const EffectSettings& settings : {blended, gamma}) {
      SimulatedHost host(ModeFor(format), EffectModule().Entry());
      HostImage input(format, kSide, kSide);
      input.FillPattern(5);
      HostImage output(format, kSide, kSide);
      ASSERT_EQ(host.Render(settings, input, output), PF_Err_NONE);
      const ReferenceCurve reference(settings);
      HostImage expected(format, kSide, kSide);
      ApplyReference(reference.curve, input, expected, kSide, kSide);
      EXPECT_EQ(output.PixelBytes(), expected.PixelBytes()) << FormatName(format);
    }
  }
}

TEST_F(RenderTest, BottomUpRowsMatchTheEngineInEveryFormat) {
  EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 55.0;
  for (HostPixelFormat format : kAllFormats) {
    SCOPED_TRACE(FormatName(format));
    Frame frame(format, RowOrder::BottomUp);
    ASSERT_EQ(frame.Render(settings), PF_Err_NONE);
    EXPECT_EQ(frame.output.PixelBytes(), frame.Expected(settings));
    EXPECT_TRUE(frame.output.GuardsIntact());
  }
}

// A choice outside the popup's five renders with the default table.
TEST_F(RenderTest, QualityOutsideTheChoicesUsesTheDefaultTable) {
  for (HostPixelFormat format : kAllFormats) {
    for (PF_ParamValue quality : {0, 6, -1, 1000}) {
      SCOPED_TRACE(std::string(FormatName(format)) + " quality " + std::to_string(quality));
      EffectSettings settings;
      settings.Slider(PARAM_CONTRAST) = 60.0;
      EffectSettings default_table = settings;  // quality 3: 128 points
      settings.Choice(PARAM_QUALITY) = quality;
      Frame frame(format);
      ASSERT_EQ(frame.Render(settings), PF_Err_NONE);
      EXPECT_EQ(frame.output.PixelBytes(), frame.Expected(default_table));
    }
  }
}

TEST_F(RenderTest, AfterEffectsIteratesByTheOutputDepthOverTheExtentRows) {
  for (HostPixelFormat format : {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16}) {
    Frame frame(format);
    frame.output.SetExtentHint(PF_LRect{0, 2, kWidth, 6});
    ASSERT_EQ(frame.Render(EffectSettings{}), PF_Err_NONE);
    ASSERT_EQ(frame.host.Iterations().size(), 1u);
    const simhost::IterateRecord& record = frame.host.Iterations()[0];
    EXPECT_EQ(record.via, format == HostPixelFormat::ARGB16 ? IterateVia::Iterate16Suite
                                                            : IterateVia::Iterate8Suite);
    EXPECT_EQ(record.progress_base, 0);
    EXPECT_EQ(record.progress_final, 4);
    EXPECT_EQ(record.dst, frame.output.World());
    EXPECT_FALSE(record.area_given);
    EXPECT_NE(record.refcon, nullptr);
    EXPECT_EQ(frame.host.ColorConversions(), 1);
  }
}

TEST_F(RenderTest, EmptyOrInvertedExtentGivesNoRows) {
  for (HostPixelFormat format : kAllFormats) {
    SCOPED_TRACE(FormatName(format));
    for (A_long bottom : {3, 1}) {
      Frame frame(format);
      frame.output.SetExtentHint(PF_LRect{0, 3, kWidth, bottom});
      ASSERT_EQ(frame.Render(EffectSettings{}), PF_Err_NONE);
      if (format == HostPixelFormat::BGRAFloat) {
        EXPECT_TRUE(frame.Untouched());
        EXPECT_TRUE(frame.host.Iterations().empty());
      } else {
        ASSERT_EQ(frame.host.Iterations().size(), 1u);
        EXPECT_EQ(frame.host.Iterations()[0].progress_final, bottom - 3);
      }
    }
  }
}

// ---- The float row walk stays inside both images.

TEST_F(RenderTest, FloatWalkIgnoresAnExtentHintLargerThanTheFrame) {
  EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 45.0;
  Frame frame(HostPixelFormat::BGRAFloat);
  frame.output.SetExtentHint(PF_LRect{0, 0, 4 * kWidth, 40 * kHeight});
  ASSERT_EQ(frame.Render(settings), PF_Err_NONE);
  EXPECT_TRUE(frame.output.GuardsIntact());
  EXPECT_TRUE(frame.input.GuardsIntact());
  EXPECT_EQ(frame.output.PixelBytes(), frame.Expected(settings));
}

TEST_F(RenderTest, FloatWalkStopsAtASmallerInputLayer) {
  EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 45.0;
  SimulatedHost host(HostMode::PremierePro, EffectModule().Entry());
  HostImage input(HostPixelFormat::BGRAFloat, 5, 3, 0);
  HostImage output(HostPixelFormat::BGRAFloat, kWidth, kHeight, 0);
  input.FillPattern(3);
  output.FillPattern(4);
  HostImage expected(HostPixelFormat::BGRAFloat, kWidth, kHeight, 0);
  expected.FillPattern(4);
  const ReferenceCurve reference(settings);
  ApplyReference(reference.curve, input, expected, 3, 5);

  ASSERT_EQ(host.Render(settings, input, output), PF_Err_NONE);
  EXPECT_TRUE(input.GuardsIntact());
  EXPECT_TRUE(output.GuardsIntact());
  EXPECT_EQ(output.PixelBytes(), expected.PixelBytes());
}

// ---- Blend 100 %: the host copies the input.

TEST_F(RenderTest, FullBlendInAfterEffectsCopiesByRenderQuality) {
  for (HostPixelFormat format : {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16}) {
    for (PF_Quality quality : {PF_Quality_HI, PF_Quality_LO}) {
      Frame frame(format);
      frame.host.SetRenderQuality(quality);
      EffectSettings settings;
      settings.Fixed(PARAM_BLEND) = kBlendFull;
      settings.Slider(PARAM_CONTRAST) = 80.0;
      ASSERT_EQ(frame.Render(settings), PF_Err_NONE);
      ASSERT_EQ(frame.host.Copies().size(), 1u);
      EXPECT_EQ(frame.host.Copies()[0].via,
                quality == PF_Quality_HI ? CopyVia::WorldTransformHQ : CopyVia::WorldTransform);
      EXPECT_EQ(frame.host.Copies()[0].dst, frame.output.World());
      EXPECT_TRUE(frame.host.Iterations().empty());
      EXPECT_EQ(frame.output.PixelBytes(), frame.input.PixelBytes());
      EXPECT_TRUE(frame.host.Ledger().Balanced()) << frame.host.Ledger().Describe();
    }
  }
}

TEST_F(RenderTest, FullBlendInPremiereProCopiesWithoutThePixelFormatSuite) {
  for (HostPixelFormat format : {HostPixelFormat::BGRA8, HostPixelFormat::BGRAFloat}) {
    Frame frame(format);
    EffectSettings settings;
    settings.Fixed(PARAM_BLEND) = kBlendFull;
    ASSERT_EQ(frame.Render(settings), PF_Err_NONE);
    ASSERT_EQ(frame.host.Copies().size(), 1u);
    EXPECT_EQ(frame.host.Copies()[0].via, CopyVia::Utils);
    EXPECT_EQ(frame.output.PixelBytes(), frame.input.PixelBytes());
    EXPECT_EQ(frame.host.Ledger().AcquireCount("PF Pixel Format Suite"), 0);
    EXPECT_EQ(frame.host.GetPixelFormatCalls(), 0);
    EXPECT_TRUE(frame.host.Iterations().empty());
  }
}

TEST_F(RenderTest, FailedCopyPassesTheCodeOn) {
  for (HostPixelFormat format : {HostPixelFormat::ARGB8, HostPixelFormat::BGRA8}) {
    Frame frame(format);
    frame.host.Faults().copy_code = PF_Err_OUT_OF_MEMORY;
    EffectSettings settings;
    settings.Fixed(PARAM_BLEND) = kBlendFull;
    EXPECT_EQ(frame.Render(settings), PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(frame.host.Ledger().Balanced()) << frame.host.Ledger().Describe();
  }
}

// ---- Premiere Pro's pixel formats.

TEST_F(RenderTest, UnreportedPremiereFormatIsTakenAsEightBitBgra) {
  EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 30.0;
  Frame frame(HostPixelFormat::BGRA8);
  frame.host.SetPixelFormatReport(simhost::PixelFormatReport::LeaveUnchanged);
  ASSERT_EQ(frame.Render(settings), PF_Err_NONE);
  EXPECT_EQ(frame.host.GetPixelFormatCalls(), 1);
  EXPECT_EQ(frame.output.PixelBytes(), frame.Expected(settings));
}

TEST_F(RenderTest, PixelFormatQueryCodeIsNotExamined) {
  EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 30.0;
  Frame frame(HostPixelFormat::BGRAFloat);
  frame.host.Faults().get_pixel_format_code = PF_Err_INTERNAL_STRUCT_DAMAGED;
  ASSERT_EQ(frame.Render(settings), PF_Err_NONE);
  EXPECT_EQ(frame.output.PixelBytes(), frame.Expected(settings));
}

TEST_F(RenderTest, OtherPremiereFormatReturns514AndReleasesTheSuite) {
  for (PrPixelFormat other : {PrPixelFormat_VUYA_4444_8u, PrPixelFormat_BGRA_4444_16u, 0}) {
    Frame frame(HostPixelFormat::BGRA8);
    frame.host.SetReportedPixelFormat(other);
    EXPECT_EQ(frame.Render(EffectSettings{}), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_TRUE(frame.Untouched());
    EXPECT_TRUE(frame.host.Iterations().empty());
    EXPECT_EQ(frame.host.OutData().out_flags, 0);
    EXPECT_EQ(frame.host.OutData().return_msg[0], '\0');
    EXPECT_EQ(frame.host.Ledger().ReleaseCount("PF Pixel Format Suite"), 1);
    EXPECT_TRUE(frame.host.Ledger().Balanced()) << frame.host.Ledger().Describe();
  }
}

TEST_F(RenderTest, MissingPixelFormatSuiteReports516) {
  for (HostPixelFormat format : {HostPixelFormat::BGRA8, HostPixelFormat::BGRAFloat}) {
    Frame frame(format);
    frame.host.Faults().FailSuite("PF Pixel Format Suite");
    EXPECT_EQ(frame.Render(EffectSettings{}), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(frame.Untouched());
    EXPECT_EQ(frame.host.OutData().out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    EXPECT_STREQ(frame.host.OutData().return_msg, "Not able to acquire AEFX Suite.");
    EXPECT_TRUE(frame.host.Ledger().Balanced()) << frame.host.Ledger().Describe();
  }
}

// ---- Failures of the host: the code reaches the host, the output stays as it
// was where nothing ran, and every suite is released.

TEST_F(RenderTest, NoBasicSuiteReturns516BeforeAnything) {
  for (HostPixelFormat format : kAllFormats) {
    SCOPED_TRACE(FormatName(format));
    Frame frame(format);
    frame.host.Faults().no_basic_suite = true;
    EXPECT_EQ(frame.Render(EffectSettings{}), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(frame.Untouched());
    EXPECT_TRUE(frame.host.Ledger().Entries().empty());
    EXPECT_EQ(frame.host.OutData().out_flags, 0);
    EXPECT_EQ(frame.host.OutData().return_msg[0], '\0');
  }
}

struct MissingSuiteCase {
  const char* suite;
  HostPixelFormat format;
  PF_Fixed blend;
};

TEST_F(RenderTest, MissingHandlerSuiteReturns516WithoutMessageAndReleasesTheRest) {
  const MissingSuiteCase cases[] = {
      {"PF ColorParamSuite", HostPixelFormat::ARGB8, 0},
      {"PF Iterate8 Suite", HostPixelFormat::ARGB8, 0},
      {"PF iterate16 Suite", HostPixelFormat::ARGB16, 0},
      {"PF World Transform Suite", HostPixelFormat::ARGB16, kBlendFull},
      {"PF Iterate8 Suite", HostPixelFormat::BGRA8, 0},
  };
  for (const MissingSuiteCase& missing : cases) {
    for (auto kind :
         {simhost::SuiteFault::Kind::Missing, simhost::SuiteFault::Kind::ZeroWithoutSuite,
          simhost::SuiteFault::Kind::CodeWithPointer}) {
      SCOPED_TRACE(std::string(missing.suite) + " " + FormatName(missing.format));
      Frame frame(missing.format);
      frame.host.Faults().FailSuite(missing.suite, kind);
      EffectSettings settings;
      settings.Fixed(PARAM_BLEND) = missing.blend;
      EXPECT_EQ(frame.Render(settings), PF_Err_BAD_CALLBACK_PARAM);
      EXPECT_TRUE(frame.Untouched());
      EXPECT_TRUE(frame.host.Copies().empty());
      EXPECT_EQ(frame.host.OutData().out_flags, 0);
      EXPECT_EQ(frame.host.OutData().return_msg[0], '\0');
      EXPECT_EQ(frame.host.Ledger().ReleaseCount(missing.suite), 0);
      EXPECT_TRUE(frame.host.Ledger().Balanced()) << frame.host.Ledger().Describe();
    }
  }
}

TEST_F(RenderTest, FailedColourConversionEndsTheRenderWithItsCode) {
  for (HostPixelFormat format : {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16}) {
    for (PF_Fixed blend : {0, kBlendFull}) {
      Frame frame(format);
      frame.host.Faults().color_conversion_code = 1;
      EffectSettings settings;
      settings.Fixed(PARAM_BLEND) = blend;
      EXPECT_EQ(frame.Render(settings), 1);
      EXPECT_TRUE(frame.Untouched());
      EXPECT_TRUE(frame.host.Iterations().empty());
      EXPECT_TRUE(frame.host.Copies().empty());
      EXPECT_TRUE(frame.host.Ledger().Balanced()) << frame.host.Ledger().Describe();
    }
  }
}

// In Premiere Pro 8-bit as in After Effects, a failed iteration is reported,
// never hidden behind the successful release of the pixel format suite.
TEST_F(RenderTest, FailedIterationPassesTheCodeOnInEveryIteratedFormat) {
  for (HostPixelFormat format :
       {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16, HostPixelFormat::BGRA8}) {
    SCOPED_TRACE(FormatName(format));
    Frame frame(format);
    frame.host.Faults().iterate_code = PF_Interrupt_CANCEL;
    EXPECT_EQ(frame.Render(EffectSettings{}), PF_Interrupt_CANCEL);
    EXPECT_TRUE(frame.Untouched());
    EXPECT_TRUE(frame.host.Ledger().Balanced()) << frame.host.Ledger().Describe();
    if (format == HostPixelFormat::BGRA8) {
      EXPECT_EQ(frame.host.Ledger().ReleaseCount("PF Pixel Format Suite"), 1);
    }
  }
}

// The suites are released whatever the host answers to a release.
TEST_F(RenderTest, ReleaseCodesDoNotChangeTheResult) {
  for (HostPixelFormat format : kAllFormats) {
    SCOPED_TRACE(FormatName(format));
    Frame frame(format);
    frame.host.Faults().release_code = A_Err_GENERIC;
    EXPECT_EQ(frame.Render(EffectSettings{}), PF_Err_NONE);
    EXPECT_TRUE(frame.host.Ledger().Balanced()) << frame.host.Ledger().Describe();
  }
}

}  // namespace
