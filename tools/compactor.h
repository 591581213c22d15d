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
// fails is reported in the result, the renumbering kept. Waits up to
// the connection's busy timeout for another program's write transaction to
// end, then fails with SQLite's SQLITE_BUSY and changes nothing.
CompactResult compactDeck(store::Connection& deck);

} // namespace deck
