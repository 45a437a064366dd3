#include "tests/windows/module_report.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "host_sdk/host_constants.h"
#include "simhost/host.h"
#include "simhost/world.h"
#include "tests/support/fnv1a.h"
#include "tests/support/format_names.h"

namespace {

using simhost::EffectSettings;
using simhost::HostImage;
using simhost::HostMode;
using simhost::HostPixelFormat;
using simhost::SimulatedHost;

constexpr A_long kWidth = 64;
constexpr A_long kHeight = 24;
constexpr int kThreads = 2;

std::string Hex(uint64_t value) {
  std::ostringstream text;
  text << std::hex << value;
  return text.str();
}

template <typename Float>
std::string Bits(Float value) {
  static_assert(sizeof(Float) == 4 || sizeof(Float) == 8, "float or double");
  using Word = std::conditional_t<sizeof(Float) == 4, uint32_t, uint64_t>;
  Word word;
  std::memcpy(&word, &value, sizeof word);
  return Hex(word);
}

// A text with everything outside printable ASCII escaped, so a carriage return
// or a missing terminator shows.
std::string Quoted(const char* text, std::size_t capacity) {
  std::string quoted = "\"";
  std::size_t i = 0;
  for (; i < capacity && text[i] != '\0'; ++i) {
    const auto code = static_cast<unsigned char>(text[i]);
    if (code >= 0x20 && code < 0x7F && code != '\\' && code != '"') {
      quoted.push_back(static_cast<char>(code));
    } else {
      quoted += "\\x" + Hex(code);
    }
  }
  quoted += i == capacity ? "\"(unterminated)" : "\"";
  return quoted;
}

const char* ModeName(HostMode mode) {
  return mode == HostMode::PremierePro ? "premiere" : "aftereffects";
}

// What the host saw of the call, after the command: the result, the output
// record's words and message, and every suite taken and given back.
std::string CallRecord(PF_Err result, SimulatedHost& host) {
  const PF_OutData& out = host.OutData();
  std::string record =
      "rc=" + std::to_string(result) + " flags=" + Hex(static_cast<uint32_t>(out.out_flags)) +
      " flags2=" + Hex(static_cast<uint32_t>(out.out_flags2)) + " version=" + Hex(out.my_version) +
      " msg=" + Quoted(out.return_msg, sizeof out.return_msg);
  record += " suites=[";
  for (const simhost::SuiteLedgerEntry& entry : host.Ledger().Entries()) {
    record += entry.kind == simhost::SuiteLedgerEntry::Kind::Acquire ? "+" : "-";
    record += entry.name + "/" + std::to_string(entry.version) + ":" + std::to_string(entry.code);
    if (entry.kind == simhost::SuiteLedgerEntry::Kind::Acquire && !entry.handed_out)
      record += "(none)";
    record += " ";
  }
  record += "] balanced=" + std::to_string(host.Ledger().Balanced());
  return record;
}

std::string RenderRecord(PF_Err result, SimulatedHost& host, const HostImage& input,
                         const std::vector<uint8_t>& input_before, const HostImage& output) {
  std::string record = CallRecord(result, host);
  record += " out=" + Hex(Fnv1a(output.PixelBytes()));
  record += " input_kept=" + std::to_string(input.PixelBytes() == input_before);
  record += " guards=" + std::to_string(output.GuardsIntact());
  record += " colour_conversions=" + std::to_string(host.ColorConversions());
  record += " pixel_format_queries=" + std::to_string(host.GetPixelFormatCalls());
  record += " iterations=[";
  for (const simhost::IterateRecord& iteration : host.Iterations()) {
    record +=
        std::to_string(static_cast<int>(iteration.via)) + ":" +
        std::to_string(iteration.progress_base) + "-" + std::to_string(iteration.progress_final) +
        ":" + std::to_string(iteration.area_given) + ":" + std::to_string(iteration.area.left) +
        "," + std::to_string(iteration.area.top) + "," + std::to_string(iteration.area.right) +
        "," + std::to_string(iteration.area.bottom) + ":" +
        std::to_string(iteration.pixels_visited) + ":" + std::to_string(iteration.result) + " ";
  }
  record += "] copies=[";
  for (const simhost::CopyRecord& copy : host.Copies()) {
    record += std::to_string(static_cast<int>(copy.via)) + ":" + std::to_string(copy.result) + " ";
  }
  return record + "]";
}

// ---- Input images: the whole code range of each integer format, the values
// that trouble a float path, and a deterministic pattern for the rest.

void SetPixel(HostImage& image, A_long x, A_long y, double alpha, double red, double green,
              double blue) {
  uint8_t* pixel = image.Row(y) + static_cast<std::size_t>(x) * simhost::PixelSize(image.Format());
  switch (image.Format()) {
    case HostPixelFormat::ARGB8: {
      const uint8_t bytes[4] = {static_cast<uint8_t>(alpha), static_cast<uint8_t>(red),
                                static_cast<uint8_t>(green), static_cast<uint8_t>(blue)};
      std::memcpy(pixel, bytes, sizeof bytes);
      break;
    }
    case HostPixelFormat::ARGB16: {
      const uint16_t words[4] = {static_cast<uint16_t>(alpha), static_cast<uint16_t>(red),
                                 static_cast<uint16_t>(green), static_cast<uint16_t>(blue)};
      std::memcpy(pixel, words, sizeof words);
      break;
    }
    case HostPixelFormat::BGRA8: {
      const uint8_t bytes[4] = {static_cast<uint8_t>(blue), static_cast<uint8_t>(green),
                                static_cast<uint8_t>(red), static_cast<uint8_t>(alpha)};
      std::memcpy(pixel, bytes, sizeof bytes);
      break;
    }
    case HostPixelFormat::BGRAFloat: {
      const float floats[4] = {static_cast<float>(blue), static_cast<float>(green),
                               static_cast<float>(red), static_cast<float>(alpha)};
      std::memcpy(pixel, floats, sizeof floats);
      break;
    }
    case HostPixelFormat::ARGBFloat: {
      const float floats[4] = {static_cast<float>(alpha), static_cast<float>(red),
                               static_cast<float>(green), static_cast<float>(blue)};
      std::memcpy(pixel, floats, sizeof floats);
      break;
    }
  }
}

void FillInput(HostImage& image) {
  image.FillPattern(7);
  const HostPixelFormat format = image.Format();
  A_long at = 0;
  auto next = [&](double alpha, double red, double green, double blue) {
    SetPixel(image, at % kWidth, at / kWidth, alpha, red, green, blue);
    ++at;
  };
  if (format == HostPixelFormat::BGRAFloat || format == HostPixelFormat::ARGBFloat) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float denormal = std::numeric_limits<float>::denorm_min();
    for (int code = 0; code <= 255; ++code) next(1.0, code / 255.0, code / 255.0, code / 255.0);
    const double specials[] = {0.0,       -0.0,      1.0,   nan,  inf,   -inf,
                               denormal,  -denormal, 1e-30, 1e30, -1e30, 0.99999994,
                               1.0000001, -0.25,     1.75,  0.5};
    for (double a : specials) {
      for (double b : specials) next(0.5, a, b, 0.25);
    }
  } else {
    const double full = format == HostPixelFormat::ARGB16 ? 32768.0 : 255.0;
    const double top = format == HostPixelFormat::ARGB16 ? 65535.0 : 255.0;
    const int steps = 256;
    for (int i = 0; i <= steps; ++i) {
      const double code = std::floor(full * i / steps);
      next(full, code, code, code);
    }
    // Beyond 16-bit full scale, one below, and saturated colours near the ends.
    const double levels[] = {0.0, 1.0, full - 1.0, full, full + 1.0, top, std::floor(full / 2)};
    for (double r : levels) {
      for (double g : levels) {
        for (double b : levels)
          next(std::floor(full / 3), std::min(r, top), std::min(g, top), std::min(b, top));
      }
    }
  }
}

