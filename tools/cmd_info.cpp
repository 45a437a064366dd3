// velmora info [--module PATH]: what the module says about itself.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "host_sdk/host_constants.h"
#include "resources/property_list.h"
#include "tools/commands.h"
#include "tools/module_file.h"
#include "tools/pe_reader.h"

namespace {

struct NamedBit {
  uint32_t bit;
  const char* name;
};
#define VELMORA_NAMED(constant)                \
  NamedBit {                                   \
    static_cast<uint32_t>(constant), #constant \
  }

constexpr NamedBit kOutFlags[] = {
    VELMORA_NAMED(PF_OutFlag_KEEP_RESOURCE_OPEN),
    VELMORA_NAMED(PF_OutFlag_WIDE_TIME_INPUT),
    VELMORA_NAMED(PF_OutFlag_NON_PARAM_VARY),
    VELMORA_NAMED(PF_OutFlag_RESERVED6),
    VELMORA_NAMED(PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING),
    VELMORA_NAMED(PF_OutFlag_I_DO_DIALOG),
    VELMORA_NAMED(PF_OutFlag_USE_OUTPUT_EXTENT),
    VELMORA_NAMED(PF_OutFlag_SEND_DO_DIALOG),
    VELMORA_NAMED(PF_OutFlag_DISPLAY_ERROR_MESSAGE),
    VELMORA_NAMED(PF_OutFlag_I_EXPAND_BUFFER),
    VELMORA_NAMED(PF_OutFlag_PIX_INDEPENDENT),
    VELMORA_NAMED(PF_OutFlag_I_WRITE_INPUT_BUFFER),
    VELMORA_NAMED(PF_OutFlag_I_SHRINK_BUFFER),
    VELMORA_NAMED(PF_OutFlag_WORKS_IN_PLACE),
    VELMORA_NAMED(PF_OutFlag_RESERVED8),
    VELMORA_NAMED(PF_OutFlag_CUSTOM_UI),
    VELMORA_NAMED(PF_OutFlag_RESERVED7),
    VELMORA_NAMED(PF_OutFlag_REFRESH_UI),
    VELMORA_NAMED(PF_OutFlag_NOP_RENDER),
    VELMORA_NAMED(PF_OutFlag_I_USE_SHUTTER_ANGLE),
    VELMORA_NAMED(PF_OutFlag_I_USE_AUDIO),
    VELMORA_NAMED(PF_OutFlag_I_AM_OBSOLETE),
    VELMORA_NAMED(PF_OutFlag_FORCE_RERENDER),
    VELMORA_NAMED(PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS),
    VELMORA_NAMED(PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES),
    VELMORA_NAMED(PF_OutFlag_DEEP_COLOR_AWARE),
    VELMORA_NAMED(PF_OutFlag_SEND_UPDATE_PARAMS_UI),
    VELMORA_NAMED(PF_OutFlag_AUDIO_FLOAT_ONLY),
    VELMORA_NAMED(PF_OutFlag_AUDIO_IIR),
    VELMORA_NAMED(PF_OutFlag_I_SYNTHESIZE_AUDIO),
    VELMORA_NAMED(PF_OutFlag_AUDIO_EFFECT_TOO),
    VELMORA_NAMED(PF_OutFlag_AUDIO_EFFECT_ONLY),
};

constexpr NamedBit kOutFlags2[] = {
    VELMORA_NAMED(PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS),
    VELMORA_NAMED(PF_OutFlag2_I_USE_3D_CAMERA),
    VELMORA_NAMED(PF_OutFlag2_I_USE_3D_LIGHTS),
    VELMORA_NAMED(PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG),
    VELMORA_NAMED(PF_OutFlag2_I_AM_THREADSAFE),
    VELMORA_NAMED(PF_OutFlag2_CAN_COMBINE_WITH_DESTINATION),
    VELMORA_NAMED(PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS),
    VELMORA_NAMED(PF_OutFlag2_REVEALS_ZERO_ALPHA),
    VELMORA_NAMED(PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS),
    VELMORA_NAMED(PF_OutFlag2_SUPPORTS_SMART_RENDER),
    VELMORA_NAMED(PF_OutFlag2_FLOAT_COLOR_AWARE),
    VELMORA_NAMED(PF_OutFlag2_SUPPORTS_THREADED_RENDERING),
};
#undef VELMORA_NAMED

// "0x02000400 (PF_OutFlag_PIX_INDEPENDENT, PF_OutFlag_DEEP_COLOR_AWARE)", bits
// without a name shown by their value.
template <std::size_t N>
std::string FlagText(uint32_t word, const NamedBit (&names)[N]) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", word);
  std::string list;
  uint32_t unnamed = word;
  for (const NamedBit& named : names) {
    if ((word & named.bit) == 0) continue;
    list += (list.empty() ? "" : ", ") + std::string(named.name);
    unnamed &= ~named.bit;
  }
  if (unnamed != 0) {
    char rest[32];
    std::snprintf(rest, sizeof rest, "unnamed bits 0x%08X", unnamed);
    list += (list.empty() ? "" : ", ") + std::string(rest);
  }
  return std::string(hex) + " (" + (list.empty() ? "none" : list) + ")";
}

