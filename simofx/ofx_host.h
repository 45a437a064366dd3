// A stand-in for an image-effect host: it loads a bundle's binary, drives the
// plug-in through its one entry with the interface's actions in the order a
// host sends them, offers the property, image-effect and parameter suites,
// hands out the images the test provides, keeps a ledger of every image
// fetched and released, and injects faults (a suite or property it lacks, an
// image fetch that fails, an abort).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ofx_sdk/ofx_suites.h"
#include "simofx/property_set.h"

namespace simofx {

// A parameter: its definition's properties and its value (one to three
// numbers), with values at particular times where the test keys them.
struct Param {
  std::string type;
  PropertySet properties;
  std::vector<double> value;
  std::map<double, std::vector<double>> keys;
};

struct ParamSet {
  std::map<std::string, std::unique_ptr<Param>> params;
  std::vector<std::string> order;  // definition order
};

// An image the test owns; the host describes it to the plug-in.
struct ImageRecord {
  void* data = nullptr;
  OfxRectI bounds{};
  int32_t row_bytes = 0;
  std::string depth;       // kOfxBitDepth*
  std::string components;  // kOfxImageComponent*
};

struct Clip {
  PropertySet properties;
  ImageRecord image;
  bool fetch_fails = false;
};

struct Effect {
  explicit Effect(const std::set<std::string>* unknown) : properties(unknown) {}
  PropertySet properties;
  ParamSet params;
  std::map<std::string, std::unique_ptr<Clip>> clips;
};

struct Faults {
  std::set<std::string> missing_suites;      // fetchSuite answers NULL
  std::set<std::string> unknown_properties;  // every set answers kOfxStatErrUnknown
  int64_t abort_after = -1;                  // abort() answers 1 from this call on; -1 never
};

struct Ledger {
  std::atomic<int64_t> fetched{0};
  std::atomic<int64_t> released{0};
  std::atomic<int64_t> foreign_releases{0};  // handles the host never gave out
  std::atomic<int64_t> abort_calls{0};
  bool Balanced() const { return fetched == released && foreign_releases == 0; }
};

class OfxHostSim {
 public:
  explicit OfxHostSim(Faults faults = {});
  ~OfxHostSim();
  OfxHostSim(const OfxHostSim&) = delete;
  OfxHostSim& operator=(const OfxHostSim&) = delete;

  // dlopen, the plug-in record, setHost and the load action; false when any
  // fails, with LoadError() saying why. A file that simhost::ModuleFile
  // refuses is not handed to the system's loader.
  bool Load(const std::string& binary_path);
  const std::string& LoadError() const { return load_error_; }
  // The same for a plug-in linked into the caller (the fuzz target): its
  // record checked, setHost and the load action.
  bool Attach(OfxPlugin* plugin);
  OfxStatus Describe();  // describe, then describe in the filter context
  OfxStatus DescribeIn(const std::string& context);
  OfxStatus CreateInstance();  // the instance's parameters at their defaults
  OfxStatus DestroyInstance();
  OfxStatus Unload();
  // An action on the instance with only the given in-arguments.
  OfxStatus InstanceAction(const char* action, PropertySet* in_args = nullptr,
                           PropertySet* out_args = nullptr);

  void SetParam(const std::string& name, std::vector<double> value);
  void SetParamAt(const std::string& name, double time, std::vector<double> value);
  void SetClipImage(const std::string& clip, const ImageRecord& image, bool fetch_fails = false);

  OfxStatus Render(double time, const OfxRectI& window);
  // is-identity: the status, and the clip named in the answer ("" if none).
  OfxStatus IsIdentity(double time, const OfxRectI& window, std::string* clip);

  const OfxPlugin* plugin() const { return plugin_; }
  Effect* descriptor() { return descriptor_.get(); }
  Effect* instance() { return instance_.get(); }
  const Ledger& ledger() const { return ledger_; }
  Faults& faults() { return faults_; }

  // Suite callbacks reach the host through these.
  static OfxHostSim* Current();
  OfxStatus FetchImage(Clip* clip, OfxPropertySetHandle* image);
  OfxStatus ReleaseImage(OfxPropertySetHandle image);
  int32_t AbortAnswer();

 private:
  OfxStatus Call(const char* action, const void* handle, PropertySet* in_args,
                 PropertySet* out_args);
  Faults faults_;  // first: the property sets below point into it
  PropertySet host_properties_;
  OfxHost host_{};
  void* library_ = nullptr;
  std::string load_error_;
  OfxPlugin* plugin_ = nullptr;
  Ledger ledger_;
  std::unique_ptr<Effect> descriptor_;
  std::unique_ptr<Effect> instance_;
  std::mutex images_mutex_;
  std::set<PropertySet*> live_images_;
};

}  // namespace simofx
