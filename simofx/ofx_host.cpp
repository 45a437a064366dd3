#include "simofx/ofx_host.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstdarg>
#include <cstring>
#include <string>
#include <utility>

#include "ofx_sdk/ofx_constants.h"
#include "simhost/module.h"

namespace simofx {
namespace {

OfxHostSim* g_current = nullptr;

// The platform's loader: a shared object here, a DLL on Windows.
#ifdef _WIN32
void* OpenBinary(const std::string& path) {
  return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
}
void* Symbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void CloseBinary(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}
#else
void* OpenBinary(const std::string& path) {
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void* Symbol(void* library, const char* name) {
  return dlsym(library, name);
}
void CloseBinary(void* library) {
  dlclose(library);
}
#endif

Effect* EffectOf(OfxImageEffectHandle handle) {
  return reinterpret_cast<Effect*>(handle);
}
ParamSet* ParamSetOf(OfxParamSetHandle handle) {
  return reinterpret_cast<ParamSet*>(handle);
}
Param* ParamOf(OfxParamHandle handle) {
  return reinterpret_cast<Param*>(handle);
}
Clip* ClipOf(OfxImageClipHandle handle) {
  return reinterpret_cast<Clip*>(handle);
}

// ---- image-effect suite --------------------------------------------------------
OfxStatus GetPropertySet(OfxImageEffectHandle effect, OfxPropertySetHandle* props) {
  if (effect == nullptr || props == nullptr) return kOfxStatErrBadHandle;
  *props = EffectOf(effect)->properties.handle();
  return kOfxStatOK;
}

OfxStatus GetParamSet(OfxImageEffectHandle effect, OfxParamSetHandle* set) {
  if (effect == nullptr || set == nullptr) return kOfxStatErrBadHandle;
  *set = reinterpret_cast<OfxParamSetHandle>(&EffectOf(effect)->params);
  return kOfxStatOK;
}

OfxStatus ClipDefine(OfxImageEffectHandle effect, const char* name, OfxPropertySetHandle* props) {
  if (effect == nullptr || name == nullptr) return kOfxStatErrBadHandle;
  auto& clip = EffectOf(effect)->clips[name];
  if (clip != nullptr) return kOfxStatErrExists;
  clip = std::make_unique<Clip>();
  clip->properties.SetStrings(kOfxPropName, {name});
  clip->properties.SetStrings(kOfxPropType, {kOfxTypeClip});
  if (props != nullptr) *props = clip->properties.handle();
  return kOfxStatOK;
}

OfxStatus ClipGetHandle(OfxImageEffectHandle effect, const char* name, OfxImageClipHandle* clip,
                        OfxPropertySetHandle* props) {
  if (effect == nullptr || name == nullptr || clip == nullptr) return kOfxStatErrBadHandle;
  const auto found = EffectOf(effect)->clips.find(name);
  if (found == EffectOf(effect)->clips.end()) return kOfxStatErrUnknown;
  *clip = reinterpret_cast<OfxImageClipHandle>(found->second.get());
  if (props != nullptr) *props = found->second->properties.handle();
  return kOfxStatOK;
}

OfxStatus ClipGetPropertySet(OfxImageClipHandle clip, OfxPropertySetHandle* props) {
  if (clip == nullptr || props == nullptr) return kOfxStatErrBadHandle;
  *props = ClipOf(clip)->properties.handle();
  return kOfxStatOK;
}

OfxStatus ClipGetImage(OfxImageClipHandle clip, OfxTime, const OfxRectD*,
                       OfxPropertySetHandle* image) {
  if (clip == nullptr || image == nullptr) return kOfxStatErrBadHandle;
  return OfxHostSim::Current()->FetchImage(ClipOf(clip), image);
}

OfxStatus ClipReleaseImage(OfxPropertySetHandle image) {
  return OfxHostSim::Current()->ReleaseImage(image);
}

OfxStatus ClipGetRegionOfDefinition(OfxImageClipHandle clip, OfxTime, OfxRectD* bounds) {
  if (clip == nullptr || bounds == nullptr) return kOfxStatErrBadHandle;
  const OfxRectI& b = ClipOf(clip)->image.bounds;
  *bounds = {static_cast<double>(b.x1), static_cast<double>(b.y1), static_cast<double>(b.x2),
             static_cast<double>(b.y2)};
  return kOfxStatOK;
}

int32_t Abort(OfxImageEffectHandle) {
  return OfxHostSim::Current()->AbortAnswer();
}

OfxStatus NoImageMemory(OfxImageEffectHandle, size_t, OfxImageMemoryHandle*) {
  return kOfxStatErrMemory;
}
OfxStatus NoMemoryHandle(OfxImageMemoryHandle) {
  return kOfxStatErrBadHandle;
}
OfxStatus NoMemoryLock(OfxImageMemoryHandle, void**) {
  return kOfxStatErrBadHandle;
}

const OfxImageEffectSuiteV1 kEffectSuite = {GetPropertySet,
                                            GetParamSet,
                                            ClipDefine,
                                            ClipGetHandle,
                                            ClipGetPropertySet,
                                            ClipGetImage,
                                            ClipReleaseImage,
                                            ClipGetRegionOfDefinition,
                                            Abort,
                                            NoImageMemory,
                                            NoMemoryHandle,
                                            NoMemoryLock,
                                            NoMemoryHandle};

// ---- parameter suite -------------------------------------------------------------
OfxStatus ParamDefine(OfxParamSetHandle set, const char* type, const char* name,
                      OfxPropertySetHandle* props) {
  if (set == nullptr || type == nullptr || name == nullptr) return kOfxStatErrBadHandle;
  ParamSet& params = *ParamSetOf(set);
  auto& param = params.params[name];
  if (param != nullptr) return kOfxStatErrExists;
  param = std::make_unique<Param>();
  param->type = type;
  param->properties.SetStrings(kOfxParamPropType, {type});
  param->properties.SetStrings(kOfxPropName, {name});
  params.order.push_back(name);
  if (props != nullptr) *props = param->properties.handle();
  return kOfxStatOK;
}

OfxStatus ParamGetHandle(OfxParamSetHandle set, const char* name, OfxParamHandle* param,
                         OfxPropertySetHandle* props) {
  if (set == nullptr || name == nullptr || param == nullptr) return kOfxStatErrBadHandle;
  const auto found = ParamSetOf(set)->params.find(name);
  if (found == ParamSetOf(set)->params.end()) return kOfxStatErrUnknown;
  *param = reinterpret_cast<OfxParamHandle>(found->second.get());
  if (props != nullptr) *props = found->second->properties.handle();
  return kOfxStatOK;
}

OfxStatus ParamSetGetPropertySet(OfxParamSetHandle, OfxPropertySetHandle*) {
  return kOfxStatErrUnsupported;
}

OfxStatus ParamGetPropertySet(OfxParamHandle param, OfxPropertySetHandle* props) {
  if (param == nullptr || props == nullptr) return kOfxStatErrBadHandle;
  *props = ParamOf(param)->properties.handle();
  return kOfxStatOK;
}

// Writes the value through the variadic pointers: int* for integer, boolean
// and choice parameters, double* for the others, one per dimension.
OfxStatus WriteValue(const Param& param, const std::vector<double>& value, va_list arguments) {
  const bool integral = param.type == kOfxParamTypeChoice || param.type == kOfxParamTypeBoolean ||
                        param.type == kOfxParamTypeInteger;
  const size_t dimensions = param.type == kOfxParamTypeRGB    ? 3
                            : param.type == kOfxParamTypeRGBA ? 4
                                                              : 1;
  for (size_t i = 0; i < dimensions; ++i) {
    const double v = i < value.size() ? value[i] : 0.0;
    if (integral) {
      *va_arg(arguments, int*) = static_cast<int>(v);
    } else {
      *va_arg(arguments, double*) = v;
    }
  }
  return kOfxStatOK;
}

OfxStatus ParamGetValue(OfxParamHandle handle, ...) {
  if (handle == nullptr) return kOfxStatErrBadHandle;
  va_list arguments;
  va_start(arguments, handle);
  const OfxStatus status = WriteValue(*ParamOf(handle), ParamOf(handle)->value, arguments);
  va_end(arguments);
  return status;
}

OfxStatus ParamGetValueAtTime(OfxParamHandle handle, OfxTime time, ...) {
  if (handle == nullptr) return kOfxStatErrBadHandle;
  const Param& param = *ParamOf(handle);
  const auto key = param.keys.find(time);
  va_list arguments;
  va_start(arguments, time);
  const OfxStatus status =
      WriteValue(param, key == param.keys.end() ? param.value : key->second, arguments);
  va_end(arguments);
  return status;
}

OfxStatus Unsupported(OfxParamHandle, ...) {
  return kOfxStatErrUnsupported;
}
OfxStatus UnsupportedAtTime(OfxParamHandle, OfxTime, ...) {
  return kOfxStatErrUnsupported;
}
OfxStatus UnsupportedIntegral(OfxParamHandle, OfxTime, OfxTime, ...) {
  return kOfxStatErrUnsupported;
}

const OfxParameterSuiteV1 kParameterSuite = {
    ParamDefine,
    ParamGetHandle,
    ParamSetGetPropertySet,
    ParamGetPropertySet,
    ParamGetValue,
    ParamGetValueAtTime,
    UnsupportedAtTime,
    UnsupportedIntegral,
    Unsupported,
    UnsupportedAtTime,
    [](OfxParamHandle, uint32_t*) -> OfxStatus { return kOfxStatErrUnsupported; },
    [](OfxParamHandle, uint32_t, OfxTime*) -> OfxStatus { return kOfxStatErrUnsupported; },
    [](OfxParamHandle, OfxTime, int32_t, int32_t*) -> OfxStatus { return kOfxStatErrUnsupported; },
    [](OfxParamHandle, OfxTime) -> OfxStatus { return kOfxStatErrUnsupported; },
    [](OfxParamHandle) -> OfxStatus { return kOfxStatErrUnsupported; },
    [](OfxParamHandle, OfxParamHandle, OfxTime, const OfxRangeD*) -> OfxStatus {
      return kOfxStatErrUnsupported;
    },
    [](OfxParamSetHandle, const char*) -> OfxStatus { return kOfxStatErrUnsupported; },
    [](OfxParamSetHandle) -> OfxStatus { return kOfxStatErrUnsupported; }};

const void* FetchSuite(OfxPropertySetHandle, const char* name, int32_t version) {
  OfxHostSim* host = OfxHostSim::Current();
  if (host == nullptr || name == nullptr || version != 1) return nullptr;
  if (host->faults().missing_suites.count(name) != 0) return nullptr;
  if (std::strcmp(name, kOfxPropertySuite) == 0) return PropertySuite();
  if (std::strcmp(name, kOfxImageEffectSuite) == 0) return &kEffectSuite;
  if (std::strcmp(name, kOfxParameterSuite) == 0) return &kParameterSuite;
  return nullptr;  // no memory, thread, message, progress or time line suite
}

// The default of a defined parameter as its first value.
std::vector<double> DefaultOf(const Param& param) {
  const Property* p = param.properties.Find(kOfxParamPropDefault);
  if (p == nullptr) return {0.0};
  if (p->type == Property::Type::Int) return std::vector<double>(p->ints.begin(), p->ints.end());
  return p->doubles;
}

}  // namespace

OfxHostSim::OfxHostSim(Faults faults)
    : faults_(std::move(faults)), host_properties_(&faults_.unknown_properties) {
  g_current = this;
  host_properties_.SetStrings(kOfxPropName, {"com.trevane.simulated-host"});
  host_properties_.SetStrings(kOfxPropType, {kOfxTypeImageEffectHost});
  host_properties_.SetInts(kOfxImageEffectPropSupportsTiles, {1});
  host_.host = host_properties_.handle();
  host_.fetchSuite = FetchSuite;
}

OfxHostSim::~OfxHostSim() {
  if (instance_ != nullptr) DestroyInstance();
  if (plugin_ != nullptr) Unload();
  g_current = nullptr;
}

OfxHostSim* OfxHostSim::Current() {
  return g_current;
}

bool OfxHostSim::Load(const std::string& binary_path) {
#ifndef _WIN32
  load_error_ = simhost::ModuleFile(binary_path).Error();
  if (!load_error_.empty()) return false;
#endif
  load_error_ = "cannot load " + binary_path + " as an image-effect plug-in";
  library_ = OpenBinary(binary_path);
  if (library_ == nullptr) return false;
  using Count = int32_t (*)();
  using Get = OfxPlugin* (*)(int32_t);
  const auto count = reinterpret_cast<Count>(Symbol(library_, "OfxGetNumberOfPlugins"));
  const auto get = reinterpret_cast<Get>(Symbol(library_, "OfxGetPlugin"));
  const bool loaded = count != nullptr && get != nullptr && count() >= 1 && Attach(get(0));
  // A binary that refuses the load gets no other call, not even unload.
  if (!loaded) {
    CloseBinary(library_);
    library_ = nullptr;
  } else {
    load_error_.clear();
  }
  return loaded;
}

bool OfxHostSim::Attach(OfxPlugin* plugin) {
  plugin_ = plugin;
  bool loaded = plugin_ != nullptr && plugin_->pluginApi != nullptr &&
                std::strcmp(plugin_->pluginApi, kOfxImageEffectPluginApi) == 0 &&
                plugin_->apiVersion == kOfxImageEffectPluginApiVersion;
  if (loaded) {
    plugin_->setHost(&host_);
    loaded = Call(kOfxActionLoad, nullptr, nullptr, nullptr) == kOfxStatOK;
  }
  if (!loaded) plugin_ = nullptr;
  return loaded;
}

OfxStatus OfxHostSim::Call(const char* action, const void* handle, PropertySet* in_args,
                           PropertySet* out_args) {
  // A private copy: the plug-in must compare names by content.
  std::string name = action;
  return plugin_->mainEntry(name.c_str(), handle, in_args ? in_args->handle() : nullptr,
                            out_args ? out_args->handle() : nullptr);
}

OfxStatus OfxHostSim::Describe() {
  descriptor_ = std::make_unique<Effect>(&faults_.unknown_properties);
  descriptor_->properties.SetStrings(kOfxPropType, {kOfxTypeImageEffect});
  const OfxStatus status = Call(kOfxActionDescribe, descriptor_.get(), nullptr, nullptr);
  if (status != kOfxStatOK) return status;
  return DescribeIn(kOfxImageEffectContextFilter);
}

OfxStatus OfxHostSim::DescribeIn(const std::string& context) {
  PropertySet in_args;
  in_args.SetStrings(kOfxImageEffectPropContext, {context});
  descriptor_->params = ParamSet{};
  descriptor_->clips.clear();
  return Call(kOfxImageEffectActionDescribeInContext, descriptor_.get(), &in_args, nullptr);
}

OfxStatus OfxHostSim::CreateInstance() {
  instance_ = std::make_unique<Effect>(&faults_.unknown_properties);
  instance_->properties.SetStrings(kOfxPropType, {kOfxTypeImageEffectInstance});
  instance_->properties.SetStrings(kOfxImageEffectPropContext, {kOfxImageEffectContextFilter});
  for (const auto& [name, clip] : descriptor_->clips) {
    auto copy = std::make_unique<Clip>();
    copy->properties = clip->properties;
    instance_->clips[name] = std::move(copy);
  }
  for (const std::string& name : descriptor_->params.order) {
    auto copy = std::make_unique<Param>();
    const Param& defined = *descriptor_->params.params[name];
    copy->type = defined.type;
    copy->properties = defined.properties;
    copy->value = DefaultOf(defined);
    instance_->params.params[name] = std::move(copy);
    instance_->params.order.push_back(name);
  }
  return Call(kOfxActionCreateInstance, instance_.get(), nullptr, nullptr);
}

OfxStatus OfxHostSim::DestroyInstance() {
  const OfxStatus status = Call(kOfxActionDestroyInstance, instance_.get(), nullptr, nullptr);
  instance_.reset();
  return status;
}

OfxStatus OfxHostSim::Unload() {
  const OfxStatus status = Call(kOfxActionUnload, nullptr, nullptr, nullptr);
  descriptor_.reset();
  if (library_ != nullptr) CloseBinary(library_);
  library_ = nullptr;
  plugin_ = nullptr;
  return status;
}

OfxStatus OfxHostSim::InstanceAction(const char* action, PropertySet* in_args,
                                     PropertySet* out_args) {
  return Call(action, instance_.get(), in_args, out_args);
}

void OfxHostSim::SetParam(const std::string& name, std::vector<double> value) {
  instance_->params.params.at(name)->value = std::move(value);
}

void OfxHostSim::SetParamAt(const std::string& name, double time, std::vector<double> value) {
  instance_->params.params.at(name)->keys[time] = std::move(value);
}

void OfxHostSim::SetClipImage(const std::string& clip, const ImageRecord& image, bool fetch_fails) {
  Clip& target = *instance_->clips.at(clip);
  target.image = image;
  target.fetch_fails = fetch_fails;
}

OfxStatus OfxHostSim::FetchImage(Clip* clip, OfxPropertySetHandle* image) {
  *image = nullptr;
  if (clip->fetch_fails || clip->image.data == nullptr) return kOfxStatFailed;
  auto set = std::make_unique<PropertySet>();
  const ImageRecord& record = clip->image;
  set->SetStrings(kOfxPropType, {kOfxTypeImage});
  set->SetPointer(kOfxImagePropData, record.data);
  set->SetInts(kOfxImagePropBounds,
               {record.bounds.x1, record.bounds.y1, record.bounds.x2, record.bounds.y2});
  set->SetInts(kOfxImagePropRegionOfDefinition,
               {record.bounds.x1, record.bounds.y1, record.bounds.x2, record.bounds.y2});
  set->SetInts(kOfxImagePropRowBytes, {record.row_bytes});
  set->SetStrings(kOfxImageEffectPropPixelDepth, {record.depth});
  set->SetStrings(kOfxImageEffectPropComponents, {record.components});
  set->SetStrings(kOfxImageEffectPropPreMultiplication, {kOfxImagePreMultiplied});
  set->SetDoubles(kOfxImagePropPixelAspectRatio, {1.0});
  {
    std::lock_guard<std::mutex> lock(images_mutex_);
    live_images_.insert(set.get());
  }
  ++ledger_.fetched;
  *image = set.release()->handle();
  return kOfxStatOK;
}

OfxStatus OfxHostSim::ReleaseImage(OfxPropertySetHandle image) {
  PropertySet* set = PropertySet::From(image);
  {
    std::lock_guard<std::mutex> lock(images_mutex_);
    if (live_images_.erase(set) == 0) {
      ++ledger_.foreign_releases;
      return kOfxStatErrBadHandle;
    }
  }
  delete set;
  ++ledger_.released;
  return kOfxStatOK;
}

int32_t OfxHostSim::AbortAnswer() {
  const int64_t call = ledger_.abort_calls++;
  return faults_.abort_after >= 0 && call >= faults_.abort_after ? 1 : 0;
}

OfxStatus OfxHostSim::Render(double time, const OfxRectI& window) {
  PropertySet in_args(&faults_.unknown_properties);
  in_args.SetDoubles(kOfxPropTime, {time});
  in_args.SetInts(kOfxImageEffectPropRenderWindow, {window.x1, window.y1, window.x2, window.y2});
  in_args.SetDoubles(kOfxImageEffectPropRenderScale, {1.0, 1.0});
  in_args.SetStrings(kOfxImageEffectPropFieldToRender, {kOfxImageFieldNone});
  return Call(kOfxImageEffectActionRender, instance_.get(), &in_args, nullptr);
}

OfxStatus OfxHostSim::IsIdentity(double time, const OfxRectI& window, std::string* clip) {
  PropertySet in_args(&faults_.unknown_properties);
  in_args.SetDoubles(kOfxPropTime, {time});
  in_args.SetInts(kOfxImageEffectPropRenderWindow, {window.x1, window.y1, window.x2, window.y2});
  in_args.SetDoubles(kOfxImageEffectPropRenderScale, {1.0, 1.0});
  PropertySet out_args;
  out_args.SetStrings(kOfxPropName, {""});
  out_args.SetDoubles(kOfxPropTime, {time});
  const OfxStatus status =
      Call(kOfxImageEffectActionIsIdentity, instance_.get(), &in_args, &out_args);
  *clip = out_args.StringOr(kOfxPropName, "");
  return status;
}

}  // namespace simofx
