#include "simhost/module.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
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

// A copy cut short would map pages past its end, a bus error when touched, and
// a pipe would be waited on: neither reaches the system's loader.
TEST(LoadedModule, RefusesAFileCutShortAndAPipe) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("simhost-module-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const auto cut = folder / "cut.so";
  std::filesystem::copy_file(SIMHOST_TEST_MODULE, cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
  EXPECT_NE(LoadedModule(cut.string()).Error().find("is cut short"), std::string::npos);
  ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
  EXPECT_NE(LoadedModule((folder / "fifo").string()).Error().find("not a regular file"),
            std::string::npos);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace simhost
