// Drives a module through the whole report (see module_report.h) and writes it
// to a file:  module_driver <module> <report file>
//
// Built natively against Trevane_Velmora.so and for Windows against
// Trevane_Velmora.aex, which it loads through its property list, as a host does.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/windows/module_report.h"

#ifdef _WIN32
#include "tests/windows/resource_module.h"
using ModuleUnderTest = ResourceModule;
#else
using ModuleUnderTest = simhost::LoadedModule;
#endif

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <module> <report file>\n", argv[0]);
    return 2;
  }
  const ModuleUnderTest module(argv[1]);
  if (!module.IsLoaded()) {
    std::fprintf(stderr, "%s\n", module.Error().c_str());
    return 1;
  }
  std::ofstream report(argv[2], std::ios::binary | std::ios::trunc);
  WriteModuleReport(module.Entry(), report);
  report.close();
  if (!report) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
