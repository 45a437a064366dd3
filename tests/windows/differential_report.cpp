#include "tests/windows/differential_report.h"

#include <cstdint>
#include <vector>

#include "simhost/host.h"
#include "tests/support/fnv1a.h"
#include "tests/support/random_jobs.h"

namespace {

// The iterate runs on two threads, as a host's does; the frame may not depend
// on it, which the soak test checks on its own.
constexpr int kIterateThreads = 2;

void WriteEscaped(const std::string& text, std::ostream& out) {
  static const char kDigits[] = "0123456789abcdef";
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code < 0x7F && code != '\\') {
      out << c;
    } else {
      out << "\\x" << kDigits[code >> 4] << kDigits[code & 15];
    }
  }
}

}  // namespace

void WriteDifferentialReport(simhost::EntryPointFunction entry, unsigned long seed,
                             unsigned long count, std::ostream& out) {
  velmora_test::JobMaker maker(seed);
  simhost::SimulatedHost after_effects(simhost::HostMode::AfterEffects, entry);
  simhost::SimulatedHost premiere(simhost::HostMode::PremierePro, entry);
  out << "random renders, seed " << seed << ", " << count << " renders\n";
  for (unsigned long i = 0; i < count; ++i) {
    const velmora_test::Job job = maker.Make();
    simhost::SimulatedHost& host =
        job.mode == simhost::HostMode::PremierePro ? premiere : after_effects;
    const velmora_test::JobOutcome outcome = velmora_test::RenderJob(host, job, kIterateThreads);
    out << i << (job.mode == simhost::HostMode::PremierePro ? " premiere " : " aftereffects ")
        << static_cast<int>(job.format) << ' ' << job.width << 'x' << job.height << " code "
        << outcome.err << " flags " << outcome.out_flags << " pixels " << std::hex
        << Fnv1a(outcome.pixels) << std::dec << " ledger "
        << (outcome.balanced ? "balanced" : "UNBALANCED") << " guards "
        << (outcome.guards_intact ? "intact" : "WRITTEN") << " message \"";
    WriteEscaped(outcome.message, out);
    out << "\"\n";
  }
}
