// The tool's commands. Each registers itself on the application; its callback
// runs the command and reports failures by throwing ToolError.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "tools/effect.h"
#include "tools/tool_error.h"

// The module every command works with, loaded before the flags are defined so
// that their help can show the module's own ranges and defaults.
class ToolContext {
 public:
  explicit ToolContext(const std::string& module_path) : module_path_(module_path) {
    try {
      effect_ = std::make_unique<Effect>(module_path);
    } catch (const ToolError& error) {
      load_error_ = error;
    }
  }
  // Throws the reason the module could not be loaded.
  const Effect& RequireEffect() const { return effect_ ? *effect_ : throw *load_error_; }
  // Empty when the module could not be loaded.
  std::vector<RegisteredParam> KnownParams() const {
    return effect_ ? effect_->Params() : std::vector<RegisteredParam>{};
  }
  const std::string& ModulePath() const { return module_path_; }

 private:
  std::string module_path_;
  std::unique_ptr<Effect> effect_;
  std::optional<ToolError> load_error_;
};

void AddApplyCommand(CLI::App& app, const ToolContext& context);
void AddDemoCommand(CLI::App& app, const ToolContext& context);
void AddCurveCommand(CLI::App& app, const ToolContext& context);
void AddInfoCommand(CLI::App& app, const ToolContext& context);

// "[#####     ] 12/240 frames  3.4 fps  1:07 left", `width` characters of bar, as
// `velmora apply` shows a run's progress on a terminal.
std::string ProgressBar(std::size_t done, std::size_t total, double seconds, int width);

// The curve picture of `velmora curve`, also written by the demo.
void WriteCurvePlot(const simhost::EffectSettings& settings, const std::string& output);
