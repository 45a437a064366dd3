#include "simhost/iterate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "simhost/world.h"

namespace simhost {
namespace {

struct Visits {
  A_long width;
  std::vector<std::atomic<int>> count;
  A_long fail_from_row = -1;  // pixels at x == 1 on rows from here fail with code 600 + row
};

// Counts each visit and writes a function of the input and the position.
template <typename Pixel>
PF_Err Visit(void* refcon, A_long x, A_long y, Pixel* in, Pixel* out) {
  auto* visits = static_cast<Visits*>(refcon);
  visits->count[static_cast<std::size_t>(y * visits->width + x)].fetch_add(1);
  out->alpha = in->alpha;
  out->red = static_cast<decltype(out->red)>(in->red ^ static_cast<decltype(in->red)>(x));
  out->green = static_cast<decltype(out->green)>(y);
  out->blue = in->blue;
  if (visits->fail_from_row >= 0 && y >= visits->fail_from_row && x == 1) return 600 + y;
  return PF_Err_NONE;
}

template <typename Pixel>
std::vector<std::uint8_t> RunOnce(HostPixelFormat format, int threads, Visits& visits,
                                  const PF_LRect& area, PF_Err& result) {
  HostImage src(format, visits.width, 37, 12);
  HostImage dst(format, visits.width, 37, 0, RowOrder::BottomUp);
  src.FillPattern(5);
  const IterateOutcome outcome =
      IterateArea<Pixel>(threads, src.World(), area, &visits, Visit<Pixel>, dst.World());
  result = outcome.result;
  EXPECT_TRUE(dst.GuardsIntact());
  return dst.PixelBytes();
}

TEST(Iterate, EveryPixelExactlyOnceWithAnyThreadCount) {
  const PF_LRect whole{0, 0, 23, 37};
  std::vector<std::uint8_t> reference;
  for (int threads : {1, 2, 4, 7, 64}) {
    Visits visits{23, std::vector<std::atomic<int>>(23 * 37)};
    PF_Err result = -1;
    const auto bytes = RunOnce<PF_Pixel>(HostPixelFormat::ARGB8, threads, visits, whole, result);
    EXPECT_EQ(result, PF_Err_NONE);
    for (const auto& c : visits.count) ASSERT_EQ(c.load(), 1) << threads << " threads";
    if (reference.empty()) reference = bytes;
    EXPECT_EQ(bytes, reference) << threads << " threads";
  }
}

TEST(Iterate, SixteenBitPixelsAndAnArea) {
  const PF_LRect area{3, 5, 20, 30};
  Visits visits{23, std::vector<std::atomic<int>>(23 * 37)};
  PF_Err result = -1;
  RunOnce<PF_Pixel16>(HostPixelFormat::ARGB16, 4, visits, area, result);
  EXPECT_EQ(result, PF_Err_NONE);
  for (A_long y = 0; y < 37; ++y) {
    for (A_long x = 0; x < 23; ++x) {
      const bool inside = x >= 3 && x < 20 && y >= 5 && y < 30;
      EXPECT_EQ(visits.count[static_cast<std::size_t>(y * 23 + x)].load(), inside ? 1 : 0);
    }
  }
}

TEST(Iterate, FirstErrorInRowOrderWhateverTheThreads) {
  const PF_LRect whole{0, 0, 23, 37};
  std::vector<std::uint8_t> reference;
  for (int threads : {1, 4}) {
    Visits visits{23, std::vector<std::atomic<int>>(23 * 37)};
    visits.fail_from_row = 20;
    PF_Err result = 0;
    const auto bytes = RunOnce<PF_Pixel>(HostPixelFormat::BGRA8, threads, visits, whole, result);
    EXPECT_EQ(result, 620) << threads << " threads";
    for (const auto& c : visits.count) ASSERT_EQ(c.load(), 1);
    if (reference.empty()) reference = bytes;
    EXPECT_EQ(bytes, reference);
  }
}

TEST(Iterate, EmptyAreasVisitNothing) {
  Visits visits{23, std::vector<std::atomic<int>>(23 * 37)};
  PF_Err result = -1;
  RunOnce<PF_Pixel>(HostPixelFormat::ARGB8, 4, visits, PF_LRect{0, 10, 23, 10}, result);
  RunOnce<PF_Pixel>(HostPixelFormat::ARGB8, 4, visits, PF_LRect{0, 10, 23, 4}, result);
  EXPECT_EQ(result, PF_Err_NONE);
  for (const auto& c : visits.count) EXPECT_EQ(c.load(), 0);
}

struct Indices {
  std::vector<std::atomic<int>> count;
  std::atomic<int> bad_arguments{0};
  int threads;
};

// Fails from index 9 on with 700 + index.
PF_Err VisitIndex(void* refcon, A_long thread, A_long i, A_long iterations) {
  auto* indices = static_cast<Indices*>(refcon);
  if (thread < 0 || thread >= indices->threads || iterations != 19) ++indices->bad_arguments;
  indices->count[static_cast<std::size_t>(i)].fetch_add(1);
  return i >= 9 ? 700 + i : PF_Err_NONE;
}

TEST(IterateGeneric, EveryIndexOnceOnTheHostsThreadsAndTheFirstFailure) {
  for (int threads : {1, 3, 64}) {
    Indices indices{std::vector<std::atomic<int>>(19), {0}, threads};
    const IterateOutcome outcome = IterateIndices(threads, 19, &indices, VisitIndex);
    EXPECT_EQ(outcome.result, 709) << threads << " threads";
    EXPECT_EQ(outcome.pixels_visited, 19);
    EXPECT_EQ(indices.bad_arguments.load(), 0);
    for (const auto& c : indices.count) ASSERT_EQ(c.load(), 1) << threads << " threads";
  }
}

}  // namespace
}  // namespace simhost
