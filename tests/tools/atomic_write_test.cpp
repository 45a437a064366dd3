#include "tools/atomic_write.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/tools/cli_support.h"

namespace {

// Whatever name a temporary could take, a symlink planted there beforehand
// must neither be written through nor end up as the output.
TEST(AtomicWrite, NeverWritesThroughASymlinkPlantedAtATemporaryName) {
  const auto folder = TestFolder("planted-symlinks");
  const auto victim = folder / "victim.txt";
  std::ofstream(victim) << "not yours";
  for (int sequence = 0; sequence < 64; ++sequence) {
    std::filesystem::create_symlink(victim, folder / (".out.velmora-" + std::to_string(getpid()) +
                                                      "-" + std::to_string(sequence) + ".txt"));
  }
  const std::string text = "written";
  WriteBytesAtomically(folder / "out.txt", text.data(), text.size());

  EXPECT_EQ(FileBytes(victim), "not yours");
  EXPECT_FALSE(std::filesystem::is_symlink(folder / "out.txt"));
  EXPECT_EQ(FileBytes(folder / "out.txt"), text);
}

}  // namespace
