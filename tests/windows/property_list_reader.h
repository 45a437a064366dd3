// Reads a plug-in property list the way a host does: a 10-byte header, then each
// record 16 bytes of head plus its declared data length rounded up to 4.
//
// Written independently of the generator so that tests compare two readings of
// the layout, not the generator with itself. Header-only and standard-only: the
// native tests and the Windows test programs both use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PropertyRecord {
  std::size_t offset = 0;  // of the record's vendor code from the list start
  std::string vendor;      // in reading order, e.g. "8BIM"
  std::string key;         // in reading order, e.g. "kind"
  uint32_t id = 0;
  uint32_t declared_length = 0;
  std::vector<uint8_t> data;     // declared_length bytes
  std::vector<uint8_t> padding;  // the bytes up to the next multiple of 4
};

struct PropertyList {
  uint16_t leading_word = 0;
  uint32_t format_version = 0;
  uint32_t record_count = 0;
  std::vector<PropertyRecord> records;
  std::size_t bytes_read = 0;  // where the last record ended
  std::string error;           // empty when the whole list was read
};

namespace property_list_reader {

inline uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// A four-character code is stored with its first character in the most
// significant byte, so its bytes are read back to front.
inline std::string ReadCode(const uint8_t* p) {
  return std::string{static_cast<char>(p[3]), static_cast<char>(p[2]), static_cast<char>(p[1]),
                     static_cast<char>(p[0])};
}

}  // namespace property_list_reader

inline PropertyList ReadPropertyList(const uint8_t* bytes, std::size_t size) {
  using namespace property_list_reader;
  PropertyList list;
  constexpr std::size_t kHeaderSize = 10;
  constexpr std::size_t kRecordHeadSize = 16;
  if (size < kHeaderSize) {
    list.error = "shorter than the header";
    return list;
  }
  list.leading_word = ReadU16(bytes);
  list.format_version = ReadU32(bytes + 2);
  list.record_count = ReadU32(bytes + 6);
  std::size_t at = kHeaderSize;
  for (uint32_t i = 0; i < list.record_count; ++i) {
    if (size - at < kRecordHeadSize) {
      list.error = "record " + std::to_string(i) + " head runs past the end";
      return list;
    }
    PropertyRecord record;
    record.offset = at;
    record.vendor = ReadCode(bytes + at);
    record.key = ReadCode(bytes + at + 4);
    record.id = ReadU32(bytes + at + 8);
    record.declared_length = ReadU32(bytes + at + 12);
    const std::size_t padded = (static_cast<std::size_t>(record.declared_length) + 3) / 4 * 4;
    const uint8_t* data = bytes + at + kRecordHeadSize;
    if (size - at - kRecordHeadSize < padded) {
      list.error = "record " + std::to_string(i) + " data runs past the end";
      return list;
    }
    record.data.assign(data, data + record.declared_length);
    record.padding.assign(data + record.declared_length, data + padded);
    list.records.push_back(record);
    at += kRecordHeadSize + padded;
  }
  list.bytes_read = at;
  return list;
}
