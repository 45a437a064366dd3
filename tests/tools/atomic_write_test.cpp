#include "tools/atomic_write.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

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

int Temporaries(const std::filesystem::path& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    count += entry.path().filename().string().find(".velmora-") != std::string::npos;
  }
  return count;
}

// Far more temporaries open at once than any fixed table would hold.
TEST(AtomicWrite, AnInterruptionRemovesEveryTemporaryInFlight) {
  const auto folder = TestFolder("interrupted-many");
  constexpr int kInFlight = 150;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstallTemporaryFileCleanup();
    for (int i = 0; i < kInFlight; ++i) {
      std::thread([&folder, i] {
        WriteAtomically(folder / ("out" + std::to_string(i) + ".txt"), [](int) { pause(); });
      }).detach();
    }
    pause();
    _exit(0);
  }
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (Temporaries(folder) < kInFlight && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(Temporaries(folder), kInFlight);
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_EQ(Temporaries(folder), 0);
}

}  // namespace
