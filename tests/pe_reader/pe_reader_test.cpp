#include "pe_reader/pe_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

namespace {

void Put16(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}
uint32_t Code(const char* four) {  // first character in the most significant byte
  return static_cast<uint32_t>(four[0]) << 24 | static_cast<uint32_t>(four[1]) << 16 |
         static_cast<uint32_t>(four[2]) << 8 | static_cast<uint32_t>(four[3]);
}

std::vector<uint8_t> Pipl() {
  std::vector<uint8_t> list(10 + 20 + 20 + 20, 0);
  Put16(list, 0, 1);
  Put32(list, 6, 3);
  Put32(list, 10, Code("8BIM"));
  Put32(list, 14, Code("kind"));
  Put32(list, 22, 4);
  Put32(list, 26, Code("eFKT"));
  Put32(list, 30, Code("8BIM"));
  Put32(list, 34, Code("eINF"));
  Put32(list, 42, 2);  // a 16-bit value padded to 4 bytes
  Put32(list, 50, Code("8BIM"));
  Put32(list, 54, Code("ePVR"));
  Put32(list, 62, 4);
  Put16(list, 66, 2);
  Put16(list, 68, 0);
  return list;
}

// A minimal 64-bit module with one section holding the resource tree
// "PIPL" / 16000 / 1033.
std::vector<uint8_t> Module(const std::vector<uint8_t>& data, const char* type = "PIPL") {
  const std::size_t raw = 0x200;
  const uint32_t rva = 0x1000;
  std::vector<uint8_t> b(raw + 0x68 + data.size(), 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, 0x40);
  Put32(b, 0x40, 0x00004550);
  Put16(b, 0x44, 0x8664);
  Put16(b, 0x46, 1);
  Put16(b, 0x54, 240);
  const std::size_t optional = 0x58;
  Put16(b, optional, 0x20B);
  Put32(b, optional + 108, 16);
  Put32(b, optional + 112 + 16, rva);
  Put32(b, optional + 112 + 20, static_cast<uint32_t>(0x68 + data.size()));
  const std::size_t section = optional + 240;
  Put32(b, section + 8, static_cast<uint32_t>(0x68 + data.size()));
  Put32(b, section + 12, rva);
  Put32(b, section + 16, static_cast<uint32_t>(0x68 + data.size()));
  Put32(b, section + 20, raw);
  Put16(b, raw + 12, 1);  // root: one named entry
  Put32(b, raw + 16, 0x80000000u | 0x58);
  Put32(b, raw + 20, 0x80000000u | 0x18);
  Put16(b, raw + 0x18 + 14, 1);  // names: one id entry
  Put32(b, raw + 0x18 + 16, 16000);
  Put32(b, raw + 0x18 + 20, 0x80000000u | 0x30);
  Put16(b, raw + 0x30 + 14, 1);  // languages
  Put32(b, raw + 0x30 + 16, 1033);
  Put32(b, raw + 0x30 + 20, 0x48);
  Put32(b, raw + 0x48, rva + 0x68);
  Put32(b, raw + 0x48 + 4, static_cast<uint32_t>(data.size()));
  Put16(b, raw + 0x58, 4);
  for (int i = 0; i < 4; ++i) Put16(b, raw + 0x5A + 2 * i, static_cast<uint8_t>(type[i]));
  std::copy(data.begin(), data.end(), b.begin() + raw + 0x68);
  return b;
}

TEST(PeReader, FindsThePropertyListAndDecodesItsRecords) {
  const std::vector<uint8_t> file = Module(Pipl());
  ASSERT_TRUE(IsPeFile(file));
  const auto resource = FindPeResource(file, "PIPL", 16000);
  ASSERT_TRUE(resource.has_value());
  EXPECT_EQ(resource->language, 1033u);
  EXPECT_EQ(resource->bytes, Pipl());
  const auto properties = ParsePipl(resource->bytes);
  ASSERT_EQ(properties.size(), 3u);
  EXPECT_EQ(properties[0].vendor, "8BIM");
  EXPECT_EQ(DescribePiplValue(properties[0]), "'eFKT'");
  EXPECT_EQ(properties[1].key, "eINF");
  EXPECT_EQ(properties[1].declared_length, 2u);
  // The reader steps over the padding of the 16-bit record to find the next one.
  EXPECT_EQ(properties[2].key, "ePVR");
  EXPECT_EQ(DescribePiplValue(properties[2]), "2.0");
}

// From a file the reader takes only the fields it follows; a file cut short
// after its size was taken is an error, not a short read taken for data.
TEST(PeReader, ReadsAFileFieldByField) {
  const std::vector<uint8_t> module = Module(Pipl());
  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite(module.data(), 1, module.size(), file), module.size());
  std::fflush(file);
  const auto resource = FindPeResource(PeBytes(fileno(file), module.size()), "PIPL", 16000);
  ASSERT_TRUE(resource.has_value());
  EXPECT_EQ(resource->bytes, Pipl());
  ASSERT_EQ(ftruncate(fileno(file), 0x220), 0);
  EXPECT_THROW(FindPeResource(PeBytes(fileno(file), module.size()), "PIPL", 16000), PeFormatError);
  std::fclose(file);
}

TEST(PeReader, AbsentResourcesAreNoneAndDamagedFilesAreErrors) {
  EXPECT_FALSE(FindPeResource(Module(Pipl()), "PIPL", 16001).has_value());
  EXPECT_FALSE(FindPeResource(Module(Pipl(), "PIPX"), "PIPL", 16000).has_value());
  // A name of another length cannot match, so its units are never read.
  std::vector<uint8_t> long_name = Module(Pipl());
  Put16(long_name, 0x200 + 0x58, 0xFFFF);
  EXPECT_FALSE(FindPeResource(long_name, "PIPL", 16000).has_value());
  std::vector<uint8_t> truncated = Module(Pipl());
  truncated.resize(0x210);
  EXPECT_THROW(FindPeResource(truncated, "PIPL", 16000), PeFormatError);
  std::vector<uint8_t> short_list = Pipl();
  short_list.resize(40);
  EXPECT_THROW(ParsePipl(short_list), PeFormatError);
  EXPECT_FALSE(IsPeFile(std::vector<uint8_t>{'\x7f', 'E', 'L', 'F'}));
}

}  // namespace
