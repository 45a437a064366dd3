// velmora's written files against the module driven directly through the
// simulated host on the same pixels: exact for 8-bit, 16-bit and float.
#include <Imath/half.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/tools/cli_support.h"
#include "tools/chart.h"
#include "tools/image_io.h"

namespace {

struct Bgra8 {
  uint8_t blue, green, red, alpha;
};
struct BgraFloat {
  float blue, green, red, alpha;
};

// What the module makes of RGBA values already in the host's scale.
std::vector<float> RenderDirect(simhost::HostMode mode, simhost::HostPixelFormat format,
                                const simhost::EffectSettings& settings, int width, int height,
                                const std::vector<float>& rgba) {
  simhost::LoadedModule module(VELMORA_MODULE);
  EXPECT_TRUE(module.IsLoaded()) << module.Error();
  simhost::SimulatedHost host(mode, module.Entry());
  EXPECT_EQ(host.GlobalSetup(), 0);
  EXPECT_EQ(host.ParamsSetup(), 0);
  simhost::HostImage in(format, width, height);
  simhost::HostImage out(format, width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const float* v = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
      switch (format) {
        case simhost::HostPixelFormat::ARGB8:
          in.At<PF_Pixel>(x, y) = {static_cast<uint8_t>(v[3]), static_cast<uint8_t>(v[0]),
                                   static_cast<uint8_t>(v[1]), static_cast<uint8_t>(v[2])};
          break;
        case simhost::HostPixelFormat::ARGB16:
          in.At<PF_Pixel16>(x, y) = {static_cast<uint16_t>(v[3]), static_cast<uint16_t>(v[0]),
                                     static_cast<uint16_t>(v[1]), static_cast<uint16_t>(v[2])};
          break;
        case simhost::HostPixelFormat::BGRA8:
          in.At<Bgra8>(x, y) = {static_cast<uint8_t>(v[2]), static_cast<uint8_t>(v[1]),
                                static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[3])};
          break;
        case simhost::HostPixelFormat::BGRAFloat:
          in.At<BgraFloat>(x, y) = {v[2], v[1], v[0], v[3]};
          break;
        case simhost::HostPixelFormat::ARGBFloat:
          in.At<PF_PixelFloat>(x, y) = {v[3], v[0], v[1], v[2]};
          break;
      }
    }
  }
  simhost::SmartFrame frame;
  frame.input.image = &in;
  frame.output.image = &out;
  EXPECT_EQ(format == simhost::HostPixelFormat::ARGBFloat ? host.SmartRender(settings, frame)
                                                          : host.Render(settings, in, out),
            0);
  std::vector<float> result;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      switch (format) {
        case simhost::HostPixelFormat::ARGB8: {
          const PF_Pixel& p = out.At<PF_Pixel>(x, y);
          result.insert(result.end(),
                        {float(p.red), float(p.green), float(p.blue), float(p.alpha)});
          break;
        }
        case simhost::HostPixelFormat::ARGB16: {
          const PF_Pixel16& p = out.At<PF_Pixel16>(x, y);
          result.insert(result.end(),
                        {float(p.red), float(p.green), float(p.blue), float(p.alpha)});
          break;
        }
        case simhost::HostPixelFormat::BGRA8: {
          const Bgra8& p = out.At<Bgra8>(x, y);
          result.insert(result.end(),
                        {float(p.red), float(p.green), float(p.blue), float(p.alpha)});
          break;
        }
        case simhost::HostPixelFormat::BGRAFloat: {
          const BgraFloat& p = out.At<BgraFloat>(x, y);
          result.insert(result.end(), {p.red, p.green, p.blue, p.alpha});
          break;
        }
        case simhost::HostPixelFormat::ARGBFloat: {
          const PF_PixelFloat& p = out.At<PF_PixelFloat>(x, y);
          result.insert(result.end(), {p.red, p.green, p.blue, p.alpha});
          break;
        }
      }
    }
  }
  return result;
}

