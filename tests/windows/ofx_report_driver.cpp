// Writes the image-effect bundle's report (ofx_report.h) to a file:
//   ofx_report_driver <Velmora.ofx> <report file>
// Built natively and for Windows; both load the binary as a host does.
#include <cstdio>
#include <fstream>

#include "tests/windows/ofx_report.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <Velmora.ofx> <report file>\n", argv[0]);
    return 2;
  }
  std::ofstream report(argv[2], std::ios::binary | std::ios::trunc);
  if (!WriteOfxReport(argv[1], report)) {
    std::fprintf(stderr, "%s does not load\n", argv[1]);
    return 1;
  }
  report.close();
  return report ? 0 : 1;
}
