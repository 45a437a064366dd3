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

// Our default curve through nine control points of OpenColorIO's B-spline.
// Our default curve: 128 points, grey pivot, contrast 50. The table lives as
// long as the program, which reads it through the record.
ToneCurve DefaultCurve() {
  static std::array<float, kLutCapacity> table{};
  ToneCurve curve{};
  const float pivot = 128.0f / 255.0f;
  BuildLut(&curve, table.data(), {128, pivot, pivot, pivot, 50.0, 1.0, 0.0, 0.0, 0, 0}, Sine,
           Cosine);
  return curve;
}

OCIO::ConstGradingBSplineCurveRcPtr CurveLikeOurs() {
  const ToneCurve curve = DefaultCurve();
  const float* table = curve.lut;
  constexpr int kPoints = 9;
  OCIO::GradingBSplineCurveRcPtr spline = OCIO::GradingBSplineCurve::Create(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    const int index = i * 127 / (kPoints - 1);
    spline->getControlPoint(static_cast<size_t>(i)) = {static_cast<float>(index) / 127.0f,
                                                       table[static_cast<size_t>(index)]};
  }
  return spline;
}

OCIO::ConstCPUProcessorRcPtr ProcessorOf(const OCIO::ConstTransformRcPtr& transform,
                                         OCIO::BitDepth depth) {
  const OCIO::ConstProcessorRcPtr processor = OCIO::Config::CreateRaw()->getProcessor(transform);
  return processor->getOptimizedCPUProcessor(depth, depth, OCIO::OPTIMIZATION_DEFAULT);
}

OCIO::ConstCPUProcessorRcPtr MakeCurveProcessor(OCIO::BitDepth depth) {
  const OCIO::ConstGradingBSplineCurveRcPtr curve = CurveLikeOurs();
  const OCIO::ConstGradingBSplineCurveRcPtr identity =
      OCIO::GradingBSplineCurve::Create({{0.0f, 0.0f}, {1.0f, 1.0f}});
  // The log style applies the curve to the values as they are, as ours does;
  // the linear style would add a shaper around it.
  OCIO::GradingRGBCurveTransformRcPtr transform =
      OCIO::GradingRGBCurveTransform::Create(OCIO::GRADING_LOG);
  transform->setValue(OCIO::GradingRGBCurve::Create(curve, curve, curve, identity));
  return ProcessorOf(transform, depth);
}

// Our default curve in 4096 entries, applied to the largest and smallest
// channel with the middle one moved to keep the hue: a table curve that
// restores hue, as ours keeps it.
OCIO::ConstCPUProcessorRcPtr MakeHueLutProcessor() {
  constexpr unsigned long kEntries = 4096;
  const ToneCurve curve = DefaultCurve();
  OCIO::Lut1DTransformRcPtr transform = OCIO::Lut1DTransform::Create(kEntries, false);
  for (unsigned long i = 0; i < kEntries; ++i) {
    const float level = static_cast<float>(
        EvaluateCurve(static_cast<double>(i) / static_cast<double>(kEntries - 1), curve));
    transform->setValue(i, level, level, level);
  }
  transform->setHueAdjust(OCIO::HUE_DW3);
  return ProcessorOf(transform, OCIO::BIT_DEPTH_F32);
}

// Contrast about our grey pivot, per channel: a power of the value over the
// pivot, about as steep at the pivot as our contrast 50.
OCIO::ConstCPUProcessorRcPtr MakeLinearPrimaryProcessor() {
  OCIO::GradingPrimary primary(OCIO::GRADING_LIN);
  primary.m_contrast = OCIO::GradingRGBM(1.0, 1.0, 1.0, 1.5);
  primary.m_pivot = 128.0 / 255.0;
  OCIO::GradingPrimaryTransformRcPtr transform =
      OCIO::GradingPrimaryTransform::Create(OCIO::GRADING_LIN);
  transform->setValue(primary);
  return ProcessorOf(transform, OCIO::BIT_DEPTH_F32);
}

}  // namespace

struct OcioBaseline::Processors {
  OCIO::ConstCPUProcessorRcPtr eight = MakeCurveProcessor(OCIO::BIT_DEPTH_UINT8);
  OCIO::ConstCPUProcessorRcPtr sixteen = MakeCurveProcessor(OCIO::BIT_DEPTH_UINT16);
  OCIO::ConstCPUProcessorRcPtr single = MakeCurveProcessor(OCIO::BIT_DEPTH_F32);
  OCIO::ConstCPUProcessorRcPtr hue_lut = MakeHueLutProcessor();
  OCIO::ConstCPUProcessorRcPtr linear_primary = MakeLinearPrimaryProcessor();
};

std::vector<OcioPeer> OcioBaseline::PeersFor(simhost::HostPixelFormat format) {
  if (format == simhost::HostPixelFormat::ARGBFloat ||
      format == simhost::HostPixelFormat::BGRAFloat) {
    return {OcioPeer::Curve, OcioPeer::HueLut, OcioPeer::LinearPrimary};
  }
  return {OcioPeer::Curve};
}

const char* OcioBaseline::NameOf(OcioPeer peer) {
  switch (peer) {
    case OcioPeer::HueLut:
      return "OCIO hue lut";
    case OcioPeer::LinearPrimary:
      return "OCIO primary";
    case OcioPeer::Curve:
      break;
  }
  return "OCIO curve";
}

OcioBaseline::OcioBaseline() : processors_(std::make_unique<Processors>()) {}
OcioBaseline::~OcioBaseline() = default;

void OcioBaseline::Apply(OcioPeer peer, const simhost::HostImage& input, simhost::HostImage& output,
                         int threads) const {
  OCIO::ConstCPUProcessorRcPtr processor;
  OCIO::BitDepth depth;
  // Every peer treats the colour channels alike, so ARGB memory may be
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
      processor = peer == OcioPeer::HueLut          ? processors_->hue_lut
                  : peer == OcioPeer::LinearPrimary ? processors_->linear_primary
                                                    : processors_->single;
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
