#include "simhost/concurrent_frames.h"

#include <atomic>
#include <cstddef>
#include <thread>

namespace simhost {

void RenderConcurrently(HostMode mode, EntryPointFunction entry, std::vector<FrameJob>& jobs,
                        int render_threads, int iterate_threads) {
  std::atomic<std::size_t> next{0};
  std::atomic<int> waiting{render_threads};
  auto render_thread = [&]() {
    SimulatedHost host(mode, entry);
    host.SetThreadCount(iterate_threads);
    // Every thread has its host before the first frame starts.
    waiting.fetch_sub(1);
    while (waiting.load() > 0) std::this_thread::yield();
    for (std::size_t i = next.fetch_add(1); i < jobs.size(); i = next.fetch_add(1)) {
      FrameJob& job = jobs[i];
      if (job.smart) {
        SmartFrame frame;
        frame.input.image = job.input;
        frame.output.image = job.output;
        job.result = host.SmartRender(job.settings, frame);
      } else {
        job.result = host.Render(job.settings, *job.input, *job.output);
      }
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(static_cast<std::size_t>(render_threads));
  for (int t = 0; t < render_threads; ++t) threads.emplace_back(render_thread);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace simhost
