#include "tools/frame_list.h"

#include <gtest/gtest.h>

#include "tools/progress.h"
#include "tools/tool_error.h"

namespace {

TEST(FrameList, RangesAreSortedWithoutRepeats) {
  EXPECT_EQ(ParseFrameRanges("1001-1003,1002,7"), (std::vector<long>{7, 1001, 1002, 1003}));
  EXPECT_EQ(ParseFrameRanges("5"), (std::vector<long>{5}));
  for (const char* bad : {"", "1-", "-3", "a-b", "3-1", "1,,2", "1-2-3", "0-2000000"}) {
    EXPECT_THROW(ParseFrameRanges(bad), ToolError) << bad;
  }
}

TEST(FrameList, PatternsArePaddedLikePrintf) {
  EXPECT_EQ(ExpandFramePattern("shot.%04d.exr", 7), "shot.0007.exr");
  EXPECT_EQ(ExpandFramePattern("shot.%04d.exr", 123456), "shot.123456.exr");
  EXPECT_EQ(ExpandFramePattern("a/%d.png", 42), "a/42.png");
  EXPECT_FALSE(HasFramePattern("100%.png"));
}

TEST(FrameList, PlansRefuseAmbiguousRuns) {
  const auto jobs = PlanJobs({"in.%04d.exr", "out.%04d.exr"}, "1-2");
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[1].output, "out.0002.exr");
  EXPECT_EQ(jobs[1].label, "frame 2");
  EXPECT_THROW(PlanJobs({"in.exr", "out.exr"}, "1-2"), ToolError);
  EXPECT_THROW(PlanJobs({"in.%04d.exr", "out.exr"}, "1-2"), ToolError);  // every frame to one file
  EXPECT_THROW(PlanJobs({"a.png", "b.png", "not-a-folder.png"}, ""), ToolError);
}

TEST(Progress, TheBarShowsFramesRateAndTimeLeft) {
  EXPECT_EQ(Progress::Bar(0, 4, 0.0, 4), "[    ] 0/4 frames");
  EXPECT_EQ(Progress::Bar(2, 4, 1.0, 4), "[##  ] 2/4 frames  2.0 fps  0:01 left");
  EXPECT_EQ(Progress::Bar(60, 240, 30.0, 8), "[##      ] 60/240 frames  2.0 fps  1:30 left");
}

}  // namespace