// ---- The settings matrix.

struct NamedSettings {
  std::string name;
  EffectSettings settings;
};

PF_Fixed Percent(double percent) {
  return static_cast<PF_Fixed>(std::lround(percent * 65536.0));
}

std::vector<NamedSettings> SettingsMatrix() {
  std::vector<NamedSettings> matrix;
  auto add = [&](const std::string& name, const std::function<void(EffectSettings&)>& change) {
    EffectSettings settings;
    settings.contrast = 35.0;
    change(settings);
    matrix.push_back({name, settings});
  };
  add("registered_defaults", [](EffectSettings& s) { s = EffectSettings{}; });
  for (int quality = 1; quality <= 5; ++quality) {
    add("quality_" + std::to_string(quality), [&](EffectSettings& s) { s.quality = quality; });
  }
  const std::pair<const char*, PF_Pixel> pivots[] = {{"black", {255, 0, 0, 0}},
                                                     {"white", {255, 255, 255, 255}},
                                                     {"near_white", {255, 254, 254, 254}},
                                                     {"almost_white", {255, 255, 255, 254}},
                                                     {"near_black", {255, 1, 1, 1}},
                                                     {"colour", {255, 200, 60, 30}},
                                                     {"transparent_grey", {0, 128, 128, 128}}};
  for (const auto& [name, pivot] : pivots) {
    for (double contrast : {60.0, -60.0}) {
      add(std::string("pivot_") + name + "_contrast_" + std::to_string(static_cast<int>(contrast)),
          [&](EffectSettings& s) {
            s.pivot = pivot;
            s.contrast = contrast;
          });
    }
  }
  for (double contrast : {-100.0, -99.9, -50.0, -0.01, 0.0, 0.01, 20.0, 75.0, 100.0}) {
    add("contrast_" + Bits(contrast), [&](EffectSettings& s) { s.contrast = contrast; });
  }
  for (double width : {0.001, 0.01, 0.3, 0.75, 1.0}) {
    add("width_" + Bits(width), [&](EffectSettings& s) { s.width = width; });
  }
  const std::pair<double, double> rolloffs[] = {{1.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}, {0.3, 0.7}};
  for (const auto& [shadows, highlights] : rolloffs) {
    add("rolloff_" + Bits(shadows) + "_" + Bits(highlights), [&](EffectSettings& s) {
      s.shadows_rolloff = shadows;
      s.highlights_rolloff = highlights;
    });
  }
  for (double blend : {0.0, 12.5, 50.0, 99.9, 100.0}) {
    add("blend_" + Bits(blend), [&](EffectSettings& s) { s.blend = Percent(blend); });
  }
  for (int white = 0; white <= 1; ++white) {
    for (int black = 0; black <= 1; ++black) {
      for (double offset : {0.2, -0.2}) {
        add("clamp_" + std::to_string(white) + std::to_string(black) + "_offset_" + Bits(offset),
            [&](EffectSettings& s) {
              s.clamp_white = white;
              s.clamp_black = black;
              s.offset = offset;
            });
      }
    }
  }
  for (double gamma : {0.0, 0.45, 2.2, 10.0}) {
    add("gamma_" + Bits(gamma), [&](EffectSettings& s) { s.gamma = gamma; });
  }
  for (double gain : {0.0, 0.5, 3.0, 10.0}) {
    add("gain_" + Bits(gain), [&](EffectSettings& s) { s.gain = gain; });
  }
  for (double offset : {-5.0, -0.3, 0.25, 5.0}) {
    add("offset_" + Bits(offset), [&](EffectSettings& s) { s.offset = offset; });
  }
  add("pre_transform_only", [](EffectSettings& s) {
    s.contrast = 0.0;
    s.gamma = 2.2;
    s.gain = 1.3;
    s.offset = -0.05;
  });
  add("everything", [](EffectSettings& s) {
    s.quality = 5;
    s.contrast = -80.0;
    s.pivot = {255, 250, 240, 253};
    s.width = 0.2;
    s.shadows_rolloff = 0.6;
    s.highlights_rolloff = 0.4;
    s.blend = Percent(25.0);
    s.clamp_white = 1;
    s.clamp_black = 1;
    s.gamma = 0.8;
    s.gain = 1.1;
    s.offset = 0.02;
  });
  // Values no host sends: the module must still answer them the same way.
  add("beyond_ranges", [](EffectSettings& s) {
    s.quality = 9;
    s.contrast = 250.0;
    s.width = 0.0;
    s.shadows_rolloff = -1.0;
    s.highlights_rolloff = 3.0;
    s.blend = Percent(150.0);
    s.gamma = -1.0;
  });
  add("not_a_number", [](EffectSettings& s) {
    s.contrast = std::numeric_limits<double>::quiet_NaN();
    s.gain = std::numeric_limits<double>::quiet_NaN();
  });
  return matrix;
}

