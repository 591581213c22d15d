// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace store {
class Connection;
}

namespace deck {

struct CompactResult {
    long long count = 0;      // entries, now with IDs 1 to count
    long long renumbered = 0; // entries whose ID changed
    long long bytesBefore = 0;
    long long bytesAfter = 0;
    std::string notReclaimed; // why VACUUM failed, if it did: the renumbering stands
};

// Renumbers the entries 1..n in their present (ascending ID) order, in one
// transaction, then reclaims the free space with VACUUM. An interruption
// leaves either the old numbering or the new one, never a mix; a VACUUM that
// fails is reported in the result, the renumbering kept. Another program
// with the deck open would hold IDs that then name other entries: first the
// file is returned to the rollback journal, which needs it alone, waiting up
// to 2 seconds before failing with DeckErrorCode::InUse; then another
// program's transaction holds the renumbering up for the connection's busy
// timeout, after which it fails with SQLite's SQLITE_BUSY. Either way
// nothing is changed.
CompactResult compactDeck(store::Connection& deck);

} // namespace deck