// The 16-bit rule of the tool, written out independently: nearest, halves up.
long FileToHost(long v) {
  return (v * 32768 + 32767) / 65535;
}
long HostToFile(long h) {
  return (h * 65535 + 16384) / 32768;
}

struct GoldenCase {
  const char* name;
  const char* extension;
  OIIO::TypeDesc format;
  int channels;
  const char* host;  // --host value
  simhost::HostMode mode;
  simhost::HostPixelFormat pixel_format;
};

class GoldenTest : public testing::TestWithParam<GoldenCase> {};

const std::vector<std::string> kGrade = {
    "--contrast",           "42.5", "--pivot", "90,120,150", "--shadows-rolloff", "0.2",
    "--highlights-rolloff", "0.35", "--gamma", "1.1",        "--blend",           "12.5"};

// The tool grades a new instance in the host that renders: Preserve HDR is on
// by default in After Effects and off in Premiere Pro.
simhost::EffectSettings GradeSettings(simhost::HostMode mode) {
  simhost::EffectSettings settings;
  settings.Checkbox(PARAM_PRESERVE_HDR) = mode == simhost::HostMode::AfterEffects ? 1 : 0;
  settings.Slider(PARAM_CONTRAST) = 42.5;
  settings.Colour(PARAM_PIVOT) = {255, 90, 120, 150};
  settings.Slider(PARAM_SHADOWS_ROLLOFF) = 0.2;
  settings.Slider(PARAM_HIGHLIGHTS_ROLLOFF) = 0.35;
  settings.Slider(PARAM_GAMMA) = 1.1;
  settings.Fixed(PARAM_BLEND) = static_cast<PF_Fixed>(12.5 * 65536);
  return settings;
}

