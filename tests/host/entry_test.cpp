// The module's entry point as a host calls it: about, global setup, parameter
// setup and the commands it ignores, through EntryPointFunc of the loaded module.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/effect_identity.h"
#include "host/params.h"
#include "host_sdk/host_constants.h"
#include "tests/host/effect_under_host.h"

namespace {

using simhost::HostMode;
using simhost::SimulatedHost;
using simhost::SuiteFault;
using velmora_test::BytesOf;
using velmora_test::EffectModule;

class EntryTest : public ::testing::TestWithParam<HostMode> {
 protected:
  void SetUp() override { ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error(); }
};

TEST_P(EntryTest, AboutWritesNameVersionCarriageReturnAndDescription) {
  SimulatedHost host(GetParam(), EffectModule().Entry());
  ASSERT_EQ(host.About(), PF_Err_NONE);
  const std::string message = host.OutData().return_msg;
  EXPECT_EQ(message.rfind("Velmora v1.2\rVelmora plugin for After Effects and Premiere Pro. ", 0),
            0u)
      << message;
  EXPECT_EQ(message.find('\n'), std::string::npos);
  EXPECT_LT(message.size(), 256u);
  EXPECT_EQ(host.OutData().out_flags, 0);
  EXPECT_EQ(host.Ledger().AcquireCount("PF ANSI Suite"), 1);
  EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
}

TEST_P(EntryTest, AboutWithoutAnsiSuiteReturns516AndWritesNothing) {
  for (SuiteFault::Kind kind : {SuiteFault::Kind::Missing, SuiteFault::Kind::ZeroWithoutSuite,
                                SuiteFault::Kind::CodeWithPointer}) {
    SimulatedHost host(GetParam(), EffectModule().Entry());
    host.Faults().FailSuite("PF ANSI Suite", kind);
    std::strcpy(host.OutData().return_msg, "before");
    const auto before = BytesOf(host.OutData());
    EXPECT_EQ(host.About(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(BytesOf(host.OutData()), before);
    EXPECT_EQ(host.Ledger().ReleaseCount("PF ANSI Suite"), 0);
    EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
  }
}

TEST_P(EntryTest, AboutWithoutBasicSuiteReturns516) {
  SimulatedHost host(GetParam(), EffectModule().Entry());
  host.Faults().no_basic_suite = true;
  const auto before = BytesOf(host.OutData());
  EXPECT_EQ(host.About(), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(BytesOf(host.OutData()), before);
  EXPECT_TRUE(host.Ledger().Entries().empty());
}

TEST_P(EntryTest, GlobalSetupStoresVersionAndFlagsOverWhatWasThere) {
  SimulatedHost host(GetParam(), EffectModule().Entry());
  host.OutData().out_flags = PF_OutFlag_NOP_RENDER;
  host.OutData().out_flags2 = PF_OutFlag2_I_AM_THREADSAFE;
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.OutData().my_version, 0x90001u);
  EXPECT_EQ(host.OutData().my_version, kEffectVersion);
  EXPECT_EQ(host.OutData().out_flags, 0x02000400);
  EXPECT_EQ(host.OutData().out_flags2, 0x8001440);
  EXPECT_EQ(host.OutData().return_msg[0], '\0');
  EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
}

TEST(GlobalSetup, AfterEffectsAcquiresNothingAndRegistersNoFormats) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  SimulatedHost host(HostMode::AfterEffects, EffectModule().Entry());
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_TRUE(host.Ledger().Entries().empty());
  EXPECT_EQ(host.ClearSupportedPixelFormatsCalls(), 0);
  EXPECT_TRUE(host.SupportedPixelFormats().empty());
}

TEST(GlobalSetup, PremiereProClearsThenAddsFloatBeforeEightBitBgra) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  SimulatedHost host(HostMode::PremierePro, EffectModule().Entry());
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.ClearSupportedPixelFormatsCalls(), 1);
  EXPECT_EQ(host.SupportedPixelFormats(), (std::vector<PrPixelFormat>{0x61724742, 0x61726762}));
  EXPECT_EQ(host.Ledger().AcquireCount("PF Pixel Format Suite"), 1);
  EXPECT_EQ(host.Ledger().ReleaseCount("PF Pixel Format Suite"), 1);
  EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
  EXPECT_EQ(host.OutData().out_flags, 0x02000400);
}

