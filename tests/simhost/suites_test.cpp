// The basic suite, the ledger, fault injection and each suite's services.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "host_sdk/smart_suites.h"
#include "scripted_effect.h"

namespace simhost {
namespace {

struct NamedSuite {
  const char* name;
  int32_t version;
};

// Every suite the host hands out, with the version it knows.
const NamedSuite kEverySuite[] = {{kPFANSISuite, 1},
                                  {kPFPixelFormatSuite, 1},
                                  {kPFColorParamSuite, 1},
                                  {kPFIterate8Suite, 1},
                                  {kPFIterate16Suite, 1},
                                  {kPFWorldTransformSuite, 1},
                                  {kPFWorldSuite, kPFWorldSuiteVersion2},
                                  {kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1}};

TEST(BasicSuite, HandsOutEverySuiteAndLedgersEachCall) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  const PF_Err err =
      RunScript(host, [](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
        for (const NamedSuite& suite : kEverySuite) {
          SPErr code = -1;
          EXPECT_NE(Acquire<void>(in, suite.name, &code, suite.version), nullptr) << suite.name;
          EXPECT_EQ(code, kSPNoError);
        }
        for (const NamedSuite& suite : kEverySuite) {
          in->pica_basicP->ReleaseSuite(suite.name, suite.version);
        }
        return PF_Err_NONE;
      });
  EXPECT_EQ(err, PF_Err_NONE);
  const auto& entries = host.Ledger().Entries();
  ASSERT_EQ(entries.size(), 2 * std::size(kEverySuite));
  EXPECT_EQ(entries[3].name, "PF Iterate8 Suite");
  EXPECT_EQ(entries[3].kind, SuiteLedgerEntry::Kind::Acquire);
  EXPECT_EQ(entries[std::size(kEverySuite) + 4].name, "PF iterate16 Suite");
  EXPECT_EQ(entries[std::size(kEverySuite) + 4].kind, SuiteLedgerEntry::Kind::Release);
  EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
}

TEST(BasicSuite, UnknownNamesAndVersionsAreRefusedWithANullSuite) {
  SimulatedHost host(HostMode::PremierePro, ScriptedEntry);
  RunScript(host, [](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
    SPErr code = 0;
    EXPECT_EQ(Acquire<void>(in, "PF Pixel Format Suite", &code, 2), nullptr);
    EXPECT_EQ(code, kSuiteNotFound);
    EXPECT_EQ(Acquire<void>(in, "PF Iterate16 Suite", &code), nullptr);  // the name is "iterate16"
    EXPECT_EQ(code, kSuiteNotFound);
    return PF_Err_NONE;
  });
  EXPECT_EQ(host.Ledger().AcquireCount("PF Pixel Format Suite"), 1);
  EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
}

TEST(SuiteLedger, LeaksAndOverReleasesAreUnbalanced) {
  SuiteLedger leak;
  leak.RecordAcquire("A", 1, 0, true);
  EXPECT_FALSE(leak.Balanced());
  EXPECT_NE(leak.Describe().find("never released: \"A\""), std::string::npos);
  leak.RecordRelease("A", 2, 0);  // another version is another suite
  EXPECT_FALSE(leak.Balanced());

  SuiteLedger over;
  over.RecordAcquire("B", 1, 0, true);
  over.RecordRelease("B", 1, 0);
  over.RecordRelease("B", 1, 0);
  EXPECT_FALSE(over.Balanced());
  EXPECT_NE(over.Describe().find("released without a reference: \"B\""), std::string::npos);

  SuiteLedger refused;  // an error code lends nothing, even with a pointer
  refused.RecordAcquire("C", 1, 7, true);
  EXPECT_TRUE(refused.Balanced());
  refused.RecordRelease("C", 1, 0);
  EXPECT_FALSE(refused.Balanced());
}

TEST(FaultPlan, EachKindOfSuiteFailure) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  host.Faults()
      .FailSuite(kPFColorParamSuite)
      .FailSuite(kPFIterate8Suite, SuiteFault::Kind::CodeWithPointer, 42)
      .FailSuite(kPFIterate16Suite, SuiteFault::Kind::ZeroWithoutSuite);
  host.Faults().release_code = 9;
  RunScript(host, [](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
    SPErr code = 0;
    EXPECT_EQ(Acquire<void>(in, kPFColorParamSuite, &code), nullptr);
    EXPECT_EQ(code, kSuiteNotFound);
    EXPECT_NE(Acquire<void>(in, kPFIterate8Suite, &code), nullptr);
    EXPECT_EQ(code, 42);
    EXPECT_EQ(Acquire<void>(in, kPFIterate16Suite, &code), nullptr);
    EXPECT_EQ(code, kSPNoError);
    EXPECT_NE(Acquire<void>(in, kPFANSISuite, &code), nullptr);  // not named in the plan
    EXPECT_EQ(in->pica_basicP->ReleaseSuite(kPFANSISuite, 1), 9);
    return PF_Err_NONE;
  });
  EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
  EXPECT_EQ(host.Ledger().Entries().back().code, 9);
}

