// Writes the golden reports of a module into a folder, as tables.txt and
// frames.txt:  golden_driver <module> <folder>
//
// Built natively against Trevane_Velmora.so and for Windows against
// Trevane_Velmora.aex, which it finds through its property list, as a host does.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/golden/goldens.h"

#ifdef _WIN32
#include "tests/windows/resource_module.h"
using ModuleUnderTest = ResourceModule;
#else
using ModuleUnderTest = simhost::LoadedModule;
#endif

namespace {

template <typename Write>
bool WriteFile(const std::string& path, const Write& write) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  write(file);
  file.close();
  if (!file) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <module> <folder>\n", argv[0]);
    return 2;
  }
  const ModuleUnderTest module(argv[1]);
  if (!module.IsLoaded()) {
    std::fprintf(stderr, "%s\n", module.Error().c_str());
    return 1;
  }
  const std::string folder = argv[2];
  const bool written =
      WriteFile(folder + "/tables.txt", [](std::ostream& out) { WriteTableGoldens(out); }) &&
      WriteFile(folder + "/frames.txt",
                [&](std::ostream& out) { WriteFrameGoldens(module.Entry(), out); });
  return written ? 0 : 1;
}
