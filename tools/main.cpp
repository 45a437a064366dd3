// velmora: applies the effect to image files through the simulated host.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/atomic_write.h"
#include "tools/commands.h"

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

}  // namespace

int main(int argc, char** argv) {
  InstallTemporaryFileCleanup();
  ToolContext context(ModuleFromArguments(argc, argv));

  CLI::App app(
      "Velmora: the tone-contrast effect, applied to image files through a simulated "
      "After Effects / Premiere Pro host.",
      "velmora");
  app.require_subcommand(1);
  app.fallthrough();
  std::string module_path = context.ModulePath();
  app.add_option("--module", module_path, "Effect module to load (default: the native build)")
      ->type_name("PATH");
  AddApplyCommand(app, context);
  AddDemoCommand(app, context);
  AddCurveCommand(app, context);
  AddInfoCommand(app, context);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    std::fprintf(stderr, "velmora: %s (see velmora --help)\n", error.what());
    return kExitBadInput;
  } catch (const ToolError& error) {
    std::fprintf(stderr, "velmora: %s\n", error.what());
    return error.exit_code();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "velmora: %s\n", error.what());
    return kExitFailed;
  }
  return 0;
}
