// OpenColorIO's GradingRGBCurve CPU processor on the benchmark's frames: the
// same tone curve sampled into its control points and applied to red, green
// and blue alike.
#pragma once

#include <memory>

#include "simhost/world.h"

namespace velmora_bench {

class OcioBaseline {
 public:
  // Builds processors for 8-bit, 16-bit and float frames.
  OcioBaseline();
  ~OcioBaseline();

  // Applies the curve from `input` to `output` (same format and size), the rows
  // split into `threads` bands processed at once.
  void Apply(const simhost::HostImage& input, simhost::HostImage& output, int threads) const;

 private:
  struct Processors;
  std::unique_ptr<Processors> processors_;
};

}  // namespace velmora_bench
