// OpenColorIO's CPU processors on the benchmark's frames: its GradingRGBCurve,
// the same tone curve sampled into its control points and applied to red,
// green and blue alike; and, for float frames, the two float peers of our
// transform: a Lut1D of 4096 entries of the same curve with hue adjustment,
// and GradingPrimary in its linear style with a contrast about a pivot.
#pragma once

#include <memory>
#include <vector>

#include "simhost/world.h"

namespace velmora_bench {

enum class OcioPeer { Curve, HueLut, LinearPrimary };

class OcioBaseline {
 public:
  // Builds processors for 8-bit, 16-bit and float frames.
  OcioBaseline();
  ~OcioBaseline();

  // The peers for frames of `format`: the float peers for float frames only.
  static std::vector<OcioPeer> PeersFor(simhost::HostPixelFormat format);
  static const char* NameOf(OcioPeer peer);

  // Applies the peer from `input` to `output` (same format and size), the rows
  // split into `threads` bands processed at once.
  void Apply(OcioPeer peer, const simhost::HostImage& input, simhost::HostImage& output,
             int threads) const;

 private:
  struct Processors;
  std::unique_ptr<Processors> processors_;
};

}  // namespace velmora_bench
