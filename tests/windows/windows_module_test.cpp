// The Windows module as a host finds it, run under wine.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host_sdk/host_constants.h"
#include "simhost/host.h"
#include "tests/windows/property_list_expectations.h"
#include "tests/windows/property_list_reader.h"
#include "tests/windows/resource_module.h"

namespace {

class WindowsModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.IsLoaded()) << module_.Error(); }

  ResourceModule module_{VELMORA_WINDOWS_MODULE};
};

TEST_F(WindowsModuleTest, PropertyListResourceReadsBackAsPublished) {
  ExpectPropertyListAsPublished(module_.PropertyListBytes());
}

TEST_F(WindowsModuleTest, EntryNamedByThePropertyListIsTheExportedEntry) {
  EXPECT_EQ(module_.EntryName(), "EntryPointFunc");
  HMODULE loaded = GetModuleHandleA(VELMORA_WINDOWS_MODULE);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(module_.Entry()),
            reinterpret_cast<void*>(GetProcAddress(loaded, "EntryPointFunc")));
}

TEST_F(WindowsModuleTest, GlobalSetupReportsTheWordsOfThePropertyList) {
  ExpectGlobalSetupStoresTheListsWords(module_.Entry(), module_.PropertyListBytes());
}

TEST_F(WindowsModuleTest, PremiereProGetsBothFormatsFromTheWindowsModule) {
  simhost::SimulatedHost host(simhost::HostMode::PremierePro, module_.Entry());
  ASSERT_EQ(host.GlobalSetup(), 0);
  EXPECT_EQ(host.SupportedPixelFormats(),
            (std::vector<PrPixelFormat>{PrPixelFormat_BGRA_4444_32f, PrPixelFormat_BGRA_4444_8u}));
}

TEST_F(WindowsModuleTest, ThrownSuiteFailureIsCaughtInsideTheModule) {
  // The one exception of the design crosses no module boundary: a missing suite
  // is thrown and caught within the module and arrives here as a code.
  simhost::SimulatedHost host(simhost::HostMode::AfterEffects, module_.Entry());
  host.Faults().FailSuite("PF ANSI Suite");
  EXPECT_EQ(host.About(), 516);
  EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
}

}  // namespace
