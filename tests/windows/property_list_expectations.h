// What a host must find when it reads the property list: shared by the test of
// the generator's bytes and the test of the resource inside the Windows module.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/effect_identity.h"
#include "simhost/host.h"
#include "tests/windows/property_list_reader.h"

inline const std::vector<std::string>& ExpectedPropertyKeys() {
  static const std::vector<std::string> keys = {"kind", "name", "catg", "8664", "ePVR", "eSVR",
                                                "eVER", "eINF", "eGLO", "eGL2", "eMNA", "aeFL"};
  return keys;
}

inline std::vector<uint8_t> BytesOf(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

inline std::vector<uint8_t> LittleEndian32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

inline const PropertyRecord* FindProperty(const PropertyList& list, const std::string& key) {
  for (const PropertyRecord& record : list.records) {
    if (record.key == key) return &record;
  }
  return nullptr;
}

// The 32-bit value of a record, or a failure when it has none.
inline uint32_t PropertyValue32(const PropertyList& list, const std::string& key) {
  const PropertyRecord* record = FindProperty(list, key);
  EXPECT_NE(record, nullptr) << key;
  if (record == nullptr || record->data.size() != 4) {
    ADD_FAILURE() << key << " is not a 32-bit value";
    return 0;
  }
  return property_list_reader::ReadU32(record->data.data());
}

// The text of the '8664' record up to its NUL: the name of the function to call.
inline std::string PropertyEntryPointName(const PropertyList& list) {
  const PropertyRecord* record = FindProperty(list, "8664");
  if (record == nullptr) return {};
  std::string name;
  for (uint8_t character : record->data) {
    if (character == 0) break;
    name.push_back(static_cast<char>(character));
  }
  return name;
}

inline void ExpectCountedText(const PropertyRecord& record, const std::string& text) {
  std::vector<uint8_t> expected{static_cast<uint8_t>(text.size())};
  expected.insert(expected.end(), text.begin(), text.end());
  while (expected.size() % 4 != 0) expected.push_back(0);
  EXPECT_EQ(record.data, expected) << record.key;
}

// Walks the whole list as a host does and checks every record against the
// published layout and values.
inline void ExpectPropertyListAsPublished(const std::vector<uint8_t>& bytes) {
  const PropertyList list = ReadPropertyList(bytes.data(), bytes.size());
  ASSERT_EQ(list.error, "");
  EXPECT_EQ(list.leading_word, 1);
  EXPECT_EQ(list.format_version, 0u);
  EXPECT_EQ(list.record_count, 12u);
  EXPECT_EQ(list.bytes_read, bytes.size()) << "bytes after the last record";

  std::vector<std::string> keys;
  for (const PropertyRecord& record : list.records) {
    keys.push_back(record.key);
    EXPECT_EQ(record.vendor, "8BIM") << record.key;
    EXPECT_EQ(record.id, 0u) << record.key;
    EXPECT_EQ(record.padding, std::vector<uint8_t>(record.padding.size(), 0)) << record.key;
  }
  ASSERT_EQ(keys, ExpectedPropertyKeys());

  EXPECT_EQ(FindProperty(list, "kind")->data, BytesOf("TKFe"));  // 'eFKT', reversed
  ExpectCountedText(*FindProperty(list, "name"), "Trevane Velmora");
  ExpectCountedText(*FindProperty(list, "catg"), "Trevane");
  EXPECT_EQ(FindProperty(list, "8664")->data, BytesOf(std::string("EntryPointFunc\0\0", 16)));
  EXPECT_EQ(FindProperty(list, "ePVR")->data, (std::vector<uint8_t>{2, 0, 0, 0}));
  EXPECT_EQ(FindProperty(list, "eSVR")->data, (std::vector<uint8_t>{13, 0, 28, 0}));
  EXPECT_EQ(FindProperty(list, "eVER")->data, LittleEndian32(0x90001u));
  EXPECT_EQ(FindProperty(list, "eINF")->data, (std::vector<uint8_t>{0, 0}));
  EXPECT_EQ(FindProperty(list, "eGLO")->data, LittleEndian32(0x02000400u));
  EXPECT_EQ(FindProperty(list, "eGL2")->data, LittleEndian32(0x8001440u));
  ExpectCountedText(*FindProperty(list, "eMNA"), "Trevane Velmora");
  EXPECT_EQ(FindProperty(list, "aeFL")->data, LittleEndian32(8u));

  EXPECT_EQ(PropertyValue32(list, "eVER"), kEffectVersion);
  EXPECT_EQ(PropertyValue32(list, "eGLO"), static_cast<uint32_t>(kEffectOutFlags));
  EXPECT_EQ(PropertyValue32(list, "eGL2"), static_cast<uint32_t>(kEffectOutFlags2));
}

// The words GlobalSetup stores at run time, in both hosts, are the list's.
inline void ExpectGlobalSetupStoresTheListsWords(simhost::EntryPointFunction entry,
                                                 const std::vector<uint8_t>& bytes) {
  const PropertyList list = ReadPropertyList(bytes.data(), bytes.size());
  for (simhost::HostMode mode : {simhost::HostMode::AfterEffects, simhost::HostMode::PremierePro}) {
    simhost::SimulatedHost host(mode, entry);
    ASSERT_EQ(host.GlobalSetup(), 0);
    EXPECT_EQ(host.OutData().my_version, PropertyValue32(list, "eVER"));
    EXPECT_EQ(static_cast<uint32_t>(host.OutData().out_flags), PropertyValue32(list, "eGLO"));
    EXPECT_EQ(static_cast<uint32_t>(host.OutData().out_flags2), PropertyValue32(list, "eGL2"));
    EXPECT_TRUE(host.Ledger().Balanced()) << host.Ledger().Describe();
  }
}
