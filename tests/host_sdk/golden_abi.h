// The host's compiler-printed layout and constants ("golden" files), read into
// maps, and the rows a test builds from our declarations to compare with them.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace golden_abi {

// A record row: `name` is the record, `first` its size. A member row: `name` is
// "Record.path", `first` the offset from the start of the record, `second` the size.
struct LayoutRow {
  std::string name;
  bool is_record;
  int64_t first;
  int64_t second;
};

template <typename Record>
LayoutRow RecordRow(const char* name) {
  // offsetof is only defined for standard-layout types, and the host copies and clears
  // these records as plain bytes.
  static_assert(std::is_standard_layout_v<Record> && std::is_trivial_v<Record>,
                "host records must stay standard-layout PODs");
  return {name, true, static_cast<int64_t>(sizeof(Record)), 0};
}

inline LayoutRow MemberRow(const char* name, size_t offset, size_t size) {
  return {name, false, static_cast<int64_t>(offset), static_cast<int64_t>(size)};
}

#define SIZE_ROW(Record) golden_abi::RecordRow<Record>(#Record)
#define MEMBER_ROW(Record, path)                                   \
  golden_abi::MemberRow(#Record "." #path, offsetof(Record, path), \
                        sizeof(std::declval<Record&>().path))

struct ConstantRow {
  std::string name;
  std::string value;  // decimal, or the text in double quotes for suite names
};

inline ConstantRow ValueRow(const char* name, int64_t value) {
  return {name, std::to_string(value)};
}

inline ConstantRow StringRow(const char* name, const char* text) {
  return {name, std::string("\"") + text + "\""};
}

#define VALUE_ROW(name) golden_abi::ValueRow(#name, static_cast<int64_t>(name))
#define STRING_ROW(name) golden_abi::StringRow(#name, name)

inline std::string Key(const LayoutRow& row) {
  return row.is_record ? row.name + " sizeof" : row.name;
}

inline std::string Describe(const LayoutRow& row) {
  if (row.is_record) return "sizeof " + std::to_string(row.first);
  return "offset " + std::to_string(row.first) + " size " + std::to_string(row.second);
}

// "Record" for "Record sizeof" and for "Record.member.path".
inline std::string RecordOf(const std::string& name) {
  return name.substr(0, name.find('.'));
}

inline std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "cannot open " << path;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// The host's layout, keyed like Key(): "Record sizeof" or "Record.member.path".
inline std::map<std::string, LayoutRow> ReadLayout(const std::string& path) {
  std::map<std::string, LayoutRow> host;
  for (const std::string& line : ReadLines(path)) {
    std::istringstream fields(line);
    std::string name, second_field;
    int64_t number = 0;
    if (!(fields >> name >> second_field >> number)) {
      ADD_FAILURE() << "unreadable line: " << line;
      continue;
    }
    LayoutRow row{name, second_field == "sizeof", 0, 0};
    if (row.is_record) {
      row.first = number;
    } else {
      row.first = std::stoll(second_field);
      row.second = number;
    }
    host.emplace(Key(row), row);
  }
  return host;
}

inline std::map<std::string, std::string> ReadConstants(const std::string& path) {
  std::map<std::string, std::string> host;
  for (const std::string& line : ReadLines(path)) {
    const size_t space = line.find(' ');
    if (space == std::string::npos) {
      ADD_FAILURE() << "unreadable line: " << line;
      continue;
    }
    host.emplace(line.substr(0, space), line.substr(space + 1));
  }
  return host;
}

// Every declared row equals the host's, and no row is listed twice.
inline void ExpectDeclaredRowsMatch(const std::vector<LayoutRow>& declared,
                                    const std::map<std::string, LayoutRow>& host) {
  ASSERT_FALSE(host.empty());
  std::map<std::string, int> seen;
  for (const LayoutRow& row : declared) {
    EXPECT_EQ(++seen[Key(row)], 1) << "row listed twice: " << Key(row);
    const auto expected = host.find(Key(row));
    if (expected == host.end()) {
      ADD_FAILURE() << row.name << ": not in the host's layout (actual " << Describe(row) << ")";
      continue;
    }
    EXPECT_EQ(Describe(expected->second), Describe(row))
        << row.name << ": expected " << Describe(expected->second) << ", actual " << Describe(row);
  }
}

// A member the host has but the table (and so the declaration) lacks would pass
// the check above; this one catches it for every record the table names.
inline void ExpectEveryHostRowOfDeclaredRecordsChecked(
    const std::vector<LayoutRow>& declared, const std::map<std::string, LayoutRow>& host) {
  std::map<std::string, int> records, keys;
  for (const LayoutRow& row : declared) {
    ++records[RecordOf(row.name)];
    ++keys[Key(row)];
  }
  for (const auto& [key, expected] : host) {
    if (records.count(RecordOf(expected.name)) == 0) continue;
    EXPECT_EQ(keys.count(key), 1u) << expected.name << ": the host has it at " << Describe(expected)
                                   << ", our table does not check it";
  }
}

inline void ExpectDeclaredConstantsMatch(const std::vector<ConstantRow>& declared,
                                         const std::map<std::string, std::string>& host) {
  ASSERT_FALSE(host.empty());
  std::map<std::string, int> seen;
  for (const ConstantRow& row : declared) {
    EXPECT_EQ(++seen[row.name], 1) << "row listed twice: " << row.name;
    const auto expected = host.find(row.name);
    if (expected == host.end()) {
      ADD_FAILURE() << row.name << ": not among the host's constants (actual " << row.value << ")";
      continue;
    }
    EXPECT_EQ(expected->second, row.value)
        << row.name << ": expected " << expected->second << ", actual " << row.value;
  }
}

}  // namespace golden_abi
