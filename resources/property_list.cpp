#include "resources/property_list.h"

#include <cstddef>
#include <stdexcept>
#include <string>

#include "host/effect_identity.h"

namespace {

constexpr char kEffectName[] = "Trevane Velmora";
constexpr char kEffectCategory[] = "Trevane";
constexpr char kEntryPointName[] = "EntryPointFunc";

// The 'aeFL' record: a flag word the host defines and expects as 8; the effect
// relies on nothing in it.
constexpr uint32_t kHostFlagWord = 8;

using Bytes = std::vector<uint8_t>;

void AppendU16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFFu));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(Bytes& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<uint8_t>((value >> shift) & 0xFFu));
  }
}

void AppendCode(Bytes& out, const char (&code)[5]) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(code[i]));
}

void PadToFour(Bytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

Bytes Value32(uint32_t value) {
  Bytes data;
  AppendU32(data, value);
  return data;
}

Bytes Code32(const char (&code)[5]) {
  Bytes data;
  AppendCode(data, code);
  return data;
}

Bytes VersionPair(uint16_t major, uint16_t minor) {
  Bytes data;
  AppendU16(data, major);
  AppendU16(data, minor);
  return data;
}

// Declared length 2; the record's own padding supplies the two zero bytes after it.
Bytes Value16(uint16_t value) {
  Bytes data;
  AppendU16(data, value);
  return data;
}

// The length byte limits a counted text to 255 characters; a longer one would
// silently wrap, so it is refused instead.
Bytes CountedText(const std::string& text) {
  if (text.size() > 255) throw std::length_error("counted text longer than 255 characters");
  Bytes data;
  data.push_back(static_cast<uint8_t>(text.size()));
  data.insert(data.end(), text.begin(), text.end());
  PadToFour(data);
  return data;
}

Bytes TerminatedText(const std::string& text) {
  Bytes data(text.begin(), text.end());
  data.push_back(0);
  PadToFour(data);
  return data;
}

void AppendRecord(Bytes& out, const char (&key)[5], const Bytes& data) {
  AppendCode(out, "8BIM");
  AppendCode(out, key);
  AppendU32(out, 0);  // property id
  AppendU32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  // Records follow one another at multiples of 4 past the record start, not of the
  // list start: the header is 10 bytes long.
  for (std::size_t i = data.size(); i % 4 != 0; ++i) out.push_back(0);
}

}  // namespace

std::vector<uint8_t> PropertyListBytes() {
  Bytes records;
  uint32_t count = 0;
  auto add = [&](const char(&key)[5], const Bytes& data) {
    AppendRecord(records, key, data);
    ++count;
  };
  add("kind", Code32("eFKT"));
  add("name", CountedText(kEffectName));
  add("catg", CountedText(kEffectCategory));
  add("8664", TerminatedText(kEntryPointName));
  add("ePVR", VersionPair(2, 0));
  add("eSVR", VersionPair(static_cast<uint16_t>(kEffectInterfaceMajor),
                          static_cast<uint16_t>(kEffectInterfaceMinor)));
  add("eVER", Value32(kEffectVersion));
  add("eINF", Value16(0));
  add("eGLO", Value32(static_cast<uint32_t>(kEffectOutFlags)));
  add("eGL2", Value32(static_cast<uint32_t>(kEffectOutFlags2)));
  add("eMNA", CountedText(kEffectName));
  add("aeFL", Value32(kHostFlagWord));

  Bytes list;
  AppendU16(list, 1);
  AppendU32(list, 0);  // format version
  AppendU32(list, count);
  list.insert(list.end(), records.begin(), records.end());
  return list;
}
