// Frame throughput of every path through the loaded module, beside the
// baselines of the same frame: a plain copy (the memory limit) and OpenColorIO's
// CPU processors (bench/ocio_baseline.h); the /OCIO column is against the
// fastest of them on the path.
//
//   velmora_bench [--repetitions N] [--sizes uhd,hd] [--module PATH]
//
// Each case renders its frame once apart (the first run, reported on its own:
// cold caches, first touch of the output) and then N times; the table shows the
// median and the spread (fastest to slowest) of those N.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_cases.h"
#include "bench/ocio_baseline.h"
#include "simhost/module.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double first_ms;
  double median_ms;
  double fastest_ms;
  double slowest_ms;
};

Timing Measure(int repetitions, const std::function<void()>& run) {
  auto once = [&] {
    const Clock::time_point start = Clock::now();
    run();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  };
  Timing timing{};
  timing.first_ms = once();
  std::vector<double> runs;
  for (int i = 0; i < repetitions; ++i) runs.push_back(once());
  std::sort(runs.begin(), runs.end());
  const size_t n = runs.size();
  timing.median_ms = n % 2 == 1 ? runs[n / 2] : (runs[n / 2 - 1] + runs[n / 2]) / 2.0;
  timing.fastest_ms = runs.front();
  timing.slowest_ms = runs.back();
  return timing;
}

double Mpx(double pixels, double ms) {
  return pixels / (ms * 1000.0);
}

void CopyFrame(const simhost::HostImage& input, simhost::HostImage& output) {
  const size_t row_bytes = simhost::PixelSize(input.Format()) * static_cast<size_t>(input.Width());
  for (A_long y = 0; y < input.Height(); ++y) std::memcpy(output.Row(y), input.Row(y), row_bytes);
}

void PrintRow(const std::string& what, const std::string& setting, double pixels, const Timing& t,
              double copy_ms, double ocio_ms) {
  std::printf("%-22s %-13s %9.1f %9.2f %8.2f-%-8.2f %9.2f", what.c_str(), setting.c_str(),
              Mpx(pixels, t.median_ms), t.median_ms, t.fastest_ms, t.slowest_ms, t.first_ms);
  if (copy_ms > 0) std::printf(" %8.3f", copy_ms / t.median_ms);
  if (ocio_ms > 0) std::printf(" %8.2f", ocio_ms / t.median_ms);
  std::printf("\n");
  std::fflush(stdout);
}

struct Size {
  std::string name;
  A_long width;
  A_long height;
};

}  // namespace

int main(int argc, char** argv) {
  int repetitions = 9;
  std::string sizes = "uhd,hd";
  std::string module_path = VELMORA_MODULE_PATH;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--repetitions") {
      repetitions = std::max(1, std::atoi(argv[i + 1]));
    } else if (flag == "--sizes") {
      sizes = argv[i + 1];
    } else if (flag == "--module") {
      module_path = argv[i + 1];
    } else {
      std::fprintf(stderr, "unknown flag %s\n", flag.c_str());
      return 2;
    }
  }

  simhost::LoadedModule module(module_path);
  if (!module.IsLoaded()) {
    std::fprintf(stderr, "%s\n", module.Error().c_str());
    return 1;
  }
  const velmora_bench::OcioBaseline ocio;

  std::vector<Size> frame_sizes;
  size_t start = 0;
  while (start <= sizes.size()) {
    const size_t comma = std::min(sizes.find(',', start), sizes.size());
    const std::string name = sizes.substr(start, comma - start);
    if (name == "uhd") frame_sizes.push_back({"UHD", 3840, 2160});
    if (name == "hd") frame_sizes.push_back({"HD", 1920, 1080});
    if (name == "small") frame_sizes.push_back({"small", 64, 32});
    start = comma + 1;
  }

  std::printf("module %s, %d repetitions after a first run, %u hardware threads\n",
              module_path.c_str(), repetitions, std::thread::hardware_concurrency());
  std::printf("%-22s %-13s %9s %9s %17s %9s %8s %8s\n", "path", "setting", "Mpx/s", "ms",
              "spread ms", "first ms", "/copy", "/OCIO");

  int failures = 0;
  for (const Size& size : frame_sizes) {
    const double pixels = static_cast<double>(size.width) * size.height;
    for (const velmora_bench::PathCase& path : velmora_bench::Paths()) {
      simhost::HostImage input(path.format, size.width, size.height);
      simhost::HostImage output(path.format, size.width, size.height);
      velmora_bench::FillSynthetic(input);
      const std::string label = size.name + " " + path.name;

      const Timing copy = Measure(repetitions, [&] { CopyFrame(input, output); });
      PrintRow(label, "copy", pixels, copy, 0, 0);
      double fastest_peer_ms = 0;
      for (const velmora_bench::OcioPeer peer :
           velmora_bench::OcioBaseline::PeersFor(path.format)) {
        const Timing baseline =
            Measure(repetitions, [&] { ocio.Apply(peer, input, output, path.threads); });
        PrintRow(label, velmora_bench::OcioBaseline::NameOf(peer), pixels, baseline, copy.median_ms,
                 0);
        if (fastest_peer_ms == 0 || baseline.median_ms < fastest_peer_ms) {
          fastest_peer_ms = baseline.median_ms;
        }
      }

      simhost::SimulatedHost host(path.mode, module.Entry());
      host.SetThreadCount(path.threads);
      if (host.GlobalSetup() != 0 || host.ParamsSetup() != 0) return 1;
      for (const velmora_bench::SettingCase& setting : velmora_bench::Settings()) {
        PF_Err err = 0;
        const Timing t = Measure(repetitions, [&] {
          host.ClearRecords();
          err = velmora_bench::RenderPath(host, path, setting.settings, input, output);
        });
        if (err != 0) {
          std::fprintf(stderr, "%s %s: render returned %d\n", label.c_str(), setting.name.c_str(),
                       err);
          ++failures;
        }
        PrintRow(label, setting.name, pixels, t, copy.median_ms, fastest_peer_ms);
      }
    }
  }
  return failures == 0 ? 0 : 1;
}
