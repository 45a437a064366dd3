// After Effects' smart commands through the loaded module: the same bytes as
// the classic render at 8 and 16 bits, the engine's float transform at 32,
// layer coordinates, missing inputs, and every way a smart render can fail.
#include "host_sdk/smart_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host_sdk/host_constants.h"
#include "tests/host/effect_under_host.h"

namespace {

using simhost::EffectSettings;
using simhost::HostImage;
using simhost::HostMode;
using simhost::HostPixelFormat;
using simhost::IterateVia;
using simhost::SimulatedHost;
using simhost::SmartFrame;
using velmora_test::ApplyReference;
using velmora_test::EffectModule;
using velmora_test::NamedSettings;
using velmora_test::ReferenceCurve;
using velmora_test::SettingsCases;

constexpr A_long kWidth = 13;
constexpr A_long kHeight = 7;
constexpr A_long kPadding = 16;
constexpr PF_Fixed kBlendFull = 6553600;

// Float input with what troubles a float path: HDR, negatives, NaN, infinities
// and denormals among patterned values.
void FillFloatSpecials(HostImage& image) {
  image.FillPattern(11);
  const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::denorm_min(),
                            -0.0f,
                            1.0f,
                            4.5f,
                            -0.75f,
                            1e30f};
  A_long at = 0;
  for (float a : specials) {
    for (float b : specials) {
      PF_PixelFloat& pixel = image.At<PF_PixelFloat>(at % kWidth, (at / kWidth) % kHeight);
      pixel = PF_PixelFloat{0.5f, a, b, 0.25f};
      ++at;
    }
  }
}

// One smart frame: a patterned input and an output pre-filled with another
// pattern, both at layer position (0, 0) unless a test moves them.
struct SmartCase {
  explicit SmartCase(HostPixelFormat format)
      : host(HostMode::AfterEffects, EffectModule().Entry()),
        input(format, kWidth, kHeight, kPadding),
        output(format, kWidth, kHeight, kPadding) {
    if (format == HostPixelFormat::ARGBFloat) {
      FillFloatSpecials(input);
    } else {
      input.FillPattern(11);
    }
    output.FillPattern(29);
    frame.input.image = &input;
    frame.output.image = &output;
  }

  PF_Err Render(const EffectSettings& settings) { return host.SmartRender(settings, frame); }

  // Everything given back that was taken: suites, parameters, input pixels.
  void ExpectAllCheckedIn() const {
    EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
    EXPECT_TRUE(host.Smart().ParamsBalanced());
    EXPECT_EQ(host.Smart().pixel_checkins, host.Smart().pixel_checkouts);
    EXPECT_FALSE(host.Smart().output_before_input);
  }

  SimulatedHost host;
  HostImage input;
  HostImage output;
  SmartFrame frame;
};

bool AllZero(const HostImage& image) {
  for (std::uint8_t byte : image.PixelBytes()) {
    if (byte != 0) return false;
  }
  return true;
}

class SmartMatchesClassic
    : public ::testing::TestWithParam<std::tuple<HostPixelFormat, NamedSettings>> {};

TEST_P(SmartMatchesClassic, ByteForByte) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  const HostPixelFormat format = std::get<0>(GetParam());
  const EffectSettings& settings = std::get<1>(GetParam()).settings;
  SmartCase smart(format);
  SimulatedHost classic_host(HostMode::AfterEffects, EffectModule().Entry());
  HostImage classic(format, kWidth, kHeight);
  ASSERT_EQ(classic_host.Render(settings, smart.input, classic), PF_Err_NONE);
  ASSERT_EQ(smart.Render(settings), PF_Err_NONE);
  EXPECT_EQ(smart.output.PixelBytes(), classic.PixelBytes());
  EXPECT_TRUE(smart.output.GuardsIntact());
  smart.ExpectAllCheckedIn();
}

INSTANTIATE_TEST_SUITE_P(
    IntegerDepths, SmartMatchesClassic,
    ::testing::Combine(::testing::Values(HostPixelFormat::ARGB8, HostPixelFormat::ARGB16),
                       ::testing::ValuesIn(SettingsCases())),
    [](const auto& param_info) {
      return std::string(std::get<0>(param_info.param) == HostPixelFormat::ARGB8 ? "ARGB8_"
                                                                                 : "ARGB16_") +
             std::get<1>(param_info.param).name;
    });

