// The simulated host: a stand-in for After Effects and Premiere Pro that drives
// an effect through its `EntryPointFunc` with real host records, callbacks and
// suites, records what the effect did, and fails any call on request.
//
// Usage:
//
//   simhost::LoadedModule module("build/host/Trevane_Velmora.so");
//   ASSERT_TRUE(module.IsLoaded()) << module.Error();
//   simhost::SimulatedHost host(simhost::HostMode::PremierePro, module.Entry());
//   host.Faults().FailSuite("PF Iterate8 Suite");        // optional fault injection
//   simhost::HostImage input(simhost::HostPixelFormat::BGRA8, 64, 32);
//   simhost::HostImage output(simhost::HostPixelFormat::BGRA8, 64, 32, 16);  // padded rows
//   input.FillPattern(1);
//   simhost::EffectSettings settings;                    // the registered defaults
//   settings.Slider(PARAM_CONTRAST) = 40.0;
//   PF_Err err = host.Render(settings, input, output);
//   // then: host.OutData().return_msg, host.OutData().out_flags,
//   //       host.Ledger().Balanced(), host.Iterations(), host.Copies(),
//   //       output.PixelBytes(), output.GuardsIntact() ...
//
// One host serves one thread at a time; different hosts may run on different
// threads at once. `iterate` runs the pixel function on `ThreadCount()` worker
// threads; the result does not depend on the count.
#pragma once

#include <cstdint>
#include <vector>

#include "host_sdk/host_records.h"
#include "simhost/effect_settings.h"
#include "simhost/fault_plan.h"
#include "simhost/module.h"
#include "simhost/smart_frame.h"
#include "simhost/suite_ledger.h"
#include "simhost/world.h"

namespace simhost {

enum class HostMode { AfterEffects, PremierePro };

constexpr A_long kPremiereApplId = 0x50724D72;      // 'PrMr'
constexpr A_long kAfterEffectsApplId = 0x46585443;  // 'FXTC'

// What "PF Pixel Format Suite" `GetPixelFormat` answers.
enum class PixelFormatReport {
  FromWorld,       // the Premiere Pro code of the world's own format
  Fixed,           // the code set with `SetReportedPixelFormat`
  LeaveUnchanged,  // writes nothing, as a host that does not know the world
};

enum class IterateVia {
  Iterate8Suite,
  Iterate16Suite,
  UtilsIterate,
  UtilsIterate16,
  IterateFloatSuite,
  IterateGeneric  // refcon and pixels_visited (the iterations) only
};

struct IterateRecord {
  IterateVia via;
  A_long progress_base;
  A_long progress_final;
  const PF_EffectWorld* src;
  const PF_EffectWorld* dst;
  bool area_given;
  PF_LRect area;  // the area given, or the whole destination
  void* refcon;
  std::int64_t pixels_visited;
  PF_Err result;
};

enum class CopyVia { Utils, WorldTransform, WorldTransformHQ };

struct CopyRecord {
  CopyVia via;
  const PF_EffectWorld* src;
  const PF_EffectWorld* dst;
  PF_Err result;
};

class SimulatedHost {
 public:
  SimulatedHost(HostMode mode, EntryPointFunction entry);
  SimulatedHost(const SimulatedHost&) = delete;
  SimulatedHost& operator=(const SimulatedHost&) = delete;

  HostMode Mode() const { return mode_; }

  // Settings; take effect from the next call.
  FaultPlan& Faults() { return faults_; }
  void SetThreadCount(int threads) { threads_ = threads < 1 ? 1 : threads; }
  int ThreadCount() const { return threads_; }
  void SetRenderQuality(PF_Quality quality) { in_data_.quality = quality; }  // default HI
  void SetPixelFormatReport(PixelFormatReport report) { format_report_ = report; }
  void SetReportedPixelFormat(PrPixelFormat format) {
    format_report_ = PixelFormatReport::Fixed;
    reported_format_ = format;
  }

  // The commands. Each returns what `EntryPointFunc` returned and leaves
  // `OutData()` as the effect left it (the host does not reset it between
  // calls; `ResetOutData()` does).
  PF_Err About();
  PF_Err GlobalSetup();
  PF_Err ParamsSetup();
  PF_Err Render(const EffectSettings& settings, HostImage& input, HostImage& output);
  // Any command, with the given parameter list and output (both may be null).
  PF_Err Call(PF_Cmd cmd, PF_ParamDef** params = nullptr, PF_LayerDef* output = nullptr);

  // After Effects' smart commands for one frame. `SmartRender` sends the
  // pre-render and, when it succeeds, the render; `SmartPreRender` only the
  // pre-render, as a host that wanted the rectangles alone. Either frees what
  // the effect left in `pre_render_data` before returning. The images of
  // `frame` must outlive the call.
  PF_Err SmartPreRender(const EffectSettings& settings, const SmartFrame& frame);
  PF_Err SmartRender(const EffectSettings& settings, const SmartFrame& frame);

  PF_InData& InData() { return in_data_; }
  PF_OutData& OutData() { return out_data_; }
  void ResetOutData();

  // What the effect did, since construction or `ClearRecords()`.
  const SuiteLedger& Ledger() const { return ledger_; }
  const std::vector<RecordedParam>& RecordedParams() const { return params_; }
  // The definitions a render's parameter array is built from: those of the
  // last parameter setup that succeeded; before any, those of a setup the host
  // runs on its own, as a host registers an effect's parameters when the
  // effect is applied (its calls are not among this host's records).
  const std::vector<RecordedParam>& RegisteredParams();
  int AddParamCalls() const { return add_param_calls_; }  // failed ones included
  const std::vector<PrPixelFormat>& SupportedPixelFormats() const { return pixel_formats_; }
  int ClearSupportedPixelFormatsCalls() const { return clear_formats_calls_; }
  int GetPixelFormatCalls() const { return get_format_calls_; }
  int ColorConversions() const { return color_conversions_; }
  const std::vector<IterateRecord>& Iterations() const { return iterations_; }
  const std::vector<CopyRecord>& Copies() const { return copies_; }
  const SmartRecords& Smart() const { return smart_records_; }
  void ClearRecords();

 private:
  friend struct HostCallbacks;
  friend struct SmartCallbacks;

  PF_Err Invoke(PF_Cmd cmd, PF_ParamDef** params, PF_LayerDef* output, void* extra = nullptr);
  void BeginSmartFrame(const EffectSettings& settings, const SmartFrame& frame);
  PF_Err PreRenderCall();
  void ReleasePreRenderData();

  HostMode mode_;
  EntryPointFunction entry_;
  int threads_;
  FaultPlan faults_;
  PixelFormatReport format_report_ = PixelFormatReport::FromWorld;
  PrPixelFormat reported_format_ = 0;

  PF_InData in_data_{};
  PF_OutData out_data_{};
  PF_UtilCallbacks utils_{};

  SuiteLedger ledger_;
  std::vector<RecordedParam> params_;
  std::vector<RecordedParam> registered_;
  int add_param_calls_ = 0;
  std::vector<PrPixelFormat> pixel_formats_;
  int clear_formats_calls_ = 0;
  int get_format_calls_ = 0;
  int color_conversions_ = 0;
  std::vector<IterateRecord> iterations_;
  std::vector<CopyRecord> copies_;
  SmartSession smart_session_;
  SmartRecords smart_records_;
};

}  // namespace simhost
