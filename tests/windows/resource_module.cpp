#include "tests/windows/resource_module.h"

#include "tests/windows/property_list_reader.h"

namespace {

constexpr WORD kPropertyListId = 16000;
constexpr WORD kPropertyListLanguage = 1033;

std::string WindowsError(const std::string& what) {
  return what + ": Windows error " + std::to_string(static_cast<unsigned long>(GetLastError()));
}

}  // namespace

ResourceModule::ResourceModule(const std::string& path) {
  module_ = LoadLibraryA(path.c_str());
  if (module_ == nullptr) {
    error_ = WindowsError("cannot load " + path);
    return;
  }
  HRSRC resource =
      FindResourceExW(module_, L"PIPL", MAKEINTRESOURCEW(kPropertyListId), kPropertyListLanguage);
  if (resource == nullptr) {
    error_ = WindowsError("no PIPL 16000/1033 resource in " + path);
    return;
  }
  HGLOBAL loaded = LoadResource(module_, resource);
  const DWORD size = SizeofResource(module_, resource);
  const auto* bytes =
      static_cast<const uint8_t*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (bytes == nullptr || size == 0) {
    error_ = WindowsError("cannot read the property list of " + path);
    return;
  }
  property_list_.assign(bytes, bytes + size);

  const PropertyList list = ReadPropertyList(property_list_.data(), property_list_.size());
  for (const PropertyRecord& record : list.records) {
    if (record.key != "8664") continue;
    for (uint8_t character : record.data) {
      if (character == 0) break;
      entry_name_.push_back(static_cast<char>(character));
    }
  }
  if (entry_name_.empty()) {
    error_ = "the property list of " + path + " names no x86-64 entry function";
    return;
  }
  FARPROC symbol = GetProcAddress(module_, entry_name_.c_str());
  if (symbol == nullptr) {
    error_ = WindowsError(path + " exports no " + entry_name_);
    return;
  }
  entry_ = reinterpret_cast<PF_FilterProc>(reinterpret_cast<void (*)()>(symbol));
}

ResourceModule::~ResourceModule() {
  if (module_ != nullptr) FreeLibrary(module_);
}
