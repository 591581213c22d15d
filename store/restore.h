// SPDX-License-Identifier: MIT
#pragma once

namespace store {

class Connection;

// What restoreMissing did with the entries of a backup.
struct RestoreCounts {
    long long ownIds = 0;       // came back under their own IDs
    long long renumbered = 0;   // came back under new IDs, by the rule for new entries
    long long alreadyThere = 0; // the deck holds them, same ID and same texts
};

// Adds back to `deck` what it lacks of `backup` (opened Access::AsItIs, its
// table checked), in one transaction: all or none.
//
// An entry of the backup whose ID and texts are both in the deck is already
// there. One whose ID is free and whose texts the deck does not hold comes
// back under its own ID. Every other one gets a new ID, one above the largest
// (at least 1), in the backup's order. When a new ID would pass
// kLargestReviewableId, ErrorCode::NoRoomToRestore is raised before anything
// is written. Errors of the backup name the backup, those of the deck the deck.
RestoreCounts restoreMissing(Connection& deck, Connection& backup);

} // namespace store
