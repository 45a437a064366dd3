// Multi-frame rendering: many different frames through the loaded module at
// once from several render threads, each with its own records and a threaded
// iterate inside, must give what the same frames give one after another.
// Labelled `threaded`, so it also runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "simhost/concurrent_frames.h"
#include "tests/host/effect_under_host.h"

namespace {

using simhost::EffectSettings;
using simhost::FrameJob;
using simhost::HostImage;
using simhost::HostMode;
using simhost::HostPixelFormat;
using simhost::SimulatedHost;
using velmora_test::EffectModule;

struct Frames {
  std::vector<std::unique_ptr<HostImage>> images;
  std::vector<FrameJob> jobs;

  // Different inputs and settings for every frame.
  Frames(const std::vector<HostPixelFormat>& formats, bool smart, int count) {
    for (int i = 0; i < count; ++i) {
      const HostPixelFormat format = formats[static_cast<std::size_t>(i) % formats.size()];
      images.push_back(std::make_unique<HostImage>(format, 37, 23));
      images.back()->FillPattern(static_cast<std::uint32_t>(100 + i));
      HostImage* input = images.back().get();
      images.push_back(std::make_unique<HostImage>(format, 37, 23));
      FrameJob job;
      job.settings.Slider(PARAM_CONTRAST) = -90.0 + 7.0 * i;
      job.settings.Colour(PARAM_PIVOT) = PF_Pixel{255, static_cast<A_u_char>(40 + 6 * i), 120, 90};
      job.settings.Choice(PARAM_QUALITY) = 1 + i % 5;
      job.settings.Slider(PARAM_GAMMA) = i % 3 == 0 ? 1.0 : 0.8 + 0.05 * i;
      job.input = input;
      job.output = images.back().get();
      job.smart = smart;
      jobs.push_back(job);
    }
  }
};

void ExpectConcurrentEqualsSequential(HostMode mode, const std::vector<HostPixelFormat>& formats,
                                      bool smart) {
  ASSERT_TRUE(EffectModule().IsLoaded()) << EffectModule().Error();
  constexpr int kFrames = 24;
  Frames sequential(formats, smart, kFrames);
  simhost::RenderConcurrently(mode, EffectModule().Entry(), sequential.jobs, 1, 1);
  Frames concurrent(formats, smart, kFrames);
  simhost::RenderConcurrently(mode, EffectModule().Entry(), concurrent.jobs, 4, 2);
  for (int i = 0; i < kFrames; ++i) {
    SCOPED_TRACE(i);
    const auto index = static_cast<std::size_t>(i);
    EXPECT_EQ(sequential.jobs[index].result, PF_Err_NONE);
    EXPECT_EQ(concurrent.jobs[index].result, PF_Err_NONE);
    EXPECT_EQ(concurrent.jobs[index].output->PixelBytes(),
              sequential.jobs[index].output->PixelBytes());
  }
}

TEST(MultiFrameRendering, SmartFramesAtOnceEqualThemOneAfterAnother) {
  ExpectConcurrentEqualsSequential(
      HostMode::AfterEffects,
      {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16, HostPixelFormat::ARGBFloat}, true);
}

TEST(MultiFrameRendering, ClassicFramesAtOnceEqualThemOneAfterAnother) {
  ExpectConcurrentEqualsSequential(HostMode::AfterEffects,
                                   {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16}, false);
  ExpectConcurrentEqualsSequential(HostMode::PremierePro,
                                   {HostPixelFormat::BGRA8, HostPixelFormat::BGRAFloat}, false);
}

}  // namespace
