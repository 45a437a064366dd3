// velmora demo [--out DIR]: the built-in chart, graded, with nothing to supply.
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
  picture.Paste(kGap, kLabelBand, before);
  picture.Paste(2 * kGap + width, kLabelBand, after);
  cairo_t* cairo = picture.cairo();
  SetColour(cairo, {0.9, 0.9, 0.9});
  UseFont(cairo, kLabelSize, true);
  ShowText(cairo, kGap, kLabelBaseline, "Before");
  ShowText(cairo, 2 * kGap + width, kLabelBaseline, "After");
  WriteImage(path, picture.ToImage());
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

  const std::filesystem::path folder(out);
  const std::string chart_path = (folder / "chart.exr").string();
  const std::string graded_path = (folder / "chart_graded.exr").string();
  const std::string before_after_path = (folder / "before_after.png").string();
  const std::string curve_path = (folder / "curve.png").string();
  WriteImage(chart_path, chart);
  WriteImage(graded_path, graded);
  WriteBeforeAfter(chart, graded, before_after_path);
  WriteCurvePlot(settings, curve_path);
  std::printf("chart:          %s\n", chart_path.c_str());
  std::printf("graded chart:   %s\n", graded_path.c_str());
  std::printf("before / after: %s\n", before_after_path.c_str());
  std::printf("tone curve:     %s\n", curve_path.c_str());
}

}  // namespace

void AddDemoCommand(CLI::App& app, const ToolContext& context) {
  auto out = std::make_shared<std::string>("out/demo");
  CLI::App* command = app.add_subcommand(
      "demo", "Grade the built-in chart and write before/after, the graded EXR and the curve");
  command->add_option("--out", *out, "Folder for the pictures (created if missing)");
  command->callback([&context, out] { RunDemo(context, *out); });
}
