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
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "simhost/host.h"
#include "tests/support/random_jobs.h"

namespace {

using simhost::HostMode;
using simhost::SimulatedHost;
using velmora_test::Job;
using velmora_test::JobMaker;

constexpr int kRenderThreads = 2;
constexpr int kIterateThreads = 3;

unsigned long EnvironmentNumber(const char* name, unsigned long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return std::strtoul(text, nullptr, 10);
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

  std::vector<velmora_test::JobOutcome> reference(jobs.size());
  {
    SimulatedHost after_effects(HostMode::AfterEffects, module.Entry());
    SimulatedHost premiere(HostMode::PremierePro, module.Entry());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      SimulatedHost& host = jobs[i].mode == HostMode::PremierePro ? premiere : after_effects;
      reference[i] = velmora_test::RenderJob(host, jobs[i], 1);
    }
  }

  std::vector<velmora_test::JobOutcome> threaded(jobs.size());
  std::atomic<std::size_t> next{0};
  auto render_thread = [&]() {
    // Each render thread is a host of its own, as each render thread of a real
    // host brings its own records.
    SimulatedHost after_effects(HostMode::AfterEffects, module.Entry());
    SimulatedHost premiere(HostMode::PremierePro, module.Entry());
    for (std::size_t i = next++; i < jobs.size(); i = next++) {
      SimulatedHost& host = jobs[i].mode == HostMode::PremierePro ? premiere : after_effects;
      threaded[i] = velmora_test::RenderJob(host, jobs[i], kIterateThreads);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kRenderThreads; ++t) threads.emplace_back(render_thread);
  for (std::thread& thread : threads) thread.join();

  int failures = 0;
  int failed_renders = 0;
  for (std::size_t i = 0; i < jobs.size() && failures < 10; ++i) {
    const velmora_test::JobOutcome& one = reference[i];
    const velmora_test::JobOutcome& two = threaded[i];
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
