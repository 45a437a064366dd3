// Writes the property list's bytes to the file named on the command line; the
// module's resource script embeds that file.
//
// Runs on the build machine, also in a cross build, so it uses nothing but the
// standard library.
#include <cstdio>
#include <fstream>
#include <vector>

#include "resources/property_list.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  const std::vector<uint8_t> bytes = PropertyListBytes();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
