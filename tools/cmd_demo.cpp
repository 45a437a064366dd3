// velmora demo [--out DIR]: the built-in chart, graded, with nothing to supply.
#include <cstdio>
#include <thread>

#include "tools/chart.h"
#include "tools/commands.h"
#include "tools/picture.h"
#include "tools/render_image.h"

namespace {

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
  WriteImage(in_folder("before_after.png"), SideBySide(chart, graded));
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
