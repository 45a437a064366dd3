#include "simhost/module.h"

#include <filesystem>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>
#endif

namespace simhost {
namespace {

constexpr char kEntryName[] = "EntryPointFunc";

#ifdef _WIN32
std::string LastWindowsError() {
  return "Windows error " + std::to_string(static_cast<unsigned long>(GetLastError()));
}
#else
uint64_t Little(const uint8_t* bytes, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

// Where a table or piece ends; a sum that overflows ends past any file.
uint64_t End(uint64_t offset, uint64_t size) {
  return offset > UINT64_MAX - size ? UINT64_MAX : offset + size;
}

constexpr uint32_t kSectionWithoutBytes = 8;
#endif

}  // namespace

#ifndef _WIN32
ModuleFile::ModuleFile(const std::string& path) {
  fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = "cannot load module '" + path + "': " + std::strerror(errno);
    return;
  }
  struct stat status {};
  if (fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
    error_ = "module is not a regular file: " + path;
    return;
  }
  size_ = static_cast<uint64_t>(status.st_size);
  if (!LibraryWhole()) {
    error_ = "module " + path + " is cut short or damaged: its headers reach past its " +
             std::to_string(size_) + " bytes";
  }
}

ModuleFile::~ModuleFile() {
  if (fd_ >= 0) close(fd_);
}

bool ModuleFile::ReadAt(uint64_t offset, void* bytes, uint64_t count) const {
  auto* next = static_cast<char*>(bytes);
  while (count > 0) {
    const ssize_t done = pread(fd_, next, count, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    next += done;
    offset += static_cast<uint64_t>(done);
    count -= static_cast<uint64_t>(done);
  }
  return true;
}

bool ModuleFile::LibraryWhole() const {
  uint8_t header[64] = {};
  const bool header_read = ReadAt(0, header, sizeof header);
  // Only 64-bit little-endian libraries load here; anything else the loader refuses unmapped.
  if (std::memcmp(header, "\177ELF\2\1", 6) != 0) return true;
  const uint64_t program_table = Little(header + 0x20, 8);
  const uint64_t section_table = Little(header + 0x28, 8);
  const uint64_t program_count = Little(header + 0x38, 2);
  const uint64_t section_count = Little(header + 0x3C, 2);
  if (!header_read || std::max(End(program_table, 56 * program_count),
                               End(section_table, 64 * section_count)) > size_) {
    return false;
  }
  std::vector<uint8_t> table(56 * program_count);
  if (!ReadAt(program_table, table.data(), table.size())) return false;
  for (uint64_t i = 0; i < program_count; ++i) {
    const uint8_t* entry = table.data() + 56 * i;
    if (End(Little(entry + 8, 8), Little(entry + 0x20, 8)) > size_) return false;
  }
  table.assign(64 * section_count, 0);
  if (!ReadAt(section_table, table.data(), table.size())) return false;
  for (uint64_t i = 0; i < section_count; ++i) {
    const uint8_t* entry = table.data() + 64 * i;
    if (Little(entry + 4, 4) != kSectionWithoutBytes &&
        End(Little(entry + 0x18, 8), Little(entry + 0x20, 8)) > size_) {
      return false;
    }
  }
  return true;
}
#endif

LoadedModule::LoadedModule(const std::string& path) {
#ifdef _WIN32
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error_ = "cannot load module '" + path + "': " + LastWindowsError();
    return;
  }
  handle_ = reinterpret_cast<void*>(module);
  FARPROC symbol = GetProcAddress(module, kEntryName);
  if (symbol == nullptr) {
    error_ = "module '" + path + "' has no " + kEntryName + ": " + LastWindowsError();
    Close();
    return;
  }
  entry_ = reinterpret_cast<EntryPointFunction>(reinterpret_cast<void (*)()>(symbol));
#else
  if (const ModuleFile file(path); !file.Error().empty()) {
    error_ = file.Error();
    return;
  }
  // A name without a slash would send the loader searching the system's library folders.
  std::error_code ignored;
  const std::string file = std::filesystem::absolute(path, ignored).string();
  handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    error_ = "cannot load module '" + path + "': " + (reason != nullptr ? reason : "unknown");
    return;
  }
  dlerror();
  void* symbol = dlsym(handle_, kEntryName);
  if (symbol == nullptr) {
    const char* reason = dlerror();
    error_ = "module '" + path + "' has no " + kEntryName + ": " +
             (reason != nullptr ? reason : "null symbol");
    Close();
    return;
  }
  entry_ = reinterpret_cast<EntryPointFunction>(symbol);
#endif
}

LoadedModule::~LoadedModule() {
  Close();
}

LoadedModule::LoadedModule(LoadedModule&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      entry_(std::exchange(other.entry_, nullptr)),
      error_(std::move(other.error_)) {}

LoadedModule& LoadedModule::operator=(LoadedModule&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    entry_ = std::exchange(other.entry_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

void LoadedModule::Close() {
  entry_ = nullptr;
  if (handle_ == nullptr) return;
#ifdef _WIN32
  FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
  handle_ = nullptr;
}

}  // namespace simhost