TEST(FaultPlan, NoBasicSuiteAtAll) {
  SimulatedHost host(HostMode::PremierePro, ScriptedEntry);
  host.Faults().no_basic_suite = true;
  const PF_Err err =
      RunScript(host, [](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
        return in->pica_basicP == nullptr ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
      });
  EXPECT_EQ(err, PF_Err_NONE);
  EXPECT_TRUE(host.Ledger().Entries().empty());
}

TEST(ColorParamSuite, ConvertsEachByteOver255InSinglePrecision) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  RunScript(host, [](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
    const auto* suite = Acquire<PF_ColorParamSuite1>(in, kPFColorParamSuite);
    PF_ParamDef def{};
    def.param_type = PF_Param_COLOR;
    for (int b = 0; b < 256; ++b) {
      const auto byte = static_cast<A_u_char>(b);
      def.u.cd.value = PF_Pixel{byte, byte, static_cast<A_u_char>(255 - b), 0};
      PF_PixelFloat colour{};
      EXPECT_EQ(suite->PF_GetFloatingPointColorFromColorDef(in->effect_ref, &def, &colour), 0);
      EXPECT_EQ(colour.red, static_cast<float>(b / 255.0)) << b;
      EXPECT_EQ(colour.alpha, colour.red);
      EXPECT_EQ(colour.green, static_cast<float>((255 - b) / 255.0)) << b;
      EXPECT_EQ(colour.blue, 0.0f);
    }
    def.param_type = PF_Param_FLOAT_SLIDER;
    PF_PixelFloat colour{};
    EXPECT_EQ(suite->PF_GetFloatingPointColorFromColorDef(in->effect_ref, &def, &colour),
              PF_Err_BAD_CALLBACK_PARAM);
    in->pica_basicP->ReleaseSuite(kPFColorParamSuite, 1);
    return PF_Err_NONE;
  });
  EXPECT_EQ(host.ColorConversions(), 257);
}

TEST(ColorParamSuite, AnInjectedCodeLeavesTheColourUnwritten) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  host.Faults().color_conversion_code = 1;
  RunScript(host, [](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
    const auto* suite = Acquire<PF_ColorParamSuite1>(in, kPFColorParamSuite);
    PF_ParamDef def{};
    def.param_type = PF_Param_COLOR;
    def.u.cd.value = PF_Pixel{255, 255, 255, 255};
    PF_PixelFloat colour{-2.0f, -2.0f, -2.0f, -2.0f};
    EXPECT_EQ(suite->PF_GetFloatingPointColorFromColorDef(in->effect_ref, &def, &colour), 1);
    EXPECT_EQ(colour.red, -2.0f);
    in->pica_basicP->ReleaseSuite(kPFColorParamSuite, 1);
    return PF_Err_NONE;
  });
}

