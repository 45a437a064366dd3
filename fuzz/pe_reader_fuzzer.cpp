// Fuzz target for the reader of Windows modules that `velmora info` runs on any
// file it is given: the headers, the section table, the resource tree down to
// the property list, and the property list's records with their decoding. The
// same bytes also go to the property-list parser on their own, so that its
// records are reached without a module around them.
//
// The only failure either may report is PeFormatError. Beyond the sanitizers
// it checks that:
//   - a resource is found only in a file that passes as a module, and is never
//     larger than the file;
//   - every record holds exactly its declared length, with four-character
//     vendor and key, and there are no more records than 16-byte headers fit;
//   - every decoded value is a non-empty text.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "pe_reader/pe_reader.h"

namespace {

constexpr std::size_t kListHeader = 10;
constexpr std::size_t kRecordHeader = 16;

void ParseAndDescribe(const std::vector<uint8_t>& list) {
  std::vector<PiplProperty> properties;
  try {
    properties = ParsePipl(list);
  } catch (const PeFormatError&) {
    return;
  }
  FUZZ_CHECK(kListHeader + kRecordHeader * properties.size() <= list.size());
  for (const PiplProperty& property : properties) {
    FUZZ_CHECK(property.data.size() == property.declared_length);
    FUZZ_CHECK(property.vendor.size() == 4 && property.key.size() == 4);
    try {
      FUZZ_CHECK(!DescribePiplValue(property).empty());
    } catch (const PeFormatError&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<uint8_t> file(data, data + size);
  const bool module = IsPeFile(file);
  try {
    const auto resource = FindPeResource(file, "PIPL", 16000);
    FUZZ_CHECK(module);
    if (resource) {
      FUZZ_CHECK(resource->bytes.size() <= file.size());
      ParseAndDescribe(resource->bytes);
    }
  } catch (const PeFormatError&) {
  }
  ParseAndDescribe(file);
  return 0;
}