// ---- The commands.

HostMode ModeFor(HostPixelFormat format) {
  return format == HostPixelFormat::ARGB8 || format == HostPixelFormat::ARGB16
             ? HostMode::AfterEffects
             : HostMode::PremierePro;
}

using Setup = std::function<void(SimulatedHost&)>;

void Render(simhost::EntryPointFunction entry, std::ostream& out, const std::string& label,
            HostMode mode, HostPixelFormat format, const EffectSettings& settings,
            const Setup& setup = nullptr, A_long row_padding = 0,
            simhost::RowOrder order = simhost::RowOrder::TopDown) {
  SimulatedHost host(mode, entry);
  host.SetThreadCount(kThreads);
  if (setup) setup(host);
  HostImage input(format, kWidth, kHeight);
  FillInput(input);
  HostImage output(format, kWidth, kHeight, row_padding, order);
  output.FillPattern(99);
  const std::vector<uint8_t> input_before = input.PixelBytes();
  const PF_Err result = host.Render(settings, input, output);
  out << "render " << ModeName(mode) << " " << FormatName(format) << " " << label << " "
      << RenderRecord(result, host, input, input_before, output) << "\n";
}

// After Effects' smart pre-render and render of one frame; `setup` may change
// the host and the frame (layer positions, missing inputs) first.
using SmartSetup = std::function<void(SimulatedHost&, simhost::SmartFrame&)>;

