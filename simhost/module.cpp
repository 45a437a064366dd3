#include "simhost/module.h"

#include <filesystem>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace simhost {
namespace {

constexpr char kEntryName[] = "EntryPointFunc";

#ifdef _WIN32
std::string LastWindowsError() {
  return "Windows error " + std::to_string(static_cast<unsigned long>(GetLastError()));
}
#endif

}  // namespace

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
