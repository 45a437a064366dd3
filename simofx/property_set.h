// The simulated host's property sets: named values of the interface's four
// storage types, and the property suite that reads and writes them. A set
// knows which names this host pretends not to know (a fault), and answers
// those as a host without them does: kOfxStatErrUnknown.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ofx_sdk/ofx_suites.h"

namespace simofx {

struct Property {
  enum class Type { Int, Double, String, Pointer } type;
  std::vector<int32_t> ints;
  std::vector<double> doubles;
  std::vector<std::string> strings;
  std::vector<void*> pointers;
};

class PropertySet {
 public:
  explicit PropertySet(const std::set<std::string>* unknown = nullptr) : unknown_(unknown) {}

  // Host-side access (no faults apply).
  void SetInts(const std::string& name, std::vector<int32_t> values);
  void SetDoubles(const std::string& name, std::vector<double> values);
  void SetStrings(const std::string& name, std::vector<std::string> values);
  void SetPointer(const std::string& name, void* value);
  const Property* Find(const std::string& name) const;
  std::string StringOr(const std::string& name, const std::string& fallback) const;
  const std::map<std::string, Property>& All() const { return values_; }

  OfxPropertySetHandle handle() { return reinterpret_cast<OfxPropertySetHandle>(this); }
  static PropertySet* From(OfxPropertySetHandle handle) {
    return reinterpret_cast<PropertySet*>(handle);
  }
  bool Knows(const char* name) const { return unknown_ == nullptr || unknown_->count(name) == 0; }
  Property& Slot(const std::string& name, Property::Type type);

 private:
  const std::set<std::string>* unknown_;
  std::map<std::string, Property> values_;
};

const OfxPropertySuiteV1* PropertySuite();

}  // namespace simofx