void SmartRender(simhost::EntryPointFunction entry, std::ostream& out, const std::string& label,
                 HostPixelFormat format, const EffectSettings& settings,
                 const SmartSetup& setup = nullptr) {
  SimulatedHost host(HostMode::AfterEffects, entry);
  host.SetThreadCount(kThreads);
  HostImage input(format, kWidth, kHeight);
  FillInput(input);
  HostImage output(format, kWidth, kHeight);
  output.FillPattern(99);
  simhost::SmartFrame frame;
  frame.input.image = &input;
  frame.output.image = &output;
  if (setup) setup(host, frame);
  const std::vector<uint8_t> input_before = input.PixelBytes();
  const PF_Err result = host.SmartRender(settings, frame);
  const simhost::SmartRecords& smart = host.Smart();
  const PF_PreRenderOutput& answer = smart.pre_render_answer;
  out << "smart_render " << FormatName(format) << " " << label << " "
      << RenderRecord(result, host, input, input_before, output)
      << " layer_checkouts=" << smart.layer_checkouts.size()
      << " pixels=" << smart.pixel_checkouts.size() << "/" << smart.pixel_checkins.size()
      << " params=" << smart.param_checkouts << "/" << smart.param_checkins
      << " result_rect=" << answer.result_rect.left << "," << answer.result_rect.top << ","
      << answer.result_rect.right << "," << answer.result_rect.bottom
      << " max_rect=" << answer.max_result_rect.left << "," << answer.max_result_rect.top << ","
      << answer.max_result_rect.right << "," << answer.max_result_rect.bottom << "\n";
}

