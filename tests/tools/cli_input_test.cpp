// Which input files velmora takes and how much of them it grades and keeps: every MIP level
// and every part, colour channels only, the metadata; damaged, huge or endless inputs are
// refused and nothing is written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstring>
#include <fstream>

#include "tests/tools/cli_support.h"

namespace {

const std::vector<std::string> GRADE = {"--contrast", "45",      "--gamma",
                                        "1.2",        "--pivot", "100,110,120"};

RunResult Apply(const std::filesystem::path& in, const std::filesystem::path& out) {
  std::vector<std::string> arguments = {"apply", in.string(), out.string()};
  arguments.insert(arguments.end(), GRADE.begin(), GRADE.end());
  return RunVelmora(arguments);
}

// One subimage's levels, largest first, written as MIP levels when there are several.
using Levels = std::vector<TestImage>;

void WriteLayered(const std::filesystem::path& path, const std::vector<Levels>& subimages) {
  auto output = OIIO::ImageOutput::create(path.string());
  std::vector<OIIO::ImageSpec> headers;
  for (const Levels& levels : subimages) {
    headers.push_back(levels[0].header);
    headers.back().attribute("oiio:UnassociatedAlpha", 1);
    if (levels.size() > 1) {
      headers.back().tile_width = headers.back().tile_height = 8;
      headers.back().attribute("textureformat", "Plain Texture");
    }
  }
  ASSERT_TRUE(output->open(path.string(), static_cast<int>(headers.size()), headers.data()));
  for (std::size_t s = 0; s < subimages.size(); ++s) {
    for (std::size_t m = 0; m < subimages[s].size(); ++m) {
      OIIO::ImageSpec header = subimages[s][m].header;
      header.attribute("oiio:UnassociatedAlpha", 1);
      header.tile_width = header.tile_height = headers[s].tile_width;
      if (s > 0 || m > 0) {
        ASSERT_TRUE(output->open(
            path.string(), header,
            m > 0 ? OIIO::ImageOutput::AppendMIPLevel : OIIO::ImageOutput::AppendSubimage))
            << output->geterror();
      }
      ASSERT_TRUE(output->write_image(OIIO::TypeDesc::FLOAT, subimages[s][m].samples.data()));
    }
  }
  ASSERT_TRUE(output->close());
}

std::vector<float> ReadPixels(const std::filesystem::path& path, int subimage, int level) {
  auto input = OIIO::ImageInput::open(path.string());
  if (!input || !input->seek_subimage(subimage, level)) return {};
  const OIIO::ImageSpec& header = input->spec();
  std::vector<float> samples(header.image_pixels() * header.nchannels);
  input->read_image(subimage, level, 0, header.nchannels, OIIO::TypeDesc::FLOAT, samples.data());
  return samples;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && !a.empty() &&
         std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Each image of a layered file, graded inside it, equals the same pixels graded alone.
void ExpectEachGradedAlone(const std::filesystem::path& folder, const std::string& extension,
                           const std::vector<Levels>& subimages) {
  const auto layered = folder / ("in" + extension);
  WriteLayered(layered, subimages);
  ASSERT_EQ(Apply(layered, folder / ("out" + extension)).exit_code, 0);
  for (std::size_t s = 0; s < subimages.size(); ++s) {
    for (std::size_t m = 0; m < subimages[s].size(); ++m) {
      const std::string stem = std::to_string(s) + "-" + std::to_string(m);
      WriteTestImage(folder / ("alone" + stem + extension), subimages[s][m]);
      ASSERT_EQ(Apply(folder / ("alone" + stem + extension), folder / ("graded" + stem + extension))
                    .exit_code,
                0);
      EXPECT_TRUE(SameBits(ReadPixels(folder / ("out" + extension), int(s), int(m)),
                           ReadPixels(folder / ("graded" + stem + extension), 0, 0)))
          << "subimage " << s << " level " << m;
    }
  }
}

TEST(Layers, EveryMipLevelIsGraded) {
  Levels levels;
  for (int m = 0; m < 5; ++m) {
    levels.push_back(MakeTestImage(16 >> m, std::max(1, 8 >> m), 4, OIIO::TypeDesc::HALF, m));
  }
  ExpectEachGradedAlone(TestFolder("mip"), ".exr", {levels});
}

TEST(Layers, EveryPartOrPageIsGradedAndAFormatOfOneImageIsRefused) {
  for (const std::string extension : {".exr", ".tif"}) {
    const auto folder = TestFolder("parts" + extension.substr(1));
    ExpectEachGradedAlone(folder, extension,
                          {{MakeTestImage(8, 6, 3, OIIO::TypeDesc::FLOAT, 1)},
                           {MakeTestImage(8, 6, 4, OIIO::TypeDesc::FLOAT, 2)}});
    const RunResult run = Apply(folder / ("in" + extension), folder / "out.png");
    EXPECT_EQ(run.exit_code, 2) << run.err;
    EXPECT_NE(run.err.find("holds 2 images"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.png"));
  }
}

// What a format cannot hold is refused before anything renders; what it can hold
// differently is adapted: a format that cannot place a data window gets the display
// window with the picture where it was, one without tiles gets scanlines, one whose
// writer refuses the ICC profile gets none.
TEST(Outputs, AreRefusedOrAdaptedToWhatTheFormatHolds) {
  const auto folder = TestFolder("outputs");
  WriteTestImage(folder / "rgbaz.exr", MakeTestImage(4, 4, 5, OIIO::TypeDesc::FLOAT, 1));
  WriteTestImage(folder / "ya.png", MakeTestImage(4, 4, 2, OIIO::TypeDesc::UINT8, 1));
  WriteTestImage(folder / "small.png", MakeTestImage(31, 40, 3, OIIO::TypeDesc::UINT8, 1));
  for (const auto& [in, out, reason] : std::vector<std::array<std::string, 3>>{
           {"rgbaz.exr", "out.png", "holds 1, 2, 3, 4 channels"},
           {"rgbaz.exr", "out.dpx", "holds 1, 3, 4 channels"},
           {"ya.png", "out.dpx", "holds 1, 3, 4 channels"},
           {"small.png", "out.jp2", "at least 32 pixels"}}) {
    const RunResult run = Apply(folder / in, folder / out);
    EXPECT_EQ(run.exit_code, 2) << in << " " << out << ": " << run.err;
    EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder / out)) << out;
  }
  TestImage image = MakeTestImage(40, 32, 3, OIIO::TypeDesc::HALF, 1);
  std::fill(image.samples.begin(), image.samples.end(), 0.75f);
  image.header.x = -20;
  image.header.y = -10;
  image.header.tile_width = image.header.tile_height = 8;
  WriteTestImage(folder / "window.exr", image);
  for (const char* name : {"out.tif", "out.jpg", "out.webp", "out.gif", "out.jp2"}) {
    ASSERT_EQ(Apply(folder / "window.exr", folder / name).exit_code, 0) << name;
    const TestImage out = ReadTestImage(folder / name);
    ASSERT_EQ(out.header.width * out.header.height, 40 * 32) << name;
    ASSERT_EQ(out.header.x, 0) << name;
    for (int y = 0; y < 32; y += 3) {
      for (int x = 0; x < 40; x += 3) {
        const float red = out.samples[static_cast<std::size_t>(y * 40 + x) * out.header.nchannels];
        const bool covered = x < 20 && y < 22;  // the data window ends at (20, 22)
        EXPECT_EQ(covered, red > 0.3f) << name << " " << x << "," << y << " " << red;
      }
    }
  }
  // PNG's writer checks an ICC profile and fails the whole file on one it finds damaged.
  TestImage profiled = MakeTestImage(8, 8, 3, OIIO::TypeDesc::UINT16, 1);
  profiled.header.attribute("ICCProfile", OIIO::TypeDesc(OIIO::TypeDesc::UINT8, 4), "\1\2\3");
  WriteTestImage(folder / "profiled.tif", profiled);
  const RunResult run = Apply(folder / "profiled.tif", folder / "profiled.png");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("without the ICC profile"), std::string::npos) << run.err;
  EXPECT_EQ(ReadTestImage(folder / "profiled.png").header.find_attribute("ICCProfile"), nullptr);
}

// Refused inputs: exit 2, the reason, and no output.
void ExpectRefused(const std::filesystem::path& in, const std::string& reason,
                   const std::vector<std::string>& more = {}) {
  const auto out = in.parent_path() / "out.png";
  std::vector<std::string> arguments = {"apply", in.string(), out.string()};
  arguments.insert(arguments.end(), more.begin(), more.end());
  const RunResult run = RunVelmora(arguments);
  EXPECT_EQ(run.exit_code, 2) << in << ": " << run.err;
  EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(out)) << in;
}

