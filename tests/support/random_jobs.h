// Random renders for the tests that drive the effect many times over: random
// host mode, pixel format, frame size, row padding and order, settings (now and
// then outside their ranges or NaN) and host failures, from a seed.
//
// Only the raw outputs of std::mt19937, whose sequence the language fixes, and
// IEEE arithmetic go into a job, so a seed makes the same jobs on every
// platform and with every compiler: the native and the Windows test programs
// render the same frames.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "host/param_values.h"
#include "host_sdk/host_constants.h"
#include "simhost/host.h"

namespace velmora_test {

struct Job {
  simhost::HostMode mode;
  simhost::HostPixelFormat format;
  A_long width;
  A_long height;
  A_long padding;
  simhost::RowOrder order;
  simhost::EffectSettings settings;
  simhost::FaultPlan faults;
  PF_Quality quality;
  std::uint32_t input_seed;
  std::uint32_t output_seed;
};

class JobMaker {
 public:
  explicit JobMaker(unsigned long seed) : rng_(static_cast<std::uint32_t>(seed)) {}

  Job Make() {
    Job job{};
    job.mode = Chance(2) ? simhost::HostMode::PremierePro : simhost::HostMode::AfterEffects;
    const simhost::HostPixelFormat ae[] = {simhost::HostPixelFormat::ARGB8,
                                           simhost::HostPixelFormat::ARGB16};
    const simhost::HostPixelFormat premiere[] = {simhost::HostPixelFormat::BGRA8,
                                                 simhost::HostPixelFormat::BGRAFloat};
    job.format = job.mode == simhost::HostMode::PremierePro ? premiere[Pick(2)] : ae[Pick(2)];
    job.width = static_cast<A_long>(1 + Pick(64));
    job.height = static_cast<A_long>(1 + Pick(48));
    job.padding = static_cast<A_long>(Pick(4) * 4);
    job.order = Chance(4) ? simhost::RowOrder::BottomUp : simhost::RowOrder::TopDown;
    job.settings = MakeSettings();
    job.faults = MakeFaults();
    job.quality = Chance(2) ? PF_Quality_HI : PF_Quality_LO;
    job.input_seed = static_cast<std::uint32_t>(rng_());
    job.output_seed = static_cast<std::uint32_t>(rng_());
    return job;
  }

 private:
  std::uint32_t Pick(std::uint32_t count) { return static_cast<std::uint32_t>(rng_() % count); }
  bool Chance(std::uint32_t one_in) { return Pick(one_in) == 0; }
  double Uniform(double low, double high) {
    return low + (high - low) * static_cast<double>(rng_() % 1000001u) / 1000000.0;
  }
  // Mostly inside the slider's range; now and then a value no host should send.
  double Slider(double low, double high) {
    if (!Chance(20)) return Uniform(low, high);
    const double odd[] = {std::numeric_limits<double>::quiet_NaN(), 1e300, -1e300, low - 1.0,
                          high + 1.0};
    return odd[Pick(5)];
  }

  // Every parameter of the table, in its order: sliders over their slider
  // range, now and then beyond it; a popup now and then outside its choices.
  simhost::EffectSettings MakeSettings() {
    simhost::EffectSettings s;
    for (const ParamIdentity& p : kParamTable) {
      switch (p.kind) {
        case PF_Param_POPUP: {
          const auto choices = static_cast<std::uint32_t>(p.valid_max - p.valid_min) + 1;
          const auto first = static_cast<PF_ParamValue>(p.valid_min);
          s.Choice(p.index) = Chance(20) ? static_cast<PF_ParamValue>(Pick(choices + 4)) + first - 3
                                         : static_cast<PF_ParamValue>(Pick(choices)) + first;
          break;
        }
        case PF_Param_FLOAT_SLIDER:
          s.Slider(p.index) = Slider(p.slider_min, p.slider_max);
          break;
        case PF_Param_FIX_SLIDER: {
          const PF_Fixed high = FixedOfNumber(p.valid_max);
          s.Fixed(p.index) =
              Chance(8) ? high : static_cast<PF_Fixed>(Pick(static_cast<std::uint32_t>(high) + 1));
          break;
        }
        case PF_Param_COLOR:
          s.Colour(p.index) =
              PF_Pixel{static_cast<A_u_char>(Pick(256)), static_cast<A_u_char>(Pick(256)),
                       static_cast<A_u_char>(Pick(256)), static_cast<A_u_char>(Pick(256))};
          break;
        case PF_Param_CHECKBOX:
          s.Checkbox(p.index) = static_cast<PF_ParamValue>(Pick(2));
          break;
        default:
          break;
      }
    }
    return s;
  }

