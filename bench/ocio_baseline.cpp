#include "bench/ocio_baseline.h"

#include <OpenColorIO/OpenColorIO.h>

#include <array>
#include <cmath>
#include <thread>
#include <vector>

#include "engine/tone_curve.h"

namespace OCIO = OCIO_NAMESPACE;

namespace velmora_bench {
namespace {

double Sine(double v) {
  return std::sin(v);
}
double Cosine(double v) {
  return std::cos(v);
}

// Our default curve (128 points, grey pivot, contrast 50) through nine control
// points of OpenColorIO's B-spline.
OCIO::ConstGradingBSplineCurveRcPtr CurveLikeOurs() {
  ToneCurve curve{};
  std::array<float, kLutCapacity> table{};
  const float pivot = 128.0f / 255.0f;
  BuildLut(&curve, table.data(), {128, pivot, pivot, pivot, 50.0, 1.0, 0.0, 0.0, 0, 0}, Sine,
           Cosine);
  constexpr int kPoints = 9;
  OCIO::GradingBSplineCurveRcPtr spline = OCIO::GradingBSplineCurve::Create(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    const int index = i * 127 / (kPoints - 1);
    spline->getControlPoint(static_cast<size_t>(i)) = {static_cast<float>(index) / 127.0f,
                                                       table[static_cast<size_t>(index)]};
  }
  return spline;
}

OCIO::ConstCPUProcessorRcPtr MakeProcessor(OCIO::BitDepth depth) {
  const OCIO::ConstGradingBSplineCurveRcPtr curve = CurveLikeOurs();
  const OCIO::ConstGradingBSplineCurveRcPtr identity =
      OCIO::GradingBSplineCurve::Create({{0.0f, 0.0f}, {1.0f, 1.0f}});
  // The log style applies the curve to the values as they are, as ours does;
  // the linear style would add a shaper around it.
  OCIO::GradingRGBCurveTransformRcPtr transform =
      OCIO::GradingRGBCurveTransform::Create(OCIO::GRADING_LOG);
  transform->setValue(OCIO::GradingRGBCurve::Create(curve, curve, curve, identity));
  const OCIO::ConstProcessorRcPtr processor = OCIO::Config::CreateRaw()->getProcessor(transform);
  return processor->getOptimizedCPUProcessor(depth, depth, OCIO::OPTIMIZATION_DEFAULT);
}

}  // namespace

struct OcioBaseline::Processors {
  OCIO::ConstCPUProcessorRcPtr eight = MakeProcessor(OCIO::BIT_DEPTH_UINT8);
  OCIO::ConstCPUProcessorRcPtr sixteen = MakeProcessor(OCIO::BIT_DEPTH_UINT16);
  OCIO::ConstCPUProcessorRcPtr single = MakeProcessor(OCIO::BIT_DEPTH_F32);
};

OcioBaseline::OcioBaseline() : processors_(std::make_unique<Processors>()) {}
OcioBaseline::~OcioBaseline() = default;

void OcioBaseline::Apply(const simhost::HostImage& input, simhost::HostImage& output,
                         int threads) const {
  OCIO::ConstCPUProcessorRcPtr processor;
  OCIO::BitDepth depth;
  // The curve is the same on every colour channel, so ARGB memory may be
  // described as ABGR.
  OCIO::ChannelOrdering order = OCIO::CHANNEL_ORDERING_BGRA;
  switch (input.Format()) {
    case simhost::HostPixelFormat::ARGB8:
      order = OCIO::CHANNEL_ORDERING_ABGR;
      [[fallthrough]];
    case simhost::HostPixelFormat::BGRA8:
      processor = processors_->eight;
      depth = OCIO::BIT_DEPTH_UINT8;
      break;
    case simhost::HostPixelFormat::ARGB16:
      order = OCIO::CHANNEL_ORDERING_ABGR;
      processor = processors_->sixteen;
      depth = OCIO::BIT_DEPTH_UINT16;
      break;
    case simhost::HostPixelFormat::ARGBFloat:
      order = OCIO::CHANNEL_ORDERING_ABGR;
      [[fallthrough]];
    default:
      processor = processors_->single;
      depth = OCIO::BIT_DEPTH_F32;
      break;
  }
  const A_long width = input.Width();
  const A_long height = input.Height();
  auto run_band = [&](A_long top, A_long bottom) {
    if (bottom <= top) return;
    OCIO::PackedImageDesc source(const_cast<std::uint8_t*>(input.Row(top)), width, bottom - top,
                                 order, depth, OCIO::AutoStride, OCIO::AutoStride,
                                 input.World()->rowbytes);
    OCIO::PackedImageDesc destination(output.Row(top), width, bottom - top, order, depth,
                                      OCIO::AutoStride, OCIO::AutoStride, output.World()->rowbytes);
    processor->apply(source, destination);
  };
  std::vector<std::thread> workers;
  for (int band = 1; band < threads; ++band) {
    workers.emplace_back(run_band, height * band / threads, height * (band + 1) / threads);
  }
  run_band(0, height / threads);
  for (std::thread& worker : workers) worker.join();
}

}  // namespace velmora_bench
