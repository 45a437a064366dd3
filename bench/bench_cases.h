// What the benchmarks render: the synthetic frame, the paths through the
// simulated host and the settings, shared by the timed benchmark and the
// instruction count so that both measure the same work.
#pragma once

#include <string>
#include <vector>

#include "simhost/effect_settings.h"
#include "simhost/host.h"
#include "simhost/world.h"

namespace velmora_bench {

// One way a host hands the effect its pixels.
struct PathCase {
  std::string name;
  simhost::HostMode mode;
  simhost::HostPixelFormat format;
  int threads;
  bool smart = false;  // After Effects' smart pre-render and render
};

struct SettingCase {
  std::string name;
  simhost::EffectSettings settings;
};

// After Effects 8 and 16 bits through `iterate` on 1 and 2 threads, the same
// and 32-bit float (1 and 2 threads) through the smart render, Premiere Pro
// 8-bit BGRA through `iterate` and float BGRA through the effect's own row walk.
std::vector<PathCase> Paths();

// One frame through the path's commands: the classic render, or the smart
// pre-render and render.
PF_Err RenderPath(simhost::SimulatedHost& host, const PathCase& path,
                  const simhost::EffectSettings& settings, simhost::HostImage& input,
                  simhost::HostImage& output);

// Neutral pre-transform with contrast 50; the same with gamma 2.2; blend 50 %
// with both clamps on. All on the default 128-point table and grey pivot, with
// Preserve HDR on as in a new instance, then each again with it off
// ("-hdr-off"), as a project of version 1.1 opens.
std::vector<SettingCase> Settings();

const PathCase* FindPath(const std::string& name);
const SettingCase* FindSetting(const std::string& name);

// A frame that steps through many colours: hue along the row, lightness down
// the frame, saturation and a little noise from a hash of the position. Float
// frames also hold values below 0 and above 1 in about one pixel in eight.
void FillSynthetic(simhost::HostImage& image);

}  // namespace velmora_bench
