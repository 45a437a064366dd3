#include "tools/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
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

extern "C" void RemoveTemporaries() {
  for (auto& slot : g_slots) {
    if (slot.state.load() == 2) unlink(slot.path.data());
  }
}

extern "C" void RemoveTemporariesAndDie(int signal_number) {
  RemoveTemporaries();
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

// The temporary is created with owner-only permissions; the finished file gets
// the ones a newly created file would get. Reading the mask changes it for a
// moment, so it is read once while the process is still single-threaded.
mode_t CreationMask() {
  static const mode_t mask = [] {
    const mode_t current = umask(0);
    umask(current);
    return current;
  }();
  return mask;
}

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  return target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
}

ToolError WriteFailure(const std::filesystem::path& target, const std::string& what, int error) {
  return Failure("cannot write " + target.string() + ": " + what + std::strerror(error));
}

// A uniquely named file in the target's folder, created exclusively (an existing
// file or symlink of that name makes creation pick another name) and removed
// unless it was moved into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::filesystem::path& target) : target_(target) {
    // The stem is shortened so that the temporary's name fits wherever the target's does.
    const std::string extension = target.extension().string();
    const std::string stem = target.stem().string().substr(0, 64);
    std::string name = (FolderOf(target) / ("." + stem + ".velmora-XXXXXX" + extension)).string();
    fd_ = mkostemps(name.data(), static_cast<int>(extension.size()), O_CLOEXEC);
    if (fd_ < 0) throw WriteFailure(target, "", errno);
    path_ = name;
    slot_ = ClaimSlot(name);
  }

  ~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(path_.c_str());
    ReleaseSlot(slot_);
  }

  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  const std::filesystem::path& path() const { return path_; }

  void MoveIntoPlace() {
    if (fchmod(fd_, 0666 & ~CreationMask()) != 0) throw WriteFailure(target_, "", errno);
    if (fsync(fd_) != 0) throw WriteFailure(target_, "", errno);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) throw WriteFailure(target_, "", errno);
    if (std::rename(path_.c_str(), target_.c_str()) != 0) {
      throw WriteFailure(target_, "cannot move the finished file into place: ", errno);
    }
    committed_ = true;
    // Without this the rename itself may not survive a power cut.
    const int folder = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
      throw WriteFailure(target_, "written, but its folder cannot be flushed: ", errno);
    const bool flushed = fsync(folder) == 0 || errno == EINVAL;
    const int error = errno;
    close(folder);
    if (!flushed) throw WriteFailure(target_, "written, but its folder cannot be flushed: ", error);
  }

 private:
  std::filesystem::path target_;
  std::filesystem::path path_;
  int fd_ = -1;
  int slot_ = -1;
  bool committed_ = false;
};

void WriteAll(const TemporaryFile& file, const std::filesystem::path& target, const void* bytes,
              std::size_t size) {
  const char* next = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t written = write(file.fd(), next, size);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw WriteFailure(target, "", errno);
    if (written == 0) throw WriteFailure(target, "", EIO);
    next += written;
    size -= static_cast<std::size_t>(written);
  }
}

}  // namespace

void InstallTemporaryFileCleanup() {
  CreationMask();
  // Some libraries end the process on an error instead of reporting it.
  std::atexit(RemoveTemporaries);
  std::signal(SIGINT, RemoveTemporariesAndDie);
  std::signal(SIGTERM, RemoveTemporariesAndDie);
  std::signal(SIGHUP, RemoveTemporariesAndDie);
}

void WriteBytesAtomically(const std::filesystem::path& target, const void* bytes,
                          std::size_t size) {
  TemporaryFile file(target);
  WriteAll(file, target, bytes, size);
  file.MoveIntoPlace();
}