  simhost::FaultPlan MakeFaults() {
    simhost::FaultPlan plan;
    if (!Chance(3)) return plan;
    const char* handler_suites[] = {"PF ColorParamSuite", "PF Iterate8 Suite", "PF iterate16 Suite",
                                    "PF World Transform Suite"};
    const auto kinds = {simhost::SuiteFault::Kind::Missing,
                        simhost::SuiteFault::Kind::ZeroWithoutSuite,
                        simhost::SuiteFault::Kind::CodeWithPointer};
    switch (Pick(8)) {
      case 0:
        plan.no_basic_suite = true;
        break;
      case 1:
        plan.FailSuite(handler_suites[Pick(4)], *(kinds.begin() + Pick(3)));
        break;
      case 2:
        // The pixel format suite's own acquire counts a pointer as success, so
        // only the failures that hand out none are tried on it here.
        plan.FailSuite("PF Pixel Format Suite", Chance(2)
                                                    ? simhost::SuiteFault::Kind::Missing
                                                    : simhost::SuiteFault::Kind::ZeroWithoutSuite);
        break;
      case 3:
        plan.color_conversion_code = static_cast<PF_Err>(1 + Pick(600));
        break;
      case 4:
        plan.iterate_code = static_cast<PF_Err>(1 + Pick(600));
        break;
      case 5:
        plan.copy_code = static_cast<PF_Err>(1 + Pick(600));
        break;
      case 6:
        plan.release_code = static_cast<PF_Err>(1 + Pick(600));
        break;
      default:
        plan.get_pixel_format_code = static_cast<PF_Err>(1 + Pick(600));
        break;
    }
    return plan;
  }

  std::mt19937 rng_;
};

// What one render left behind.
struct JobOutcome {
  PF_Err err = 0;
  std::vector<std::uint8_t> pixels;
  A_long out_flags = 0;
  std::string message;
  bool balanced = false;
  bool guards_intact = false;
  std::string ledger;
};

inline JobOutcome RenderJob(simhost::SimulatedHost& host, const Job& job, int iterate_threads) {
  simhost::HostImage input(job.format, job.width, job.height, job.padding, job.order);
  simhost::HostImage output(job.format, job.width, job.height, job.padding, job.order);
  input.FillPattern(job.input_seed);
  output.FillPattern(job.output_seed);
  host.Faults() = job.faults;
  host.SetThreadCount(iterate_threads);
  host.SetRenderQuality(job.quality);
  host.ResetOutData();
  host.ClearRecords();

  JobOutcome outcome;
  outcome.err = host.Render(job.settings, input, output);
  outcome.pixels = output.PixelBytes();
  outcome.out_flags = host.OutData().out_flags;
  outcome.message.assign(host.OutData().return_msg,
                         strnlen(host.OutData().return_msg, sizeof host.OutData().return_msg));
  outcome.balanced = host.Ledger().Balanced();
  outcome.guards_intact = input.GuardsIntact() && output.GuardsIntact();
  if (!outcome.balanced) outcome.ledger = host.Ledger().Describe();
  return outcome;
}

}  // namespace velmora_test
