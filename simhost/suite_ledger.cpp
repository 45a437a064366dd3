#include "simhost/suite_ledger.h"

#include <map>
#include <utility>

namespace simhost {
namespace {

using SuiteKey = std::pair<std::string, std::int32_t>;

// Outstanding references per suite and the releases that matched none.
struct Balance {
  std::map<SuiteKey, int> outstanding;
  std::vector<SuiteKey> unmatched_releases;
};

Balance Tally(const std::vector<SuiteLedgerEntry>& entries) {
  Balance balance;
  for (const SuiteLedgerEntry& entry : entries) {
    const SuiteKey key{entry.name, entry.version};
    if (entry.kind == SuiteLedgerEntry::Kind::Acquire) {
      if (entry.code == 0 && entry.handed_out) ++balance.outstanding[key];
    } else if (balance.outstanding[key] > 0) {
      --balance.outstanding[key];
    } else {
      balance.unmatched_releases.push_back(key);
    }
  }
  return balance;
}

}  // namespace

void SuiteLedger::RecordAcquire(const char* name, std::int32_t version, std::int32_t code,
                                bool handed_out) {
  entries_.push_back(SuiteLedgerEntry{SuiteLedgerEntry::Kind::Acquire, name != nullptr ? name : "",
                                      version, code, handed_out});
}

void SuiteLedger::RecordRelease(const char* name, std::int32_t version, std::int32_t code) {
  entries_.push_back(SuiteLedgerEntry{SuiteLedgerEntry::Kind::Release, name != nullptr ? name : "",
                                      version, code, false});
}

int SuiteLedger::AcquireCount(const std::string& name) const {
  int count = 0;
  for (const auto& entry : entries_) {
    count += entry.kind == SuiteLedgerEntry::Kind::Acquire && entry.name == name;
  }
  return count;
}

int SuiteLedger::ReleaseCount(const std::string& name) const {
  int count = 0;
  for (const auto& entry : entries_) {
    count += entry.kind == SuiteLedgerEntry::Kind::Release && entry.name == name;
  }
  return count;
}

bool SuiteLedger::Balanced() const {
  const Balance balance = Tally(entries_);
  if (!balance.unmatched_releases.empty()) return false;
  for (const auto& item : balance.outstanding) {
    if (item.second != 0) return false;
  }
  return true;
}

std::string SuiteLedger::Describe() const {
  std::string text;
  for (const auto& entry : entries_) {
    text += entry.kind == SuiteLedgerEntry::Kind::Acquire ? "acquire " : "release ";
    text += "\"" + entry.name + "\" v" + std::to_string(entry.version) + " -> " +
            std::to_string(entry.code);
    if (entry.kind == SuiteLedgerEntry::Kind::Acquire) {
      text += entry.handed_out ? " (pointer)" : " (null)";
    }
    text += "\n";
  }
  const Balance balance = Tally(entries_);
  for (const auto& item : balance.outstanding) {
    if (item.second != 0) {
      text += "never released: \"" + item.first.first + "\" x" + std::to_string(item.second) + "\n";
    }
  }
  for (const auto& key : balance.unmatched_releases) {
    text += "released without a reference: \"" + key.first + "\"\n";
  }
  return text;
}

}  // namespace simhost
