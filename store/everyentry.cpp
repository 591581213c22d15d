// SPDX-License-Identifier: MIT
#include "everyentry.h"

#include "connection.h"
#include "value.h"

#include <string>

namespace store {

namespace {

// A text column's text as SQLite holds it, without a copy; any other value
// as a record shows it, in `spare`.
std::string_view textOf(const SQLite::Column& column, std::string& spare)
{
    if (column.isText())
        return {column.getText(), std::size_t(column.getBytes())};
    spare = toText(columnValue(column));
    return spare;
}

} // namespace

void forEachEntry(Connection& deck,
                  const std::function<void(std::int64_t id, std::string_view term, std::string_view definition)>& visit)
{
    deck.checkTable();
    deck.run([&] {
        auto query = deck.prepare("SELECT ID, Question, Description FROM Questions ORDER BY ID");
        std::string spareTerm, spareDefinition;
        while (query->executeStep())
            visit(query->getColumn(0).getInt64(), textOf(query->getColumn(1), spareTerm),
                  textOf(query->getColumn(2), spareDefinition));
    });
}

} // namespace store
