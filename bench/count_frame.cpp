// Renders one frame of one path and setting through the loaded module, with
// callgrind's collection switched on around the render call alone, so that the
// count covers what the host's render costs: the effect and the host's iterate.
//
//   velmora_count_frame PATH SETTING [WIDTH HEIGHT [MODULE]]
//
// Run it under `valgrind --tool=callgrind --collect-atstart=no`;
// bench/count_instructions.sh does that for every path and setting.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_cases.h"
#include "simhost/module.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s PATH SETTING [WIDTH HEIGHT [MODULE]]\n", argv[0]);
    return 2;
  }
  const velmora_bench::PathCase* path = velmora_bench::FindPath(argv[1]);
  const velmora_bench::SettingCase* setting = velmora_bench::FindSetting(argv[2]);
  if (path == nullptr || setting == nullptr) {
    std::fprintf(stderr, "unknown path or setting\n");
    return 2;
  }
  const A_long width = argc > 4 ? std::atoi(argv[3]) : 512;
  const A_long height = argc > 4 ? std::atoi(argv[4]) : 256;
  const std::string module_path = argc > 5 ? argv[5] : VELMORA_MODULE_PATH;

  simhost::LoadedModule module(module_path);
  if (!module.IsLoaded()) {
    std::fprintf(stderr, "%s\n", module.Error().c_str());
    return 1;
  }
  simhost::SimulatedHost host(path->mode, module.Entry());
  host.SetThreadCount(path->threads);
  simhost::HostImage input(path->format, width, height);
  simhost::HostImage output(path->format, width, height);
  velmora_bench::FillSynthetic(input);
  if (host.GlobalSetup() != 0 || host.ParamsSetup() != 0) return 1;

  CALLGRIND_TOGGLE_COLLECT;
  const PF_Err err = velmora_bench::RenderPath(host, *path, setting->settings, input, output);
  CALLGRIND_TOGGLE_COLLECT;
  if (err != 0) {
    std::fprintf(stderr, "render returned %d\n", err);
    return 1;
  }
  std::printf("%ld\n", static_cast<long>(width) * height);
  return 0;
}