// Frames large enough for the integer tables of levels, which the smart render
// builds as the classic render does.
// A new After Effects instance preserves HDR: at its defaults every float
// value comes back bit for bit, HDR, negatives, NaN and infinities included.
TEST(SmartRender, NewInstanceAtDefaultsReturnsEveryFloatBitForBit) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  SmartCase smart(HostPixelFormat::ARGBFloat);
  EffectSettings settings;
  ASSERT_TRUE(simhost::OpenProject(smart.host.RegisteredParams(), {}, settings));
  ASSERT_EQ(settings.Checkbox(PARAM_PRESERVE_HDR), 1);
  ASSERT_EQ(smart.Render(settings), PF_Err_NONE);
  EXPECT_EQ(smart.output.PixelBytes(), smart.input.PixelBytes());
}

TEST(SmartRender, LargeIntegerFramesMatchTheClassicRender) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  constexpr A_long kSide = 1024;
  EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 40.0;
  settings.Slider(PARAM_GAMMA) = 0.6;
  for (HostPixelFormat format : {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16}) {
    HostImage input(format, kSide, kSide);
    input.FillPattern(5);
    HostImage classic(format, kSide, kSide);
    SimulatedHost classic_host(HostMode::AfterEffects, EffectModule().Entry());
    ASSERT_EQ(classic_host.Render(settings, input, classic), PF_Err_NONE);
    HostImage smart(format, kSide, kSide);
    SimulatedHost smart_host(HostMode::AfterEffects, EffectModule().Entry());
    SmartFrame frame;
    frame.input.image = &input;
    frame.output.image = &smart;
    ASSERT_EQ(smart_host.SmartRender(settings, frame), PF_Err_NONE);
    EXPECT_EQ(smart.PixelBytes(), classic.PixelBytes());
  }
}

class SmartFloatMatchesEngine : public ::testing::TestWithParam<NamedSettings> {};

TEST_P(SmartFloatMatchesEngine, BitForBit) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  const EffectSettings& settings = GetParam().settings;
  SmartCase smart(HostPixelFormat::ARGBFloat);
  ASSERT_EQ(smart.Render(settings), PF_Err_NONE);
  const ReferenceCurve reference(settings);
  HostImage expected(HostPixelFormat::ARGBFloat, kWidth, kHeight);
  ApplyReference(reference.curve, smart.input, expected, kHeight, kWidth);
  EXPECT_EQ(smart.output.PixelBytes(), expected.PixelBytes());
  ASSERT_EQ(smart.host.Iterations().size(), 1u);
  EXPECT_EQ(smart.host.Iterations()[0].via, IterateVia::IterateGeneric);
  smart.ExpectAllCheckedIn();
}

INSTANTIATE_TEST_SUITE_P(Float, SmartFloatMatchesEngine, ::testing::ValuesIn(SettingsCases()),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(SmartPreRender, ChecksOutItsOwnLayerWithTheRequestAndAnswersWithItsRectangles) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  SmartCase smart(HostPixelFormat::ARGB16);
  smart.frame.input.origin_x = 3;
  smart.frame.input.origin_y = -2;
  smart.frame.request_given = true;
  smart.frame.request = PF_LRect{1, 0, 9, 4};
  smart.frame.preserve_rgb_of_zero_alpha = true;
  ASSERT_EQ(smart.host.SmartPreRender(EffectSettings{}, smart.frame), PF_Err_NONE);
  const simhost::SmartRecords& records = smart.host.Smart();
  ASSERT_EQ(records.layer_checkouts.size(), 1u);
  const simhost::LayerCheckoutRecord& checkout = records.layer_checkouts[0];
  EXPECT_EQ(checkout.index, 0);
  EXPECT_GE(checkout.id, 1);
  EXPECT_EQ(std::memcmp(&checkout.request.rect, &smart.frame.request, sizeof(PF_LRect)), 0);
  EXPECT_EQ(checkout.request.preserve_rgb_of_zero_alpha, 1);
  EXPECT_EQ(checkout.request.channel_mask, PF_ChannelMask_ARGB);
  const PF_PreRenderOutput& answer = records.pre_render_answer;
  // The input covers x 3..16, y -2..5 of the layer.
  const PF_LRect result{3, 0, 9, 4};
  const PF_LRect most{3, -2, 3 + kWidth, -2 + kHeight};
  EXPECT_EQ(std::memcmp(&answer.result_rect, &result, sizeof result), 0);
  EXPECT_EQ(std::memcmp(&answer.max_result_rect, &most, sizeof most), 0);
  EXPECT_EQ(answer.pre_render_data, nullptr);
  EXPECT_EQ(answer.flags, 0);
  EXPECT_EQ(records.pre_render_data_deleted, 0);
  EXPECT_TRUE(records.pixel_checkouts.empty());
  smart.ExpectAllCheckedIn();
}

