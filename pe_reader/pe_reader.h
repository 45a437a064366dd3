// Just enough of the Windows module format to find one resource: the section
// table to map addresses to file offsets, and the three-level resource
// directory (type, name or id, language). Every offset is checked against the
// file, so a damaged or hostile file gives an error, never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class PeFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The bytes the reader looks at: in memory, or an open file read a field at a
// time, so that no more of a file is read than the fields the reader follows.
class PeBytes {
 public:
  PeBytes(const std::vector<uint8_t>& data)  // NOLINT: memory converts implicitly
      : data_(data.data()), size_(data.size()) {}
  PeBytes(int fd, uint64_t size) : fd_(fd), size_(size) {}

  uint64_t size() const { return size_; }
  // Throws PeFormatError when the bytes end before `offset + count`.
  void Read(uint64_t offset, uint8_t* out, uint64_t count) const;

 private:
  const uint8_t* data_ = nullptr;
  int fd_ = -1;
  uint64_t size_;
};

// True when the bytes start like a Windows module ("MZ" and a "PE\0\0" header).
bool IsPeFile(const PeBytes& file);

struct PeResource {
  uint32_t language;
  std::vector<uint8_t> bytes;
};

// The resource of the string type `type_name` (such as "PIPL") and numeric id
// `id`, in the first language present; nullopt when the module has none.
// Throws PeFormatError when the file is not a well-formed module.
std::optional<PeResource> FindPeResource(const PeBytes& file, const std::string& type_name,
                                         uint32_t id);

// One record of a plug-in property list.
struct PiplProperty {
  std::string vendor;  // four characters in reading order, "8BIM"
  std::string key;     // "kind", "name", "8664", ...
  uint32_t id;
  uint32_t declared_length;
  std::vector<uint8_t> data;  // the declared length, without padding
};

// Reads the header (16-bit 1, 32-bit version, 32-bit count) and the records,
// each padded to a multiple of 4. Throws PeFormatError on a short or damaged list.
std::vector<PiplProperty> ParsePipl(const std::vector<uint8_t>& bytes);

// The value decoded for people: texts, version pairs, hex words, codes.
std::string DescribePiplValue(const PiplProperty& property);
