// SPDX-License-Identifier: MIT
#pragma once

#include "deck.h"

#include <string>
#include <vector>

namespace store {
class Connection;
}

namespace deck {

using store::kLargestReviewableId;
// Past this many IDs per entry the random pick misses on most of its draws.
inline constexpr long long kSparseFactor = 4;

// What `check` reports about a deck.
struct DeckFigures {
    long long count = 0;
    long long lowest = 0; // the ID range, when count > 0
    long long highest = 0;
    long long missing = 0;              // IDs from 1 to the largest that no entry has
    long long gaps = 0;                 // the runs those missing IDs form
    long long belowOne = 0;             // entries with an ID the random pick never draws
    long long blank = 0;                // entries with neither a term nor a definition
    std::vector<std::string> integrity; // SQLite's integrity check: "ok", or what it found

    bool intact() const { return integrity == std::vector<std::string>{"ok"}; }
};

// The figures of these counts, without the integrity check.
DeckFigures figuresOf(const store::DeckCounts& counts);
// The count, the ID range and the gaps, without the integrity check (which
// reads the whole file). Writes nothing to the file.
DeckFigures measureDeck(store::Connection& deck);
// All the figures, the integrity check included. Writes nothing to the file.
DeckFigures examineDeck(store::Connection& deck);

// Plain warnings about what the figures mean for the Review screen, each
// with its remedy; none for a deck the Review screen handles well.
std::vector<std::string> deckWarnings(const DeckFigures& figures, const std::string& deckName);
// Whether compact would change any ID: some are below 1 or above the count.
bool compactChangesIds(const DeckFigures& figures);

} // namespace deck
