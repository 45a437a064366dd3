// Soak test: thousands of renders with random settings, frame layouts and host
// failures through the loaded native module, first one at a time with a
// single iterate thread, then again on two render threads at once with a
// three-thread iterate. Every frame, code and message of the second pass must
// equal the first, and every render must release exactly what it acquired.
//
// VELMORA_SOAK_RENDERS sets the number of renders (default 5000) and
// VELMORA_SOAK_SEED the random sequence (default fixed), so a failure can be
// replayed and a longer soak is one environment variable away.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host/host_constants.h"
#include "simhost/host.h"

namespace {

using simhost::HostImage;
using simhost::HostMode;
using simhost::HostPixelFormat;
using simhost::SimulatedHost;
using simhost::SuiteFault;

constexpr int kRenderThreads = 2;
constexpr int kIterateThreads = 3;

unsigned long EnvironmentNumber(const char* name, unsigned long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return std::strtoul(text, nullptr, 10);
}

struct Job {
  HostMode mode;
  HostPixelFormat format;
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

struct Outcome {
  PF_Err err = 0;
  std::vector<std::uint8_t> pixels;
  A_long out_flags = 0;
  std::string message;
  bool balanced = false;
  bool guards_intact = false;
  std::string ledger;
};

class JobMaker {
 public:
  explicit JobMaker(unsigned long seed) : rng_(static_cast<std::uint32_t>(seed)) {}

  Job Make() {
    Job job{};
    job.mode = Chance(2) ? HostMode::PremierePro : HostMode::AfterEffects;
    const HostPixelFormat ae[] = {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16};
    const HostPixelFormat premiere[] = {HostPixelFormat::BGRA8, HostPixelFormat::BGRAFloat};
    job.format = job.mode == HostMode::PremierePro ? premiere[Pick(2)] : ae[Pick(2)];
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

  simhost::EffectSettings MakeSettings() {
    simhost::EffectSettings s;
    s.quality = Chance(20) ? static_cast<PF_ParamValue>(Pick(9)) - 2
                           : static_cast<PF_ParamValue>(1 + Pick(5));
    s.offset = Slider(-1.0, 1.0);
    s.gamma = Slider(0.0, 2.0);
    s.gain = Slider(0.0, 2.0);
    s.contrast = Slider(-100.0, 100.0);
    s.pivot = PF_Pixel{static_cast<A_u_char>(Pick(256)), static_cast<A_u_char>(Pick(256)),
                       static_cast<A_u_char>(Pick(256)), static_cast<A_u_char>(Pick(256))};
    s.width = Slider(0.001, 1.0);
    s.shadows_rolloff = Slider(0.0, 1.0);
    s.highlights_rolloff = Slider(0.0, 1.0);
    s.blend = Chance(8) ? 6553600 : static_cast<PF_Fixed>(Pick(6553601));
    s.clamp_white = static_cast<PF_ParamValue>(Pick(2));
    s.clamp_black = static_cast<PF_ParamValue>(Pick(2));
    return s;
  }

  simhost::FaultPlan MakeFaults() {
    simhost::FaultPlan plan;
    if (!Chance(3)) return plan;
    const char* handler_suites[] = {"PF ColorParamSuite", "PF Iterate8 Suite", "PF iterate16 Suite",
                                    "PF World Transform Suite"};
    const auto kinds = {SuiteFault::Kind::Missing, SuiteFault::Kind::ZeroWithoutSuite,
                        SuiteFault::Kind::CodeWithPointer};
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
        plan.FailSuite("PF Pixel Format Suite",
                       Chance(2) ? SuiteFault::Kind::Missing : SuiteFault::Kind::ZeroWithoutSuite);
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

Outcome Render(SimulatedHost& host, const Job& job, int iterate_threads) {
  HostImage input(job.format, job.width, job.height, job.padding, job.order);
  HostImage output(job.format, job.width, job.height, job.padding, job.order);
  input.FillPattern(job.input_seed);
  output.FillPattern(job.output_seed);
  host.Faults() = job.faults;
  host.SetThreadCount(iterate_threads);
  host.SetRenderQuality(job.quality);
  host.ResetOutData();
  host.ClearRecords();

  Outcome outcome;
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

TEST(Soak, ThreadedRendersEqualTheSingleThreadedOnesAndReleaseEverySuite) {
  const simhost::LoadedModule module(VELMORA_MODULE_PATH);
  ASSERT_TRUE(module.IsLoaded()) << module.Error();
  const unsigned long renders = EnvironmentNumber("VELMORA_SOAK_RENDERS", 5000);
  const unsigned long seed = EnvironmentNumber("VELMORA_SOAK_SEED", 20261207);

  JobMaker maker(seed);
  std::vector<Job> jobs;
  jobs.reserve(renders);
  for (unsigned long i = 0; i < renders; ++i) jobs.push_back(maker.Make());

  std::vector<Outcome> reference(jobs.size());
  {
    SimulatedHost after_effects(HostMode::AfterEffects, module.Entry());
    SimulatedHost premiere(HostMode::PremierePro, module.Entry());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      SimulatedHost& host = jobs[i].mode == HostMode::PremierePro ? premiere : after_effects;
      reference[i] = Render(host, jobs[i], 1);
    }
  }

  std::vector<Outcome> threaded(jobs.size());
  std::atomic<std::size_t> next{0};
  auto render_thread = [&]() {
    // Each render thread is a host of its own, as each render thread of a real
    // host brings its own records.
    SimulatedHost after_effects(HostMode::AfterEffects, module.Entry());
    SimulatedHost premiere(HostMode::PremierePro, module.Entry());
    for (std::size_t i = next++; i < jobs.size(); i = next++) {
      SimulatedHost& host = jobs[i].mode == HostMode::PremierePro ? premiere : after_effects;
      threaded[i] = Render(host, jobs[i], kIterateThreads);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kRenderThreads; ++t) threads.emplace_back(render_thread);
  for (std::thread& thread : threads) thread.join();

  int failures = 0;
  int failed_renders = 0;
  for (std::size_t i = 0; i < jobs.size() && failures < 10; ++i) {
    const Outcome& one = reference[i];
    const Outcome& two = threaded[i];
    failed_renders += one.err != PF_Err_NONE;
    const bool same = one.err == two.err && one.pixels == two.pixels &&
                      one.out_flags == two.out_flags && one.message == two.message;
    const bool sound = one.balanced && two.balanced && one.guards_intact && two.guards_intact;
    if (!same || !sound) {
      ++failures;
      ADD_FAILURE() << "render " << i << " of seed " << seed << ": codes " << one.err << " / "
                    << two.err << (one.pixels == two.pixels ? "" : ", pixels differ")
                    << (one.guards_intact && two.guards_intact ? "" : ", guard bytes written")
                    << "\n"
                    << one.ledger << two.ledger;
    }
  }
  std::printf("soak: %lu renders (seed %lu), %d ended with a host or effect code\n", renders, seed,
              failed_renders);
  // The random plan must have exercised both outcomes.
  EXPECT_GT(failed_renders, 0);
  EXPECT_LT(static_cast<std::size_t>(failed_renders), jobs.size());
}

}  // namespace