void SmartRecords(simhost::EntryPointFunction entry, std::ostream& out,
                  const std::vector<NamedSettings>& matrix) {
  for (HostPixelFormat format :
       {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16, HostPixelFormat::ARGBFloat}) {
    for (const NamedSettings& named : matrix) {
      SmartRender(entry, out, named.name, format, named.settings);
    }
  }
  EffectSettings contrast;
  contrast.contrast = 45.0;
  const std::pair<const char*, SmartSetup> cases[] = {
      {"origins_differ",
       [](SimulatedHost&, simhost::SmartFrame& f) {
         f.input.origin_x = 5;
         f.input.origin_y = -3;
       }},
      {"null_input_world", [](SimulatedHost&, simhost::SmartFrame& f) { f.input.image = nullptr; }},
      {"null_input_data", [](SimulatedHost&, simhost::SmartFrame& f) { f.input.null_data = true; }},
      {"cancel_in_pre_render",
       [](SimulatedHost& h, simhost::SmartFrame&) { h.Faults().checkout_layer_code = 517; }},
      {"cancel_in_param_checkout",
       [](SimulatedHost& h, simhost::SmartFrame&) {
         h.Faults().checkout_param_fail_at = 5;
         h.Faults().checkout_param_code = 517;
       }},
      {"out_of_memory_in_output",
       [](SimulatedHost& h, simhost::SmartFrame&) { h.Faults().checkout_output_code = 4; }},
      {"float_iterate_fails",
       [](SimulatedHost& h, simhost::SmartFrame&) { h.Faults().iterate_code = 4; }},
      {"world_suite_missing",
       [](SimulatedHost& h, simhost::SmartFrame&) {
         h.Faults().FailSuite("PF World Suite", simhost::SuiteFault::Kind::Missing, 13, 2);
       }},
  };
  for (const auto& [label, setup] : cases) {
    SmartRender(entry, out, label, HostPixelFormat::ARGBFloat, contrast, setup);
  }
}

