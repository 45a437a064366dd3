#include "tools/frame_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "tools/commands.h"
#include "tools/tool_error.h"

namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ToolError& error) {
    return error.what();
  }
  return "no error";
}

// The frame numbers of a sequence given `ranges`.
std::vector<int> ParseFrameRanges(const std::string& ranges) {
  std::vector<int> frames;
  for (const FileJob& job : PlanJobs({"in.%d.exr", "out.%d.exr"}, ranges)) {
    frames.push_back(*job.frame);
  }
  return frames;
}

TEST(FrameList, RangesAreSortedWithoutRepeats) {
  EXPECT_EQ(ParseFrameRanges("1001-1003,1002,7"), (std::vector<int>{7, 1001, 1002, 1003}));
  EXPECT_EQ(ParseFrameRanges("5"), (std::vector<int>{5}));
  for (const char* bad : {"1-", "a-b", "3-1", "1,,2", "1-2-3", "0-2000000", "5abc"}) {
    EXPECT_NE(ErrorOf([&] { ParseFrameRanges(bad); }).find("--frames"), std::string::npos) << bad;
  }
  EXPECT_NE(ErrorOf([] { ParseFrameRanges(""); }).find("empty"), std::string::npos);
  for (const char* negative : {"-3", "-5-2", "1--3", "4,-1"}) {
    EXPECT_NE(ErrorOf([&] { ParseFrameRanges(negative); }).find("negative"), std::string::npos)
        << negative;
  }
}

std::string Expand(const std::string& path, int frame) {
  return PlanJobs({path, "out.%d.exr"}, std::to_string(frame)).at(0).input.string();
}

TEST(FrameList, PatternsTakeEveryFormOfFrameNumber) {
  EXPECT_EQ(Expand("shot.%04d.exr", 7), "shot.0007.exr");
  EXPECT_EQ(Expand("shot.%04d.exr", 123456), "shot.123456.exr");
  EXPECT_EQ(Expand("shot.#.exr", 7), "shot.0007.exr");
  EXPECT_EQ(Expand("shot.@@@.exr", 7), "shot.007.exr");
  EXPECT_EQ(Expand("100%%/a.%d.png", 42), "100%/a.42.png");
  EXPECT_EQ(PlanJobs({"shot.1001-1003#.exr", "o.#.exr"}, std::nullopt).at(0).frame, 1001);
  EXPECT_FALSE(PlanJobs({"100%.png", "out.png"}, std::nullopt).at(0).frame);
  // Two numbers, or a lone %, would reach the formatter with a field it cannot fill.
  EXPECT_THROW(Expand("a.%04d.%d.png", 1), ToolError);
  EXPECT_THROW(Expand("100%.#.png", 1), ToolError);
}

TEST(FrameList, PlansRefuseAmbiguousRuns) {
  const auto jobs = PlanJobs({"in.%04d.exr", "out.#.exr"}, "1-2");
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[1].output, "out.0002.exr");
  EXPECT_EQ(jobs[1].label, "frame 2");
  EXPECT_EQ(PlanJobs({"in.1-3#.exr", "out.#.exr"}, std::nullopt).size(), 3u);
  EXPECT_THROW(PlanJobs({"in.1-3#.exr", "out.#.exr"}, "1-2"), ToolError);  // frames given twice
  EXPECT_THROW(PlanJobs({"in.#.exr", "out.#.exr"}, std::nullopt), ToolError);
  EXPECT_THROW(PlanJobs({"in.exr", "out.exr"}, "1-2"), ToolError);
  EXPECT_THROW(PlanJobs({"in.%04d.exr", "out.exr"}, "1-2"), ToolError);  // every frame to one file
  EXPECT_THROW(PlanJobs({"a.png", "b.png", "not-a-folder.png"}, std::nullopt), ToolError);
}

TEST(FrameList, AnExistingFileIsTakenByItsName) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("velmora-icon-" + std::to_string(getpid()) + "@2x.png");
  std::ofstream(file) << "x";
  const auto jobs = PlanJobs({file.string(), "out@2x.png"}, std::nullopt);
  std::filesystem::remove(file);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].input, file);
  EXPECT_EQ(jobs[0].output, "out@2x.png");
}

TEST(FrameList, FramesNotWrittenAreNamedAsRanges) {
  const auto jobs = PlanJobs({"in.#.exr", "out.#.exr"}, "1003-1005,1010");
  EXPECT_EQ(DescribeJobs({&jobs[0], &jobs[1], &jobs[2], &jobs[3]}), "frames 1003-1005, 1010");
  EXPECT_EQ(DescribeJobs({&jobs[3]}), "frame 1010");
}

TEST(Progress, TheBarShowsFramesRateAndTimeLeft) {
  EXPECT_EQ(ProgressBar(0, 4, 0.0, 4), "[    ] 0/4 frames");
  EXPECT_EQ(ProgressBar(2, 4, 1.0, 4), "[##  ] 2/4 frames  2.0 fps  0:01 left");
  EXPECT_EQ(ProgressBar(60, 240, 30.0, 8), "[##      ] 60/240 frames  2.0 fps  1:30 left");
}

}  // namespace
