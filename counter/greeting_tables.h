#pragma once
#include <array>
#include <string>
#include <vector>

namespace vp::counter {

// Condition kinds of a greeting entry.
enum GreetingKind { kEveryDay = 0, kDayOfYear = 1, kNever2 = 2, kWeekday = 3, kNever4 = 4, kMonth = 5, kDefault = -1 };

struct GreetingEntry {
  int kind;
  int param1;
  int param2;
  int picture;
  std::string line1, line2, line3;
  std::array<int, 6> voices;  // the first 0 ends the list
};

// One table per character; each ends with its default entry (kind -1).
using GreetingTable = std::vector<GreetingEntry>;
const std::array<GreetingTable, 6>& GreetingTables();

// How the speaker (row) refers to each character (column); the diagonal is "I".
using AddressTable = std::array<std::array<const char*, 6>, 6>;
const AddressTable& Addresses();

// First voice number of each character's block in the voice archives.
inline constexpr std::array<int, 6> kVoiceBase = {1, 1025, 2049, 3073, 6145, 6657};

}  // namespace vp::counter