void ParamsRecord(std::ostream& out, SimulatedHost& host, const std::string& label) {
  const PF_Err result = host.ParamsSetup();
  out << "params_setup " << ModeName(host.Mode()) << " " << label << " " << CallRecord(result, host)
      << " num_params=" << host.OutData().num_params << " add_param_calls=" << host.AddParamCalls()
      << "\n";
  for (const simhost::RecordedParam& recorded : host.RecordedParams()) {
    PF_ParamDef def = recorded.def;
    std::string text;
    // Pointers into the module differ from run to run; what they point at does not.
    if (def.param_type == PF_Param_POPUP) {
      text = def.u.pd.u.namesptr != nullptr ? def.u.pd.u.namesptr : "(null)";
      def.u.pd.u.namesptr = nullptr;
    } else if (def.param_type == PF_Param_CHECKBOX) {
      text = def.u.bd.u.nameptr != nullptr ? def.u.bd.u.nameptr : "(null)";
      def.u.bd.u.nameptr = nullptr;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(&def);
    out << "  param " << recorded.index << " name=" << Quoted(def.name, sizeof def.name)
        << " terminated=" << recorded.name_terminated
        << " text=" << Quoted(text.c_str(), text.size() + 1)
        << " def=" << Hex(Fnv1a(bytes, sizeof def)) << "\n";
  }
}

void CommandRecords(simhost::EntryPointFunction entry, std::ostream& out, HostMode mode) {
  const char* name = ModeName(mode);
  {
    SimulatedHost host(mode, entry);
    const PF_Err result = host.About();
    out << "about " << name << " " << CallRecord(result, host) << "\n";
  }
  {
    SimulatedHost host(mode, entry);
    const PF_Err result = host.GlobalSetup();
    out << "global_setup " << name << " " << CallRecord(result, host) << " formats=[";
    for (PrPixelFormat format : host.SupportedPixelFormats())
      out << Hex(static_cast<uint32_t>(format)) << " ";
    out << "] clears=" << host.ClearSupportedPixelFormatsCalls() << "\n";
  }
  {
    SimulatedHost host(mode, entry);
    ParamsRecord(out, host, "normal");
  }
  for (PF_Cmd cmd : {2, 3, 5, 6, 7, 8, 9, 10, 12, 13, 23, 24, 40, -1}) {
    SimulatedHost host(mode, entry);
    const PF_Err result = host.Call(cmd);
    out << "command " << name << " " << cmd << " " << CallRecord(result, host) << "\n";
  }
}

void FailureRecords(simhost::EntryPointFunction entry, std::ostream& out) {
  using Kind = simhost::SuiteFault::Kind;
  for (HostMode mode : {HostMode::AfterEffects, HostMode::PremierePro}) {
    const std::pair<const char*, Setup> about_faults[] = {
        {"no_basic_suite", [](SimulatedHost& h) { h.Faults().no_basic_suite = true; }},
        {"ansi_missing", [](SimulatedHost& h) { h.Faults().FailSuite("PF ANSI Suite"); }},
        {"ansi_code_with_pointer",
         [](SimulatedHost& h) { h.Faults().FailSuite("PF ANSI Suite", Kind::CodeWithPointer, 7); }},
        {"ansi_zero_without_suite",
         [](SimulatedHost& h) {
           h.Faults().FailSuite("PF ANSI Suite", Kind::ZeroWithoutSuite, 0);
         }},
        {"release_fails", [](SimulatedHost& h) { h.Faults().release_code = 5; }}};
    for (const auto& [label, setup] : about_faults) {
      SimulatedHost host(mode, entry);
      setup(host);
      const PF_Err result = host.About();
      out << "about_failure " << ModeName(mode) << " " << label << " " << CallRecord(result, host)
          << "\n";
    }
    const std::pair<const char*, Setup> global_faults[] = {
        {"no_basic_suite", [](SimulatedHost& h) { h.Faults().no_basic_suite = true; }},
        {"pixel_format_missing",
         [](SimulatedHost& h) { h.Faults().FailSuite("PF Pixel Format Suite"); }},
        {"pixel_format_code_with_pointer",
         [](SimulatedHost& h) {
           h.Faults().FailSuite("PF Pixel Format Suite", Kind::CodeWithPointer, 7);
         }},
        {"release_fails", [](SimulatedHost& h) { h.Faults().release_code = 5; }}};
    for (const auto& [label, setup] : global_faults) {
      SimulatedHost host(mode, entry);
      setup(host);
      const PF_Err result = host.GlobalSetup();
      out << "global_setup_failure " << ModeName(mode) << " " << label << " "
          << CallRecord(result, host) << " formats=" << host.SupportedPixelFormats().size() << "\n";
    }
    for (int fail_at : {1, 6, 12, 13}) {
      SimulatedHost host(mode, entry);
      host.Faults().add_param_fail_at = fail_at;
      ParamsRecord(out, host, "add_param_fails_at_" + std::to_string(fail_at));
    }
  }

  EffectSettings contrast;
  contrast.contrast = 45.0;
  EffectSettings full_blend = contrast;
  full_blend.blend = Percent(100.0);
  struct RenderFault {
    const char* label;
    HostMode mode;
    HostPixelFormat format;
    const EffectSettings* settings;
    Setup setup;
  };
  const HostMode ae = HostMode::AfterEffects;
  const HostMode pr = HostMode::PremierePro;
  const RenderFault faults[] = {
      {"no_basic_suite", ae, HostPixelFormat::ARGB8, &contrast,
       [](SimulatedHost& h) { h.Faults().no_basic_suite = true; }},
      {"iterate8_missing", ae, HostPixelFormat::ARGB8, &contrast,
       [](SimulatedHost& h) { h.Faults().FailSuite("PF Iterate8 Suite"); }},
      {"iterate16_missing", ae, HostPixelFormat::ARGB16, &contrast,
       [](SimulatedHost& h) { h.Faults().FailSuite("PF iterate16 Suite"); }},
      {"colour_suite_missing", ae, HostPixelFormat::ARGB16, &contrast,
       [](SimulatedHost& h) { h.Faults().FailSuite("PF ColorParamSuite"); }},
      {"colour_conversion_fails", ae, HostPixelFormat::ARGB8, &contrast,
       [](SimulatedHost& h) { h.Faults().color_conversion_code = 9; }},
      {"iterate_fails", ae, HostPixelFormat::ARGB16, &contrast,
       [](SimulatedHost& h) { h.Faults().iterate_code = 11; }},
      {"release_fails", ae, HostPixelFormat::ARGB8, &contrast,
       [](SimulatedHost& h) { h.Faults().release_code = 5; }},
      {"transform_suite_missing", ae, HostPixelFormat::ARGB8, &full_blend,
       [](SimulatedHost& h) { h.Faults().FailSuite("PF World Transform Suite"); }},
      {"copy_fails", ae, HostPixelFormat::ARGB16, &full_blend,
       [](SimulatedHost& h) { h.Faults().copy_code = 3; }},
      {"copy_low_quality", ae, HostPixelFormat::ARGB8, &full_blend,
       [](SimulatedHost& h) { h.SetRenderQuality(PF_Quality_LO); }},
      {"render_low_quality", ae, HostPixelFormat::ARGB16, &contrast,
       [](SimulatedHost& h) { h.SetRenderQuality(PF_Quality_LO); }},
      {"no_basic_suite", pr, HostPixelFormat::BGRAFloat, &contrast,
       [](SimulatedHost& h) { h.Faults().no_basic_suite = true; }},
      {"pixel_format_missing", pr, HostPixelFormat::BGRA8, &contrast,
       [](SimulatedHost& h) { h.Faults().FailSuite("PF Pixel Format Suite"); }},
      {"pixel_format_query_fails", pr, HostPixelFormat::BGRAFloat, &contrast,
       [](SimulatedHost& h) { h.Faults().get_pixel_format_code = 6; }},
      {"pixel_format_unanswered", pr, HostPixelFormat::BGRA8, &contrast,
       [](SimulatedHost& h) {
         h.SetPixelFormatReport(simhost::PixelFormatReport::LeaveUnchanged);
       }},
      {"pixel_format_vuya", pr, HostPixelFormat::BGRAFloat, &contrast,
       [](SimulatedHost& h) { h.SetReportedPixelFormat(PrPixelFormat_VUYA_4444_32f); }},
      {"argb_world", pr, HostPixelFormat::ARGB8, &contrast, nullptr},
      {"iterate8_missing", pr, HostPixelFormat::BGRA8, &contrast,
       [](SimulatedHost& h) { h.Faults().FailSuite("PF Iterate8 Suite"); }},
      {"iterate_fails", pr, HostPixelFormat::BGRA8, &contrast,
       [](SimulatedHost& h) { h.Faults().iterate_code = 11; }},
      {"copy_fails", pr, HostPixelFormat::BGRAFloat, &full_blend,
       [](SimulatedHost& h) { h.Faults().copy_code = 3; }},
  };
  for (const RenderFault& fault : faults) {
    Render(entry, out, std::string("failure_") + fault.label, fault.mode, fault.format,
           *fault.settings, fault.setup);
  }
}

}  // namespace

