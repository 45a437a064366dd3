// The utility and interaction callbacks, the records of a render call, and
// hosts on several threads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "engine/portable_trig.h"
#include "host/params.h"
#include "scripted_effect.h"

namespace simhost {
namespace {

TEST(AnsiCallbacks, SineAndCosineAreThePortableOnes) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  const PF_ANSICallbacks& ansi = host.InData().utils->ansi;
  for (double x : {0.3, -1.2, 2.5, 100.0, 1e10}) {
    EXPECT_EQ(ansi.sin(x), PortableSin(x));
    EXPECT_EQ(ansi.cos(x), PortableCos(x));
  }
  RunScript(host, [](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
    const auto* suite = Acquire<PF_ANSICallbacksSuite1>(in, kPFANSISuite);
    EXPECT_EQ(suite->sin(0.7), PortableSin(0.7));
    EXPECT_EQ(suite->cos(0.7), PortableCos(0.7));
    EXPECT_EQ(suite->sprintf, in->utils->ansi.sprintf);
    in->pica_basicP->ReleaseSuite(kPFANSISuite, 1);
    return PF_Err_NONE;
  });
}

TEST(AnsiCallbacks, SprintfFormatsAndStopsAtTheMessageBufferSize) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  const PF_ANSICallbacks& ansi = host.InData().utils->ansi;
  char small[64];
  EXPECT_EQ(ansi.sprintf(small, "%s v%d.%d\r%s", "Velmora", 1, 0, "text"), 17);
  EXPECT_STREQ(small, "Velmora v1.0\rtext");

  char big[400];
  std::memset(big, 'x', sizeof big);
  const std::string long_text(300, 'a');
  EXPECT_EQ(ansi.sprintf(big, "%s", long_text.c_str()), 255);
  EXPECT_EQ(std::strlen(big), 255u);
  for (std::size_t i = 256; i < sizeof big; ++i) ASSERT_EQ(big[i], 'x') << i;
}

TEST(AnsiCallbacks, StrcpyCopiesAndStopsAtTheMessageBufferSize) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  const PF_ANSICallbacks& ansi = host.InData().utils->ansi;
  char name[32];
  EXPECT_EQ(ansi.strcpy(name, "Clamp white on output"), name);
  EXPECT_STREQ(name, "Clamp white on output");

  char big[400];
  std::memset(big, 'x', sizeof big);
  const std::string long_text(300, 'b');
  ansi.strcpy(big, long_text.c_str());
  EXPECT_EQ(std::strlen(big), 255u);
  for (std::size_t i = 256; i < sizeof big; ++i) ASSERT_EQ(big[i], 'x') << i;
}

