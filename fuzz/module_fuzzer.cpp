// Fuzz target for the effect as a host drives it: a short session of commands
// through `EntryPointFunc` in the simulated host, After Effects or Premiere
// Pro, with any command codes, any parameter values (quality outside 1..5, NaN
// and extreme sliders, any 16.16 blend, any colour), any world size, row
// padding, row order and extent hint, and any mix of host failures.
//
// The host layer is linked in, not loaded, so that libFuzzer's coverage and the
// sanitizers see into it; the simulated host calls it exactly as it calls a
// loaded module.
//
// What it checks beyond the sanitizers, after every command:
//   - the code is 0, or one the effect documents (514 from a Premiere Pro
//     render, 516), or one the host itself returned from a callback;
//   - a failed render leaves the output untouched; no render writes outside
//     the output's pixels or into the input;
//   - every suite acquired is released once, and nothing else is released;
//   - a command the effect does not handle returns 0 and leaves `out_data` as
//     it was; `return_msg` is always terminated;
//   - a render with several iterate threads gives the bytes of one thread;
//   - a smart render, with any layer positions, missing inputs and failing
//     smart callbacks, checks in every parameter and input it checked out.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_reader.h"
#include "host/entry.h"
#include "host/param_values.h"
#include "host_sdk/host_constants.h"
#include "simhost/host.h"