void LargeFrameRecords(simhost::EntryPointFunction entry, std::ostream& out, HostImage& input,
                       const std::vector<std::pair<std::string, EffectSettings>>& cases) {
  const HostPixelFormat format = input.Format();
  for (const auto& [label, settings] : cases) {
    SimulatedHost host(ModeFor(format), entry);
    host.SetThreadCount(kThreads);
    HostImage output(format, input.Width(), input.Height());
    const PF_Err result = host.Render(settings, input, output);
    out << "render " << ModeName(ModeFor(format)) << " " << FormatName(format) << " large_" << label
        << " " << CallRecord(result, host) << " out=" << Hex(Fnv1a(output.PixelBytes())) << "\n";
  }
}

// Frames large enough for the integer tables of levels: every 8-bit triple in
// one frame for the tables by channel pair and of output codes, and a 16-bit
// frame.
void IntegerTableRecords(simhost::EntryPointFunction entry, std::ostream& out) {
  constexpr A_long kSide = 4096;
  EffectSettings gamma;
  gamma.gamma = 0.45;
  gamma.offset = -0.05;
  gamma.gain = 1.2;
  EffectSettings blend;
  blend.contrast = -30.0;
  blend.blend = 50.0;
  for (HostPixelFormat format : {HostPixelFormat::ARGB8, HostPixelFormat::BGRA8}) {
    HostImage input(format, kSide, kSide);
    for (A_long y = 0; y < kSide; ++y) {
      for (A_long x = 0; x < kSide; ++x) {
        const uint32_t code = static_cast<uint32_t>(y * kSide + x);
        const auto red = static_cast<uint8_t>(code >> 16);
        const auto green = static_cast<uint8_t>(code >> 8);
        const auto blue = static_cast<uint8_t>(code);
        const auto alpha = static_cast<uint8_t>(red ^ green ^ blue);
        uint8_t* pixel = input.Row(y) + 4 * x;
        const bool argb = format == HostPixelFormat::ARGB8;
        pixel[0] = argb ? alpha : blue;
        pixel[1] = argb ? red : green;
        pixel[2] = argb ? green : red;
        pixel[3] = argb ? blue : alpha;
      }
    }
    LargeFrameRecords(entry, out, input, {{"gamma_offset_gain", gamma}, {"blend", blend}});
  }
  // A 16-bit frame large enough for the table of levels by code sum, its
  // codes hashed over the whole range (above full scale included).
  HostImage deep(HostPixelFormat::ARGB16, 1024, 1024);
  uint32_t state = 12345;
  auto next = [&] {
    state = state * 1664525u + 1013904223u;
    const uint32_t code = state >> 16;
    return static_cast<A_u_short>(code & 1 ? code : code >> 1);
  };
  for (A_long y = 0; y < deep.Height(); ++y) {
    for (A_long x = 0; x < deep.Width(); ++x)
      deep.At<PF_Pixel16>(x, y) = {next(), next(), next(), next()};
  }
  LargeFrameRecords(entry, out, deep, {{"gamma_offset_gain", gamma}, {"blend", blend}});
}

void WriteModuleReport(simhost::EntryPointFunction entry, std::ostream& out) {
  for (HostMode mode : {HostMode::AfterEffects, HostMode::PremierePro})
    CommandRecords(entry, out, mode);
  const std::vector<NamedSettings> matrix = SettingsMatrix();
  for (HostPixelFormat format : {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16,
                                 HostPixelFormat::BGRA8, HostPixelFormat::BGRAFloat}) {
    for (const NamedSettings& named : matrix) {
      Render(entry, out, named.name, ModeFor(format), format, named.settings);
    }
    EffectSettings contrast;
    contrast.contrast = -30.0;
    Render(entry, out, "padded_bottom_up_rows", ModeFor(format), format, contrast, nullptr, 12,
           simhost::RowOrder::BottomUp);
  }
  SmartRecords(entry, out, matrix);
  IntegerTableRecords(entry, out);
  FailureRecords(entry, out);
}
