// SPDX-License-Identifier: MIT
#pragma once

#include "sourceformat.h"

#include <string_view>

namespace deck {

// The first bytes of every SQLite 3 database file.
inline constexpr std::string_view kDeckSignature{"SQLite format 3\0", 16};

// Reads another Verbrio deck, opened only for reading and with the same
// protections as the window opens any deck with: every entry in ID order,
// its texts as the window shows them. This is how decks are merged, and how
// a deck is restored from a copy. The entries are numbered by their IDs.
void readDeckSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink);

} // namespace deck
