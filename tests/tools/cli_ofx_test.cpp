// `velmora apply --host ofx`: files through the image-effect bundle give the
// files After Effects gives, and 16-bit files keep their own white.
#include <gtest/gtest.h>

#include "tests/tools/cli_support.h"

namespace {

const char* const kInputs[] = {"rgb8.png", "rgba8.png", "rgb.exr", "rgba.exr"};

void WriteInputs(const std::filesystem::path& folder) {
  WriteTestImage(folder / kInputs[0], MakeTestImage(40, 30, 3, OIIO::TypeDesc::UINT8, 1));
  WriteTestImage(folder / kInputs[1], MakeTestImage(40, 30, 4, OIIO::TypeDesc::UINT8, 2));
  WriteTestImage(folder / kInputs[2], MakeTestImage(40, 30, 3, OIIO::TypeDesc::FLOAT, 3));
  WriteTestImage(folder / kInputs[3], MakeTestImage(40, 30, 4, OIIO::TypeDesc::FLOAT, 4));
}

// At the defaults (an identity in the HDR mode) and at a grade, byte for byte.
TEST(OfxHost, WritesTheFilesOfTheAfterEffectsHost) {
  const auto folder = TestFolder("ofx-host");
  WriteInputs(folder);
  const std::vector<std::vector<std::string>> grades = {
      {}, {"--contrast", "30", "--pivot", "110,100,96"}};
  for (std::size_t g = 0; g < grades.size(); ++g) {
    for (const char* host : {"ofx", "aftereffects"}) {
      const auto out = folder / (host + std::to_string(g));
      std::filesystem::create_directories(out);
      std::vector<std::string> arguments = {"apply"};
      for (const char* input : kInputs) arguments.push_back((folder / input).string());
      arguments.insert(arguments.end(), {out.string(), "--host", host});
      arguments.insert(arguments.end(), grades[g].begin(), grades[g].end());
      const RunResult run = RunVelmora(arguments);
      ASSERT_EQ(run.exit_code, 0) << run.err;
    }
    for (const char* input : kInputs) {
      const std::string ofx = FileBytes(folder / ("ofx" + std::to_string(g)) / input);
      EXPECT_FALSE(ofx.empty()) << input;
      EXPECT_EQ(ofx, FileBytes(folder / ("aftereffects" + std::to_string(g)) / input))
          << input << " at grade " << g;
    }
  }
}

// Neutral settings outside the HDR mode render every pixel, and every 16-bit
// code comes back as itself: white is 65535 here, with no rescaling.
TEST(OfxHost, SixteenBitFilesKeepEveryCodeAtNeutralSettings) {
  const auto folder = TestFolder("ofx-16");
  WriteTestImage(folder / "in.tif", MakeTestImage(64, 32, 4, OIIO::TypeDesc::UINT16, 7));
  const RunResult run =
      RunVelmora({"apply", (folder / "in.tif").string(), (folder / "out.tif").string(), "--host",
                  "ofx", "--no-preserve-hdr"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadTestImage(folder / "out.tif").samples, ReadTestImage(folder / "in.tif").samples);
}

}  // namespace
