#include "pe_reader/pe_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr int kResourceDirectoryIndex = 2;

// A resource larger than this is not a property list but a damaged size field.
constexpr uint64_t kLargestResource = 16u << 20;

class Bytes {
 public:
  explicit Bytes(const PeBytes& data) : data_(data) {}

  uint16_t U16(uint64_t offset) const {
    uint8_t b[2];
    data_.Read(offset, b, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  uint32_t U32(uint64_t offset) const {
    uint8_t b[4];
    data_.Read(offset, b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
  }
  std::vector<uint8_t> Slice(uint64_t offset, uint64_t size) const {
    if (size > kLargestResource) {
      throw PeFormatError("damaged: a resource of " + std::to_string(size) + " bytes");
    }
    std::vector<uint8_t> slice(size);
    data_.Read(offset, slice.data(), size);
    return slice;
  }

 private:
  PeBytes data_;
};

struct Section {
  uint32_t virtual_address;
  uint32_t virtual_size;
  uint32_t raw_size;
  uint32_t raw_offset;
};

struct Module {
  std::vector<Section> sections;
  uint32_t resource_rva = 0;
  uint32_t resource_size = 0;
};

Module ReadHeaders(const Bytes& bytes) {
  const uint32_t pe = bytes.U32(0x3C);
  if (bytes.U32(pe) != 0x00004550u) throw PeFormatError("no PE signature");
  const uint16_t section_count = bytes.U16(pe + 6);
  const uint16_t optional_size = bytes.U16(pe + 20);
  const uint64_t optional = pe + 24ull;
  const uint16_t magic = bytes.U16(optional);
  uint64_t directories = 0;
  uint32_t directory_count = 0;
  if (magic == 0x20B) {
    directory_count = bytes.U32(optional + 108);
    directories = optional + 112;
  } else if (magic == 0x10B) {
    directory_count = bytes.U32(optional + 92);
    directories = optional + 96;
  } else {
    throw PeFormatError("unknown optional header magic " + std::to_string(magic));
  }
  Module module;
  if (directory_count > kResourceDirectoryIndex) {
    module.resource_rva = bytes.U32(directories + 8 * kResourceDirectoryIndex);
    module.resource_size = bytes.U32(directories + 8 * kResourceDirectoryIndex + 4);
  }
  const uint64_t table = optional + optional_size;
  for (uint16_t i = 0; i < section_count; ++i) {
    const uint64_t entry = table + 40ull * i;
    module.sections.push_back({bytes.U32(entry + 12), bytes.U32(entry + 8), bytes.U32(entry + 16),
                               bytes.U32(entry + 20)});
  }
  return module;
}

uint64_t FileOffset(const Module& module, uint32_t rva) {
  for (const Section& section : module.sections) {
    const uint64_t extent = std::max(section.virtual_size, section.raw_size);
    if (rva >= section.virtual_address && rva - section.virtual_address < extent) {
      return uint64_t{section.raw_offset} + (rva - section.virtual_address);
    }
  }
  throw PeFormatError("address " + std::to_string(rva) + " lies in no section");
}

// Compares unit by unit and stops at the first difference, the length first: a
// hostile tree can give thousands of entries the same name 65535 units long.
bool NameIs(const Bytes& bytes, uint64_t base, uint32_t name_field, const std::string& wanted) {
  const uint64_t at = base + (name_field & ~kHighBit);
  if (bytes.U16(at) != wanted.size()) return false;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (bytes.U16(at + 2 + 2ull * i) != static_cast<unsigned char>(wanted[i])) return false;
  }
  return true;
}

struct DirectoryEntry {
  uint32_t name_field;
  uint32_t offset_field;
};

std::vector<DirectoryEntry> ReadDirectory(const Bytes& bytes, uint64_t at) {
  const uint32_t count = uint32_t{bytes.U16(at + 12)} + bytes.U16(at + 14);
  std::vector<DirectoryEntry> entries;
  for (uint32_t i = 0; i < count; ++i) {
    entries.push_back({bytes.U32(at + 16 + 8ull * i), bytes.U32(at + 20 + 8ull * i)});
  }
  return entries;
}

std::optional<DirectoryEntry> FindEntry(const std::vector<DirectoryEntry>& entries,
                                        const Bytes& bytes, uint64_t base, const std::string* name,
                                        uint32_t id) {
  for (const DirectoryEntry& entry : entries) {
    const bool named = (entry.name_field & kHighBit) != 0;
    if (name != nullptr ? named && NameIs(bytes, base, entry.name_field, *name)
                        : !named && entry.name_field == id) {
      return entry;
    }
  }
  return std::nullopt;
}

uint64_t Subdirectory(const DirectoryEntry& entry, uint64_t base) {
  if ((entry.offset_field & kHighBit) == 0) throw PeFormatError("resource tree is too shallow");
  return base + (entry.offset_field & ~kHighBit);
}

std::string FourCharacters(const Bytes& bytes, uint64_t at) {
  // Stored as a little-endian word whose most significant byte is the first character.
  const uint32_t word = bytes.U32(at);
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) text += static_cast<char>(word >> shift & 0xFF);
  return text;
}

}  // namespace

