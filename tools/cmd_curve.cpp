// velmora curve [values] -o curve.png
#include <OpenImageIO/strutil.h>

#include <cstdio>

#include "tools/commands.h"
#include "tools/flags.h"
#include "tools/image_io.h"
#include "tools/picture.h"

namespace {

struct CurveOptions {
  std::string output;
  SettingFlags settings;
};

Caption CurveCaption(const simhost::EffectSettings& s, const CurveModel& model) {
  using OIIO::Strutil::sprintf;
  return {{sprintf("contrast %g", s.Slider(PARAM_CONTRAST)),
           sprintf("width %g", s.Slider(PARAM_WIDTH)), sprintf("%d points", model.curve.lut_size)},
          {"pivot " + ColourText(s.Colour(PARAM_PIVOT)),
           sprintf("lightness %.4f", model.pivot_lightness)},
          {sprintf("offset %g", s.Slider(PARAM_OFFSET)), sprintf("gamma %g", s.Slider(PARAM_GAMMA)),
           sprintf("gain %g", s.Slider(PARAM_GAIN)),
           sprintf("roll-off %g / %g", s.Slider(PARAM_SHADOWS_ROLLOFF),
                   s.Slider(PARAM_HIGHLIGHTS_ROLLOFF))},
          {sprintf("clamp black %s", s.Checkbox(PARAM_CLAMP_BLACK) != 0 ? "on" : "off"),
           sprintf("clamp white %s", s.Checkbox(PARAM_CLAMP_WHITE) != 0 ? "on" : "off"),
           sprintf("end slopes %.4g / %.4g", static_cast<double>(model.curve.black_slope),
                   static_cast<double>(model.curve.white_slope))},
          {s.Checkbox(PARAM_PRESERVE_HDR) != 0 ? "Preserve HDR on: the curve's own end slopes"
                                               : "Preserve HDR off: the table's end slopes"}};
}

void RunCurve(const ToolContext& context, const CurveOptions& options) {
  const Effect& effect = context.RequireEffect();
  // Drawn as a new After Effects instance renders it, unless the values say otherwise.
  const simhost::EffectSettings settings = ResolveSettings(
      options.settings, effect.Params(), effect.NewInstance(simhost::HostMode::AfterEffects));
  OutputFormatOf(options.output);
  CheckPresetsApart(options.settings, {}, {options.output});
  WriteCurvePlot(settings, options.output);
  std::printf("%s\n", options.output.c_str());
  // Only after the picture, which can still be refused as bad input.
  SavePresetIfAsked(options.settings, effect.Params(), settings);
}

}  // namespace

void WriteCurvePlot(const simhost::EffectSettings& settings, const std::string& output) {
  const auto model = std::make_unique<CurveModel>(settings);
  WriteImage(output, PlotCurve(*model, CurveCaption(settings, *model)).image);
}

void AddCurveCommand(CLI::App& app, const ToolContext& context) {
  auto options = std::make_shared<CurveOptions>();
  CLI::App* command =
      app.add_subcommand("curve", "Plot the tone curve of the given values to an image file");
  command->add_option("-o,--output", options->output, "The picture to write, e.g. curve.png")
      ->required();
  AddSettingFlags(command, context.KnownParams(), &options->settings);
  command->callback([&context, options] { RunCurve(context, *options); });
}
