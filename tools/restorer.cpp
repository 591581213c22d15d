#include "restorer.h"

#include "error.h"
#include "newentry.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <cstdint>
#include <optional>

namespace deck {

RestoreResult restoreEntries(store::Connection& deck, const std::string& backupPath)
{
    {
        store::Connection backup(backupPath); // refuses what Verbrio would refuse
        backup.checkTable();
    }
    deck.checkTable();
    return deck.run([&] {
        SQLite::Statement attach(deck.db(), "ATTACH DATABASE ?1 AS backup");
        attach.bind(1, backupPath);
        attach.exec();
        RestoreResult result;
        {
            SQLite::Transaction transaction(deck.db(), SQLite::TransactionBehavior::IMMEDIATE);
            result.alreadyThere = deck.db().execAndGet("SELECT count(*) FROM main.Questions").getInt64();
            // Every field copied as it is stored, numbers and blobs included;
            // into a deck that holds entries, under new IDs by the store's rule.
            std::int64_t firstId = 0; // 0: keep the backup's own IDs
            if (result.alreadyThere > 0) {
                const std::optional<std::int64_t> next = store::nextEntryId(deck);
                if (!next)
                    throw store::Error(SQLITE_MISMATCH, "datatype mismatch: the deck's largest ID leaves no room");
                firstId = *next;
            }
            SQLite::Statement insert(deck.db(), "INSERT INTO main.Questions (ID, Question, Description) "
                                                "SELECT CASE ?1 WHEN 0 THEN ID "
                                                "ELSE ?1 - 1 + row_number() OVER (ORDER BY ID) END, "
                                                "Question, Description FROM backup.Questions ORDER BY ID");
            insert.bind(1, firstId);
            result.restored = insert.exec();
            transaction.commit();
        }
        deck.db().exec("DETACH DATABASE backup");
        return result;
    });
}

} // namespace deck