TEST(UtilsCopy, CopiesEveryFormatAcrossStridesAndRefusesMismatches) {
  SimulatedHost host(HostMode::PremierePro, ScriptedEntry);
  for (HostPixelFormat format : {HostPixelFormat::ARGB8, HostPixelFormat::ARGB16,
                                 HostPixelFormat::BGRA8, HostPixelFormat::BGRAFloat}) {
    HostImage src(format, 6, 5, 0, RowOrder::BottomUp);
    HostImage dst(format, 6, 5, 20);
    src.FillPattern(4);
    EXPECT_EQ(host.InData().utils->copy(host.InData().effect_ref, src.World(), dst.World(), nullptr,
                                        nullptr),
              PF_Err_NONE);
    EXPECT_EQ(dst.PixelBytes(), src.PixelBytes());
    EXPECT_TRUE(dst.GuardsIntact());
  }
  HostImage small(HostPixelFormat::BGRA8, 5, 5);
  HostImage floats(HostPixelFormat::BGRAFloat, 6, 5);
  HostImage bgra(HostPixelFormat::BGRA8, 6, 5);
  PF_UtilCallbacks* utils = host.InData().utils;
  EXPECT_EQ(utils->copy(host.InData().effect_ref, small.World(), bgra.World(), nullptr, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(utils->copy(host.InData().effect_ref, floats.World(), bgra.World(), nullptr, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_TRUE(bgra.GuardsIntact());
  EXPECT_EQ(host.Copies().size(), 6u);
  EXPECT_EQ(host.Copies().back().via, CopyVia::Utils);
}

TEST(AddParam, RecordsEachDefinitionAndFailsTheChosenOne) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  host.Faults().add_param_fail_at = 3;
  host.Faults().add_param_code = 4;
  std::vector<PF_Err> results;
  const Script script = [&](PF_Cmd cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
    EXPECT_EQ(cmd, PF_Cmd_PARAMS_SETUP);
    PF_ParamDef def{};
    for (A_long id = 1; id <= 4; ++id) {
      def.uu.id = id;
      def.param_type = PF_Param_FLOAT_SLIDER;
      in->utils->ansi.strcpy(def.name, "Gain");
      results.push_back(in->inter.add_param(in->effect_ref, -1, &def));
    }
    std::memset(def.name, 'n', sizeof def.name);  // no terminator
    results.push_back(in->inter.add_param(in->effect_ref, -1, &def));
    return PF_Err_NONE;
  };
  WithScript(script, [&] { return host.ParamsSetup(); });
  EXPECT_EQ(results, (std::vector<PF_Err>{0, 0, 4, 0, 0}));
  EXPECT_EQ(host.AddParamCalls(), 5);
  const auto& recorded = host.RecordedParams();
  ASSERT_EQ(recorded.size(), 4u);
  EXPECT_EQ(recorded[2].def.uu.id, 4);  // the third definition was refused
  EXPECT_EQ(recorded[0].index, -1);
  EXPECT_STREQ(recorded[0].def.name, "Gain");
  EXPECT_TRUE(recorded[0].name_terminated);
  EXPECT_FALSE(recorded[3].name_terminated);
}

// The kinds and persistent ids of the effect's table, as its setup registers them.
PF_Err RegisterTheEffectsParams(PF_InData* in) {
  for (const ParamIdentity& identity : kParamIdentities) {
    PF_ParamDef def{};
    def.param_type = identity.kind;
    def.uu.id = identity.disk_id;
    const PF_Err err = in->inter.add_param(in->effect_ref, -1, &def);
    if (err != PF_Err_NONE) return err;
  }
  return PF_Err_NONE;
}

TEST(Render, PassesTheSettingsInTheHostsEncodings) {
  for (HostMode mode : {HostMode::AfterEffects, HostMode::PremierePro}) {
    SimulatedHost host(mode, ScriptedEntry);
    host.SetRenderQuality(PF_Quality_LO);
    HostImage input(HostPixelFormat::BGRA8, 8, 6);
    HostImage output(HostPixelFormat::BGRA8, 8, 6, 4, RowOrder::BottomUp);
    output.SetExtentHint(PF_LRect{1, 2, 7, 5});
    EffectSettings settings;
    settings.Choice(PARAM_QUALITY) = 5;
    settings.Slider(PARAM_CONTRAST) = -12.5;
    settings.Fixed(PARAM_BLEND) = 6553600;
    settings.Checkbox(PARAM_CLAMP_BLACK) = 1;
    const Script script = [&](PF_Cmd cmd, PF_InData* in, PF_OutData*, PF_ParamDef** params,
                              PF_LayerDef* out) {
      if (cmd == PF_Cmd_PARAMS_SETUP) return RegisterTheEffectsParams(in);
      EXPECT_EQ(cmd, PF_Cmd_RENDER);
      EXPECT_EQ(in->appl_id, mode == HostMode::PremierePro ? 0x50724D72 : kAfterEffectsApplId);
      EXPECT_EQ(in->quality, PF_Quality_LO);
      EXPECT_EQ(out, output.World());
      EXPECT_EQ(in->extent_hint.top, 2);
      EXPECT_EQ(params[0]->u.ld.data, input.World()->data);
      EXPECT_EQ(params[0]->u.ld.rowbytes, input.World()->rowbytes);
      EXPECT_EQ(params[1]->u.pd.value, 5);
      EXPECT_EQ(params[2]->u.fs_d.value, 0.0);
      EXPECT_EQ(params[3]->u.fs_d.value, 1.0);
      EXPECT_EQ(params[4]->u.fs_d.value, 1.0);
      EXPECT_EQ(params[5]->u.fs_d.value, -12.5);
      EXPECT_EQ(params[6]->u.cd.value.alpha, 255);
      EXPECT_EQ(params[6]->u.cd.value.red, 128);
      EXPECT_EQ(params[6]->param_type, PF_Param_COLOR);
      EXPECT_EQ(params[7]->u.fs_d.value, 1.0);
      EXPECT_EQ(params[10]->u.fd.value, 6553600);
      EXPECT_EQ(params[11]->u.bd.value, 0);
      EXPECT_EQ(params[12]->u.bd.value, 1);
      EXPECT_EQ(params[13]->u.bd.value, 1);     // Preserve HDR, on in a new instance
      EXPECT_EQ(params[PARAM_COUNT], nullptr);  // the list ends as the host's lists do
      return PF_Err_NONE;
    };
    EXPECT_EQ(WithScript(script, [&] { return host.Render(settings, input, output); }), 0);
  }
}

TEST(Hosts, RunOnSeveralThreadsAtOnceWithoutSharingState) {
  auto work = [](HostMode mode, const char* suite, int rounds, int* acquired) {
    SimulatedHost host(mode, ScriptedEntry);
    for (int i = 0; i < rounds; ++i) {
      RunScript(host, [&](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
        if (Acquire<void>(in, suite) != nullptr) in->pica_basicP->ReleaseSuite(suite, 1);
        return PF_Err_NONE;
      });
    }
    *acquired = host.Ledger().AcquireCount(suite) + host.Ledger().AcquireCount(kPFANSISuite);
    EXPECT_TRUE(host.Ledger().Balanced());
  };
  int first = 0;
  int second = 0;
  std::thread a(work, HostMode::AfterEffects, kPFColorParamSuite, 500, &first);
  std::thread b(work, HostMode::PremierePro, kPFPixelFormatSuite, 300, &second);
  a.join();
  b.join();
  EXPECT_EQ(first, 500);
  EXPECT_EQ(second, 300);
}

TEST(Commands, OutDataIsLeftAsTheEffectLeftIt) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  host.OutData().out_flags = 0x400;
  const PF_Err err = RunScript(
      host,
      [](PF_Cmd cmd, PF_InData*, PF_OutData* out, PF_ParamDef** params, PF_LayerDef* output) {
        EXPECT_EQ(params, nullptr);
        EXPECT_EQ(output, nullptr);
        out->out_flags |= 0x100;
        return cmd == 29 ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
      },
      29);
  EXPECT_EQ(err, PF_Err_NONE);
  EXPECT_EQ(host.OutData().out_flags, 0x500);
  host.ResetOutData();
  EXPECT_EQ(host.OutData().out_flags, 0);
}

}  // namespace
}  // namespace simhost