TEST(GlobalSetup, PremiereProWithoutPixelFormatSuiteReportsButSucceeds) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  SimulatedHost host(HostMode::PremierePro, EffectModule().Entry());
  host.Faults().FailSuite("PF Pixel Format Suite");
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.OutData().out_flags, 0x02000400 | PF_OutFlag_DISPLAY_ERROR_MESSAGE);
  EXPECT_EQ(host.OutData().out_flags2, 0x8001440);
  EXPECT_EQ(host.OutData().my_version, 0x90001u);
  EXPECT_STREQ(host.OutData().return_msg, "Not able to acquire AEFX Suite.");
  EXPECT_TRUE(host.SupportedPixelFormats().empty());
  EXPECT_EQ(host.Ledger().ReleaseCount("PF Pixel Format Suite"), 0);
  EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
}

TEST(GlobalSetup, PremiereProWithoutBasicSuiteReportsTheAcquire) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  SimulatedHost host(HostMode::PremierePro, EffectModule().Entry());
  host.Faults().no_basic_suite = true;
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.OutData().out_flags, 0x02000400 | PF_OutFlag_DISPLAY_ERROR_MESSAGE);
  EXPECT_STREQ(host.OutData().return_msg, "Not able to acquire AEFX Suite.");
  EXPECT_TRUE(host.SupportedPixelFormats().empty());
}

// The frozen definitions themselves are pinned in tests/host/params_test.cpp.
TEST_P(EntryTest, ParamsSetupRegistersTheTableInOrder) {
  SimulatedHost host(GetParam(), EffectModule().Entry());
  ASSERT_EQ(host.ParamsSetup(), PF_Err_NONE);
  EXPECT_EQ(host.OutData().num_params, PARAM_COUNT);
  const auto& params = host.RecordedParams();
  ASSERT_EQ(params.size(), kParamTable.size());
  for (size_t i = 0; i < params.size(); ++i) {
    EXPECT_EQ(params[i].index, -1);
    EXPECT_EQ(params[i].def.uu.id, kParamIdentities[i].disk_id);
    EXPECT_EQ(params[i].def.param_type, kParamIdentities[i].kind);
    EXPECT_TRUE(params[i].name_terminated);
  }
  EXPECT_TRUE(host.Ledger().Entries().empty());
}

TEST_P(EntryTest, ParamsSetupStopsAtTheFirstRejection) {
  SimulatedHost host(GetParam(), EffectModule().Entry());
  host.Faults().add_param_fail_at = 5;
  host.Faults().add_param_code = PF_Err_OUT_OF_MEMORY;
  host.OutData().num_params = 1;
  EXPECT_EQ(host.ParamsSetup(), PF_Err_OUT_OF_MEMORY);
  // The host keeps the four it accepted; a sixth offer would have made it five.
  EXPECT_EQ(host.RecordedParams().size(), 4u);
  EXPECT_EQ(host.OutData().num_params, 1);
  EXPECT_EQ(host.OutData().out_flags, 0);
  EXPECT_EQ(host.OutData().return_msg[0], '\0');
}

TEST_P(EntryTest, UnhandledCommandsReturnZeroAndTouchNothing) {
  SimulatedHost host(GetParam(), EffectModule().Entry());
  std::strcpy(host.OutData().return_msg, "before");
  host.OutData().out_flags = PF_OutFlag_WIDE_TIME_INPUT;
  const auto before = BytesOf(host.OutData());
  for (PF_Cmd cmd : {2, 3, 5, 6, 7, 8, 9, 10, 12, 13, 17, 33, 34, 1000, -1, -100}) {
    SCOPED_TRACE(cmd);
    EXPECT_EQ(host.Call(cmd), PF_Err_NONE);
    EXPECT_EQ(BytesOf(host.OutData()), before);
  }
  EXPECT_TRUE(host.Ledger().Entries().empty());
  EXPECT_TRUE(host.RecordedParams().empty());
  EXPECT_TRUE(host.Iterations().empty());
  EXPECT_TRUE(host.Copies().empty());
}

INSTANTIATE_TEST_SUITE_P(BothHosts, EntryTest,
                         ::testing::Values(HostMode::AfterEffects, HostMode::PremierePro),
                         [](const auto& param_info) {
                           return param_info.param == HostMode::AfterEffects ? "AfterEffects"
                                                                             : "PremierePro";
                         });

}  // namespace
