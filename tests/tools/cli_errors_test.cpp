// Bad input: one clear line, exit code 2, and no output written or touched.
// Failures inside the module: named, with the frame, exit code 1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/tools/cli_support.h"

namespace {

struct ErrorCase {
  const char* name;
  std::vector<std::string>
      arguments;         // "IN" is a valid 8-bit input, "OUT" the output, "DIR" the folder
  const char* mentions;  // a word the message must contain
};

class BadInputTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(BadInputTest, ExitsWithTwoOneLineAndLeavesTheOutputAlone) {
  const ErrorCase& c = GetParam();
  const auto folder = TestFolder(std::string("error-") + c.name);
  WriteTestImage(folder / "in.png", MakeTestImage(8, 8, 3, OIIO::TypeDesc::UINT8, 1));
  WriteTestImage(folder / "deep.tif", MakeTestImage(8, 8, 3, OIIO::TypeDesc::UINT16, 1));
  WriteTestImage(folder / "wide.tif", MakeTestImage(8, 8, 3, OIIO::TypeDesc::UINT32, 1));
  {
    std::ofstream garbage(folder / "garbage.png");
    garbage << "not an image at all";
  }
  {
    std::ofstream preset(folder / "unknown.json");
    preset << R"({"contrast": 10, "sharpness": 3})";
  }
  {
    std::ofstream preset(folder / "range.json");
    preset << R"({"gamma": 11})";
  }
  std::ofstream(folder / "twice.json") << R"({"gamma": 2, "contrast": 5, "gamma": 3})";
  std::ofstream(folder / "deep.json") << std::string(100000, '[') + std::string(100000, ']');
  {
    const std::string png = FileBytes(folder / "in.png");
    std::ofstream(folder / "truncated.png", std::ios::binary) << png.substr(0, png.size() - 20);
    // A Windows module's headers, cut off before its sections.
    std::string pe(0x58, '\0');
    pe.replace(0, 2, "MZ");
    pe[0x3C] = 0x40;
    pe.replace(0x40, 4, std::string("PE\0\0", 4));
    std::ofstream(folder / "damaged.aex", std::ios::binary) << pe;
  }
  {
    std::ofstream existing(folder / "out.png");
    existing << "earlier output";
    std::ofstream(folder / "kept.json") << "earlier preset";
  }
  std::filesystem::create_directory(folder / "sub");
  mkfifo((folder / "fifo.png").c_str(), 0600);
  std::filesystem::copy_file(VELMORA_MODULE, folder / "cut.so");
  std::filesystem::resize_file(folder / "cut.so", std::filesystem::file_size(VELMORA_MODULE) / 2);

