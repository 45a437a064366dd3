// Every suite acquisition and release the effect made, in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace simhost {

struct SuiteLedgerEntry {
  enum class Kind { Acquire, Release };
  Kind kind;
  std::string name;
  std::int32_t version;
  std::int32_t code;  // what the host returned
  bool handed_out;    // Acquire only: a non-null suite pointer was written
};

class SuiteLedger {
 public:
  void RecordAcquire(const char* name, std::int32_t version, std::int32_t code, bool handed_out);
  void RecordRelease(const char* name, std::int32_t version, std::int32_t code);
  void Clear() { entries_.clear(); }

  const std::vector<SuiteLedgerEntry>& Entries() const { return entries_; }
  int AcquireCount(const std::string& name) const;
  int ReleaseCount(const std::string& name) const;

  // True when every release matches an earlier, not yet released acquisition
  // of the same name and version that held a reference, and none is left
  // unreleased. An acquisition holds a reference when the host returned 0 and
  // handed out a pointer: a host that reports an error has lent nothing, so
  // releasing after it is an over-release.
  bool Balanced() const;
  // Readable account of what is unbalanced, for test failure messages.
  std::string Describe() const;

 private:
  std::vector<SuiteLedgerEntry> entries_;
};

}  // namespace simhost