TEST(Channels, ImagesWithoutColourChannelsAreRefused) {
  const auto folder = TestFolder("no-colour");
  for (const std::vector<std::string>& names : std::vector<std::vector<std::string>>{
           {"N.x", "N.y", "N.z"}, {"X", "Y", "Z"}, {"Z"}, {"U", "V"}}) {
    TestImage image = MakeTestImage(4, 4, static_cast<int>(names.size()), OIIO::TypeDesc::HALF, 1);
    image.header.channelnames = names;
    const auto path = folder / (names[0] + ".exr");
    WriteTestImage(path, image);
    ExpectRefused(path, "no R, G, B channels");
  }
}

TEST(Channels, TwoChannelsOfAFormatWithoutNamesAreGreyAndAlpha) {
  const auto folder = TestFolder("grey-alpha");
  WriteTestImage(folder / "in.tga", MakeTestImage(6, 4, 2, OIIO::TypeDesc::UINT8, 5));
  ASSERT_EQ(Apply(folder / "in.tga", folder / "out.tga").exit_code, 0);
  const TestImage in = ReadTestImage(folder / "in.tga");
  const TestImage out = ReadTestImage(folder / "out.tga");
  ASSERT_EQ(out.samples.size(), in.samples.size());
  std::size_t graded = 0;
  for (std::size_t i = 0; i < in.samples.size(); i += 2) {
    EXPECT_EQ(out.samples[i + 1], in.samples[i + 1]) << "alpha of pixel " << i / 2;
    graded += out.samples[i] != in.samples[i];
  }
  EXPECT_GT(graded, 0u);
}

