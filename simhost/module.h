// A module loaded from a path, the way a host loads an effect: open the shared
// library (dlopen, or LoadLibrary on Windows) and find its `EntryPointFunc`.
#pragma once

#include <cstdint>
#include <string>

#include "host_sdk/host_records.h"

namespace simhost {

#ifndef _WIN32
// A module's file, looked at before the system's loader maps it. A library is
// mapped, not read: a page past the end of a file cut short (an interrupted
// copy) ends the process with a bus error when touched, so a native library's
// headers are held against the file's size first. The file is opened without
// blocking, so a pipe or device is never waited on. Native builds only: the
// Windows build loads its modules through LoadLibrary.
class ModuleFile {
 public:
  // Never throws; check `Error()`.
  explicit ModuleFile(const std::string& path);
  ~ModuleFile();
  ModuleFile(const ModuleFile&) = delete;
  ModuleFile& operator=(const ModuleFile&) = delete;

  int fd() const { return fd_; }
  uint64_t size() const { return size_; }
  // Empty when the file may be mapped; otherwise why not (it cannot be opened,
  // is not a regular file, or is a library whose headers reach past its end),
  // naming the path.
  const std::string& Error() const { return error_; }

 private:
  bool ReadAt(uint64_t offset, void* bytes, uint64_t count) const;
  bool LibraryWhole() const;

  int fd_ = -1;
  uint64_t size_ = 0;
  std::string error_;
};
#endif

using EntryPointFunction = PF_FilterProc;

class LoadedModule {
 public:
  // Never throws; check `IsLoaded()` and read `Error()` for the reason. A file
  // that ModuleFile refuses is never handed to the system's loader.
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
