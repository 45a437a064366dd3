// Outputs on a file system that refuses the bytes: the command fails and every
// file it would have replaced is left as it was, with no temporary behind.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>

#include "tests/tools/cli_support.h"

namespace {

// A folder where writing fails: a tiny file system filled to the last byte
// where mounting is allowed, otherwise a file size limit for the runs of the
// tool. Either is undone when the test ends, whichever way it ends.
class FullFolder {
 public:
  explicit FullFolder(const std::filesystem::path& folder) : folder_(folder) {
    mounted_ = geteuid() == 0 &&
               mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") == 0;
  }
  ~FullFolder() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    if (limited_) {
      setrlimit(RLIMIT_FSIZE, &saved_limit_);
      std::signal(SIGXFSZ, saved_handler_);
    }
  }
  FullFolder(const FullFolder&) = delete;
  FullFolder& operator=(const FullFolder&) = delete;

  // Called once every file that must be there is written. False when neither
  // way of failing writes is available.
  bool Fill() {
    if (mounted_) {
      std::ofstream filler(folder_ / "filler", std::ios::binary);
      const std::string page(4096, 'f');
      while (filler.write(page.data(), static_cast<std::streamsize>(page.size())) &&
             filler.flush()) {
      }
      return true;
    }
    // The test images are larger than this; the tool's messages are far smaller.
    if (getrlimit(RLIMIT_FSIZE, &saved_limit_) != 0) return false;
    saved_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_limit_;
    limit.rlim_cur = 4096;
    limited_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    return limited_;
  }

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  bool limited_ = false;
  rlimit saved_limit_{};
  void (*saved_handler_)(int) = SIG_DFL;
};

void ExpectNoTemporary(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename().string().find(".velmora-"), std::string::npos)
        << "temporary left behind: " << entry.path();
  }
}

