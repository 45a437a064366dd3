// The module's file, looked at before anything loads or maps it. A library is
// mapped, not read: a page that lies past the end of a file cut short (an
// interrupted copy) ends the process with a bus error when touched, so the
// headers' claims are held against the file's size first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ModuleFile {
 public:
  // Throws BadInput when the path leads to no file or to one that is not a
  // regular file; a pipe or device is never waited on.
  explicit ModuleFile(const std::string& path);
  ~ModuleFile();
  ModuleFile(const ModuleFile&) = delete;
  ModuleFile& operator=(const ModuleFile&) = delete;

  int fd() const { return fd_; }
  uint64_t size() const { return size_; }

  // Throws BadInput when the file is a native library whose headers place a
  // segment, a section or a header table past its end.
  void CheckLibraryWhole() const;

 private:
  bool ReadAt(uint64_t offset, void* bytes, std::size_t count) const;

  std::string path_;
  int fd_ = -1;
  uint64_t size_ = 0;
};
