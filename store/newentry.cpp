#include "newentry.h"

#include "connection.h"

#include <sqlite3.h>

#include <string>

namespace store {
namespace {

// The rule for a new ID. Past the largest 64-bit integer SQLite's arithmetic
// turns real, and a real number is refused as an INTEGER PRIMARY KEY
// ("datatype mismatch"): the insert fails, nothing is stored.
const std::string kNextId = "(SELECT max(coalesce(max(ID), 0), 0) + 1 FROM Questions)";

} // namespace

void insertEntry(Connection& connection, const std::string& question, const std::string& description)
{
    connection.run([&] {
        auto insert =
            connection.prepare("INSERT INTO Questions (ID, Question, Description) VALUES (" + kNextId + ", ?1, ?2)");
        insert->bind(1, question);
        insert->bind(2, description);
        insert->exec();
    });
}

std::optional<std::int64_t> nextEntryId(Connection& connection)
{
    return connection.run([&]() -> std::optional<std::int64_t> {
        auto query = connection.prepare("SELECT " + kNextId);
        query->executeStep();
        if (query->getColumn(0).getType() != SQLITE_INTEGER)
            return std::nullopt;
        return query->getColumn(0).getInt64();
    });
}

} // namespace store