TEST_P(GoldenTest, OutputEqualsTheModuleOnTheSamePixels) {
  const GoldenCase& c = GetParam();
  const auto folder = TestFolder(std::string("golden-") + c.name);
  const auto input_path = folder / (std::string("in") + c.extension);
  const auto output_path = folder / (std::string("out") + c.extension);
  const int width = 37, height = 23;
  const TestImage input = MakeTestImage(width, height, c.channels, c.format, 3);
  WriteTestImage(input_path, input);
  const TestImage written = ReadTestImage(input_path);

  std::vector<std::string> args = {"apply", input_path.string(), output_path.string(), "--host",
                                   c.host};
  args.insert(args.end(), kGrade.begin(), kGrade.end());
  const RunResult run = RunVelmora(args);
  ASSERT_EQ(run.exit_code, 0) << run.err;

  const bool is8 = c.format == OIIO::TypeDesc::UINT8;
  const bool is16 = c.format == OIIO::TypeDesc::UINT16;
  const double top = is8 ? 255.0 : 65535.0;
  const bool has_alpha = c.channels == 4;
  std::vector<float> host_rgba;
  for (std::size_t p = 0; p < static_cast<std::size_t>(width * height); ++p) {
    for (int k = 0; k < 4; ++k) {
      const int channel = c.channels < 3 ? (k == 3 ? -1 : 0) : k;
      const bool missing = k == 3 && !has_alpha;
      const float value = missing ? 1.0f : written.samples[p * c.channels + channel];
      if (is8)
        host_rgba.push_back(static_cast<float>(std::lround(value * 255.0)));
      else if (is16)
        host_rgba.push_back(static_cast<float>(FileToHost(std::lround(value * 65535.0))));
      else
        host_rgba.push_back(value);
    }
  }
  const std::vector<float> expected =
      RenderDirect(c.mode, c.pixel_format, GradeSettings(c.mode), width, height, host_rgba);

  const TestImage output = ReadTestImage(output_path);
  ASSERT_EQ(output.header.width, width);
  ASSERT_EQ(output.header.height, height);
  ASSERT_EQ(output.header.nchannels, c.channels);
  ASSERT_EQ(output.header.format, c.format);
  std::size_t mismatches = 0;
  for (std::size_t p = 0; p < static_cast<std::size_t>(width * height); ++p) {
    for (int channel = 0; channel < c.channels; ++channel) {
      const float got = output.samples[p * c.channels + channel];
      const float want =
          expected[p * 4 + (channel == 3 || (c.channels == 2 && channel == 1) ? 3 : channel)];
      bool same = false;
      if (is8)
        same = std::lround(got * top) == std::lround(want);
      else if (is16)
        same = std::lround(got * top) == HostToFile(std::lround(want));
      else if (c.format == OIIO::TypeDesc::HALF)
        same = got == static_cast<float>(Imath::half(want));
      else
        same = std::memcmp(&got, &want, sizeof got) == 0;
      if (!same && ++mismatches < 5) {
        ADD_FAILURE() << "pixel " << p << " channel " << channel << ": " << got << " vs " << want;
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPath, GoldenTest,
    testing::Values(
        GoldenCase{"png8_rgb", ".png", OIIO::TypeDesc::UINT8, 3, "auto",
                   simhost::HostMode::AfterEffects, simhost::HostPixelFormat::ARGB8},
        GoldenCase{"tif8_rgba", ".tif", OIIO::TypeDesc::UINT8, 4, "auto",
                   simhost::HostMode::AfterEffects, simhost::HostPixelFormat::ARGB8},
        GoldenCase{"png8_premiere", ".png", OIIO::TypeDesc::UINT8, 4, "premiere",
                   simhost::HostMode::PremierePro, simhost::HostPixelFormat::BGRA8},
        GoldenCase{"png8_grey", ".png", OIIO::TypeDesc::UINT8, 1, "auto",
                   simhost::HostMode::AfterEffects, simhost::HostPixelFormat::ARGB8},
        GoldenCase{"tif16_rgb", ".tif", OIIO::TypeDesc::UINT16, 3, "auto",
                   simhost::HostMode::AfterEffects, simhost::HostPixelFormat::ARGB16},
        GoldenCase{"png16_rgba", ".png", OIIO::TypeDesc::UINT16, 4, "aftereffects",
                   simhost::HostMode::AfterEffects, simhost::HostPixelFormat::ARGB16},
        GoldenCase{"dpx16_rgb", ".dpx", OIIO::TypeDesc::UINT16, 3, "auto",
                   simhost::HostMode::AfterEffects, simhost::HostPixelFormat::ARGB16},
        GoldenCase{"exr_float_rgba", ".exr", OIIO::TypeDesc::FLOAT, 4, "auto",
                   simhost::HostMode::AfterEffects, simhost::HostPixelFormat::ARGBFloat},
        GoldenCase{"exr_float_aftereffects", ".exr", OIIO::TypeDesc::FLOAT, 4, "aftereffects",
                   simhost::HostMode::AfterEffects, simhost::HostPixelFormat::ARGBFloat},
        GoldenCase{"exr_half_rgb", ".exr", OIIO::TypeDesc::HALF, 3, "premiere",
                   simhost::HostMode::PremierePro, simhost::HostPixelFormat::BGRAFloat},
        GoldenCase{"tif_float_rgb", ".tif", OIIO::TypeDesc::FLOAT, 3, "auto",
                   simhost::HostMode::AfterEffects, simhost::HostPixelFormat::ARGBFloat}),
    [](const testing::TestParamInfo<GoldenCase>& case_info) {
      return std::string(case_info.param.name);
    });

TEST(Golden, JpegIsReadAndWrittenWithItsResolution) {
  const auto folder = TestFolder("jpeg");
  WriteTestImage(folder / "in.jpg", MakeTestImage(40, 30, 3, OIIO::TypeDesc::UINT8, 1));
  const RunResult run = RunVelmora(
      {"apply", (folder / "in.jpg").string(), (folder / "out.jpg").string(), "--contrast", "20"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const TestImage output = ReadTestImage(folder / "out.jpg");
  EXPECT_EQ(output.header.width, 40);
  EXPECT_EQ(output.header.height, 30);
  EXPECT_EQ(output.header.nchannels, 3);
}

TEST(Golden, MetadataOfTheInputIsKept) {
  const auto folder = TestFolder("metadata");
  TestImage input = MakeTestImage(8, 8, 3, OIIO::TypeDesc::UINT16, 2);
  input.header.attribute("ImageDescription", "plate 12 take 3");
  input.header.attribute("Artist", "grading test");
  WriteTestImage(folder / "in.tif", input);
  ASSERT_EQ(
      RunVelmora({"apply", (folder / "in.tif").string(), (folder / "out.tif").string()}).exit_code,
      0);
  const TestImage output = ReadTestImage(folder / "out.tif");
  EXPECT_EQ(output.header.get_string_attribute("ImageDescription"), "plate 12 take 3");
  EXPECT_EQ(output.header.get_string_attribute("Artist"), "grading test");
}

TEST(Sequence, EveryFrameIsRenderedAndReportedOnAPlainLine) {
  const auto folder = TestFolder("sequence");
  std::vector<TestImage> frames;
  for (int frame = 1001; frame <= 1005; ++frame) {
    frames.push_back(MakeTestImage(16, 9, 3, OIIO::TypeDesc::UINT8, frame));
    WriteTestImage(folder / ("shot." + std::to_string(frame) + ".png"), frames.back());
  }
  const RunResult run = RunVelmora({"apply", (folder / "shot.%04d.png").string(),
                                    (folder / "graded.%04d.png").string(), "--frames",
                                    "1001-1003,1005", "--contrast", "30"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 4) << run.err;
  EXPECT_NE(run.err.find("frame 1005 -> "), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(folder / "graded.1004.png"));
  simhost::EffectSettings settings;
  settings.Slider(PARAM_CONTRAST) = 30;
  for (int frame : {1001, 1002, 1003, 1005}) {
    const TestImage input = ReadTestImage(folder / ("shot." + std::to_string(frame) + ".png"));
    std::vector<float> rgba;
    for (std::size_t p = 0; p < 16 * 9; ++p) {
      for (int k = 0; k < 3; ++k)
        rgba.push_back(static_cast<float>(std::lround(input.samples[p * 3 + k] * 255.0)));
      rgba.push_back(255.0f);
    }
    const auto expected = RenderDirect(simhost::HostMode::AfterEffects,
                                       simhost::HostPixelFormat::ARGB8, settings, 16, 9, rgba);
    const TestImage output = ReadTestImage(folder / ("graded." + std::to_string(frame) + ".png"));
    for (std::size_t p = 0; p < 16 * 9; ++p) {
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(std::lround(output.samples[p * 3 + k] * 255.0), std::lround(expected[p * 4 + k]))
            << "frame " << frame << " pixel " << p;
      }
    }
  }
}

TEST(Sequence, AListOfFilesGoesIntoAFolder) {
  const auto folder = TestFolder("file-list");
  std::filesystem::create_directories(folder / "graded");
  WriteTestImage(folder / "a.png", MakeTestImage(8, 8, 3, OIIO::TypeDesc::UINT8, 1));
  WriteTestImage(folder / "b.exr", MakeTestImage(8, 8, 4, OIIO::TypeDesc::HALF, 2));
  const RunResult run =
      RunVelmora({"apply", (folder / "a.png").string(), (folder / "b.exr").string(),
                  (folder / "graded").string(), "--contrast", "10"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(folder / "graded" / "a.png"));
  EXPECT_EQ(ReadTestImage(folder / "graded" / "b.exr").header.format, OIIO::TypeDesc::HALF);
}

TEST(Presets, ASavedPresetRendersExactlyAsTheFlagsDid) {
  const auto folder = TestFolder("presets");
  WriteTestImage(folder / "in.tif", MakeTestImage(20, 10, 3, OIIO::TypeDesc::UINT16, 5));
  std::vector<std::string> by_flags = {"apply",
                                       (folder / "in.tif").string(),
                                       (folder / "flags.tif").string(),
                                       "--save-preset",
                                       (folder / "look.json").string(),
                                       "--quality",
                                       "fast",
                                       "--no-clamp-white",  // the last spelling given wins
                                       "--clamp-white",
                                       "--offset",
                                       "0.0123"};
  by_flags.insert(by_flags.end(), kGrade.begin(), kGrade.end());
  ASSERT_EQ(RunVelmora(by_flags).exit_code, 0);
  const RunResult by_preset =
      RunVelmora({"apply", (folder / "in.tif").string(), (folder / "preset.tif").string(),
                  "--preset", (folder / "look.json").string()});
  ASSERT_EQ(by_preset.exit_code, 0) << by_preset.err;
  EXPECT_EQ(ReadTestImage(folder / "flags.tif").samples,
            ReadTestImage(folder / "preset.tif").samples);
  const std::string preset = FileBytes(folder / "look.json");
  EXPECT_NE(preset.find("\"clamp-white\": true"), std::string::npos) << preset;
  EXPECT_NE(preset.find("\"pivot\": \"#5A7896\""), std::string::npos) << preset;
  EXPECT_NE(preset.find("\"quality\": 1"), std::string::npos) << preset;

  // A flag given with a preset wins over it.
  ASSERT_EQ(RunVelmora({"apply", (folder / "in.tif").string(), (folder / "override.tif").string(),
                        "--preset", (folder / "look.json").string(), "--contrast", "0"})
                .exit_code,
            0);
  EXPECT_NE(ReadTestImage(folder / "override.tif").samples,
            ReadTestImage(folder / "preset.tif").samples);
}

TEST(Demo, WritesEveryPictureAndTheGradedChartIsTheModulesOwn) {
  const auto folder = TestFolder("demo");
  const RunResult run = RunVelmora({"demo", "--out", (folder / "new" / "demo").string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  for (const char* name : {"chart.exr", "chart_graded.exr", "before_after.png", "curve.png"}) {
    EXPECT_NE(run.out.find(name), std::string::npos) << run.out;
    EXPECT_TRUE(std::filesystem::exists(folder / "new" / "demo" / name)) << name;
  }
  const Image chart = MakeChart();
  const TestImage graded = ReadTestImage(folder / "new" / "demo" / "chart_graded.exr");
  const auto* samples = static_cast<const float*>(chart.pixels.localpixels());
  ASSERT_EQ(graded.samples.size(), chart.pixels.spec().image_pixels() * 3);
  EXPECT_NE(graded.samples, std::vector<float>(samples, samples + graded.samples.size()));
  EXPECT_LT(std::filesystem::file_size(folder / "new" / "demo" / "before_after.png"), 300u * 1024u);
}

TEST(Curve, WritesAPlotAndItsSettingsAreChecked) {
  const auto folder = TestFolder("curve");
  const RunResult run = RunVelmora(
      {"curve", "--contrast", "-60", "--pivot", "#406080", "-o", (folder / "c.png").string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const TestImage plot = ReadTestImage(folder / "c.png");
  EXPECT_GT(plot.header.width, 600);
  EXPECT_EQ(plot.header.nchannels, 3);
}

TEST(Info, ShowsTheModulesOwnParameterTable) {
  const RunResult run = RunVelmora({"info"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("Velmora v1.2"), std::string::npos) << run.out;
  // The tool's version is the module's, read from the module at run time.
  const RunResult version = RunVelmora({"--version"});
  ASSERT_EQ(version.out.rfind("velmora ", 0), 0u) << version.out;
  EXPECT_NE(run.out.find("0x90001: version " + version.out.substr(8)), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("PF_OutFlag_DEEP_COLOR_AWARE"), std::string::npos);
  EXPECT_NE(run.out.find("PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS"), std::string::npos);
  EXPECT_NE(run.out.find("PF_OutFlag2_SUPPORTS_THREADED_RENDERING"), std::string::npos);
  EXPECT_NE(run.out.find("32-bit float BGRA (0x61724742), 8-bit BGRA"), std::string::npos);
  EXPECT_NE(run.out.find("Contrast width"), std::string::npos);
  EXPECT_NE(run.out.find("0.001 to 1"), std::string::npos);
  EXPECT_NE(run.out.find("Property list: none"), std::string::npos);
}

}  // namespace
