#include "tools/atomic_write.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <string>

#include "tools/tool_error.h"

namespace {

// A signal handler may neither lock nor allocate, so the temporaries in flight
// live in fixed slots claimed with atomics. More frames in flight than slots only
// means the surplus is not cleaned up after an interruption.
struct TemporarySlot {
  std::atomic<int> state{0};  // 0 free, 1 being filled, 2 holds a path
  std::array<char, 4096> path{};
};
std::array<TemporarySlot, 64> g_slots;

int ClaimSlot(const std::string& path) {
  if (path.size() >= std::tuple_size<decltype(TemporarySlot::path)>::value) return -1;
  for (std::size_t i = 0; i < g_slots.size(); ++i) {
    int expected = 0;
    if (g_slots[i].state.compare_exchange_strong(expected, 1)) {
      std::memcpy(g_slots[i].path.data(), path.c_str(), path.size() + 1);
      g_slots[i].state.store(2);
      return static_cast<int>(i);
    }
  }
  return -1;
}

void ReleaseSlot(int slot) {
  if (slot >= 0) g_slots[static_cast<std::size_t>(slot)].state.store(0);
}

extern "C" void RemoveTemporariesAndDie(int signal_number) {
  for (auto& slot : g_slots) {
    if (slot.state.load() == 2) unlink(slot.path.data());
  }
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

std::atomic<unsigned> g_sequence{0};

std::filesystem::path TemporaryPathFor(const std::filesystem::path& target) {
  const std::string name = "." + target.stem().string() + ".velmora-" + std::to_string(getpid()) +
                           "-" + std::to_string(g_sequence.fetch_add(1)) +
                           target.extension().string();
  return target.parent_path() / name;
}

}  // namespace

void InstallTemporaryFileCleanup() {
  std::signal(SIGINT, RemoveTemporariesAndDie);
  std::signal(SIGTERM, RemoveTemporariesAndDie);
  std::signal(SIGHUP, RemoveTemporariesAndDie);
}

void WriteAtomically(const std::filesystem::path& target,
                     const std::function<void(const std::filesystem::path& temporary)>& write) {
  const std::filesystem::path temporary = TemporaryPathFor(target);
  const int slot = ClaimSlot(temporary.string());
  try {
    write(temporary);
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
      throw Failure("cannot move the finished output into place at " + target.string() + ": " +
                    error.message());
    }
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    ReleaseSlot(slot);
    throw;
  }
  ReleaseSlot(slot);
}
