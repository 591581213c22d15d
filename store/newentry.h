#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace store {

class Connection;

// The largest ID the Review screen can draw: it picks IDs as 16-bit signed
// integers, so an entry above this can never be shown there.
inline constexpr std::int64_t kLargestReviewableId = 32767;

// Stores a new entry with the next ID: one above the largest, and at least 1,
// since IDs below 1 are never drawn. The ID is found in the same statement as
// the insert, so another copy of the program cannot take it in between. Both
// the window and the deck tool store new entries only through here.
void insertEntry(Connection& connection, const std::string& question, const std::string& description);

// The ID insertEntry would give the next entry now; none when the largest ID
// is the largest SQLite can hold, where insertEntry fails rather than let
// SQLite pick an ID at random.
std::optional<std::int64_t> nextEntryId(Connection& connection);

} // namespace store