TEST(PixelFormatSuite, RecordsRegistrationsAndReportsTheChosenFormat) {
  SimulatedHost host(HostMode::PremierePro, ScriptedEntry);
  HostImage bgra(HostPixelFormat::BGRA8, 2, 2);
  HostImage floats(HostPixelFormat::BGRAFloat, 2, 2);
  auto report = [&](PF_EffectWorld* world, PF_Err* code) {
    PrPixelFormat format = 1234;
    *code = WithScript(
        [&](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
          const auto* suite = Acquire<PF_PixelFormatSuite1>(in, kPFPixelFormatSuite);
          const PF_Err err = suite->GetPixelFormat(world, &format);
          in->pica_basicP->ReleaseSuite(kPFPixelFormatSuite, 1);
          return err;
        },
        [&] { return host.Call(PF_Cmd_RENDER); });
    return format;
  };
  PF_Err code = -1;
  EXPECT_EQ(report(bgra.World(), &code), PrPixelFormat_BGRA_4444_8u);
  EXPECT_EQ(report(floats.World(), &code), PrPixelFormat_BGRA_4444_32f);
  host.SetReportedPixelFormat(PrPixelFormat_VUYA_4444_8u);
  EXPECT_EQ(report(floats.World(), &code), PrPixelFormat_VUYA_4444_8u);
  host.SetPixelFormatReport(PixelFormatReport::LeaveUnchanged);
  host.Faults().get_pixel_format_code = 77;
  EXPECT_EQ(report(floats.World(), &code), 1234);
  EXPECT_EQ(code, 77);
  EXPECT_EQ(host.GetPixelFormatCalls(), 4);

  RunScript(host, [](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
    const auto* suite = Acquire<PF_PixelFormatSuite1>(in, kPFPixelFormatSuite);
    suite->AddSupportedPixelFormat(in->effect_ref, PrPixelFormat_VUYA_4444_8u);
    suite->ClearSupportedPixelFormats(in->effect_ref);
    suite->AddSupportedPixelFormat(in->effect_ref, PrPixelFormat_BGRA_4444_32f);
    suite->AddSupportedPixelFormat(in->effect_ref, PrPixelFormat_BGRA_4444_8u);
    EXPECT_EQ(
        suite->NewWorldOfPixelFormat(in->effect_ref, 1, 1, 0, PrPixelFormat_BGRA_4444_8u, nullptr),
        PF_Err_INVALID_CALLBACK);
    in->pica_basicP->ReleaseSuite(kPFPixelFormatSuite, 1);
    return PF_Err_NONE;
  });
  EXPECT_EQ(host.ClearSupportedPixelFormatsCalls(), 1);
  EXPECT_EQ(host.SupportedPixelFormats(),
            (std::vector<PrPixelFormat>{PrPixelFormat_BGRA_4444_32f, PrPixelFormat_BGRA_4444_8u}));
  EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
}

TEST(WorldTransformSuite, CopiesAndRecordsWhichCopy) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  HostImage src(HostPixelFormat::ARGB16, 5, 4, 6);
  HostImage dst(HostPixelFormat::ARGB16, 5, 4, 0, RowOrder::BottomUp);
  src.FillPattern(11);
  RunScript(host, [&](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
    const auto* suite = Acquire<PF_WorldTransformSuite1>(in, kPFWorldTransformSuite);
    EXPECT_EQ(suite->copy_hq(in->effect_ref, src.World(), dst.World(), nullptr, nullptr), 0);
    EXPECT_EQ(suite->copy(in->effect_ref, src.World(), dst.World(), nullptr, nullptr), 0);
    in->pica_basicP->ReleaseSuite(kPFWorldTransformSuite, 1);
    return PF_Err_NONE;
  });
  EXPECT_EQ(dst.PixelBytes(), src.PixelBytes());
  EXPECT_TRUE(dst.GuardsIntact());
  ASSERT_EQ(host.Copies().size(), 2u);
  EXPECT_EQ(host.Copies()[0].via, CopyVia::WorldTransformHQ);
  EXPECT_EQ(host.Copies()[1].via, CopyVia::WorldTransform);
  EXPECT_EQ(host.Copies()[1].dst, dst.World());
}

TEST(WorldTransformSuite, AnInjectedCopyCodeLeavesTheOutputUntouched) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  host.Faults().copy_code = 5;
  HostImage src(HostPixelFormat::ARGB8, 5, 4);
  HostImage dst(HostPixelFormat::ARGB8, 5, 4);
  src.FillPattern(1);
  const auto before = dst.PixelBytes();
  const PF_Err err =
      RunScript(host, [&](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
        return UsingSuite<PF_WorldTransformSuite1>(in, kPFWorldTransformSuite, [&](auto& suite) {
          return suite.copy(in->effect_ref, src.World(), dst.World(), nullptr, nullptr);
        });
      });
  EXPECT_EQ(err, 5);
  EXPECT_EQ(dst.PixelBytes(), before);
  EXPECT_EQ(host.Copies().at(0).result, 5);
}

