// SPDX-License-Identifier: MIT
#include "compactor.h"

#include "connection.h"
#include "deck.h"
#include "deckerror.h"

#include <SQLiteCpp/Transaction.h>

#include <chrono>
#include <thread>

namespace deck {
namespace {

// As long as the connection's busy timeout waits for another writer.
constexpr auto kWaitForOthers = std::chrono::seconds(2);
constexpr auto kRetryEvery = std::chrono::milliseconds(50);

// In WAL, a program that has the deck open (the drill, which deletes and
// stores entries by their IDs) does not hold up a writer, so it would not
// notice its IDs change under it. Leaving WAL needs the file alone: SQLite
// refuses it at once while another connection has the file open in WAL, so
// it is tried again until the wait is up. In the rollback journal, which
// the file is in from here on, readers hold up the commit instead.
void takeFileAlone(store::Connection& deck)
{
    const auto giveUp = std::chrono::steady_clock::now() + kWaitForOthers;
    while (!deck.leaveWal(true)) {
        if (std::chrono::steady_clock::now() >= giveUp)
            throw deckError(DeckErrorCode::InUse,
                            "the deck is in use: another program has had it open for 2 seconds, Verbrio perhaps, "
                            "and compact needs it alone. Close Verbrio on this deck and try again");
        std::this_thread::sleep_for(kRetryEvery);
    }
}

long long fileBytes(SQLite::Database& db)
{
    return db.execAndGet("PRAGMA page_count").getInt64() * db.execAndGet("PRAGMA page_size").getInt64();
}

} // namespace

CompactResult compactDeck(store::Connection& deck)
{
    deck.checkTable();
    takeFileAlone(deck);
    return deck.run([&] {
        CompactResult result;
        SQLite::Database& db = deck.db();
        result.bytesBefore = fileBytes(db);
        {
            SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
            store::Deck entries(deck);
            result.count = static_cast<long long>(entries.ids().size());
            result.renumbered = entries.renumber();
            transaction.commit();
        }
        try {
            db.exec("VACUUM");
            // Move the compacted pages from the WAL into the file itself now,
            // so the file shrinks; a reader still open may keep some back.
            db.execAndGet("PRAGMA wal_checkpoint(TRUNCATE)");
        } catch (const SQLite::Exception& e) {
            result.notReclaimed = e.what();
        }
        result.bytesAfter = fileBytes(db);
        return result;
    });
}

} // namespace deck