TEST(FullDisk, EveryWriteFailsWithOneLineAndLeavesItsTargetAsItWas) {
  const auto folder = TestFolder("full-disk");
  FullFolder full(folder);
  WriteTestImage(folder / "in.png", MakeTestImage(64, 64, 3, OIIO::TypeDesc::UINT8, 1));
  for (const char* name : {"out.bmp", "out.tga", "curve.png"}) {
    std::ofstream(folder / name) << "earlier output";
  }
  const std::string input = FileBytes(folder / "in.png");
  if (!full.Fill()) GTEST_SKIP() << "neither a small file system nor a file size limit is allowed";

  const std::string in = (folder / "in.png").string();
  const std::vector<std::vector<std::string>> commands = {
      {"apply", in, in, "--force", "--contrast", "40"},
      {"apply", in, (folder / "out.bmp").string()},
      {"apply", in, (folder / "out.tga").string()},
      {"curve", "-o", (folder / "curve.png").string()},
  };
  for (const auto& command : commands) {
    const RunResult run = RunVelmora(command);
    EXPECT_EQ(run.exit_code, 1) << command.back() << ": " << run.err;
    EXPECT_EQ(run.err.rfind("velmora: cannot write ", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  EXPECT_EQ(FileBytes(folder / "in.png"), input);
  for (const char* name : {"out.bmp", "out.tga", "curve.png"}) {
    EXPECT_EQ(FileBytes(folder / name), "earlier output") << name;
  }
  ExpectNoTemporary(folder);
}

TEST(JpegLimit, AnImageTooWideIsRefusedBeforeRendering) {
  const auto folder = TestFolder("jpeg-limit");
  WriteTestImage(folder / "wide.png", MakeTestImage(65501, 1, 3, OIIO::TypeDesc::UINT8, 1));
  const RunResult run =
      RunVelmora({"apply", (folder / "wide.png").string(), (folder / "wide.jpg").string()});
  EXPECT_EQ(run.exit_code, 2) << run.err;
  EXPECT_EQ(run.err.rfind("velmora: ", 0), 0u) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_FALSE(std::filesystem::exists(folder / "wide.jpg"));
  ExpectNoTemporary(folder);
}

// Every output is encoded in memory before it reaches the disk; metadata makes
// some writers revisit what they wrote, which must survive that too.
TEST(OutputFormats, LosslessOnesAgreeAfterTheDetourThroughMemory) {
  const auto folder = TestFolder("formats");
  TestImage image = MakeTestImage(16, 8, 3, OIIO::TypeDesc::UINT16, 3);
  image.header.attribute("Exif:ImageHistory", "scanned");
  image.header.attribute("ImageDescription", "plate");
  WriteTestImage(folder / "in.tif", image);
  std::vector<std::vector<float>> graded;
  for (const char* name : {"out.tif", "out.png", "out.sgi"}) {
    const RunResult run =
        RunVelmora({"apply", (folder / "in.tif").string(), (folder / name).string()});
    ASSERT_EQ(run.exit_code, 0) << name << ": " << run.err;
    graded.push_back(ReadTestImage(folder / name).samples);
  }
  EXPECT_EQ(graded[0], graded[1]);
  EXPECT_EQ(graded[2], graded[1]);
}

// Runs `shell`, in which $V is the tool, in `folder`; its exit status.
int Shell(const std::filesystem::path& folder, const std::string& shell) {
  const std::string command = "cd '" + folder.string() + "' && V='" VELMORA_BINARY "' && " + shell;
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteFrames(const std::filesystem::path& folder, int count) {
  for (int frame = 1; frame <= count; ++frame) {
    WriteTestImage(folder / ("s." + std::to_string(frame) + ".png"),
                   MakeTestImage(32, 32, 3, OIIO::TypeDesc::UINT8, frame));
  }
}

// Started without stderr, the first files opened would take its number; a
// reader of the progress lines that goes away must not end the run.
TEST(StandardStreams, NeitherAClosedStderrNorAVanishedReaderReachesTheFrames) {
  const auto folder = TestFolder("closed-streams");
  WriteFrames(folder, 12);
  const std::string apply = "$V apply s.%d.png o/g.%d.png --frames 1-12 --jobs 2 --contrast 30";
  ASSERT_EQ(Shell(folder, "mkdir o && " + apply + " 2>/dev/null && mv o r"), 0);
  const std::vector<std::string> runs = {
      apply + " 2>&-", apply + " <&- >&- 2>&-",
      "(" + apply + " 2>&1; echo $? >rc) | head -c 1 >/dev/null && exit $(cat rc)"};
  for (const std::string& run : runs) {
    std::filesystem::remove_all(folder / "o");
    std::filesystem::create_directory(folder / "o");
    EXPECT_EQ(Shell(folder, run), 0) << run;
    for (int frame = 1; frame <= 12; ++frame) {
      const std::string name = "g." + std::to_string(frame) + ".png";
      EXPECT_EQ(FileBytes(folder / "o" / name), FileBytes(folder / "r" / name)) << run << name;
    }
    ExpectNoTemporary(folder / "o");
  }
}

TEST(FileSizeLimit, AWritePastItIsAnErrorAndLeavesNoTemporary) {
  const auto folder = TestFolder("size-limit");
  WriteTestImage(folder / "in.png", MakeTestImage(128, 128, 3, OIIO::TypeDesc::UINT16, 1));
  EXPECT_EQ(Shell(folder, "ulimit -f 16 && $V apply in.png out.png 2>err"), 1);
  EXPECT_EQ(FileBytes(folder / "err").rfind("velmora: cannot write out.png", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(folder / "out.png"));
  ExpectNoTemporary(folder);
}

// In place, a frame whose input is also another frame's output (a held frame
// linked to the one before, patterns that overlap) is graded once, whatever
// order the frames are rendered in.
TEST(Force, AFrameIsGradedOnceWhenAnotherFrameReplacesItsInput) {
  const auto folder = TestFolder("force-overlap");
  for (const std::string jobs : {"1", "2"}) {
    std::filesystem::remove_all(folder / "in");
    std::filesystem::create_directory(folder / "in");
    WriteFrames(folder / "in", 3);
    WriteTestImage(folder / "in/s.10.png", MakeTestImage(32, 32, 3, OIIO::TypeDesc::UINT8, 10));
    std::filesystem::remove(folder / "in/s.2.png");
    std::filesystem::create_symlink("s.1.png", folder / "in/s.2.png");
    for (const std::string name : {"s.1.png", "s.10.png"}) {
      std::filesystem::copy_file(folder / "in" / name, folder / ("once." + name),
                                 std::filesystem::copy_options::overwrite_existing);
      ASSERT_EQ(Shell(folder, "$V apply once." + name + " once." + name + " --force --gain 2"), 0);
    }
    const std::string graded_10 = FileBytes(folder / "once.s.10.png");
    ASSERT_EQ(Shell(folder / "in",
                    "$V apply s.%d.png s.%d0.png --frames 1,10 --force --gain 2 "
                    "2>/dev/null --jobs " +
                        jobs),
              0);
    EXPECT_EQ(FileBytes(folder / "in/s.100.png"), graded_10) << jobs;
    ASSERT_EQ(Shell(folder / "in",
                    "$V apply s.%d.png s.%d.png --frames 1-2 --force --gain 2 "
                    "2>/dev/null --jobs " +
                        jobs),
              0);
    EXPECT_EQ(FileBytes(folder / "in/s.1.png"), FileBytes(folder / "once.s.1.png")) << jobs;
    EXPECT_EQ(FileBytes(folder / "in/s.2.png"), FileBytes(folder / "once.s.1.png")) << jobs;
  }
}

TEST(Replace, AFileReplacedKeepsItsModeAndANewOneFollowsTheMask) {
  const auto folder = TestFolder("modes");
  WriteTestImage(folder / "in.png", MakeTestImage(8, 8, 3, OIIO::TypeDesc::UINT8, 1));
  std::filesystem::copy_file(folder / "in.png", folder / "private.png");
  std::filesystem::copy_file(folder / "in.png", folder / "shared.png");
  chmod((folder / "private.png").c_str(), 0600);
  chmod((folder / "shared.png").c_str(), 0640);
  const mode_t mask = umask(0);
  umask(mask);
  const auto mode = [&folder](const char* name) {
    struct stat status {};
    stat((folder / name).c_str(), &status);
    return status.st_mode & 07777;
  };
  ASSERT_EQ(Shell(folder, "$V apply private.png private.png --force >/dev/null"), 0);
  ASSERT_EQ(Shell(folder, "$V apply in.png shared.png >/dev/null"), 0);
  ASSERT_EQ(Shell(folder, "$V apply in.png new.png >/dev/null"), 0);
  EXPECT_EQ(mode("private.png"), 0600u);
  EXPECT_EQ(mode("shared.png"), 0640u);
  EXPECT_EQ(mode("new.png"), 0666u & ~mask);
}

}  // namespace