// Writes the inverted input and remembers nothing: a pixel function an effect
// could hand to iterate.
PF_Err Invert8(void*, A_long, A_long, PF_Pixel* in, PF_Pixel* out) {
  *out = PF_Pixel{in->alpha, static_cast<A_u_char>(255 - in->red),
                  static_cast<A_u_char>(255 - in->green), static_cast<A_u_char>(255 - in->blue)};
  return PF_Err_NONE;
}
PF_Err Invert16(void*, A_long, A_long, PF_Pixel16* in, PF_Pixel16* out) {
  *out = PF_Pixel16{in->alpha, static_cast<A_u_short>(32768 - in->red), in->green, in->blue};
  return PF_Err_NONE;
}

TEST(IterateSuites, RunOverTheWholeWorldAndRecordTheCall) {
  for (int threads : {1, 3}) {
    SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
    host.SetThreadCount(threads);
    HostImage src8(HostPixelFormat::ARGB8, 9, 11, 4);
    HostImage dst8(HostPixelFormat::ARGB8, 9, 11, 0, RowOrder::BottomUp);
    HostImage src16(HostPixelFormat::ARGB16, 9, 11);
    HostImage dst16(HostPixelFormat::ARGB16, 9, 11, 8);
    src8.FillPattern(2);
    src16.FillPattern(2);
    int refcon = 0;
    RunScript(host, [&](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
      const auto* it8 = Acquire<PF_Iterate8Suite1>(in, kPFIterate8Suite);
      const auto* it16 = Acquire<PF_Iterate16Suite1>(in, kPFIterate16Suite);
      EXPECT_EQ(it8->iterate(in, 0, 11, src8.World(), nullptr, &refcon, Invert8, dst8.World()), 0);
      EXPECT_EQ(it16->iterate(in, 2, 7, src16.World(), nullptr, &refcon, Invert16, dst16.World()),
                0);
      in->pica_basicP->ReleaseSuite(kPFIterate8Suite, 1);
      in->pica_basicP->ReleaseSuite(kPFIterate16Suite, 1);
      return PF_Err_NONE;
    });
    EXPECT_EQ(dst8.At<PF_Pixel>(8, 10).red, 255 - src8.At<PF_Pixel>(8, 10).red);
    EXPECT_EQ(dst16.At<PF_Pixel16>(0, 0).red, 32768 - src16.At<PF_Pixel16>(0, 0).red);
    EXPECT_TRUE(dst8.GuardsIntact());
    EXPECT_TRUE(dst16.GuardsIntact());
    ASSERT_EQ(host.Iterations().size(), 2u);
    const IterateRecord& deep = host.Iterations()[1];
    EXPECT_EQ(deep.via, IterateVia::Iterate16Suite);
    EXPECT_EQ(deep.progress_base, 2);
    EXPECT_EQ(deep.progress_final, 7);
    EXPECT_FALSE(deep.area_given);
    EXPECT_EQ(deep.pixels_visited, 99);
    EXPECT_EQ(deep.refcon, &refcon);
  }
}

TEST(IterateSuites, AnInjectedCodeVisitsNoPixel) {
  SimulatedHost host(HostMode::PremierePro, ScriptedEntry);
  host.Faults().iterate_code = 517;
  HostImage src(HostPixelFormat::BGRA8, 4, 4);
  HostImage dst(HostPixelFormat::BGRA8, 4, 4);
  src.FillPattern(3);
  const auto before = dst.PixelBytes();
  const PF_Err err =
      RunScript(host, [&](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
        return UsingSuite<PF_Iterate8Suite1>(in, kPFIterate8Suite, [&](auto& suite) {
          return suite.iterate(in, 0, 4, src.World(), nullptr, nullptr, Invert8, dst.World());
        });
      });
  EXPECT_EQ(err, 517);
  EXPECT_EQ(dst.PixelBytes(), before);
  EXPECT_EQ(host.Iterations().at(0).pixels_visited, 0);
}

TEST(IterateSuites, ASourceSmallerThanTheAreaIsRefused) {
  SimulatedHost host(HostMode::AfterEffects, ScriptedEntry);
  HostImage src(HostPixelFormat::ARGB8, 4, 3);
  HostImage dst(HostPixelFormat::ARGB8, 4, 4);
  const PF_Err err =
      RunScript(host, [&](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
        return in->utils->iterate(in, 0, 4, src.World(), nullptr, nullptr, Invert8, dst.World());
      });
  EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_TRUE(src.GuardsIntact());
}

}  // namespace
}  // namespace simhost