void PeBytes::Read(uint64_t offset, uint8_t* out, uint64_t count) const {
  if (offset > size_ || count > size_ - offset) {
    throw PeFormatError("truncated or damaged: a field at offset " + std::to_string(offset) +
                        " lies outside the " + std::to_string(size_) + " bytes");
  }
  if (data_ != nullptr) {
    std::copy(data_ + offset, data_ + offset + count, out);
    return;
  }
  while (count > 0) {
    const ssize_t done = pread(fd_, out, count, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) throw PeFormatError("the file changed or could not be read while being read");
    out += done;
    offset += static_cast<uint64_t>(done);
    count -= static_cast<uint64_t>(done);
  }
}

bool IsPeFile(const PeBytes& file) {
  try {
    const Bytes bytes(file);
    return bytes.U16(0) == 0x5A4D && bytes.U32(bytes.U32(0x3C)) == 0x00004550u;
  } catch (const PeFormatError&) {
    return false;
  }
}

std::optional<PeResource> FindPeResource(const PeBytes& file, const std::string& type_name,
                                         uint32_t id) {
  const Bytes bytes(file);
  if (bytes.U16(0) != 0x5A4D) throw PeFormatError("no MZ header");
  const Module module = ReadHeaders(bytes);
  if (module.resource_rva == 0 || module.resource_size == 0) return std::nullopt;
  const uint64_t base = FileOffset(module, module.resource_rva);

  const auto type = FindEntry(ReadDirectory(bytes, base), bytes, base, &type_name, 0);
  if (!type) return std::nullopt;
  const uint64_t names = Subdirectory(*type, base);
  const auto named = FindEntry(ReadDirectory(bytes, names), bytes, base, nullptr, id);
  if (!named) return std::nullopt;
  const auto languages = ReadDirectory(bytes, Subdirectory(*named, base));
  if (languages.empty()) return std::nullopt;
  if ((languages[0].offset_field & kHighBit) != 0) throw PeFormatError("resource tree too deep");
  const uint64_t data_entry = base + languages[0].offset_field;
  const uint32_t data_rva = bytes.U32(data_entry);
  const uint32_t size = bytes.U32(data_entry + 4);
  return PeResource{languages[0].name_field, bytes.Slice(FileOffset(module, data_rva), size)};
}

std::vector<PiplProperty> ParsePipl(const std::vector<uint8_t>& list) {
  const Bytes bytes(list);
  const uint32_t count = bytes.U32(6);
  std::vector<PiplProperty> properties;
  uint64_t at = 10;
  for (uint32_t i = 0; i < count; ++i) {
    PiplProperty property;
    property.vendor = FourCharacters(bytes, at);
    property.key = FourCharacters(bytes, at + 4);
    property.id = bytes.U32(at + 8);
    property.declared_length = bytes.U32(at + 12);
    property.data = bytes.Slice(at + 16, property.declared_length);
    at += 16 + ((uint64_t{property.declared_length} + 3) & ~uint64_t{3});
    properties.push_back(property);
  }
  return properties;
}

std::string DescribePiplValue(const PiplProperty& property) {
  const std::vector<uint8_t>& data = property.data;
  const Bytes bytes(data);
  const std::string& key = property.key;
  char text[64];
  if (key == "name" || key == "catg" || key == "eMNA") {
    if (data.empty() || data[0] + 1u > data.size()) return "(damaged text)";
    return "\"" + std::string(data.begin() + 1, data.begin() + 1 + data[0]) + "\"";
  }
  if (key == "8664" || key == "mi32" || key == "mi64") {
    std::string name;
    for (uint8_t c : data) {
      if (c == 0) break;
      name += static_cast<char>(c);
    }
    return "\"" + name + "\"";
  }
  if (key == "kind") return "'" + FourCharacters(bytes, 0) + "'";
  if ((key == "ePVR" || key == "eSVR") && data.size() >= 4) {
    std::snprintf(text, sizeof text, "%u.%u", bytes.U16(0), bytes.U16(2));
    return text;
  }
  if (data.size() == 2) {
    std::snprintf(text, sizeof text, "0x%X", bytes.U16(0));
    return text;
  }
  if (data.size() == 4) {
    std::snprintf(text, sizeof text, "0x%X", bytes.U32(0));
    return text;
  }
  return std::to_string(data.size()) + " bytes";
}
