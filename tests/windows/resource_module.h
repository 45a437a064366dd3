// The Windows module loaded the way a host discovers it: LoadLibrary, the
// property list found with the resource functions (type "PIPL", id 16000,
// language 1033), and the entry function resolved by the name the list gives.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host_sdk/host_records.h"

class ResourceModule {
 public:
  explicit ResourceModule(const std::string& path);
  ~ResourceModule();
  ResourceModule(const ResourceModule&) = delete;
  ResourceModule& operator=(const ResourceModule&) = delete;

  bool IsLoaded() const { return entry_ != nullptr; }
  const std::string& Error() const { return error_; }
  const std::vector<uint8_t>& PropertyListBytes() const { return property_list_; }
  const std::string& EntryName() const { return entry_name_; }
  PF_FilterProc Entry() const { return entry_; }

 private:
  HMODULE module_ = nullptr;
  std::vector<uint8_t> property_list_;
  std::string entry_name_;
  PF_FilterProc entry_ = nullptr;
  std::string error_;
};