// Pixel (x, y) of a world lies at (x + origin_x, y + origin_y) of the layer.
TEST(SmartRender, MatchesInputAndOutputInLayerCoordinatesAndClearsWhatTheInputMisses) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 45.0;
  for (HostPixelFormat format :
       {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16, HostPixelFormat::ARGBFloat}) {
    SCOPED_TRACE(static_cast<int>(format));
    SmartCase smart(format);
    smart.frame.input.origin_x = 4;
    smart.frame.input.origin_y = 2;
    smart.frame.output.origin_x = 1;
    smart.frame.output.origin_y = -1;
    ASSERT_EQ(smart.Render(settings), PF_Err_NONE);

    const ReferenceCurve reference(settings);
    HostImage whole(format, kWidth, kHeight);
    ApplyReference(reference.curve, smart.input, whole, kHeight, kWidth);
    const std::size_t size = simhost::PixelSize(format);
    for (A_long y = 0; y < kHeight; ++y) {
      for (A_long x = 0; x < kWidth; ++x) {
        const A_long in_x = x + 1 - 4;
        const A_long in_y = y - 1 - 2;
        const bool covered = in_x >= 0 && in_y >= 0 && in_x < kWidth && in_y < kHeight;
        std::vector<std::uint8_t> want(size, 0);
        if (covered) std::memcpy(want.data(), whole.Row(in_y) + in_x * size, size);
        EXPECT_EQ(std::memcmp(smart.output.Row(y) + x * size, want.data(), size), 0)
            << "output pixel " << x << "," << y;
      }
    }
    EXPECT_TRUE(smart.output.GuardsIntact());
    smart.ExpectAllCheckedIn();
  }
}

TEST(SmartRender, MissingInputGivesTransparentOutputAndSuccess) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  enum class Missing { NullWorld, NullData, NothingInCommon, EmptyInput };
  for (Missing missing :
       {Missing::NullWorld, Missing::NullData, Missing::NothingInCommon, Missing::EmptyInput}) {
    SCOPED_TRACE(static_cast<int>(missing));
    SmartCase smart(HostPixelFormat::ARGBFloat);
    HostImage empty(HostPixelFormat::ARGBFloat, 0, 0);
    if (missing == Missing::NullWorld) smart.frame.input.image = nullptr;
    if (missing == Missing::NullData) smart.frame.input.null_data = true;
    if (missing == Missing::NothingInCommon) smart.frame.input.origin_x = kWidth;
    if (missing == Missing::EmptyInput) smart.frame.input.image = &empty;
    ASSERT_EQ(smart.Render(EffectSettings{}), PF_Err_NONE);
    EXPECT_TRUE(AllZero(smart.output));
    EXPECT_TRUE(smart.host.Iterations().empty());
    smart.ExpectAllCheckedIn();
  }
}

TEST(SmartRender, WithoutAnOutputWorldNothingIsWritten) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  SmartCase smart(HostPixelFormat::ARGB8);
  smart.frame.output.null_data = true;
  ASSERT_EQ(smart.Render(EffectSettings{}), PF_Err_NONE);
  smart.frame.output.image = nullptr;
  ASSERT_EQ(smart.Render(EffectSettings{}), PF_Err_NONE);
  EXPECT_TRUE(smart.host.Iterations().empty());
  smart.ExpectAllCheckedIn();
}

TEST(SmartRender, FullBlendIsTheHostsCopyAtEveryDepth) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 50.0;
  settings.Fixed(PARAM_BLEND) = kBlendFull;
  for (HostPixelFormat format :
       {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16, HostPixelFormat::ARGBFloat}) {
    SmartCase smart(format);
    ASSERT_EQ(smart.Render(settings), PF_Err_NONE);
    EXPECT_EQ(smart.output.PixelBytes(), smart.input.PixelBytes());
    ASSERT_EQ(smart.host.Copies().size(), 1u);
    EXPECT_EQ(smart.host.Copies()[0].via, simhost::CopyVia::WorldTransformHQ);
    EXPECT_TRUE(smart.host.Iterations().empty());
    smart.ExpectAllCheckedIn();
  }
}

