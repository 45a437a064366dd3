// A module loaded from a path, the way a host loads an effect: open the shared
// library (dlopen, or LoadLibrary on Windows) and find its `EntryPointFunc`.
#pragma once

#include <string>

#include "host_sdk/host_records.h"

namespace simhost {

using EntryPointFunction = PF_FilterProc;

class LoadedModule {
 public:
  // Never throws; check `IsLoaded()` and read `Error()` for the reason.
  explicit LoadedModule(const std::string& path);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  LoadedModule(LoadedModule&& other) noexcept;
  LoadedModule& operator=(LoadedModule&& other) noexcept;

  bool IsLoaded() const { return entry_ != nullptr; }
  EntryPointFunction Entry() const { return entry_; }
  // Empty when loaded; otherwise what failed, naming the path.
  const std::string& Error() const { return error_; }

 private:
  void Close();

  void* handle_ = nullptr;
  EntryPointFunction entry_ = nullptr;
  std::string error_;
};

}  // namespace simhost