// Premiere Pro's formats by channel order as the pixel holds it in memory; the
// constant's four characters read the other way round on a little-endian machine.
std::string PixelFormatText(PrPixelFormat format) {
  static const std::pair<PrPixelFormat, const char*> kNames[] = {
      {PrPixelFormat_BGRA_4444_8u, "8-bit BGRA"},
      {PrPixelFormat_BGRA_4444_16u, "16-bit BGRA"},
      {PrPixelFormat_BGRA_4444_32f, "32-bit float BGRA"},
      {PrPixelFormat_ARGB_4444_8u, "8-bit ARGB"},
      {PrPixelFormat_VUYA_4444_8u, "8-bit VUYA"},
      {PrPixelFormat_VUYA_4444_32f, "32-bit float VUYA"},
  };
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(format));
  for (const auto& [known, name] : kNames) {
    if (known == format) return std::string(name) + " (" + hex + ")";
  }
  return std::string("unknown format ") + hex;
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
  std::printf("Version word:  0x%X: version %s\n", static_cast<uint32_t>(setup.my_version),
              VersionText(setup.my_version).c_str());
  std::printf("Out flags:     %s\n",
              FlagText(static_cast<uint32_t>(setup.out_flags), kOutFlags).c_str());
  std::printf("Out flags 2:   %s\n",
              FlagText(static_cast<uint32_t>(setup.out_flags2), kOutFlags2).c_str());
  std::printf("Premiere Pro pixel formats:");
  const char* separator = " ";
  for (PrPixelFormat format : premiere->SupportedPixelFormats()) {
    std::printf("%s%s", separator, PixelFormatText(format).c_str());
    separator = ", ";
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
  // The defaults above are a new After Effects instance's; Premiere Pro's can differ.
  const simhost::EffectSettings premiere = effect.NewInstance(simhost::HostMode::PremierePro);
  for (const RegisteredParam& param : effect.Params()) {
    const std::string there = SettingText(param, premiere);
    if (there == SettingText(param, defaults)) continue;
    std::printf("  default in Premiere Pro: --%s %s\n", param.flag.c_str(), there.c_str());
  }
  std::printf("\n");
}

bool IsWindowsModule(const std::string& path) {
  const ModuleFile file(path);
  return IsPeFile(PeBytes(file.fd(), file.size()));
}

void PrintPropertyList(const std::string& path) {
  const ModuleFile file(path);
  const PeBytes bytes(file.fd(), file.size());
  if (!IsPeFile(bytes)) {
    std::printf(
        "Property list: none (a native module; the property list is a resource of the "
        "Windows module only)\n");
    return;
  }
  try {
    const auto resource = FindPeResource(bytes, "PIPL", kPropertyListResourceId);
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
    throw BadInput("damaged module " + path + ": cannot read its property list: " + error.what());
  }
}

}  // namespace

void AddInfoCommand(CLI::App& app, const ToolContext& context) {
  CLI::App* command = app.add_subcommand(
      "info", "The module's about text, version, flags, parameters and property list");
  command->callback([&context] {
    // A Windows module cannot be loaded here, but its property list can still be read.
    const bool windows_module = IsWindowsModule(context.ModulePath());
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