namespace {

using simhost::HostImage;
using simhost::HostMode;
using simhost::HostPixelFormat;
using simhost::SimulatedHost;
using simhost::SuiteFault;

const char* const kSuiteNames[] = {
    "PF ANSI Suite",     "PF Pixel Format Suite", "PF ColorParamSuite",
    "PF Iterate8 Suite", "PF iterate16 Suite",    "PF World Transform Suite",
};

// Any code a host might return, 0 excluded: small ones, the host's own error
// range, and any bits.
PF_Err ReadHostCode(fuzz::FuzzReader& in) {
  const PF_Err code = in.Bool() ? in.Int32(1, 530) : in.Raw<PF_Err>();
  return code == 0 ? 1 : code;
}

void ReadFaults(fuzz::FuzzReader& in, simhost::FaultPlan& plan) {
  plan = simhost::FaultPlan{};
  const std::uint8_t which = in.Raw<std::uint8_t>();
  if (which == 0) return;  // a host that never fails, often
  plan.no_basic_suite = in.Below(16) == 0;
  const std::uint32_t suite_faults = in.Below(3);
  for (std::uint32_t i = 0; i < suite_faults; ++i) {
    const char* name = kSuiteNames[in.Below(6)];
    const auto kind = static_cast<SuiteFault::Kind>(in.Below(3));
    plan.FailSuite(name, kind, ReadHostCode(in));
  }
  if (in.Below(4) == 0) plan.release_code = ReadHostCode(in);
  if (in.Below(4) == 0) {
    plan.add_param_fail_at = static_cast<int>(in.Below(14));
    plan.add_param_code = ReadHostCode(in);
  }
  if (in.Below(4) == 0) plan.color_conversion_code = ReadHostCode(in);
  if (in.Below(4) == 0) plan.iterate_code = ReadHostCode(in);
  if (in.Below(4) == 0) plan.copy_code = ReadHostCode(in);
  if (in.Below(4) == 0) plan.get_pixel_format_code = ReadHostCode(in);
}

bool AnyFault(const simhost::FaultPlan& plan) {
  return plan.no_basic_suite || !plan.suite_faults.empty();
}

// The codes the host returned to the effect during the last command.
std::set<PF_Err> HostCodes(const SimulatedHost& host) {
  std::set<PF_Err> codes;
  for (const auto& record : host.Iterations()) codes.insert(record.result);
  for (const auto& record : host.Copies()) codes.insert(record.result);
  const simhost::FaultPlan& plan = const_cast<SimulatedHost&>(host).Faults();
  if (host.ColorConversions() > 0) codes.insert(plan.color_conversion_code);
  if (plan.add_param_fail_at > 0) codes.insert(plan.add_param_code);
  codes.erase(0);
  return codes;
}

bool Terminated(const PF_OutData& out) {
  return std::memchr(out.return_msg, '\0', sizeof out.return_msg) != nullptr;
}

// The ledger counts an acquisition that came with an error code as lending
// nothing. "PF Pixel Format Suite" is acquired by a function that looks only
// at the pointer, and so releases what came with a code; for that suite every
// acquisition that handed out a pointer must meet exactly one release.
bool LedgerAcceptable(const simhost::SuiteLedger& ledger) {
  if (ledger.Balanced()) return true;
  for (const char* name : kSuiteNames) {
    const bool by_pointer = std::strcmp(name, "PF Pixel Format Suite") == 0;
    int lent = 0;
    for (const auto& entry : ledger.Entries()) {
      if (entry.kind != simhost::SuiteLedgerEntry::Kind::Acquire || entry.name != name) continue;
      lent += entry.handed_out && (entry.code == 0 || by_pointer);
    }
    if (ledger.ReleaseCount(name) != lent) return false;
  }
  return true;
}

void CheckLedger(const SimulatedHost& host) {
  const bool acceptable = LedgerAcceptable(host.Ledger());
  if (!acceptable) std::fprintf(stderr, "%s", host.Ledger().Describe().c_str());
  FUZZ_CHECK(acceptable);
}

// Every parameter of the table, in its order, within its valid range.
simhost::EffectSettings ReadSettings(fuzz::FuzzReader& in) {
  simhost::EffectSettings s;
  for (const ParamIdentity& p : kParamTable) {
    switch (p.kind) {
      case PF_Param_POPUP:
        s.Choice(p.index) = in.Int32(static_cast<std::int32_t>(p.valid_min),
                                     static_cast<std::int32_t>(p.valid_max));
        break;
      case PF_Param_FLOAT_SLIDER:
        s.Slider(p.index) = in.Double(p.valid_min, p.valid_max);
        break;
      case PF_Param_FIX_SLIDER: {
        // The largest value exactly (for the blend, 100 %, which copies) must come up often.
        const PF_Fixed high = FixedOfNumber(p.valid_max);
        s.Fixed(p.index) = in.Below(4) == 0 ? high : in.Int32(FixedOfNumber(p.valid_min), high);
        break;
      }
      case PF_Param_COLOR:
        s.Colour(p.index) = in.Raw<PF_Pixel>();
        break;
      case PF_Param_CHECKBOX:
        s.Checkbox(p.index) = in.Bool() ? 0 : in.Raw<PF_ParamValue>() | 1;
        break;
      default:
        break;
    }
  }
  return s;
}

struct FrameShape {
  HostPixelFormat format;
  A_long width, height, input_width, input_height;
  A_long padding;
  simhost::RowOrder order;
  PF_LRect hint;
  bool hint_given;
};

FrameShape ReadShape(fuzz::FuzzReader& in) {
  FrameShape f{};
  f.format = static_cast<HostPixelFormat>(in.Below(4));
  f.width = static_cast<A_long>(in.Below(13));
  f.height = static_cast<A_long>(in.Below(13));
  const bool same_size = in.Below(4) != 0;
  f.input_width = same_size ? f.width : static_cast<A_long>(in.Below(13));
  f.input_height = same_size ? f.height : static_cast<A_long>(in.Below(13));
  // Rows stay aligned to the widest channel, as every host keeps them.
  f.padding = static_cast<A_long>(in.Below(5) * 4);
  f.order = in.Bool() ? simhost::RowOrder::TopDown : simhost::RowOrder::BottomUp;
  f.hint_given = in.Bool();
  if (f.hint_given) {
    f.hint.left = in.Int32(-2, 14);
    f.hint.top = in.Int32(-2, 14);
    f.hint.right = in.Int32(-2, 14);
    f.hint.bottom = in.Int32(-2, 14);
  }
  return f;
}

HostImage MakeImage(const FrameShape& f, A_long width, A_long height) {
  HostImage image(f.format, width, height, f.padding, f.order);
  if (f.hint_given) image.SetExtentHint(f.hint);
  return image;
}

void RunRender(SimulatedHost& host, fuzz::FuzzReader& in) {
  const simhost::EffectSettings settings = ReadSettings(in);
  const FrameShape shape = ReadShape(in);
  HostImage input = MakeImage(shape, shape.input_width, shape.input_height);
  HostImage output = MakeImage(shape, shape.width, shape.height);
  const auto input_seed = in.Raw<std::uint32_t>();
  const auto output_seed = in.Raw<std::uint32_t>();
  input.FillPattern(input_seed);
  output.FillPattern(output_seed);
  const std::vector<std::uint8_t> input_before = input.PixelBytes();
  const std::vector<std::uint8_t> output_before = output.PixelBytes();

  switch (in.Below(4)) {
    case 0:
      host.SetPixelFormatReport(simhost::PixelFormatReport::LeaveUnchanged);
      break;
    case 1:
      // A code the host never registered for, or the world's own code.
      host.SetReportedPixelFormat(in.Bool() ? in.Raw<PrPixelFormat>()
                                            : simhost::PremiereCodeOf(shape.format));
      break;
    default:
      host.SetPixelFormatReport(simhost::PixelFormatReport::FromWorld);
      break;
  }
  // A host that reports float for a world with smaller pixels hands over a
  // buffer it does not have; no effect can survive that, so it is not tried.
  if (shape.format != HostPixelFormat::BGRAFloat) {
    host.SetPixelFormatReport(simhost::PixelFormatReport::FromWorld);
  }
  host.SetRenderQuality(in.Bool() ? PF_Quality_HI : in.Raw<PF_Quality>());
  const int threads = 1 + static_cast<int>(in.Below(3));
  host.SetThreadCount(threads);

  host.ClearRecords();
  const PF_Err err = host.Render(settings, input, output);

  const std::set<PF_Err> host_codes = HostCodes(host);
  const bool premiere = host.Mode() == HostMode::PremierePro;
  const bool documented = err == PF_Err_NONE || err == PF_Err_BAD_CALLBACK_PARAM ||
                          (premiere && err == PF_Err_UNRECOGNIZED_PARAM_TYPE) ||
                          host_codes.count(err) != 0;
  FUZZ_CHECK(documented);
  if (err == PF_Err_BAD_CALLBACK_PARAM && host_codes.count(err) == 0) {
    FUZZ_CHECK(AnyFault(host.Faults()));
  }
  FUZZ_CHECK(input.PixelBytes() == input_before);
  FUZZ_CHECK(input.GuardsIntact() && output.GuardsIntact());
  if (err != PF_Err_NONE) FUZZ_CHECK(output.PixelBytes() == output_before);
  FUZZ_CHECK(Terminated(host.OutData()));
  CheckLedger(host);

  if (err == PF_Err_NONE && threads > 1) {
    HostImage single_input = MakeImage(shape, shape.input_width, shape.input_height);
    HostImage single_output = MakeImage(shape, shape.width, shape.height);
    single_input.FillPattern(input_seed);
    single_output.FillPattern(output_seed);
    host.SetThreadCount(1);
    host.ClearRecords();
    FUZZ_CHECK(host.Render(settings, single_input, single_output) == PF_Err_NONE);
    FUZZ_CHECK(single_output.PixelBytes() == output.PixelBytes());
    CheckLedger(host);
  }
}

void ReadSmartFaults(fuzz::FuzzReader& in, simhost::FaultPlan& plan) {
  if (in.Below(6) == 0) plan.checkout_layer_code = ReadHostCode(in);
  if (in.Below(6) == 0) plan.checkout_layer_pixels_code = ReadHostCode(in);
  if (in.Below(6) == 0) plan.checkin_layer_pixels_code = ReadHostCode(in);
  if (in.Below(6) == 0) plan.checkout_output_code = ReadHostCode(in);
  if (in.Below(6) == 0) {
    plan.checkout_param_fail_at = static_cast<int>(in.Below(14));
    plan.checkout_param_code = ReadHostCode(in);
  }
  if (in.Below(6) == 0) plan.checkin_param_code = ReadHostCode(in);
  if (in.Below(6) == 0) plan.world_pixel_format_code = ReadHostCode(in);
}

void RunSmartRender(SimulatedHost& host, fuzz::FuzzReader& in) {
  const simhost::EffectSettings settings = ReadSettings(in);
  const HostPixelFormat formats[] = {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16,
                                     HostPixelFormat::ARGBFloat};
  const HostPixelFormat format = formats[in.Below(3)];
  const auto padding = static_cast<A_long>(in.Below(5) * 4);
  const auto order = in.Bool() ? simhost::RowOrder::TopDown : simhost::RowOrder::BottomUp;
  HostImage input(format, static_cast<A_long>(in.Below(13)), static_cast<A_long>(in.Below(13)),
                  padding, order);
  HostImage output(format, static_cast<A_long>(in.Below(13)), static_cast<A_long>(in.Below(13)),
                   padding, order);
  input.FillPattern(in.Raw<std::uint32_t>());
  output.FillPattern(in.Raw<std::uint32_t>());
  const std::vector<std::uint8_t> input_before = input.PixelBytes();
  simhost::SmartFrame frame;
  frame.input.image = in.Below(8) == 0 ? nullptr : &input;
  frame.input.null_data = in.Below(8) == 0;
  frame.input.origin_x = in.Int32(-14, 14);
  frame.input.origin_y = in.Int32(-14, 14);
  frame.output.image = &output;
  frame.output.origin_x = in.Int32(-14, 14);
  frame.output.origin_y = in.Int32(-14, 14);
  frame.preserve_rgb_of_zero_alpha = in.Bool();
  ReadSmartFaults(in, host.Faults());
  host.SetThreadCount(1 + static_cast<int>(in.Below(3)));

  host.ClearRecords();
  const PF_Err err = host.SmartRender(settings, frame);
  const simhost::FaultPlan& plan = host.Faults();
  std::set<PF_Err> host_codes = HostCodes(host);
  for (PF_Err code :
       {plan.checkout_layer_code, plan.checkout_layer_pixels_code, plan.checkin_layer_pixels_code,
        plan.checkout_output_code, plan.checkout_param_code, plan.checkin_param_code,
        plan.world_pixel_format_code}) {
    if (code != 0) host_codes.insert(code);
  }
  FUZZ_CHECK(err == PF_Err_NONE || err == PF_Err_BAD_CALLBACK_PARAM || host_codes.count(err) != 0);
  FUZZ_CHECK(input.PixelBytes() == input_before);
  FUZZ_CHECK(input.GuardsIntact() && output.GuardsIntact());
  FUZZ_CHECK(host.Smart().ParamsBalanced());
  FUZZ_CHECK(host.Smart().pixel_checkins == host.Smart().pixel_checkouts);
  FUZZ_CHECK(!host.Smart().output_before_input);
  CheckLedger(host);
}

void RunSetupCommand(SimulatedHost& host, PF_Cmd cmd) {
  host.ClearRecords();
  PF_Err err = PF_Err_NONE;
  if (cmd == PF_Cmd_ABOUT) {
    err = host.About();
    FUZZ_CHECK(err == PF_Err_NONE || err == PF_Err_BAD_CALLBACK_PARAM);
  } else if (cmd == PF_Cmd_GLOBAL_SETUP) {
    err = host.GlobalSetup();
    FUZZ_CHECK(err == PF_Err_NONE);
  } else {
    err = host.ParamsSetup();
    const std::set<PF_Err> host_codes = HostCodes(host);
    FUZZ_CHECK(err == PF_Err_NONE || err == PF_Err_BAD_CALLBACK_PARAM ||
               host_codes.count(err) != 0);
  }
  if (err == PF_Err_BAD_CALLBACK_PARAM && HostCodes(host).count(err) == 0) {
    FUZZ_CHECK(AnyFault(host.Faults()));
  }
  FUZZ_CHECK(Terminated(host.OutData()));
  CheckLedger(host);
}

void RunOtherCommand(SimulatedHost& host, PF_Cmd cmd) {
  host.ClearRecords();
  std::vector<std::uint8_t> before(sizeof(PF_OutData));
  std::memcpy(before.data(), &host.OutData(), before.size());
  FUZZ_CHECK(host.Call(cmd) == PF_Err_NONE);
  FUZZ_CHECK(std::memcmp(before.data(), &host.OutData(), before.size()) == 0);
  FUZZ_CHECK(host.Ledger().Entries().empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzReader in(data, size);
  SimulatedHost host(in.Bool() ? HostMode::PremierePro : HostMode::AfterEffects, EntryPointFunc);
  const std::uint32_t commands = 1 + in.Below(4);
  for (std::uint32_t i = 0; i < commands; ++i) {
    ReadFaults(in, host.Faults());
    if (in.Below(8) == 0) host.ResetOutData();
    const std::uint32_t pick = in.Below(8);
    if (pick < 3) {
      RunRender(host, in);
    } else if (pick == 3) {
      RunSmartRender(host, in);
    } else if (pick == 4) {
      RunSetupCommand(host, PF_Cmd_ABOUT);
    } else if (pick == 5) {
      RunSetupCommand(host, PF_Cmd_GLOBAL_SETUP);
    } else if (pick == 6) {
      RunSetupCommand(host, PF_Cmd_PARAMS_SETUP);
    } else {
      PF_Cmd cmd = in.Raw<PF_Cmd>();
      if (cmd == PF_Cmd_ABOUT || cmd == PF_Cmd_GLOBAL_SETUP || cmd == PF_Cmd_PARAMS_SETUP ||
          cmd == PF_Cmd_RENDER || cmd == PF_Cmd_SMART_PRE_RENDER || cmd == PF_Cmd_SMART_RENDER) {
        cmd = PF_Cmd_FRAME_SETUP;
      }
      RunOtherCommand(host, cmd);
    }
  }
  return 0;
}
