#include "simofx/property_set.h"

#include <utility>

#include "ofx_sdk/ofx_constants.h"

namespace simofx {

void PropertySet::SetInts(const std::string& name, std::vector<int32_t> values) {
  Slot(name, Property::Type::Int).ints = std::move(values);
}

void PropertySet::SetDoubles(const std::string& name, std::vector<double> values) {
  Slot(name, Property::Type::Double).doubles = std::move(values);
}

void PropertySet::SetStrings(const std::string& name, std::vector<std::string> values) {
  Slot(name, Property::Type::String).strings = std::move(values);
}

void PropertySet::SetPointer(const std::string& name, void* value) {
  Slot(name, Property::Type::Pointer).pointers = {value};
}

const Property* PropertySet::Find(const std::string& name) const {
  const auto found = values_.find(name);
  return found == values_.end() ? nullptr : &found->second;
}

std::string PropertySet::StringOr(const std::string& name, const std::string& fallback) const {
  const Property* p = Find(name);
  return p == nullptr || p->strings.empty() ? fallback : p->strings[0];
}

Property& PropertySet::Slot(const std::string& name, Property::Type type) {
  Property& p = values_[name];
  if (p.type != type) p = Property{type, {}, {}, {}, {}};
  return p;
}

namespace {

template <typename T>
std::vector<T>& Values(Property& p);
template <>
std::vector<int32_t>& Values(Property& p) {
  return p.ints;
}
template <>
std::vector<double>& Values(Property& p) {
  return p.doubles;
}
template <>
std::vector<std::string>& Values(Property& p) {
  return p.strings;
}
template <>
std::vector<void*>& Values(Property& p) {
  return p.pointers;
}

template <typename T>
Property::Type TypeOf();
template <>
Property::Type TypeOf<int32_t>() {
  return Property::Type::Int;
}
template <>
Property::Type TypeOf<double>() {
  return Property::Type::Double;
}
template <>
Property::Type TypeOf<std::string>() {
  return Property::Type::String;
}
template <>
Property::Type TypeOf<void*>() {
  return Property::Type::Pointer;
}

template <typename T, typename V>
OfxStatus Set(OfxPropertySetHandle handle, const char* name, int32_t index, V value) {
  PropertySet* set = PropertySet::From(handle);
  if (set == nullptr || name == nullptr) return kOfxStatErrBadHandle;
  if (!set->Knows(name)) return kOfxStatErrUnknown;
  if (index < 0) return kOfxStatErrBadIndex;
  std::vector<T>& values = Values<T>(set->Slot(name, TypeOf<T>()));
  if (values.size() <= static_cast<size_t>(index)) values.resize(static_cast<size_t>(index) + 1);
  values[static_cast<size_t>(index)] = T(value);
  return kOfxStatOK;
}

template <typename T>
OfxStatus Get(OfxPropertySetHandle handle, const char* name, int32_t index, T** element) {
  PropertySet* set = PropertySet::From(handle);
  if (set == nullptr || name == nullptr) return kOfxStatErrBadHandle;
  // Reads never insert: several renders read the same sets at once.
  Property* found = const_cast<Property*>(set->Find(name));
  if (!set->Knows(name) || found == nullptr) return kOfxStatErrUnknown;
  Property& p = *found;
  if (p.type != TypeOf<T>()) return kOfxStatErrValue;
  std::vector<T>& values = Values<T>(p);
  if (index < 0 || static_cast<size_t>(index) >= values.size()) return kOfxStatErrBadIndex;
  *element = &values[static_cast<size_t>(index)];
  return kOfxStatOK;
}

OfxStatus SetPointer(OfxPropertySetHandle h, const char* n, int32_t i, void* v) {
  return Set<void*>(h, n, i, v);
}
OfxStatus SetString(OfxPropertySetHandle h, const char* n, int32_t i, const char* v) {
  return v == nullptr ? kOfxStatErrValue : Set<std::string>(h, n, i, v);
}
OfxStatus SetDouble(OfxPropertySetHandle h, const char* n, int32_t i, double v) {
  return Set<double>(h, n, i, v);
}
OfxStatus SetInt(OfxPropertySetHandle h, const char* n, int32_t i, int32_t v) {
  return Set<int32_t>(h, n, i, v);
}

template <typename T, typename V>
OfxStatus SetN(OfxPropertySetHandle h, const char* n, int32_t count, const V* v) {
  if (v == nullptr || count < 0) return kOfxStatErrValue;
  for (int32_t i = 0; i < count; ++i) {
    const OfxStatus status = Set<T>(h, n, i, v[i]);
    if (status != kOfxStatOK) return status;
  }
  return kOfxStatOK;
}
OfxStatus SetPointerN(OfxPropertySetHandle h, const char* n, int32_t c, void* const* v) {
  return SetN<void*>(h, n, c, v);
}
OfxStatus SetStringN(OfxPropertySetHandle h, const char* n, int32_t c, const char* const* v) {
  return SetN<std::string>(h, n, c, v);
}
OfxStatus SetDoubleN(OfxPropertySetHandle h, const char* n, int32_t c, const double* v) {
  return SetN<double>(h, n, c, v);
}
OfxStatus SetIntN(OfxPropertySetHandle h, const char* n, int32_t c, const int32_t* v) {
  return SetN<int32_t>(h, n, c, v);
}

OfxStatus GetPointer(OfxPropertySetHandle h, const char* n, int32_t i, void** v) {
  void** element = nullptr;
  const OfxStatus status = Get<void*>(h, n, i, &element);
  if (status == kOfxStatOK) *v = *element;
  return status;
}
// The string stays the host's; it lives until the property is set again.
OfxStatus GetString(OfxPropertySetHandle h, const char* n, int32_t i, char** v) {
  std::string* element = nullptr;
  const OfxStatus status = Get<std::string>(h, n, i, &element);
  if (status == kOfxStatOK) *v = element->data();
  return status;
}
OfxStatus GetDouble(OfxPropertySetHandle h, const char* n, int32_t i, double* v) {
  double* element = nullptr;
  const OfxStatus status = Get<double>(h, n, i, &element);
  if (status == kOfxStatOK) *v = *element;
  return status;
}
OfxStatus GetInt(OfxPropertySetHandle h, const char* n, int32_t i, int32_t* v) {
  int32_t* element = nullptr;
  const OfxStatus status = Get<int32_t>(h, n, i, &element);
  if (status == kOfxStatOK) *v = *element;
  return status;
}

template <typename T, OfxStatus (*GetOne)(OfxPropertySetHandle, const char*, int32_t, T*)>
OfxStatus GetN(OfxPropertySetHandle h, const char* n, int32_t count, T* v) {
  if (v == nullptr || count < 0) return kOfxStatErrValue;
  for (int32_t i = 0; i < count; ++i) {
    const OfxStatus status = GetOne(h, n, i, &v[i]);
    if (status != kOfxStatOK) return status;
  }
  return kOfxStatOK;
}

OfxStatus Reset(OfxPropertySetHandle h, const char* n) {
  PropertySet* set = PropertySet::From(h);
  if (set == nullptr) return kOfxStatErrBadHandle;
  return set->Knows(n) && set->Find(n) != nullptr ? kOfxStatOK : kOfxStatErrUnknown;
}

OfxStatus Dimension(OfxPropertySetHandle h, const char* n, int32_t* count) {
  PropertySet* set = PropertySet::From(h);
  if (set == nullptr || n == nullptr) return kOfxStatErrBadHandle;
  const Property* p = set->Find(n);
  if (!set->Knows(n) || p == nullptr) return kOfxStatErrUnknown;
  *count = static_cast<int32_t>(p->ints.size() + p->doubles.size() + p->strings.size() +
                                p->pointers.size());
  return kOfxStatOK;
}

const OfxPropertySuiteV1 kSuite = {SetPointer,
                                   SetString,
                                   SetDouble,
                                   SetInt,
                                   SetPointerN,
                                   SetStringN,
                                   SetDoubleN,
                                   SetIntN,
                                   GetPointer,
                                   GetString,
                                   GetDouble,
                                   GetInt,
                                   GetN<void*, GetPointer>,
                                   GetN<char*, GetString>,
                                   GetN<double, GetDouble>,
                                   GetN<int32_t, GetInt>,
                                   Reset,
                                   Dimension};

}  // namespace

const OfxPropertySuiteV1* PropertySuite() {
  return &kSuite;
}

}  // namespace simofx
