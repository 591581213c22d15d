#include "compactor.h"

#include "connection.h"
#include "deckerror.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

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

// Gives the entry with ID ids[i] the ID i + 1. The IDs ascend, so the
// entries that move up (ID below their place, possible in files from other
// programs) form a prefix and those that move down the rest. Moving the
// prefix from its end and the rest from its start never lands an entry on an
// ID still taken.
long long renumber(SQLite::Database& db, const std::vector<std::int64_t>& ids)
{
    SQLite::Statement move(db, "UPDATE Questions SET ID = ?1 WHERE ID = ?2");
    long long moved = 0;
    const auto moveTo = [&](std::size_t i) {
        const auto place = static_cast<std::int64_t>(i) + 1;
        if (ids[i] == place)
            return;
        move.bind(1, place);
        move.bind(2, ids[i]);
        move.exec();
        move.reset();
        ++moved;
    };
    std::size_t upward = 0;
    while (upward < ids.size() && ids[upward] < static_cast<std::int64_t>(upward) + 1)
        ++upward;
    for (std::size_t i = upward; i > 0; --i)
        moveTo(i - 1);
    for (std::size_t i = upward; i < ids.size(); ++i)
        moveTo(i);
    return moved;
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
            std::vector<std::int64_t> ids;
            SQLite::Statement query(db, "SELECT ID FROM Questions ORDER BY ID");
            while (query.executeStep())
                ids.push_back(query.getColumn(0).getInt64());
            result.count = static_cast<long long>(ids.size());
            result.renumbered = renumber(db, ids);
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
