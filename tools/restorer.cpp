// SPDX-License-Identifier: MIT
#include "restorer.h"

namespace deck {

store::RestoreCounts restoreEntries(store::Connection& deck, const std::string& backupPath)
{
    store::Connection backup(backupPath, store::Connection::Access::AsItIs);
    backup.checkTable(); // refuses what Verbrio would refuse
    deck.checkTable();
    return store::restoreMissing(deck, backup);
}

} // namespace deck
