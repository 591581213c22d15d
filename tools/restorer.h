#pragma once

#include "connection.h"

#include <string>

namespace deck {

struct RestoreResult {
    long long restored = 0;     // entries added from the backup
    long long alreadyThere = 0; // entries the deck held before
};

// Adds every entry of the deck `backupPath` (the copy "Re&start" keeps) to
// `deck`, in one transaction: all or none. Into an empty deck they go with
// their own IDs, so the deck is as it was; otherwise after its largest ID.
// The backup is only read.
RestoreResult restoreEntries(store::Connection& deck, const std::string& backupPath);

} // namespace deck
