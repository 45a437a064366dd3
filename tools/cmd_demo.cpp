// velmora demo [--out DIR]: the built-in chart, graded, with nothing to supply.
#include <OpenImageIO/imagebufalgo.h>

#include <cstdio>
#include <thread>

#include "tools/chart.h"
#include "tools/commands.h"
#include "tools/picture.h"
#include "tools/render_image.h"

namespace {

constexpr int kGap = 16;
constexpr int kLabelBand = 44;
constexpr double kLabelSize = 22.0;
constexpr double kLabelBaseline = 32.0;

// A grade that shows what the effect does on the chart: more contrast about
// mid grey, with the ends rolled off so shadows and highlights keep detail.
void ApplyDemoGrade(const std::vector<RegisteredParam>& params, simhost::EffectSettings* settings) {
  const std::pair<const char*, const char*> grade[] = {
      {"quality", "4"},
      {"contrast", "30"},
      {"contrast-width", "0.8"},
      {"shadows-rolloff", "0.3"},
      {"highlights-rolloff", "0.3"},
  };
  for (const auto& [flag, value] : grade) ApplySetting(FindParam(params, flag), value, settings);
}

void WriteBeforeAfter(const Image& before, const Image& after, const std::string& path) {
  const int width = before.header.width;
  const int height = before.header.height;
  Picture picture(2 * width + 3 * kGap, height + kLabelBand + kGap, {0.08, 0.08, 0.09});
  cairo_t* cairo = picture.cairo();
  SetColour(cairo, {0.9, 0.9, 0.9});
  UseFont(cairo, kLabelSize, true);
  ShowText(cairo, kGap, kLabelBaseline, "Before");
  ShowText(cairo, 2 * kGap + width, kLabelBaseline, "After");
  // Each channel clamped to 0..1 and rounded to the nearest code.
  Image side_by_side = picture.ToImage();
  OIIO::ImageBufAlgo::paste(side_by_side.pixels, kGap, kLabelBand, 0, 0, before.pixels);
  OIIO::ImageBufAlgo::paste(side_by_side.pixels, 2 * kGap + width, kLabelBand, 0, 0, after.pixels);
  WriteImage(path, side_by_side);
}

void RunDemo(const ToolContext& context, const std::string& out) {
  const Effect& effect = context.RequireEffect();
  std::error_code error;
  std::filesystem::create_directories(out, error);
  if (error) throw BadInput("cannot create the output folder " + out + ": " + error.message());

  simhost::EffectSettings settings = DefaultSettings(effect.Params());
  ApplyDemoGrade(effect.Params(), &settings);

  const Image chart = MakeChart();
  Image graded = chart;
  const RenderPath path = ChooseRenderPath(SampleDepth::Float, HostChoice::Automatic, "chart");
  const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  auto host = effect.MakeHost(path.mode, threads);
  const PF_Err result = RenderImage(*host, settings, path, &graded);
  if (result != 0) {
    throw Failure("the module returned " + DescribeModuleError(result, *host) +
                  " on the demo chart");
  }

  const auto in_folder = [&out](const char* name) {
    return (std::filesystem::path(out) / name).string();
  };
  WriteImage(in_folder("chart.exr"), chart);
  WriteImage(in_folder("chart_graded.exr"), graded);
  WriteBeforeAfter(chart, graded, in_folder("before_after.png"));
  WriteCurvePlot(settings, in_folder("curve.png"));
  std::printf("chart:          %s\n", in_folder("chart.exr").c_str());
  std::printf("graded chart:   %s\n", in_folder("chart_graded.exr").c_str());
  std::printf("before / after: %s\n", in_folder("before_after.png").c_str());
  std::printf("tone curve:     %s\n", in_folder("curve.png").c_str());
}

}  // namespace

void AddDemoCommand(CLI::App& app, const ToolContext& context) {
  auto out = std::make_shared<std::string>("out/demo");
  CLI::App* command = app.add_subcommand(
      "demo", "Grade the built-in chart and write before/after, the graded EXR and the curve");
  command->add_option("--out", *out, "Folder for the pictures (created if missing)");
  command->callback([&context, out] { RunDemo(context, *out); });
}