TEST(Metadata, CameraExifGpsAndIptcSurviveInJpegAndExr) {
  const auto folder = TestFolder("camera-metadata");
  TestImage image = MakeTestImage(16, 8, 3, OIIO::TypeDesc::UINT8, 6);
  image.header.attribute("Make", "Cam");
  image.header.attribute("Exif:PhotographicSensitivity", 400);
  image.header.attribute("Exif:DateTimeOriginal", "2024:01:02 03:04:05");
  const float latitude[3] = {12, 30, 0};
  image.header.attribute("GPS:Latitude", OIIO::TypeDesc(OIIO::TypeDesc::FLOAT, 3), latitude);
  image.header.attribute("Keywords", "harbour; dawn");
  WriteTestImage(folder / "in.jpg", image);
  for (const char* name : {"out.jpg", "out.exr"}) {
    ASSERT_EQ(Apply(folder / "in.jpg", folder / name).exit_code, 0);
    const OIIO::ImageSpec header = ReadTestImage(folder / name).header;
    EXPECT_EQ(header.get_string_attribute("Make"), "Cam") << name;
    EXPECT_EQ(header.get_int_attribute("Exif:PhotographicSensitivity"), 400) << name;
    EXPECT_EQ(header.get_string_attribute("Exif:DateTimeOriginal"), "2024:01:02 03:04:05") << name;
    EXPECT_NE(header.find_attribute("GPS:Latitude"), nullptr) << name;
    EXPECT_EQ(header.get_string_attribute("Keywords"), "harbour; dawn") << name;
  }
}

TEST(Damaged, CutShortFilesAreRefused) {
  const auto folder = TestFolder("cut-short");
  for (const char* name : {"in.jpg", "in.dpx", "in.bmp", "in.tga", "in.hdr"}) {
    TestImage image = MakeTestImage(64, 48, 3, OIIO::TypeDesc::UINT16, 4);
    image.header.attribute("oiio:BitsPerSample", 10);  // DPX's usual packing
    WriteTestImage(folder / name, image);
    std::filesystem::resize_file(folder / name, std::filesystem::file_size(folder / name) * 2 / 3);
    ExpectRefused(folder / name, "cannot read input");
  }
}

// A TIFF whose directory comes first and whose tag values come last, as many writers
// lay it out: cut short, the pixels still decode and only the tags are lost.
TEST(Damaged, ATiffCutShortInItsTagsIsRefused) {
  const auto folder = TestFolder("tiff-tags-cut");
  auto word = [](uint32_t value, int bytes) {
    return std::string(reinterpret_cast<char*>(&value), bytes);
  };
  const std::string artist = "An artist of the picture" + std::string(40, '.') + '\0';
  const uint32_t pixels_at = 8 + 2 + 9 * 12 + 4;
  std::string tiff = "II*" + std::string(1, '\0') + word(8, 4) + word(9, 2);
  for (const auto& [tag, type, count, value] : std::vector<std::array<uint32_t, 4>>{
           {256, 3, 1, 2},
           {257, 3, 1, 2},
           {258, 3, 1, 8},
           {262, 3, 1, 1},
           {273, 4, 1, pixels_at},
           {277, 3, 1, 1},
           {278, 3, 1, 2},
           {279, 4, 1, 4},
           {315, 2, static_cast<uint32_t>(artist.size()), pixels_at + 4}}) {
    tiff += word(tag, 2) + word(type, 2) + word(count, 4) + word(value, 4);
  }
  tiff += word(0, 4) + "\x10\x50\x90\xd0" + artist;
  std::ofstream(folder / "in.tif", std::ios::binary) << tiff.substr(0, tiff.size() - 20);
  ExpectRefused(folder / "in.tif", "cut short");
}

TEST(Damaged, AHeaderClaimingAHugeImageIsRefusedBeforeAllocating) {
  const auto folder = TestFolder("huge");
  std::ofstream(folder / "huge.ppm") << "P6\n1000000 1000000\n255\n" << std::string(64, '\x40');
  ExpectRefused(folder / "huge.ppm", "image too large");
}

TEST(Damaged, OnlyRegularFilesAreReadAsImagesOrPresets) {
  const auto folder = TestFolder("not-regular");
  ASSERT_EQ(mkfifo((folder / "fifo.png").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", folder / "zero.png");
  WriteTestImage(folder / "in.png", MakeTestImage(4, 4, 3, OIIO::TypeDesc::UINT8, 1));
  ExpectRefused(folder / "fifo.png", "not a regular file");
  ExpectRefused(folder / "zero.png", "not a regular file");
  ExpectRefused(folder / "in.png", "not a regular file",
                {"--preset", (folder / "fifo.png").string()});
}

}  // namespace
