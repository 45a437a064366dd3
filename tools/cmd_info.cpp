// velmora info [--module PATH]: what the module says about itself.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host_sdk/host_constants.h"
#include "tools/commands.h"
#include "tools/pe_reader.h"

namespace {

std::string FourCc(int32_t code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    text += static_cast<char>(static_cast<uint32_t>(code) >> shift & 0xFF);
  }
  return text;
}

const char* KindName(ParamKind kind) {
  switch (kind) {
    case ParamKind::Popup:
      return "popup";
    case ParamKind::FloatSlider:
      return "float slider";
    case ParamKind::FixedSlider:
      return "fixed slider";
    case ParamKind::Colour:
      return "colour";
    case ParamKind::Checkbox:
      return "checkbox";
  }
  return "?";
}

void PrintAbout(const Effect& effect) {
  auto host = effect.MakeHost(simhost::HostMode::AfterEffects, 1);
  host->ResetOutData();
  host->About();
  const PF_OutData& out = host->OutData();
  std::string about(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg));
  for (char& c : about) {
    if (c == '\r') c = '\n';
  }
  std::printf("Module:   %s\n\n%s\n\n", effect.Path().c_str(), about.c_str());

  auto premiere = effect.MakeHost(simhost::HostMode::PremierePro, 1);
  const PF_OutData& setup = premiere->OutData();
  const A_u_long version = setup.my_version;
  std::printf("Version word:  0x%X (version %u.%u, build %u)\n", version, version >> 19 & 0xF,
              version >> 15 & 0xF, version & 0x1FF);
  std::printf("Out flags:     0x%08X\n", static_cast<uint32_t>(setup.out_flags));
  std::printf("Out flags 2:   0x%08X\n", static_cast<uint32_t>(setup.out_flags2));
  std::printf("Premiere Pro pixel formats:");
  for (PrPixelFormat format : premiere->SupportedPixelFormats()) {
    std::printf(" '%s' (0x%08X)", FourCc(format).c_str(), static_cast<uint32_t>(format));
  }
  std::printf("\n\n");
}

void PrintParams(const Effect& effect) {
  const simhost::EffectSettings defaults = DefaultSettings(effect.Params());
  std::printf("Parameters, as the module registers them:\n");
  std::printf("  %-5s %-22s %-20s %-3s %-13s %-36s %s\n", "index", "name", "flag", "id", "kind",
              "range", "default");
  for (const RegisteredParam& param : effect.Params()) {
    std::printf("  %-5d %-22s --%-18s %-3d %-13s %-36s %s\n", param.index, param.name.c_str(),
                param.flag.c_str(), param.disk_id, KindName(param.kind), AllowedText(param).c_str(),
                SettingText(param, defaults).c_str());
  }
  std::printf("\n");
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void PrintPropertyList(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFile(path);
  if (!IsPeFile(bytes)) {
    std::printf(
        "Property list: none (a native module; the property list is a resource of the "
        "Windows module only)\n");
    return;
  }
  try {
    const auto resource = FindPeResource(bytes, "PIPL", 16000);
    if (!resource) {
      std::printf("Property list: none (no resource of type \"PIPL\" with id 16000)\n");
      return;
    }
    const auto properties = ParsePipl(resource->bytes);
    std::printf("Property list (\"PIPL\" 16000, language %u, %zu bytes, %zu properties):\n",
                resource->language, resource->bytes.size(), properties.size());
    for (const PiplProperty& property : properties) {
      std::printf("  %s %s  length %-3u %s\n", property.vendor.c_str(), property.key.c_str(),
                  property.declared_length, DescribePiplValue(property).c_str());
    }
  } catch (const PeFormatError& error) {
    throw Failure("cannot read the property list of " + path + ": " + error.what());
  }
}

}  // namespace

void AddInfoCommand(CLI::App& app, const ToolContext& context) {
  CLI::App* command = app.add_subcommand(
      "info", "The module's about text, version, flags, parameters and property list");
  command->callback([&context] {
    // A Windows module cannot be loaded here, but its property list can still be read.
    const bool windows_module = IsPeFile(ReadFile(context.ModulePath()));
    if (windows_module) {
      try {
        context.RequireEffect();
      } catch (const ToolError&) {
        std::printf(
            "Module:   %s\n\nA Windows module: its about text, flags and parameters are "
            "read by running it, which needs Windows or wine.\n\n",
            context.ModulePath().c_str());
        PrintPropertyList(context.ModulePath());
        return;
      }
    }
    const Effect& effect = context.RequireEffect();
    PrintAbout(effect);
    PrintParams(effect);
    PrintPropertyList(effect.Path());
  });
}
