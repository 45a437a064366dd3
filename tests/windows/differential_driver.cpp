// Renders random frames through a module and writes the report of
// differential_report.h:
//
//   differential_driver <module> <report file> [<seed> <count>]
//
// Without a seed and a count it writes the bounded run that the tests compare;
// a longer comparison is the same command with a larger count on both sides.
// Built natively against Trevane_Velmora.so and for Windows against
// Trevane_Velmora.aex, which it loads through its property list, as a host does.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tests/windows/differential_report.h"

#ifdef _WIN32
#include "tests/windows/resource_module.h"
using ModuleUnderTest = ResourceModule;
#else
using ModuleUnderTest = simhost::LoadedModule;
#endif

namespace {

constexpr unsigned long kDefaultSeed = 1;
constexpr unsigned long kDefaultCount = 400;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: %s <module> <report file> [<seed> <count>]\n", argv[0]);
    return 2;
  }
  const unsigned long seed = argc == 5 ? std::strtoul(argv[3], nullptr, 10) : kDefaultSeed;
  const unsigned long count = argc == 5 ? std::strtoul(argv[4], nullptr, 10) : kDefaultCount;
  const ModuleUnderTest module(argv[1]);
  if (!module.IsLoaded()) {
    std::fprintf(stderr, "%s\n", module.Error().c_str());
    return 1;
  }
  std::ofstream report(argv[2], std::ios::binary | std::ios::trunc);
  WriteDifferentialReport(module.Entry(), seed, count, report);
  report.close();
  if (!report) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
