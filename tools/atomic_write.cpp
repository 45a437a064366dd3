#include "tools/atomic_write.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/tool_error.h"

namespace {

// A signal handler may neither lock nor allocate, so the temporaries in flight are kept in
// a list that only ever grows, one node per temporary open at the same time, each claimed
// and released with atomics. Nodes are reused, never freed, so the handler can walk the list
// while threads add to it. A temporary's path fits, since the system created it.
struct TemporaryNode {
  std::atomic<int> state{1};  // 0 free, 1 being filled, 2 holds a path
  char path[PATH_MAX] = {};
  TemporaryNode* next = nullptr;
};
std::atomic<TemporaryNode*> g_temporaries{nullptr};

TemporaryNode* ClaimNode(const std::string& path) {
  TemporaryNode* node = g_temporaries.load();
  for (int free = 0; node != nullptr && !node->state.compare_exchange_strong(free, 1); free = 0) {
    node = node->next;
  }
  if (node == nullptr) {
    node = new TemporaryNode;
    node->next = g_temporaries.load();
    while (!g_temporaries.compare_exchange_weak(node->next, node)) {
    }
  }
  std::memcpy(node->path, path.c_str(), path.size() + 1);
  node->state.store(2);
  return node;
}

extern "C" void RemoveTemporaries() {
  for (TemporaryNode* node = g_temporaries.load(); node != nullptr; node = node->next) {
    if (node->state.load() == 2) unlink(node->path);
  }
}

// The signals that end the process unless handled and that arrive from outside or by
// abort: a user or job manager (a CPU time limit included) or a library.
constexpr int kEndingSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGALRM,
                                  SIGUSR1, SIGUSR2, SIGXCPU, SIGABRT};

extern "C" void RemoveTemporariesAndDie(int signal_number) {
  RemoveTemporaries();
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

// A new file gets the permissions a newly created file would get. Reading the mask changes
// it for a moment, so it is read at start-up, while the process is still single-threaded.
mode_t g_creation_mask = 022;

ToolError WriteFailure(const std::filesystem::path& target, const std::string& what, int error) {
  return Failure("cannot write " + target.string() + ": " + what + std::strerror(error));
}

// A temporary beside the target, created exclusively with owner-only permissions (an
// existing file or symlink of its name makes creation pick another) and removed unless it
// was moved into place.
struct Temporary {
  std::string path;
  int fd = -1;
  TemporaryNode* node = nullptr;
  bool moved = false;
  ~Temporary() {
    if (fd >= 0) close(fd);
    if (!moved && !path.empty()) unlink(path.c_str());
    if (node != nullptr) node->state.store(0);
  }
};

// A file replaced keeps its permissions, and its owner and group as far as this user may
// give them away.
void TakeOverPermissions(const std::filesystem::path& target, int fd) {
  struct stat existing {};
  mode_t mode = 0666 & ~g_creation_mask;
  if (stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    mode = existing.st_mode & 0777;
    if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
      // The group may still be ours to give; where it is not, the file stays ours.
      const int group_kept = fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
      static_cast<void>(group_kept);
    }
  }
  if (fchmod(fd, mode) != 0) throw WriteFailure(target, "", errno);
}

void WriteAll(int fd, const std::filesystem::path& target, const void* bytes, std::size_t size) {
  for (const char* next = static_cast<const char*>(bytes); size > 0;) {
    const ssize_t written = write(fd, next, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw WriteFailure(target, "", written < 0 ? errno : EIO);
    next += written;
    size -= static_cast<std::size_t>(written);
  }
}

}  // namespace

void InstallTemporaryFileCleanup() {
  g_creation_mask = umask(0);
  umask(g_creation_mask);
  // A write past a file size limit, or to a reader that went away, fails with an error the
  // tool reports instead of ending the process on the spot.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  // Some libraries end the process on an error instead of reporting it, by exit or by abort.
  std::atexit(RemoveTemporaries);
  for (int signal_number : kEndingSignals) std::signal(signal_number, RemoveTemporariesAndDie);
}

void WriteAtomically(const std::filesystem::path& target,
                     const std::function<void(int fd)>& write) {
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  // The stem is shortened so that the temporary's name fits wherever the target's does.
  const std::string extension = target.extension().string();
  std::string name =
      (folder / ("." + target.stem().string().substr(0, 64) + ".velmora-XXXXXX" + extension))
          .string();
  Temporary file;
  // An interruption between creating the file and listing it would leave it behind.
  sigset_t interruptions;
  sigset_t before;
  sigemptyset(&interruptions);
  for (int signal_number : kEndingSignals) sigaddset(&interruptions, signal_number);
  pthread_sigmask(SIG_BLOCK, &interruptions, &before);
  file.fd = mkostemps(name.data(), static_cast<int>(extension.size()), O_CLOEXEC);
  const int error = errno;
  if (file.fd >= 0) file.path = name;
  if (file.fd >= 0) file.node = ClaimNode(name);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  if (file.fd < 0) throw WriteFailure(target, "", error);

  write(file.fd);
  TakeOverPermissions(target, file.fd);
  if (fsync(file.fd) != 0) throw WriteFailure(target, "", errno);
  const int fd = file.fd;
  file.fd = -1;
  if (close(fd) != 0) throw WriteFailure(target, "", errno);
  if (std::rename(file.path.c_str(), target.c_str()) != 0) {
    throw WriteFailure(target, "cannot move the finished file into place: ", errno);
  }
  file.moved = true;
  // Without this the rename itself may not survive a power cut.
  const int flushed = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool done = flushed >= 0 && (fsync(flushed) == 0 || errno == EINVAL);
  const int flush_error = errno;
  if (flushed >= 0) close(flushed);
  if (!done) throw WriteFailure(target, "written, but its folder cannot be flushed: ", flush_error);
}

void WriteBytesAtomically(const std::filesystem::path& target, const void* bytes,
                          std::size_t size) {
  WriteAtomically(target, [&](int fd) { WriteAll(fd, target, bytes, size); });
}
