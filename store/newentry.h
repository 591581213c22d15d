// SPDX-License-Identifier: MIT
#pragma once

#include "deck.h"

#include <cstdint>
#include <optional>
#include <string>

namespace store {

class Connection;

// Stores a new entry with the next ID, by the deck's rule (Deck::add): one
// above the largest, at least 1, never above kLargestReviewableId. Both the
// window and the deck tool store new entries only through the deck.
void insertEntry(Connection& connection, const std::string& question, const std::string& description);

// One above the largest ID, at least 1, whatever the ceiling; none when the
// largest ID is the largest SQLite can hold.
std::optional<std::int64_t> nextEntryId(Connection& connection);

} // namespace store
