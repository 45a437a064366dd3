// velmora: applies the effect to image files through the simulated host.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "host/effect_identity.h"
#include "tools/atomic_write.h"
#include "tools/commands.h"
#include "tools/tool_error.h"

namespace {

// The module has to be known before the flags are defined, so --module is
// looked for ahead of the real parse (which checks it again).
std::string ModuleFromArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) return argv[i + 1];
    if (std::strncmp(argv[i], "--module=", 9) == 0) return argv[i] + 9;
  }
  return DefaultModulePath();
}

// The version is the tool's own, compiled in; asking for it before any command
// must work whatever state the module's file is in.
bool AsksForVersionOnly(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) return true;
    if (std::strcmp(argv[i], "--module") == 0) {
      ++i;
    } else if (argv[i][0] != '-') {
      return false;
    }
  }
  return false;
}

std::string CommandNames(const CLI::App& app, const char* last_joint = " and ") {
  std::string names;
  const auto commands = app.get_subcommands([](const CLI::App*) { return true; });
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (i > 0) names += i + 1 == commands.size() ? last_joint : ", ";
    names += commands[i]->get_name();
  }
  return names;
}

// Why no command ran: the first word that is neither a flag nor the module's
// path was not a command, or there was none.
std::string MissingCommand(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--module") == 0) {
      ++i;
    } else if (argv[i][0] != '-') {
      return std::string("unknown command ") + argv[i] + "; the commands are " + CommandNames(app);
    }
  }
  return "a command is needed: " + CommandNames(app, " or ");
}

// Every option that takes a value may be given once; a repeat is more likely a
// slip than a wish for the last one. Switches may repeat, and the last wins.
void RefuseRepeatedValues(const CLI::App& app) {
  std::map<std::string, std::size_t> counts;
  auto count = [&counts](const CLI::App& command) {
    for (const CLI::Option* option : command.get_options()) {
      if (option->nonpositional() && option->get_expected_max() > 0) {
        counts[option->get_name()] += option->count();
      }
    }
  };
  count(app);
  for (const CLI::App* command : app.get_subcommands()) count(*command);
  for (const auto& [name, times] : counts) {
    if (times > 1)
      throw BadInput(name + " given " + std::to_string(times) + " times; give it once");
  }
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
    if (topic->empty()) {
      // The application's own help; app.help() would show this command's.
      std::printf(
          "%s",
          app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal).c_str());
      return;
    }
    for (const CLI::App* other : app.get_subcommands([](const CLI::App*) { return true; })) {
      if (other->get_name() == *topic) {
        std::printf("%s", other->help(app.get_name()).c_str());
        return;
      }
    }
    throw BadInput("unknown command " + *topic + "; the commands are " + CommandNames(app));
  });
}

}  // namespace

int main(int argc, char** argv) {
  KeepLibraryMessagesOut();
  InstallTemporaryFileCleanup();
  ToolContext context(ModuleFromArguments(argc, argv), !AsksForVersionOnly(argc, argv));

  CLI::App app(
      "Velmora: the tone-contrast effect, applied to image files through a simulated "
      "After Effects / Premiere Pro host.",
      "velmora");
  app.formatter(std::make_shared<HelpFormatter>());
  // Repeats are refused with a message of our own once parsing is complete.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.require_subcommand(1);
  app.fallthrough();
  app.set_version_flag("--version", "velmora " + VersionText(kEffectVersion));
  std::string module_path = context.ModulePath();
  const std::string module_help = "Effect module file to load (default: the native build)";
  app.add_option("--module", module_path, module_help)->type_name("PATH");
  AddApplyCommand(app, context);
  AddDemoCommand(app, context);
  AddCurveCommand(app, context);
  AddInfoCommand(app, context);
  for (CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    command->add_option("--module", module_path, module_help)->type_name("PATH");
  }
  AddHelpCommand(app);
  app.parse_complete_callback([&app] { RefuseRepeatedValues(app); });

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return app.exit(done);
  } catch (const CLI::RequiredError& error) {
    PrintError(app.get_subcommands().empty() ? MissingCommand(app, argc, argv)
                                             : std::string(error.what()) + " (see velmora --help)");
    return kExitBadInput;
  } catch (const CLI::ParseError& error) {
    PrintError(std::string(error.what()) + " (see velmora --help)");
    return kExitBadInput;
  } catch (const ToolError& error) {
    PrintError(error.what());
    return error.exit_code();
  } catch (const std::exception& error) {
    PrintError(error.what());
    return kExitFailed;
  }
  return 0;
}
