#include "simhost/module.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "simhost/host.h"

namespace simhost {
namespace {

TEST(LoadedModule, LoadsAModuleAndCallsItsEntryPoint) {
  LoadedModule module(SIMHOST_TEST_MODULE);
  ASSERT_TRUE(module.IsLoaded()) << module.Error();
  EXPECT_TRUE(module.Error().empty());
  SimulatedHost host(HostMode::AfterEffects, module.Entry());
  EXPECT_EQ(host.About(), PF_Err_NONE);
  EXPECT_STREQ(host.OutData().return_msg, "test module");
  EXPECT_EQ(host.Call(17), 17);

  LoadedModule moved(std::move(module));
  EXPECT_TRUE(moved.IsLoaded());
  EXPECT_FALSE(module.IsLoaded());  // NOLINT(bugprone-use-after-move): the moved-from state
}

TEST(LoadedModule, AMissingFileNamesThePath) {
  const std::string path = "/nonexistent/Trevane_Velmora.so";
  LoadedModule module(path);
  EXPECT_FALSE(module.IsLoaded());
  EXPECT_EQ(module.Entry(), nullptr);
  EXPECT_NE(module.Error().find("cannot load module '" + path + "'"), std::string::npos)
      << module.Error();
}

TEST(LoadedModule, ALibraryWithoutTheEntryPointIsRefused) {
  Dl_info maths{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&::cos), &maths), 0);
  LoadedModule module(maths.dli_fname);
  EXPECT_FALSE(module.IsLoaded());
  EXPECT_NE(module.Error().find("has no EntryPointFunc"), std::string::npos) << module.Error();
  // A bare name is a file in the current folder, not one of the system's libraries.
  EXPECT_FALSE(LoadedModule("libm.so.6").IsLoaded());
}

}  // namespace
}  // namespace simhost
