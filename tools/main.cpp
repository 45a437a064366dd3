// velmora: applies the effect to image files through the simulated host.
#include <cstdio>
#include <optional>
#include <string>

#include "host/effect_identity.h"
#include "tools/atomic_write.h"
#include "tools/commands.h"
#include "tools/tool_error.h"

namespace {

std::string CommandNames(const CLI::App& app, const char* last_joint = " and ") {
  std::string names = CLI::detail::join(
      app.get_subcommands({}), [](const CLI::App* command) { return command->get_name(); }, ", ");
  return names.replace(names.rfind(", "), 2, last_joint);
}

ToolError UnknownCommand(const CLI::App& app, const std::string& word) {
  return BadInput("unknown command " + word + "; the commands are " + CommandNames(app));
}

// CLI11's words, except where a user needs others: why no command ran (the first
// word left over was not one, or there was none), and a value option repeated,
// which CLI11 refuses since a repeat is more likely a slip than a wish.
std::string ParseErrorText(const CLI::App& app, const CLI::ParseError& error) {
  if (dynamic_cast<const CLI::RequiredError*>(&error) && app.get_subcommands().empty()) {
    for (const std::string& word : app.remaining()) {
      if (word[0] != '-') return UnknownCommand(app, word).what();
    }
    return "a command is needed: " + CommandNames(app, " or ");
  }
  const std::string text = error.what();
  const std::string repeated = ": At Most 1 required but received ";
  const std::size_t at = text.find(repeated);
  if (at == std::string::npos) return text + " (see velmora --help)";
  return text.substr(0, at) + " given " + text.substr(at + repeated.size()) +
         " times; give it once";
}

// Help that names a switch's two spellings without CLI11's note of the value
// the second one gives ("--no-clamp-white{false}").
class HelpFormatter : public CLI::Formatter {
 public:
  std::string make_option_name(const CLI::Option* option, bool positional) const override {
    std::string name = CLI::Formatter::make_option_name(option, positional);
    for (std::size_t open = name.find('{'); open != std::string::npos; open = name.find('{')) {
      name.erase(open, name.find('}', open) - open + 1);
    }
    return name;
  }
};

void AddHelpCommand(CLI::App& app) {
  CLI::App* command = app.add_subcommand("help", "Show the commands, or one command's flags");
  auto topic = std::make_shared<std::string>();
  command->add_option("command", *topic, "The command to explain");
  command->callback([&app, topic] {
    const CLI::App* shown = &app;  // not app.help(), which would show this command's
    for (const CLI::App* other : app.get_subcommands({})) {
      if (other->get_name() == *topic) shown = other;
    }
    if (shown == &app && !topic->empty()) throw UnknownCommand(app, *topic);
    const std::string usage = shown == &app ? app.get_name() : app.get_name() + " " + *topic;
    std::printf("%s",
                app.get_formatter()->make_help(shown, usage, CLI::AppFormatMode::Normal).c_str());
  });
}

// Parses and runs the command. The exit code, unless parsing found nothing to stop at.
std::optional<int> Parse(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
    return std::nullopt;
  } catch (const CLI::Success& done) {
    return app.exit(done);
  } catch (const CLI::ParseError& error) {
    PrintError(ParseErrorText(app, error));
    return kExitBadInput;
  } catch (const ToolError& error) {
    PrintError(error.what());
    return error.exit_code();
  } catch (const std::exception& error) {
    PrintError(error.what());
    return kExitFailed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  KeepLibraryMessagesOut();
  InstallTemporaryFileCleanup();
  const std::string version = "velmora " + VersionText(kEffectVersion);
  // The module is loaded before the flags are defined, so that their help shows its
  // ranges and defaults; the version, the tool's own, is answered before that,
  // whatever state the module's file is in.
  std::string module_path = DefaultModulePath();
  CLI::App first;
  first.allow_extras();
  first.set_help_flag();
  first.set_version_flag("--version", version);
  first.add_option("--module", module_path);
  // --module is checked here, not in the real parse, where each command has one of its own.
  if (const std::optional<int> exit_code = Parse(first, argc, argv)) return *exit_code;
  const ToolContext context(module_path);

  CLI::App app(
      "Velmora: the tone-contrast effect, applied to image files through a simulated "
      "After Effects / Premiere Pro host.",
      "velmora");
  app.formatter(std::make_shared<HelpFormatter>());
  app.require_subcommand(1);
  app.fallthrough();
  app.set_version_flag("--version", version);
  const std::string module_help = "Effect module file to load (default: the native build)";
  app.add_option("--module", module_path, module_help)->type_name("PATH");
  AddApplyCommand(app, context);
  AddDemoCommand(app, context);
  AddCurveCommand(app, context);
  AddInfoCommand(app, context);
  for (CLI::App* command : app.get_subcommands({})) {
    command->add_option("--module", module_path, module_help)->type_name("PATH");
  }
  AddHelpCommand(app);

  return Parse(app, argc, argv).value_or(0);
}