  std::vector<std::string> arguments;
  for (const std::string& argument : c.arguments) {
    std::string expanded = argument;
    for (const auto& [key, value] :
         {std::pair<std::string, std::string>{"IN", (folder / "in.png").string()},
          {"OUT", (folder / "out.png").string()},
          {"DIR", folder.string()}}) {
      if (expanded.rfind(key, 0) == 0) expanded = value + expanded.substr(key.size());
    }
    arguments.push_back(expanded);
  }
  const RunResult run = RunVelmora(arguments);
  EXPECT_EQ(run.exit_code, 2) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_EQ(run.err.rfind("velmora: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find(c.mentions), std::string::npos) << run.err;
  EXPECT_EQ(FileBytes(folder / "out.png"), "earlier output");
  EXPECT_EQ(FileBytes(folder / "kept.json"), "earlier preset");
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename().string().find(".velmora-"), std::string::npos)
        << "temporary left behind: " << entry.path();
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, BadInputTest,
    testing::Values(
        ErrorCase{"gamma_above_range", {"apply", "IN", "OUT", "--gamma", "12"}, "0 to 10"},
        ErrorCase{
            "contrast_below_range", {"apply", "IN", "OUT", "--contrast", "-100.5"}, "-100 to 100"},
        ErrorCase{"width_below_range",
                  {"apply", "IN", "OUT", "--contrast-width", "0.0005"},
                  "0.001 to 1"},
        ErrorCase{"not_a_number", {"apply", "IN", "OUT", "--gain", "nan"}, "--gain nan"},
        ErrorCase{"text_for_number", {"apply", "IN", "OUT", "--contrast", "5abc"}, "not a number"},
        ErrorCase{"repeated_value",
                  {"apply", "IN", "OUT", "--contrast", "5", "--contrast", "6"},
                  "--contrast given 2 times"},
        ErrorCase{"module_before_and_after_the_command",
                  {"--module", "DIR/cut.so", "info", "--module", "DIR/cut.so"},
                  "--module given 2 times"},
        ErrorCase{"unknown_command", {"grade", "IN", "OUT"}, "unknown command grade"},
        ErrorCase{"blend_above", {"apply", "IN", "OUT", "--blend", "100.01"}, "0 to 100"},
        ErrorCase{"quality_word",
                  {"apply", "IN", "OUT", "--quality", "best"},
                  "fast, fair, good, 8-bit, 10-bit"},
        ErrorCase{"quality_number", {"apply", "IN", "OUT", "--quality", "6"}, "1 to 5"},
        ErrorCase{"pivot_byte", {"apply", "IN", "OUT", "--pivot", "10,300,20"}, "#RRGGBB"},
        ErrorCase{"pivot_hex", {"apply", "IN", "OUT", "--pivot", "#12345"}, "#RRGGBB"},
        ErrorCase{"unknown_flag", {"apply", "IN", "OUT", "--sharpness", "3"}, "--sharpness"},
        ErrorCase{"missing_input", {"apply", "DIR/nothing.png", "OUT"}, "input not found"},
        ErrorCase{"unreadable_input", {"apply", "DIR/garbage.png", "OUT"}, "cannot read input"},
        // The image library's own complaints stay off the error stream.
        ErrorCase{"truncated_input",
                  {"apply", "DIR/truncated.png", "OUT", "--save-preset", "DIR/kept.json"},
                  "cannot read input"},
        ErrorCase{"unsupported_samples",
                  {"apply", "DIR/wide.tif", "OUT"},
                  "supported are 8-bit, 16-bit, half and float"},
        ErrorCase{"missing_output_folder",
                  {"apply", "IN", "DIR/no/such/out.png"},
                  "output folder does not exist"},
        ErrorCase{
            "unknown_output_format", {"apply", "IN", "DIR/out.xyz"}, "unsupported output format"},
        ErrorCase{"overwrite_input", {"apply", "IN", "IN"}, "--force"},
        ErrorCase{
            "preset_over_input", {"apply", "IN", "OUT", "--save-preset", "IN"}, "--save-preset"},
        ErrorCase{"preset_over_output",
                  {"apply", "IN", "OUT", "--save-preset", "DIR/sub/../out.png"},
                  "also the output"},
        ErrorCase{"curve_preset_over_plot",
                  {"curve", "-o", "OUT", "--save-preset", "DIR/./out.png"},
                  "also the output"},
        ErrorCase{"preset_folder", {"apply", "IN", "OUT", "--preset", "DIR"}, "folder"},
        ErrorCase{"save_preset_folder", {"apply", "IN", "OUT", "--save-preset", "DIR"}, "folder"},
        ErrorCase{"output_name_too_long",
                  {"apply", "IN", "DIR/" + std::string(300, 'x') + ".png"},
                  "longer than"},
        ErrorCase{"sixteen_bit_in_premiere",
                  {"apply", "DIR/deep.tif", "OUT", "--host", "premiere"},
                  "16-bit"},
        ErrorCase{"unknown_host", {"apply", "IN", "OUT", "--host", "nuke"}, "premiere or ofx"},
        ErrorCase{"pattern_without_frames",
                  {"apply", "DIR/shot.%04d.png", "DIR/out.%04d.png"},
                  "--frames"},
        ErrorCase{"missing_frame",
                  {"apply", "DIR/in%d.png", "DIR/o.%04d.png", "--frames", "1-2"},
                  "input not found"},
        ErrorCase{"empty_frames",
                  {"apply", "DIR/in%d.png", "DIR/o.%04d.png", "--frames", ""},
                  "--frames is empty"},
        ErrorCase{"backwards_frames",
                  {"apply", "DIR/in%d.png", "DIR/o.%04d.png", "--frames", "9-2"},
                  "backwards"},
        ErrorCase{"preset_unknown_key",
                  {"apply", "IN", "OUT", "--preset", "DIR/unknown.json"},
                  "sharpness"},
        ErrorCase{
            "preset_out_of_range", {"apply", "IN", "OUT", "--preset", "DIR/range.json"}, "0 to 10"},
        ErrorCase{"preset_empty", {"apply", "IN", "OUT", "--preset", ""}, "--preset is empty"},
        ErrorCase{"save_preset_empty",
                  {"apply", "IN", "OUT", "--save-preset", ""},
                  "--save-preset is empty"},
        ErrorCase{"preset_names_twice",
                  {"apply", "IN", "OUT", "--preset", "DIR/twice.json"},
                  "\"gamma\" twice"},
        ErrorCase{
            "preset_nested_deep", {"apply", "IN", "OUT", "--preset", "DIR/deep.json"}, "nested"},
        ErrorCase{"long_value_cut_short",
                  {"apply", "IN", "OUT", "--contrast", std::string(100000, 'x')},
                  "xx...: not a number"},
        ErrorCase{"second_frame_number",
                  {"apply", "DIR/in.#.png", "DIR/o.#_#.png", "--frames", "1-2"},
                  "one frame number"},
        ErrorCase{"many_ranges_over_cap",
                  {"apply", "DIR/in.#.png", "DIR/o.#.png", "--frames", "0-600000,700000-1300000"},
                  "more than a million"},
        ErrorCase{"missing_name_with_at", {"apply", "DIR/logo@2x.png", "OUT"}, "input not found"},
        ErrorCase{"preset_missing",
                  {"apply", "IN", "OUT", "--preset", "DIR/none.json"},
                  "cannot read preset"},
        ErrorCase{"unloadable_module",
                  {"apply", "IN", "OUT", "--module", "DIR/in.png"},
                  "velmora: cannot load module '"},
        ErrorCase{
            "damaged_windows_module", {"info", "--module", "DIR/damaged.aex"}, "damaged module"},
        ErrorCase{"cut_short_module", {"info", "--module", "DIR/cut.so"}, "is cut short"},
        ErrorCase{"fifo_module", {"info", "--module", "DIR/fifo.png"}, "not a regular file"},
        ErrorCase{"fifo_output", {"apply", "IN", "DIR/fifo.png"}, "not a regular file"},
        ErrorCase{"device_module", {"info", "--module", "/dev/zero"}, "not a regular file"},
        ErrorCase{"folder_module", {"info", "--module", "DIR"}, "not a regular file"},
        ErrorCase{
            "curve_out_of_range", {"curve", "--shadows-rolloff", "2", "-o", "OUT"}, "0 to 1"}),
    [](const testing::TestParamInfo<ErrorCase>& case_info) {
      return std::string(case_info.param.name);
    });

TEST(Overwrite, ForceAllowsAnOutputToReplaceItsInput) {
  const auto folder = TestFolder("force");
  WriteTestImage(folder / "in.png", MakeTestImage(8, 8, 3, OIIO::TypeDesc::UINT8, 1));
  const std::string before = FileBytes(folder / "in.png");
  const RunResult run = RunVelmora({"apply", (folder / "in.png").string(),
                                    (folder / "in.png").string(), "--contrast", "50", "--force"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(FileBytes(folder / "in.png"), before);
}

// Frames 1001-1004, of which 1003 makes the failing module fail.
std::vector<std::string> SequenceWithABadFrame(const std::filesystem::path& folder) {
  for (int frame = 1001; frame <= 1004; ++frame) {
    TestImage image = MakeTestImage(4, 4, 3, OIIO::TypeDesc::UINT8, frame);
    if (frame == 1003) {
      for (int k = 0; k < 3; ++k) image.samples[k] = 13.0f / 255.0f;  // the failing module's marker
    }
    WriteTestImage(folder / ("f." + std::to_string(frame) + ".png"), image);
  }
  return {"apply",
          (folder / "f.%04d.png").string(),
          (folder / "g.#.png").string(),
          "--frames",
          "1001-1004",
          "--jobs",
          "1",
          "--module",
          VELMORA_FAILING_MODULE};
}

TEST(ModuleFailure, IsNamedWithTheFrameAndLaterFramesAreNotWritten) {
  const auto folder = TestFolder("module-failure");
  const RunResult run = RunVelmora(SequenceWithABadFrame(folder));
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_EQ(run.err.find("velmora: "), run.err.rfind("velmora: ")) << run.err;  // one error line
  EXPECT_NE(run.err.find("514"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("PF_Err_UNRECOGNIZED_PARAM_TYPE"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("frame 1003"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("not written: frames 1003-1004"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::exists(folder / "g.1002.png"));
  EXPECT_FALSE(std::filesystem::exists(folder / "g.1003.png"));
  EXPECT_FALSE(std::filesystem::exists(folder / "g.1004.png"));
}

TEST(ModuleFailure, KeepGoingWritesTheOtherFramesAndListsTheFailedOnes) {
  const auto folder = TestFolder("keep-going");
  std::vector<std::string> arguments = SequenceWithABadFrame(folder);
  arguments.push_back("--keep-going");
  std::filesystem::remove(folder / "f.1001.png");  // a missing frame does not stop the others
  const RunResult run = RunVelmora(arguments);
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_NE(run.err.find("2 of 4 failed; not written: frames 1001, 1003\n"), std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(folder / "g.1003.png"));
  EXPECT_TRUE(std::filesystem::exists(folder / "g.1004.png"));
}

TEST(Module, APathIsResolvedAgainstTheCurrentFolderNeverSearchedFor) {
  const auto folder = TestFolder("module-path");
  std::filesystem::copy_file(VELMORA_MODULE, folder / "mymod.so");
  const RunResult local = RunVelmora({"info", "--module", "mymod.so"}, folder);
  EXPECT_EQ(local.exit_code, 0) << local.err;
  const RunResult system = RunVelmora({"info", "--module", "libc.so.6"}, folder);
  EXPECT_EQ(system.exit_code, 2);
  EXPECT_NE(system.err.find("module not found: libc.so.6"), std::string::npos) << system.err;
}

TEST(Module, TheVersionIsAnsweredWithoutLoadingIt) {
  const auto folder = TestFolder("version-cut-module");
  std::filesystem::copy_file(VELMORA_MODULE, folder / "cut.so");
  std::filesystem::resize_file(folder / "cut.so", 4096);
  const RunResult run = RunVelmora({"--module", "cut.so", "--version"}, folder);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out.rfind("velmora ", 0), 0u) << run.out;
}

// An input reached through folders whose names together pass the system's path
// limit exists; what fails is the lookup, and the message must say so.
TEST(LongPath, AnExistingInputPastThePathLimitIsNotCalledMissing) {
  const auto folder = TestFolder("long-path");
  WriteTestImage(folder / "in.png", MakeTestImage(8, 8, 3, OIIO::TypeDesc::UINT8, 1));
  std::string deep = folder.string();
  const std::string name(200, 'd');
  int at = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  for (int level = 0; level < 24; ++level, deep += "/" + name) {
    ASSERT_EQ(mkdirat(at, name.c_str(), 0700), 0);
    const int next = openat(at, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(at);
    at = next;
  }
  ASSERT_EQ(linkat(AT_FDCWD, (folder / "in.png").c_str(), at, "in.png", 0), 0);
  close(at);
  const RunResult run = RunVelmora({"apply", deep + "/in.png", (folder / "out.png").string()});
  EXPECT_EQ(run.exit_code, 2) << run.err;
  EXPECT_EQ(run.err.find("not found"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("too long"), std::string::npos) << run.err;
  // Removing the tree takes walking it folder by folder, which rm does.
  EXPECT_EQ(std::system(("rm -rf '" + folder.string() + "'").c_str()), 0);
}

TEST(Help, PrintsTheModulesRangesAndExitsZero) {
  const RunResult run = RunVelmora({"apply", "--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(run.out.find("--contrast-width"), std::string::npos);
  EXPECT_NE(run.out.find("0.001 to 1"), std::string::npos);
  const RunResult commands = RunVelmora({"help"});
  EXPECT_EQ(commands.exit_code, 0);
  EXPECT_NE(commands.out.find("  info "), std::string::npos) << commands.out;
  EXPECT_NE(RunVelmora({"info", "--help"}).out.find("--module PATH"), std::string::npos);
}

}  // namespace
