// velmora info [--module PATH]: what the module says about itself.
#include <OpenImageIO/strutil.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "host_sdk/host_constants.h"
#include "pe_reader/pe_reader.h"
#include "resources/property_list.h"
#include "simhost/module.h"
#include "tools/commands.h"

namespace {

namespace Strutil = OIIO::Strutil;

using NamedBit = std::pair<uint32_t, const char*>;
#define VELMORA_NAMED(constant) \
  { static_cast<uint32_t>(constant), #constant }

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

std::string Hex(uint32_t word) {
  return Strutil::sprintf("0x%08X", word);
}

// "0x02000400 (PF_OutFlag_PIX_INDEPENDENT, PF_OutFlag_DEEP_COLOR_AWARE)", bits
// without a name shown by their value.
template <std::size_t N>
std::string FlagText(uint32_t word, const NamedBit (&names)[N]) {
  std::string list;
  uint32_t unnamed = word;
  for (const auto& [bit, name] : names) {
    if ((word & bit) == 0) continue;
    list += std::string(", ") + name;
    unnamed &= ~bit;
  }
  if (unnamed != 0) list += ", unnamed bits " + Hex(unnamed);
  return Hex(word) + " (" + (list.empty() ? "none" : list.substr(2)) + ")";
}

// Premiere Pro's formats by channel order as the pixel holds it in memory; the
// constant's four characters read the other way round on a little-endian machine.
std::string PixelFormatText(PrPixelFormat format) {
  static const std::map<PrPixelFormat, const char*> kNames = {
      {PrPixelFormat_BGRA_4444_8u, "8-bit BGRA"},
      {PrPixelFormat_BGRA_4444_16u, "16-bit BGRA"},
      {PrPixelFormat_BGRA_4444_32f, "32-bit float BGRA"},
      {PrPixelFormat_ARGB_4444_8u, "8-bit ARGB"},
      {PrPixelFormat_VUYA_4444_8u, "8-bit VUYA"},
      {PrPixelFormat_VUYA_4444_32f, "32-bit float VUYA"},
  };
  const auto known = kNames.find(format);
  if (known == kNames.end()) return "unknown format " + Hex(format);
  return std::string(known->second) + " (" + Hex(format) + ")";
}

const char* KindName(PF_ParamType kind) {
  static const std::map<PF_ParamType, const char*> kNames{{PF_Param_POPUP, "popup"},
                                                          {PF_Param_FLOAT_SLIDER, "float slider"},
                                                          {PF_Param_FIX_SLIDER, "fixed slider"},
                                                          {PF_Param_COLOR, "colour"},
                                                          {PF_Param_CHECKBOX, "checkbox"}};
  return kNames.at(kind);
}

void PrintNativeModule(const std::string& path, const Effect& effect) {
  auto host = effect.MakeHost(simhost::HostMode::AfterEffects, 1);
  host->ResetOutData();
  host->About();
  const PF_OutData& out = host->OutData();
  std::string about(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg));
  std::replace(about.begin(), about.end(), '\r', '\n');
  Strutil::printf("Module:   %s\n\n%s\n\n", path, about);

  auto premiere = effect.MakeHost(simhost::HostMode::PremierePro, 1);
  const PF_OutData& setup = premiere->OutData();
  Strutil::printf("Version word:  0x%X: version %s\n", static_cast<uint32_t>(setup.my_version),
                  VersionText(setup.my_version));
  Strutil::printf("Out flags:     %s\n", FlagText(setup.out_flags, kOutFlags));
  Strutil::printf("Out flags 2:   %s\n", FlagText(setup.out_flags2, kOutFlags2));
  std::string formats;
  for (PrPixelFormat format : premiere->SupportedPixelFormats()) {
    formats += (formats.empty() ? " " : ", ") + PixelFormatText(format);
  }
  Strutil::printf("Premiere Pro pixel formats:%s\n\n", formats);

  const char* const row = "  %-5s %-22s %-20s %-3s %-13s %-36s %s\n";
  const simhost::EffectSettings defaults = DefaultSettings(effect.Params());
  Strutil::printf("Parameters, as the module registers them:\n");
  Strutil::printf(row, "index", "name", "flag", "id", "kind", "range", "default");
  for (const RegisteredParam& param : effect.Params()) {
    Strutil::printf(row, std::to_string(param.index), param.name, "--" + param.flag,
                    std::to_string(param.identity->disk_id), KindName(param.kind),
                    AllowedText(param), SettingText(param, defaults));
  }
  // The defaults above are a new After Effects instance's; Premiere Pro's can differ.
  const simhost::EffectSettings in_premiere = effect.NewInstance(simhost::HostMode::PremierePro);
  for (const RegisteredParam& param : effect.Params()) {
    const std::string there = SettingText(param, in_premiere);
    if (there == SettingText(param, defaults)) continue;
    Strutil::printf("  default in Premiere Pro: --%s %s\n", param.flag, there);
  }
  Strutil::printf(
      "\nProperty list: none (a native module; the property list is a resource of the Windows "
      "module only)\n");
}

// A Windows module cannot be loaded here, but its property list can still be read.
void PrintWindowsModule(const std::string& path, const PeBytes& module) {
  Strutil::printf(
      "Module:   %s\n\nA Windows module: its about text, flags and parameters are read by "
      "running it, which needs Windows or wine.\n\n",
      path);
  try {
    const auto resource = FindPeResource(module, "PIPL", kPropertyListResourceId);
    if (!resource) {
      Strutil::printf("Property list: none (no resource of type \"PIPL\" with id 16000)\n");
      return;
    }
    const auto properties = ParsePipl(resource->bytes);
    Strutil::printf("Property list (\"PIPL\" 16000, language %u, %zu bytes, %zu properties):\n",
                    resource->language, resource->bytes.size(), properties.size());
    for (const PiplProperty& property : properties) {
      Strutil::printf("  %s %s  length %-3u %s\n", property.vendor, property.key,
                      property.declared_length, DescribePiplValue(property));
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
    const simhost::ModuleFile file(context.ModulePath());
    const PeBytes bytes(file.fd(), file.size());
    if (file.Error().empty() && IsPeFile(bytes)) {
      PrintWindowsModule(context.ModulePath(), bytes);
    } else {
      PrintNativeModule(context.ModulePath(), context.RequireEffect());
    }
  });
}
