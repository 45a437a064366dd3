// velmora curve [values] -o curve.png
#include <cstdio>

#include "tools/commands.h"
#include "tools/curve_plot.h"
#include "tools/flags.h"
#include "tools/image_io.h"

namespace {

struct CurveOptions {
  std::string output;
  SettingFlags settings;
};

}  // namespace

std::vector<std::string> CurveCaption(const simhost::EffectSettings& settings,
                                      const CurveModel& model) {
  char lines[4][96];
  std::snprintf(lines[0], sizeof lines[0], "CONTRAST %g  WIDTH %g  %d POINTS", settings.contrast,
                settings.width, model.curve.lut_size);
  std::snprintf(lines[1], sizeof lines[1], "PIVOT %s  LIGHTNESS %.4f",
                ColourText(settings.pivot).c_str(), model.pivot_lightness);
  std::snprintf(lines[2], sizeof lines[2], "OFFSET %g  GAMMA %g  GAIN %g  ROLLOFF %g / %g",
                settings.offset, settings.gamma, settings.gain, settings.shadows_rolloff,
                settings.highlights_rolloff);
  std::snprintf(lines[3], sizeof lines[3], "CLAMP BLACK %s  WHITE %s  END SLOPES %.4g / %.4g",
                settings.clamp_black != 0 ? "ON" : "OFF", settings.clamp_white != 0 ? "ON" : "OFF",
                static_cast<double>(model.curve.black_slope),
                static_cast<double>(model.curve.white_slope));
  return {lines[0], lines[1], lines[2], lines[3]};
}

void WriteCurvePlot(const simhost::EffectSettings& settings, const std::string& output) {
  auto model = std::make_unique<CurveModel>();
  BuildCurveModel(settings, model.get());
  PlotCurve(*model, CurveCaption(settings, *model)).Write(output);
}

namespace {

void RunCurve(const ToolContext& context, const CurveOptions& options) {
  const Effect& effect = context.RequireEffect();
  const simhost::EffectSettings settings = ResolveSettings(options.settings, effect.Params());
  CheckWritableOutput(options.output);
  CheckPresetsApart(options.settings, {}, {options.output});
  SavePresetIfAsked(options.settings, effect.Params(), settings);
  WriteCurvePlot(settings, options.output);
  std::printf("%s\n", options.output.c_str());
}

}  // namespace

void AddCurveCommand(CLI::App& app, const ToolContext& context) {
  auto options = std::make_shared<CurveOptions>();
  CLI::App* command =
      app.add_subcommand("curve", "Plot the tone curve of the given values to an image file");
  command->add_option("-o,--output", options->output, "The picture to write, e.g. curve.png")
      ->required();
  AddSettingFlags(command, context.KnownParams(), &options->settings);
  command->callback([&context, options] { RunCurve(context, *options); });
}
