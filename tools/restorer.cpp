#include "restorer.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

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
            // Every field copied as it is stored, numbers and blobs included.
            result.restored = deck.db().exec(result.alreadyThere == 0
                                                 ? "INSERT INTO main.Questions (ID, Question, Description) "
                                                   "SELECT ID, Question, Description FROM backup.Questions ORDER BY ID"
                                                 : "INSERT INTO main.Questions (ID, Question, Description) "
                                                   "SELECT (SELECT max(coalesce(max(ID), 0), 0) FROM main.Questions) + "
                                                   "row_number() OVER (ORDER BY ID), "
                                                   "Question, Description FROM backup.Questions ORDER BY ID");
            transaction.commit();
        }
        deck.db().exec("DETACH DATABASE backup");
        return result;
    });
}

} // namespace deck
