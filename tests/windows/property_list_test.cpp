#include "resources/property_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "simhost/module.h"
#include "tests/windows/property_list_expectations.h"
#include "tests/windows/property_list_reader.h"

namespace {

// The whole list, written out by hand from the published layout: header, then one
// line a field. Codes appear byte-reversed; each field is its own literal so that
// no escape runs into the next field's characters.
const std::string& HandWrittenList() {
  static const char bytes[] =
      "\1\0"
      "\0\0\0\0"
      "\x0C\0\0\0"
      "MIB8"
      "dnik"
      "\0\0\0\0"
      "\4\0\0\0"
      "TKFe"
      "MIB8"
      "eman"
      "\0\0\0\0"
      "\x10\0\0\0"
      "\x0F"
      "Trevane Velmora"
      "MIB8"
      "gtac"
      "\0\0\0\0"
      "\x08\0\0\0"
      "\x07"
      "Trevane"
      "MIB8"
      "4668"
      "\0\0\0\0"
      "\x10\0\0\0"
      "EntryPointFunc"
      "\0\0"
      "MIB8"
      "RVPe"
      "\0\0\0\0"
      "\4\0\0\0"
      "\2\0"
      "\0\0"
      "MIB8"
      "RVSe"
      "\0\0\0\0"
      "\4\0\0\0"
      "\x0D\0"
      "\x1C\0"
      "MIB8"
      "REVe"
      "\0\0\0\0"
      "\4\0\0\0"
      "\1\0\x09\0"
      "MIB8"
      "FNIe"
      "\0\0\0\0"
      "\2\0\0\0"
      "\0\0"
      "\0\0"
      "MIB8"
      "OLGe"
      "\0\0\0\0"
      "\4\0\0\0"
      "\0\4\0\2"
      "MIB8"
      "2LGe"
      "\0\0\0\0"
      "\4\0\0\0"
      "\x40\x14\0\x08"
      "MIB8"
      "ANMe"
      "\0\0\0\0"
      "\x10\0\0\0"
      "\x0F"
      "Trevane Velmora"
      "MIB8"
      "LFea"
      "\0\0\0\0"
      "\4\0\0\0"
      "\x08\0\0\0";
  static const std::string list(bytes, sizeof bytes - 1);
  return list;
}

TEST(PropertyListTest, BytesEqualTheHandWrittenList) {
  const std::vector<uint8_t> bytes = PropertyListBytes();
  ASSERT_EQ(HandWrittenList().size(), 290u);
  EXPECT_EQ(bytes, BytesOf(HandWrittenList()));
}

TEST(PropertyListTest, ReadsBackAsPublished) {
  ExpectPropertyListAsPublished(PropertyListBytes());
}

TEST(PropertyListTest, TwoByteValueIsFollowedByTwoZeroBytesBeforeTheNextRecord) {
  const std::vector<uint8_t> bytes = PropertyListBytes();
  const PropertyList list = ReadPropertyList(bytes.data(), bytes.size());
  const PropertyRecord* info = FindProperty(list, "eINF");
  const PropertyRecord* flags = FindProperty(list, "eGLO");
  ASSERT_NE(info, nullptr);
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(info->declared_length, 2u);
  EXPECT_EQ(info->padding, (std::vector<uint8_t>{0, 0}));
  // A reader stepping by the declared length alone would land two bytes short.
  EXPECT_EQ(flags->offset, info->offset + 16 + 4);
  EXPECT_NE(property_list_reader::ReadCode(bytes.data() + info->offset + 16 + 2), "8BIM");
  EXPECT_EQ(property_list_reader::ReadCode(bytes.data() + info->offset + 16 + 4), "8BIM");
}

TEST(PropertyListTest, TextsCarryTheirOwnPaddingInTheDeclaredLength) {
  const std::vector<uint8_t> bytes = PropertyListBytes();
  const PropertyList list = ReadPropertyList(bytes.data(), bytes.size());
  // 1 length byte + 15 characters fill 16 bytes exactly: no padding at all.
  EXPECT_EQ(FindProperty(list, "name")->declared_length, 16u);
  EXPECT_EQ(FindProperty(list, "eMNA")->declared_length, 16u);
  // 1 + 7 = 8, again a multiple of 4.
  EXPECT_EQ(FindProperty(list, "catg")->declared_length, 8u);
  // 14 characters, the NUL and one zero byte.
  EXPECT_EQ(FindProperty(list, "8664")->declared_length, 16u);
  EXPECT_EQ(PropertyEntryPointName(list), "EntryPointFunc");
  for (const PropertyRecord& record : list.records) {
    if (record.key != "eINF") {
      EXPECT_EQ(record.declared_length % 4, 0u) << record.key;
    }
  }
}

TEST(PropertyListTest, ReaderRefusesATruncatedList) {
  const std::vector<uint8_t> bytes = PropertyListBytes();
  for (std::size_t cut : {std::size_t{0}, std::size_t{9}, std::size_t{10 + 15}, bytes.size() - 1}) {
    EXPECT_NE(ReadPropertyList(bytes.data(), cut).error, "") << "cut at " << cut;
  }
}

// The words GlobalSetup stores at run time, read from the native module built
// from the same sources, equal the list's.
TEST(PropertyListTest, WordsEqualWhatTheModulesGlobalSetupStores) {
  const simhost::LoadedModule module(VELMORA_NATIVE_MODULE);
  ASSERT_TRUE(module.IsLoaded()) << module.Error();
  ExpectGlobalSetupStoresTheListsWords(module.Entry(), PropertyListBytes());
}

}  // namespace
