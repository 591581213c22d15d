// SPDX-License-Identifier: MIT
#pragma once

#include "connection.h"
#include "restore.h"

#include <string>

namespace deck {

// Adds back to `deck` what it lacks of the deck `backupPath` (the copy
// "Re&start" keeps): see store::restoreMissing. The backup is read as it is,
// never written, and a journal or -wal beside it is not applied. Every error
// names the file it is about.
store::RestoreCounts restoreEntries(store::Connection& deck, const std::string& backupPath);

} // namespace deck
