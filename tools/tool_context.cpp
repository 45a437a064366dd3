#include "tools/commands.h"

ToolContext::ToolContext(const std::string& module_path, bool load) : module_path_(module_path) {
  load_error_ = BadInput("the module is not loaded for --version");
  if (!load) return;
  try {
    effect_ = std::make_unique<Effect>(module_path);
  } catch (const ToolError& error) {
    load_error_ = error;
  }
}

const Effect& ToolContext::RequireEffect() const {
  if (!effect_) throw *load_error_;
  return *effect_;
}

const std::vector<RegisteredParam>& ToolContext::KnownParams() const {
  static const std::vector<RegisteredParam> none;
  return effect_ ? effect_->Params() : none;
}