// ---- Failures: every callback's error ends the frame and comes back as it
// was, with everything taken given back.

struct SmartFault {
  const char* name;
  void (*apply)(simhost::FaultPlan& faults, PF_Err code);
  bool pixels_taken;  // the input pixels were checked out before the failure
};

const SmartFault kSmartFaults[] = {
    {"checkout_layer", [](simhost::FaultPlan& f, PF_Err c) { f.checkout_layer_code = c; }, false},
    {"first_param",
     [](simhost::FaultPlan& f, PF_Err c) {
       f.checkout_param_fail_at = 1;
       f.checkout_param_code = c;
     },
     false},
    {"last_param",
     [](simhost::FaultPlan& f, PF_Err c) {
       f.checkout_param_fail_at = 12;
       f.checkout_param_code = c;
     },
     false},
    {"checkin_param", [](simhost::FaultPlan& f, PF_Err c) { f.checkin_param_code = c; }, false},
    {"colour", [](simhost::FaultPlan& f, PF_Err c) { f.color_conversion_code = c; }, false},
    {"layer_pixels", [](simhost::FaultPlan& f, PF_Err c) { f.checkout_layer_pixels_code = c; },
     false},
    {"output", [](simhost::FaultPlan& f, PF_Err c) { f.checkout_output_code = c; }, true},
    {"pixel_format", [](simhost::FaultPlan& f, PF_Err c) { f.world_pixel_format_code = c; }, true},
    {"iterate", [](simhost::FaultPlan& f, PF_Err c) { f.iterate_code = c; }, true},
    {"checkin_pixels", [](simhost::FaultPlan& f, PF_Err c) { f.checkin_layer_pixels_code = c; },
     true},
};

TEST(SmartRenderFailure, EveryCallbackErrorIsReturnedUnchangedAndEverythingIsGivenBack) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 30.0;
  for (const SmartFault& fault : kSmartFaults) {
    for (PF_Err code : {PF_Interrupt_CANCEL, PF_Err_OUT_OF_MEMORY}) {
      for (HostPixelFormat format :
           {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16, HostPixelFormat::ARGBFloat}) {
        SCOPED_TRACE(std::string(fault.name) + " " + std::to_string(code) + " " +
                     std::to_string(static_cast<int>(format)));
        SmartCase smart(format);
        fault.apply(smart.host.Faults(), code);
        EXPECT_EQ(smart.Render(settings), code);
        smart.ExpectAllCheckedIn();
        EXPECT_EQ(smart.host.Smart().pixel_checkouts.size(), fault.pixels_taken ? 1u : 0u);
      }
    }
  }
}

TEST(SmartRenderFailure, AFullBlendsFailedCopyIsReturned) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  EffectSettings settings;
  settings.Fixed(PARAM_BLEND) = kBlendFull;
  SmartCase smart(HostPixelFormat::ARGBFloat);
  smart.host.Faults().copy_code = PF_Interrupt_CANCEL;
  EXPECT_EQ(smart.Render(settings), PF_Interrupt_CANCEL);
  smart.ExpectAllCheckedIn();
}

TEST(SmartRenderFailure, AMissingSuiteGives516AndTheRestIsGivenBack) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  for (const char* suite : {"PF World Suite", "PF Iterate8 Suite"}) {
    SCOPED_TRACE(suite);
    SmartCase smart(HostPixelFormat::ARGBFloat);
    smart.host.Faults().FailSuite(suite, simhost::SuiteFault::Kind::Missing, 13,
                                  std::strcmp(suite, "PF World Suite") == 0 ? 2 : 1);
    EXPECT_EQ(smart.Render(EffectSettings{}), PF_Err_BAD_CALLBACK_PARAM);
    smart.ExpectAllCheckedIn();
  }
}

TEST(SmartRenderFailure, MissingExtraRecordsGive516) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  SimulatedHost host(HostMode::AfterEffects, EffectModule().Entry());
  EXPECT_EQ(host.Call(PF_Cmd_SMART_PRE_RENDER), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host.Call(PF_Cmd_SMART_RENDER), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_TRUE(host.Ledger().Entries().empty());
}

}  // namespace
